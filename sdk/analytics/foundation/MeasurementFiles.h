#pragma once

#include <string>

#include "platform/foundation/ErrorOr.h"

namespace sdk::analytics {

inline constexpr const char* kMeasurementDirectory = "Vadeze/Measurement";

// The path of `fileName` in Application Support/Vadeze/Measurement (the folder is made on first
// use); empty, logged, when the container has no such folder.
std::string measurementDirectoryFilePath(const std::string& fileName);
// Deletes the file; a file that is already gone counts as deleted. An empty path fails with code 1.
platform::foundation::ErrorOr<void> deleteFileAtPath(const std::string& path);
// Marks the file as left out of backups (an extended attribute where the file system keeps them).
platform::foundation::ErrorOr<void> excludePathFromBackup(const std::string& path);

}  // namespace sdk::analytics

