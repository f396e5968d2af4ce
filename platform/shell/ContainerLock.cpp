#include "platform/shell/ContainerLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/foundation/AtomicFile.h"

namespace platform::shell {

namespace {

std::string inUse(const std::string& root, pid_t holder) {
  const std::string who = holder > 0 ? " (pid " + std::to_string(holder) + ")" : "";
  return "the container " + root + " is in use by another running ostrel" + who +
         ": one app runs in a container at a time";
}

std::string unusable(const std::string& path, const std::string& why) {
  return "cannot lock the container with " + path + ": " + why;
}

// A link is never followed to the lock: even one to a file is someone else's.
std::string notAFile(const std::string& path) {
  return "it is " + foundation::AtomicFile::whatStandsAt(path).words() + ", not a regular file";
}

// Why the lock file could not be opened (`error`): what the system said of a file that is there (a
// read-only mount) or of a missing one that could not be made, unless something else stands there.
std::string refusedOpen(const std::string& path, int error) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) return std::strerror(error);
  if (!S_ISREG(status.st_mode)) return notAFile(path);
  if ((error == EACCES || error == EPERM) && status.st_uid != ::geteuid()) {
    return std::string("it belongs to another user and may not be opened: ") + std::strerror(error);
  }
  return std::strerror(error);
}

}  // namespace

std::string ContainerLock::holdForThisProcess(const std::string& root) {
  const std::string path = root + "/" + kRelativePath;
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  // Not followed, never waited on (a FIFO put there), and closed in every program the app executes.
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) {
    return unusable(path, refusedOpen(path, errno));
  }
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(fd);
    return unusable(path, notAFile(path));
  }
  struct flock whole {};
  whole.l_type = F_WRLCK;
  whole.l_whence = SEEK_SET;
  // A holder that ends between the refusal and the question who it is leaves the lock free: try again.
  for (int attempt = 0; attempt < 3; ++attempt) {
    // The descriptor stays open for the life of the process: closing it would let the lock go.
    if (::fcntl(fd, F_SETLK, &whole) == 0) return {};
    if (errno != EACCES && errno != EAGAIN) break;
    struct flock holder = whole;
    if (::fcntl(fd, F_GETLK, &holder) == 0 && holder.l_type != F_UNLCK) {
      ::close(fd);
      return inUse(root, holder.l_pid);
    }
  }
  const int error = errno;
  ::close(fd);
  return unusable(path, std::strerror(error));
}

}  // namespace platform::shell
