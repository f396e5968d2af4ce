#pragma once

#include <string>

#include "platform/foundation/Error.h"

namespace sdk::analytics {

inline constexpr const char* kMeasurementDirectory = "Vadeze/Measurement";

// The path of `fileName` in Application Support/Vadeze/Measurement (the folder is made on first
// use); empty, logged, when the container has no such folder.
std::string measurementDirectoryFilePath(const std::string& fileName);
// Deletes the file; a file that is already gone counts as deleted. An empty path fails with code 1.
bool deleteFileAtPath(const std::string& path, platform::foundation::Error* error);
// Marks the file as left out of backups (an extended attribute where the file system keeps them).
bool excludePathFromBackup(const std::string& path, platform::foundation::Error* error);

}  // namespace sdk::analytics

