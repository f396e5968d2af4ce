#include "platform/foundation/DamagedFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/DatabaseSideFiles.h"
#include "platform/log/Log.h"

namespace platform::foundation {

namespace {

std::string timestamp() {
  const double now = Clock::current()->now();
  const auto seconds = static_cast<std::time_t>(std::isfinite(now) ? now : 0.0);
  std::tm tm{};
  char text[32] = "unknown";
  if (gmtime_r(&seconds, &tm)) std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &tm);
  return text;
}

// What marks a copy kept aside, between the file's name and the date it was kept.
constexpr const char* kKeptMark = ".damaged-";

// The name a copy of `path` kept now takes, before any "-2": "<path>.damaged-<date>".
std::string keptStem(const std::string& path) { return path + kKeptMark + timestamp(); }

// Why `path` could not be kept, by errno.
Error notKept(const std::string& path) {
  const int code = errno;
  return Error::make(AtomicFile::kErrorDomain, code, "cannot keep " + path + " aside: " + std::strerror(code));
}

// A kept name, or why none was taken.
ErrorOr<std::string> keptOrWhy(std::string kept, const std::string& path) {
  if (kept.empty()) return notKept(path);
  return kept;
}

// Renames without ever replacing what is at `to`, even when another process keeps the same file aside
// at the same moment.
bool renameNoReplace(const std::string& from, const std::string& to) {
  return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0;
}

// Tries `base`, then "<base>-2", "<base>-3"... until `place` succeeds there, or fails for another reason
// than the name being taken; the name it took, or empty.
std::string placeUnderFreeName(const std::string& base, const std::function<bool(const std::string&)>& place) {
  std::string name = base;
  for (int n = 2;; ++n) {
    if (place(name)) return name;
    if (errno != EEXIST) return {};
    name = base + "-" + std::to_string(n);
  }
}

bool writeNew(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) break;
    done += static_cast<std::size_t>(wrote);
  }
  const int saved = errno;
  ::close(fd);
  if (done == bytes.size()) return true;
  ::unlink(path.c_str());
  errno = saved == EEXIST ? EIO : saved;  // a short write must not read as a name already taken
  return false;
}

std::string folderBeside(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string lastComponentOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The start of the file name of every copy of `path` kept beside it.
std::string keptPrefixOf(const std::string& path) { return lastComponentOf(path) + kKeptMark; }

bool namesKeptCopy(std::string_view name, std::string_view prefix) {
  // The SQLite files kept beside a copy share its prefix but are not copies of the file.
  return name.starts_with(prefix) && name.find('/') == std::string_view::npos && !DatabaseSideFiles::isSideFile(name);
}

// Calls `visit` with the path of each copy kept aside beside `path` until it answers true; false when
// the folder cannot be listed.
bool forEachKeptCopy(const std::string& path, const std::function<bool(const std::string&)>& visit) {
  const std::string folder = folderBeside(path);
  const std::string prefix = keptPrefixOf(path);
  DIR* listing = ::opendir(folder.c_str());
  if (!listing) return false;
  while (const dirent* entry = ::readdir(listing)) {
    const std::string_view name = entry->d_name;
    if (!namesKeptCopy(name, prefix)) continue;
    if (visit(folder + "/" + std::string(name))) break;
  }
  ::closedir(listing);
  return true;
}

// Orders kept copies as they were made: by the date in the name, then by the number after it (none is 1).
std::pair<std::string, long> madeAt(std::string_view name, std::size_t prefixSize) {
  std::string_view made = name.substr(prefixSize);
  constexpr std::size_t kDateSize = std::string_view("YYYYmmdd-HHMMSS").size();
  if (made.size() <= kDateSize + 1 || made[kDateSize] != '-') return {std::string(made), 1};
  return {std::string(made.substr(0, kDateSize)), std::strtol(std::string(made.substr(kDateSize + 1)).c_str(), nullptr, 10)};
}

}  // namespace

bool DamagedFile::hasKeptCopy(const std::string& path) {
  bool found = false;
  const bool listed = forEachKeptCopy(path, [&found](const std::string&) { return found = true; });
  return found || !listed;
}

ErrorOr<std::string> DamagedFile::nextKeptPath(const std::string& path) {
  return keptOrWhy(placeUnderFreeName(keptStem(path),
                                      [](const std::string& name) {
                                        struct stat info {};
                                        if (::lstat(name.c_str(), &info) == 0) {
                                          errno = EEXIST;
                                          return false;
                                        }
                                        return errno == ENOENT;
                                      }),
                   path);
}

bool DamagedFile::namesKeptCopyOf(const std::string& path, std::string_view name) {
  return namesKeptCopy(name, keptPrefixOf(path));
}

std::string DamagedFile::keptCopyNamed(const std::string& path, const std::string& name) {
  if (!namesKeptCopyOf(path, name)) return {};
  const std::string copy = folderBeside(path) + "/" + name;
  return AtomicFile::anythingAt(copy) ? copy : std::string();
}

std::string_view DamagedFile::nameKeptFrom(std::string_view keptName) {
  return keptName.substr(0, keptName.rfind(kKeptMark));
}

std::string DamagedFile::newestKeptCopyOf(const std::string& path) {
  const std::size_t prefixSize = keptPrefixOf(path).size();
  const std::string folder = folderBeside(path);
  std::string newest;
  forEachKeptCopy(path, [&](const std::string& copy) {
    const std::string_view name = std::string_view(copy).substr(folder.size() + 1);
    if (newest.empty() || madeAt(name, prefixSize) > madeAt(std::string_view(newest).substr(folder.size() + 1), prefixSize)) {
      newest = copy;
    }
    return false;
  });
  return newest;
}

std::string DamagedFile::identityOf(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return {};
  return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

std::string DamagedFile::keptCopyOf(const std::string& path, const std::string& identity) {
  std::string copy;
  if (identity.empty()) return copy;
  forEachKeptCopy(path, [&](const std::string& kept) {
    if (identityOf(kept) == identity) copy = kept;
    return !copy.empty();
  });
  return copy;
}

ErrorOr<std::string> DamagedFile::keepBeforeReplacing(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return notKept(path);
  if (!S_ISREG(info.st_mode)) {
    errno = EISDIR;
    return notKept(path);
  }
  // A second name would keep it unread, but what it holds is its owner's: neither kept nor replaced.
  if (AtomicFile::mayNotRead(path)) {
    errno = EACCES;
    return notKept(path);
  }
  // Kept already, by a reader before a kill or earlier in this run: the file still bears that name too.
  if (const std::string newest = newestKeptCopyOf(path); !newest.empty() && identityOf(newest) == identityOf(path)) {
    return newest;
  }
  const std::string kept = placeUnderFreeName(keptStem(path), [&](const std::string& name) {
    // A second name for the same file keeps it at no cost, whatever its size, and the replacement's
    // rename takes only the first name away.
    if (::link(path.c_str(), name.c_str()) == 0) return true;
    // Where the file system or its owner allows no second name (another user's file), a whole copy.
    if (errno == EEXIST || static_cast<std::uintmax_t>(info.st_size) > kMaximumCopyBytes) return false;
    auto copied = AtomicFile::copyToNewFile(path, name, info.st_mode & 0777);
    if (!copied.ok()) errno = static_cast<int>(copied.error().code);
    return copied.ok();
  });
  // The copy's name reaches the disk before the replacement can take the file's.
  if (!kept.empty()) AtomicFile::syncFolder(folderBeside(kept));
  return keptOrWhy(kept, path);
}

ErrorOr<std::string> DamagedFile::keepCopy(const std::string& path) {
  const std::vector<std::uint8_t> bytes = TRY(AtomicFile::readFile(path, kMaximumCopyBytes));
  return keptOrWhy(placeUnderFreeName(keptStem(path), [&](const std::string& name) { return writeNew(name, bytes); }),
                   path);
}

namespace {

// keepAside under `base`, or the first free name after it.
ErrorOr<std::string> keepAsideUnder(const std::string& path, const std::string& base) {
  // Only a file is ever taken for damaged contents: a folder or a link where one was expected is left
  // for the person to see, and the failure to write over it tells them.
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return notKept(path);
  if (!S_ISREG(info.st_mode)) {
    errno = EISDIR;
    return notKept(path);
  }
  const std::string copy =
      placeUnderFreeName(base, [&](const std::string& name) { return renameNoReplace(path, name); });
  if (copy.empty()) return notKept(path);
  for (const DatabaseSideFiles::SideFile side : DatabaseSideFiles::kAll) {
    const std::string companion = DatabaseSideFiles::of(path, side);
    if (AtomicFile::fileExists(companion)) renameNoReplace(companion, DatabaseSideFiles::of(copy, side));
  }
  return copy;
}

}  // namespace

ErrorOr<std::string> DamagedFile::keepAside(const std::string& path, const std::string& intoFolder) {
  return keepAsideUnder(path, keptStem(intoFolder.empty() ? path : intoFolder + "/" + lastComponentOf(path)));
}

ErrorOr<std::string> DamagedFile::keepAsideAs(const std::string& path, const std::string& keptPath) {
  return keepAsideUnder(path, keptPath);
}

ErrorOr<std::string> DamagedFile::keepAsideWithWarning(const std::string& path, std::string_view what,
                                                       std::string_view then, const std::string& intoFolder) {
  auto kept = keepAside(path, intoFolder);
  reportKept(path, kept, what, then);
  return kept;
}

void DamagedFile::reportKept(const std::string& path, const ErrorOr<std::string>& kept, std::string_view what,
                             std::string_view then) {
  if (!kept.ok()) {
    const PathKind place = AtomicFile::whatStandsAt(path);
    const std::string standing = place.words();
    if (place.mayNotRead()) {
      // Its owner or mode keeps it from the app: nothing says it is damaged, and it is theirs.
      platform::log::write(platform::log::Warning, "The " + std::string(what) + " cannot be read: " + path + " is " +
                                                       standing + "; it is left in place and not used");
      return;
    }
    if (!place.isNothing() && !place.isPlainFile()) {
      // Not a file the app wrote: someone put it there, and it is theirs to take away.
      platform::log::write(platform::log::Warning, "The " + std::string(what) + " cannot be read: " + path + " is " +
                                                       standing + ", not a regular file; it is left in place");
      return;
    }
    platform::log::write(platform::log::Error,
                         "The " + std::string(what) + " cannot be read and could not be moved aside (" + path + ")");
  } else {
    // A file kept again after a kill, or read again before its reader replaced it, is named once.
    const std::string line =
        "The " + std::string(what) + " could not be read; it is kept as " + *kept + " and " + std::string(then);
    platform::log::writeOnce(platform::log::Warning, line, line);
  }
}

}  // namespace platform::foundation
