#include "sdk/analytics/foundation/MeasurementFiles.h"

#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/foundation/Paths.h"
#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "sdk/analytics/foundation/MeasurementError.h"
#include "sdk/analytics/foundation/Monitor.h"

namespace sdk::analytics {

namespace {
constexpr const char* kExcludeFromBackupAttribute = "user.ostrel.exclude-from-backup";

const char* fileTypeName(mode_t mode) {
  if (S_ISREG(mode)) return "regular";
  if (S_ISDIR(mode)) return "directory";
  if (S_ISLNK(mode)) return "symbolicLink";
  return "other";
}
}

std::string measurementDirectoryFilePath(const std::string& fileName) {
  std::string support = platform::foundation::Paths::applicationSupport();
  std::error_code failure;
  std::filesystem::path directory = std::filesystem::path(support) / kMeasurementDirectory;
  if (support.empty() || (std::filesystem::create_directories(directory, failure), failure)) {
    Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, messages::kMeasurementDirectoryNotFound,
                                    "Unable to find the measurement directory",
                                    platform::foundation::Value(failure.message()));
    return {};
  }
  return (directory / fileName).string();
}

platform::foundation::ErrorOr<void> deleteFileAtPath(const std::string& path) {
  if (path.empty()) return measurementErrorWithCode(1, "Received empty path for deleting file");
  std::error_code failure;
  std::filesystem::remove(path, failure);
  if (failure) return measurementErrorWithCode(2, "Failed to delete file " + path + ": " + failure.message());
  return {};
}

platform::foundation::ErrorOr<void> excludePathFromBackup(const std::string& path) {
  if (path.empty()) return measurementErrorWithCode(1, "Received empty path for excluding from backup");
  if (::setxattr(path.c_str(), kExcludeFromBackupAttribute, "1", 1, 0) == 0 || errno == ENOTSUP) return {};
  return measurementErrorWithCode(2, "Failed to exclude " + path + " from backup: " + std::strerror(errno));
}

platform::foundation::ErrorOr<platform::foundation::Dictionary> fileAttributesAtPath(const std::string& path) {
  using platform::foundation::Value;
  if (path.empty()) return measurementErrorWithCode(1, "Received empty path for reading file attributes");
  struct stat facts {};
  if (::lstat(path.c_str(), &facts) != 0) {
    return measurementErrorWithCode(2, "Failed to read attributes of " + path + ": " + std::strerror(errno));
  }
  const double modified = static_cast<double>(facts.st_mtim.tv_sec) + static_cast<double>(facts.st_mtim.tv_nsec) / 1e9;
  return platform::foundation::Dictionary{
      {kFileSizeKey, Value(static_cast<std::int64_t>(facts.st_size))},
      {kFileTypeKey, Value(fileTypeName(facts.st_mode))},
      {kFilePosixPermissionsKey, Value(static_cast<std::int64_t>(facts.st_mode & 07777))},
      {kFileModificationDateKey, Value::date(modified)},
  };
}

}  // namespace sdk::analytics

