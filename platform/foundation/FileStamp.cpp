#include "platform/foundation/FileStamp.h"

#include <sys/stat.h>

namespace platform::foundation {

std::optional<FileStamp> FileStamp::of(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  FileStamp stamp;
  stamp.device_ = info.st_dev;
  stamp.inode_ = info.st_ino;
  stamp.size_ = info.st_size;
  stamp.modifiedSeconds_ = info.st_mtim.tv_sec;
  stamp.modifiedNanoseconds_ = info.st_mtim.tv_nsec;
  stamp.changedSeconds_ = info.st_ctim.tv_sec;
  stamp.changedNanoseconds_ = info.st_ctim.tv_nsec;
  return stamp;
}

}  // namespace platform::foundation
