#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>

namespace platform::foundation {

// Which file stands at a path and how it was when looked at: its device and inode, its size, and the
// times it was last written and last changed. A reader that keeps what it parsed from a file reads it
// again only when the stamp differs: another file took the path, or someone wrote this one since. The
// change time is there for a writer that puts the old modification time back (cp -p, an editor's backup).
class FileStamp {
 public:
  // The stamp of what `path` leads to, a link followed as readers follow it; none when nothing does.
  // One stat(2), without opening the file.
  [[nodiscard]] static std::optional<FileStamp> of(const std::string& path);

  bool operator==(const FileStamp&) const = default;
  // Any order, for keeping stamps in a set.
  auto operator<=>(const FileStamp&) const = default;

 private:
  FileStamp() = default;

  std::uint64_t device_ = 0;
  std::uint64_t inode_ = 0;
  std::int64_t size_ = 0;
  std::int64_t modifiedSeconds_ = 0;
  std::int64_t modifiedNanoseconds_ = 0;
  std::int64_t changedSeconds_ = 0;
  std::int64_t changedNanoseconds_ = 0;
};

}  // namespace platform::foundation
