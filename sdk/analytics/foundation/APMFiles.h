#pragma once

#include <string>

#include "platform/foundation/Error.h"

inline constexpr const char* kAPMMeasurementDirectory = "Vadeze/Measurement";

// The path of `fileName` in Application Support/Vadeze/Measurement (the folder is made on first
// use); empty, logged, when the container has no such folder.
std::string APMMeasurementDirectoryFilePath(const std::string& fileName);
// Deletes the file; a file that is already gone counts as deleted. An empty path fails with code 1.
bool APMDeleteFileAtPath(const std::string& path, platform::foundation::Error* error);
// Marks the file as left out of backups (an extended attribute where the file system keeps them).
bool APMExcludePathFromBackup(const std::string& path, platform::foundation::Error* error);
