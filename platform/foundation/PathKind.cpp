#include "platform/foundation/PathKind.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/foundation/AtomicFile.h"

namespace platform::foundation {

namespace {

PathKind::Kind kindOf(const std::string& path, mode_t mode) {
  using Kind = PathKind::Kind;
  if (S_ISREG(mode)) return AtomicFile::mayNotRead(path) ? Kind::FileMayNotRead : Kind::RegularFile;
  if (S_ISDIR(mode)) return Kind::Folder;
  if (S_ISFIFO(mode)) return Kind::Fifo;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return Kind::Device;
  if (S_ISSOCK(mode)) return Kind::Socket;
  return Kind::Other;
}

const char* wordsOf(PathKind::Kind kind) {
  using Kind = PathKind::Kind;
  switch (kind) {
    case Kind::Nothing: return "";
    case Kind::RegularFile: return "a regular file";
    case Kind::FileMayNotRead: return PathKind::kMayNotReadWords;
    case Kind::Folder: return "a folder";
    case Kind::Fifo: return "a FIFO";
    case Kind::Device: return "a device";
    case Kind::Socket: return "a socket";
    case Kind::Other: return "not a file";
    case Kind::LinkToNowhere: return "a link that leads nowhere";
    case Kind::LinkInALoop: return "a link in a loop";
    case Kind::LinkNotFollowed: return "a link that cannot be followed";
  }
  return "";
}

}  // namespace

PathKind PathKind::at(const std::string& path) {
  struct stat info {};
  if (path.empty() || ::lstat(path.c_str(), &info) != 0) return {Kind::Nothing, false};
  if (!S_ISLNK(info.st_mode)) return {kindOf(path, info.st_mode), false};
  if (::stat(path.c_str(), &info) == 0) return {kindOf(path, info.st_mode), true};
  if (errno == ELOOP) return {Kind::LinkInALoop, true};
  if (errno == ENOENT || errno == ENOTDIR) return {Kind::LinkToNowhere, true};
  return {Kind::LinkNotFollowed, true};
}

std::string PathKind::words() const {
  const bool ownWords = kind_ == Kind::LinkToNowhere || kind_ == Kind::LinkInALoop || kind_ == Kind::LinkNotFollowed;
  return (throughLink_ && !ownWords ? "a link to " : "") + std::string(wordsOf(kind_));
}

}  // namespace platform::foundation
