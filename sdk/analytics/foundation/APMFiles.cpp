#include "sdk/analytics/foundation/APMFiles.h"

#include <sys/xattr.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/foundation/Paths.h"
#include "sdk/analytics/foundation/APMError.h"
#include "sdk/analytics/foundation/APMMonitor.h"

namespace {
constexpr const char* kExcludeFromBackupAttribute = "user.ostrel.exclude-from-backup";
}

std::string APMMeasurementDirectoryFilePath(const std::string& fileName) {
  std::string support = platform::foundation::Paths::applicationSupport();
  std::error_code failure;
  std::filesystem::path directory = std::filesystem::path(support) / kAPMMeasurementDirectory;
  if (support.empty() || (std::filesystem::create_directories(directory, failure), failure)) {
    APMMonitor::shared()->logWithLevel(1, 19001, "Unable to find the measurement directory",
                                       platform::foundation::Value(failure.message()));
    return {};
  }
  return (directory / fileName).string();
}

bool APMDeleteFileAtPath(const std::string& path, platform::foundation::Error* error) {
  if (path.empty()) {
    APMSetError(error, 1, "Received empty path for deleting file");
    return false;
  }
  std::error_code failure;
  std::filesystem::remove(path, failure);
  if (failure) {
    APMSetError(error, 2, "Failed to delete file " + path + ": " + failure.message());
    return false;
  }
  return true;
}

bool APMExcludePathFromBackup(const std::string& path, platform::foundation::Error* error) {
  if (path.empty()) {
    APMSetError(error, 1, "Received empty path for excluding from backup");
    return false;
  }
  if (::setxattr(path.c_str(), kExcludeFromBackupAttribute, "1", 1, 0) == 0 || errno == ENOTSUP) return true;
  APMSetError(error, 2, "Failed to exclude " + path + " from backup: " + std::strerror(errno));
  return false;
}
