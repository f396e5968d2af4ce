#include "sdk/transport/DirectorySizeTracker.h"

#include <filesystem>
#include <system_error>

namespace sdk::transport {

namespace fs = std::filesystem;

std::uint64_t DirectorySizeTracker::directoryContentSize() {
  if (!cachedSizeBytes_) cachedSizeBytes_ = calculateDirectoryContentSize();
  return *cachedSizeBytes_;
}

bool DirectorySizeTracker::contains(const std::string& path) const {
  return path.size() > directoryPath_.size() && path.compare(0, directoryPath_.size(), directoryPath_) == 0 &&
         path[directoryPath_.size()] == '/';
}

void DirectorySizeTracker::fileWasAddedAtPath(const std::string& path, std::uint64_t size) {
  if (contains(path)) cachedSizeBytes_ = directoryContentSize() + size;
}

void DirectorySizeTracker::fileWasRemovedAtPath(const std::string& path, std::uint64_t size) {
  if (!contains(path)) return;
  std::uint64_t current = directoryContentSize();
  cachedSizeBytes_ = current >= size ? current - size : 0;
}

std::uint64_t DirectorySizeTracker::calculateDirectoryContentSize() const {
  std::uint64_t total = 0;
  std::error_code error;
  fs::recursive_directory_iterator walk(directoryPath_, fs::directory_options::skip_permission_denied, error);
  for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
    const auto& entry = *walk;
    if (entry.path().filename().string().starts_with(".")) {
      if (entry.is_directory(error)) walk.disable_recursion_pending();
      continue;
    }
    std::error_code sizeError;
    if (entry.is_regular_file(sizeError)) {
      auto size = entry.file_size(sizeError);
      if (!sizeError) total += size;
    }
  }
  return total;
}

std::uint64_t DirectorySizeTracker::fileSizeAtPath(const std::string& path) {
  std::error_code error;
  auto size = fs::file_size(path, error);
  return error ? 0 : size;
}

}  // namespace sdk::transport

