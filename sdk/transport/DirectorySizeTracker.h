#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sdk::transport {

// The total size of the regular files below a folder, walked once and then kept up to date by the
// storage that adds and removes files there. Used only from the storage's queue.
class DirectorySizeTracker {
 public:
  explicit DirectorySizeTracker(std::string directoryPath) : directoryPath_(std::move(directoryPath)) {}

  const std::string& directoryPath() const { return directoryPath_; }
  std::uint64_t directoryContentSize();
  // Only paths inside the folder count.
  void fileWasAddedAtPath(const std::string& path, std::uint64_t size);
  void fileWasRemovedAtPath(const std::string& path, std::uint64_t size);
  // The next read walks the folder again.
  void resetCachedSize() { cachedSizeBytes_.reset(); }
  // Hidden files (temporary files of writes in progress) do not count.
  std::uint64_t calculateDirectoryContentSize() const;
  static std::uint64_t fileSizeAtPath(const std::string& path);

 private:
  bool contains(const std::string& path) const;

  std::string directoryPath_;
  std::optional<std::uint64_t> cachedSizeBytes_;
};

}  // namespace sdk::transport

