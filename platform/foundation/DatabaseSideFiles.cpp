#include "platform/foundation/DatabaseSideFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/foundation/AtomicFile.h"

namespace platform::foundation {

namespace {

// Empty when the side file at `path` is missing or one SQLite can use; otherwise what stands there.
std::string strangeness(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) {
    if (errno == ENOENT) return {};
    return std::string("a path that cannot be looked at (") + std::strerror(errno) + ")";
  }
  // A link is never the database's own: SQLite would write its journal wherever the link leads.
  if (!S_ISREG(info.st_mode)) return AtomicFile::whatStandsAt(path).words();
  // A regular file does not wait to be opened; O_NONBLOCK only guards against one swapped in meanwhile.
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return std::string("a file that cannot be opened (") + std::strerror(errno) + ")";
  const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  ::close(fd);
  return regular ? std::string() : AtomicFile::whatStandsAt(path).words();
}

}  // namespace

// SQLite resolves a link to the database, as to the person's catalogue moved to another disk with a
// link left in its place, and names the side files after the file it leads to.
std::string DatabaseSideFiles::namedAfter(const std::string& databasePath) { return AtomicFile::fileBehind(databasePath); }

DatabaseSideFiles::Place DatabaseSideFiles::placeOf(const std::string& databasePath) {
  struct stat info {};
  if (::lstat(databasePath.c_str(), &info) != 0) {
    if (errno == ENOENT) return {Place::State::Missing, {}, {}};
    return {Place::State::Unreadable, std::string("a path that cannot be looked at (") + std::strerror(errno) + ")",
            databasePath};
  }
  // A link is used as what it leads to, when that is a file.
  const bool file = S_ISREG(info.st_mode) ||
                    (S_ISLNK(info.st_mode) && ::stat(databasePath.c_str(), &info) == 0 && S_ISREG(info.st_mode));
  if (!file) return {Place::State::Unreadable, AtomicFile::whatStandsAt(databasePath).words(), databasePath};
  // A file is used only when SQLite can use what stands beside it too.
  auto strangers = strangersBeside(databasePath);
  if (strangers.empty()) return {Place::State::File, {}, {}};
  return {Place::State::Unreadable, std::move(strangers.front().what), std::move(strangers.front().path)};
}

std::vector<DatabaseSideFiles::Stranger> DatabaseSideFiles::strangersBeside(const std::string& databasePath) {
  std::vector<Stranger> strangers;
  const std::string database = namedAfter(databasePath);
  for (const SideFile side : kAll) {
    std::string path = of(database, side);
    if (std::string what = strangeness(path); !what.empty()) strangers.push_back({std::move(path), std::move(what)});
  }
  return strangers;
}

bool DatabaseSideFiles::isSideFile(std::string_view name) {
  for (const SideFile side : kAll) {
    if (name.ends_with(side.suffix)) return true;
  }
  return false;
}

std::string DatabaseSideFiles::described(const std::vector<Stranger>& strangers) {
  std::string text;
  for (const auto& stranger : strangers) text += (text.empty() ? "" : "; ") + stranger.what + " stands at " + stranger.path;
  return text;
}

}  // namespace platform::foundation
