#pragma once

#include <string>

#include "platform/foundation/ErrorOr.h"
#include "platform/foundation/Value.h"

namespace sdk::analytics {

inline constexpr const char* kMeasurementDirectory = "Vadeze/Measurement";

// The path of `fileName` in Application Support/Vadeze/Measurement (the folder is made on first
// use); empty, logged, when the container has no such folder.
std::string measurementDirectoryFilePath(const std::string& fileName);
// Deletes the file; a file that is already gone counts as deleted. An empty path fails with code 1.
platform::foundation::ErrorOr<void> deleteFileAtPath(const std::string& path);
// Marks the file as left out of backups (an extended attribute where the file system keeps them).
platform::foundation::ErrorOr<void> excludePathFromBackup(const std::string& path);

// What the file system says of the item at `path` itself (a symbolic link is not followed): its
// size in bytes, its type ("regular", "directory", "symbolicLink" or "other"), its permission bits
// and the date of its last change. An empty path fails with code 1, an item that cannot be read
// with code 2 and the system's reason.
inline constexpr const char* kFileSizeKey = "fileSize";
inline constexpr const char* kFileTypeKey = "fileType";
inline constexpr const char* kFilePosixPermissionsKey = "filePosixPermissions";
inline constexpr const char* kFileModificationDateKey = "fileModificationDate";
platform::foundation::ErrorOr<platform::foundation::Dictionary> fileAttributesAtPath(const std::string& path);

}  // namespace sdk::analytics

