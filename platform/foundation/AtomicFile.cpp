#include "platform/foundation/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <system_error>

#include "platform/foundation/Clock.h"

namespace platform::foundation {
namespace {

Error failure(const std::string& what, const std::string& path, int err) {
  return Error::make(AtomicFile::kErrorDomain, err, what + " " + path + ": " + std::strerror(err));
}

std::string folderOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

Error notRegular(const std::string& what, const std::string& path) {
  return Error::make(AtomicFile::kErrorDomain, EINVAL,
                     what + " " + path + ": it is " + AtomicFile::whatStandsAt(path).words() + ", not a regular file");
}

// Whatever stands at `path` that is neither a regular file nor a link to one is someone's (a FIFO, a
// device, a link to a place not there now): a write does not take its place.
bool standsInTheWay(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode)) return false;
  return !S_ISLNK(info.st_mode) || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode);
}

bool writeAll(int fd, const uint8_t* bytes, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, bytes, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

using Filler = std::function<ErrorOr<void>(int fd)>;

// How far a replacement is flushed before it returns.
enum class Flush { FileAndFolder, File, Nothing };

// Whether the temporary takes the place of what stands at the path, or only of nothing. A copy made
// where nothing stands is named as a temporary of the file it copies, so the sweep of that file's
// temporaries finds one a kill left.
enum class Place { Replacing, OnlyWhereNothingStands };

// Makes a temporary file beside `path`, lets `fill` write it, then syncs and renames it into place.
// The temporary is locked while it is written, so a sweep of stale temporaries (another thread or
// process opening the same folder) passes it by; one swept between its making and its locking is
// noticed by its missing name and the write made again.
ErrorOr<void> replaceViaTemporary(const std::string& path, mode_t mode, const Filler& fill,
                                  Flush flush = Flush::FileAndFolder, Place place = Place::Replacing,
                                  const std::string& temporaryOf = {}) {
  if (path.empty() || path.back() == '/') return failure("cannot write", path, EINVAL);
  if (place == Place::OnlyWhereNothingStands && AtomicFile::anythingAt(path)) return failure("cannot write", path, EEXIST);
  if (place == Place::Replacing && standsInTheWay(path)) return notRegular("cannot replace", path);
  // Its owner or mode keeps it from the app, which cannot know what it would write over.
  if (place == Place::Replacing && AtomicFile::mayNotRead(path)) {
    return Error::make(AtomicFile::kErrorDomain, EACCES,
                       "cannot replace " + path + ": it is " + AtomicFile::whatStandsAt(path).words() + ", which is left as it is");
  }
  // A link the person made to a file is kept: the file it leads to is the one replaced, from beside it,
  // as a rename cannot cross to another disk.
  const std::string target = place == Place::Replacing ? AtomicFile::fileBehind(path) : path;
  const std::string folder = folderOf(target);
  constexpr int kAttempts = 3;
  for (int attempt = 1;; ++attempt) {
    std::string temp;
    int fd = -1;
    // Taking a temporary before its lock needs a sweep within two system calls of its making; a sweep
    // running all the time can still do it a few times over, so it is made again as often as needed.
    for (int making = 0; fd < 0; ++making) {
      temp = folder + "/." + nameOf(temporaryOf.empty() ? target : temporaryOf) + ".XXXXXX";
      fd = ::mkostemp(temp.data(), O_CLOEXEC);
      if (fd < 0) return failure("cannot create a temporary file for", path, errno);
      struct stat made {};
      if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &made) == 0 && made.st_nlink > 0) break;
      ::close(fd);
      fd = -1;
      if (making == 100) return failure("cannot keep a temporary file for", path, ENOENT);
    }

    auto abandon = [&](const std::string& what, int err) {
      ::close(fd);
      ::unlink(temp.c_str());
      return failure(what, path, err);
    };
    if (::fchmod(fd, mode) != 0) return abandon("cannot set the mode of", errno);
    if (auto filled = fill(fd); !filled.ok()) {
      ::close(fd);
      ::unlink(temp.c_str());
      return std::move(filled).releaseError();
    }
    if (flush != Flush::Nothing && ::fsync(fd) != 0) return abandon("cannot flush", errno);
    // Renamed while still locked: a sweep that found the name a moment before finds it taken.
    const int renamed = place == Place::Replacing
                            ? ::rename(temp.c_str(), target.c_str())
                            : ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
    if (renamed != 0) {
      int err = errno;
      ::close(fd);
      if (err == ENOENT && attempt < kAttempts && AtomicFile::isDirectory(folder)) continue;
      ::unlink(temp.c_str());
      return failure("cannot replace", path, err);
    }
    if (::close(fd) != 0) return failure("cannot close", path, errno);
    if (flush == Flush::FileAndFolder) AtomicFile::syncFolder(folder);
    return {};
  }
}

}  // namespace

// The folder's entry for a renamed file is only durable once the folder itself is synced.
void AtomicFile::syncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

namespace {

ErrorOr<void> replaceWithBytes(const std::string& path, const std::uint8_t* bytes, size_t size, mode_t mode,
                               Flush flush) {
  return replaceViaTemporary(
      path, mode,
      [&](int fd) -> ErrorOr<void> {
        if (writeAll(fd, bytes, size)) return {};
        return failure("cannot write", path, errno);
      },
      flush);
}

const std::uint8_t* bytesOf(std::string_view text) { return reinterpret_cast<const std::uint8_t*>(text.data()); }

}  // namespace

ErrorOr<void> AtomicFile::writeAtomically(const std::string& path, const std::uint8_t* bytes, size_t size,
                                          mode_t mode, bool syncFolderNow) {
  return replaceWithBytes(path, bytes, size, mode, syncFolderNow ? Flush::FileAndFolder : Flush::File);
}

ErrorOr<void> AtomicFile::writeAtomically(const std::string& path, std::string_view bytes, mode_t mode) {
  return writeAtomically(path, bytesOf(bytes), bytes.size(), mode);
}

// Flushing was a fifth of the time a headless script run spent writing its shots, for files that the
// next run writes again and no part of the program reads.
ErrorOr<void> AtomicFile::writeReproducible(const std::string& path, const std::uint8_t* bytes, size_t size) {
  return replaceWithBytes(path, bytes, size, 0644, Flush::Nothing);
}

ErrorOr<void> AtomicFile::writeReproducible(const std::string& path, std::string_view bytes) {
  return writeReproducible(path, bytesOf(bytes), bytes.size());
}

namespace {

// Whether what stands at `path` is a regular file or a link to one.
bool regularFileAt(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Why opening `path` failed with `err`: what stands there when it is no file (a link that leads nowhere
// opens as a missing file, which it is not), else the system's reason.
Error openFailure(const std::string& path, int err) {
  if (AtomicFile::anythingAt(path) && !regularFileAt(path)) return notRegular("cannot open", path);
  return failure("cannot open", path, err);
}

// Hands on `fd`, opened without waiting, only when it is a regular file, its descriptor back to
// blocking reads and writes.
ErrorOr<int> keepIfRegular(int fd, const std::string& path, struct stat& info, const std::string& what) {
  if (::fstat(fd, &info) != 0) {
    const int err = errno;
    ::close(fd);
    return failure(what, path, err);
  }
  if (!S_ISREG(info.st_mode)) {
    ::close(fd);
    return notRegular(what, path);
  }
  if (const int flags = ::fcntl(fd, F_GETFL); flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

// Opens a stored file for reading without waiting: a FIFO opened for reading waits for a writer, for
// minutes or for ever, and a device may wait for its medium.
ErrorOr<int> openRegularFile(const std::string& path, struct stat& info) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return openFailure(path, errno);
  return keepIfRegular(fd, path, info, "cannot read");
}

Error tooLarge(const std::string& path, std::size_t maximumBytes) {
  return Error::make(AtomicFile::kErrorDomain, EFBIG,
                     "cannot read " + path + ": it holds more than " + std::to_string(maximumBytes) +
                         " bytes, more than any such file is written with");
}

}  // namespace

ErrorOr<std::vector<uint8_t>> AtomicFile::readFile(const std::string& path, std::size_t maximumBytes) {
  struct stat info {};
  const int fd = TRY(openRegularFile(path, info));
  if (info.st_size < 0 || static_cast<std::uintmax_t>(info.st_size) > maximumBytes) {
    ::close(fd);
    return tooLarge(path, maximumBytes);
  }
  std::vector<uint8_t> bytes;
  bytes.reserve(static_cast<size_t>(info.st_size));
  uint8_t chunk[65536];
  // A file that grows while it is read (or one of the system's, whose size says nothing) stops at the
  // bound all the same.
  for (;;) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      return failure("cannot read", path, err);
    }
    if (static_cast<std::size_t>(n) > maximumBytes - bytes.size()) {
      ::close(fd);
      return tooLarge(path, maximumBytes);
    }
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  ::close(fd);
  return bytes;
}

ErrorOr<std::string> AtomicFile::readText(const std::string& path, std::size_t maximumBytes) {
  std::vector<uint8_t> bytes = TRY(readFile(path, maximumBytes));
  return std::string(bytes.begin(), bytes.end());
}

std::string AtomicFile::fileBehind(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return path;
  std::error_code error;
  const auto resolved = std::filesystem::canonical(path, error);
  return error ? path : resolved.native();
}

bool AtomicFile::fileExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

bool AtomicFile::anythingAt(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::lstat(path.c_str(), &info) == 0;
}

bool AtomicFile::mayNotRead(const std::string& path) {
  struct stat info {};
  if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  // Only opening tells: the mode bits say nothing of a privileged process, of access lists or of a
  // file system mounted without them. O_NONBLOCK: a FIFO swapped in meanwhile is not waited on.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd >= 0) {
    ::close(fd);
    return false;
  }
  return errno == EACCES || errno == EPERM;
}

bool AtomicFile::isDirectory(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int AtomicFile::openLockFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
  struct stat status {};
  if (fd >= 0 && (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))) {
    ::close(fd);
    return -1;
  }
  return fd;
}

ErrorOr<void> AtomicFile::removeFile(const std::string& path) {
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return {};
  return failure("cannot remove", path, errno);
}

bool AtomicFile::removeLeftover(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::unlink(path.c_str()) == 0;
}

namespace {

ErrorOr<void> copyThroughTemporary(const std::string& from, const std::string& to, mode_t mode, Flush flush,
                                   Place place) {
  struct stat info {};
  const int source = TRY(openRegularFile(from, info));
  auto copied = replaceViaTemporary(
      to, mode,
      [&](int fd) -> ErrorOr<void> {
        uint8_t chunk[65536];
        for (;;) {
          ssize_t n = ::read(source, chunk, sizeof chunk);
          if (n == 0) return {};
          if (n < 0) {
            if (errno == EINTR) continue;
            return failure("cannot read", from, errno);
          }
          if (!writeAll(fd, chunk, static_cast<size_t>(n))) return failure("cannot write", to, errno);
        }
      },
      flush, place, place == Place::OnlyWhereNothingStands ? from : std::string());
  ::close(source);
  return copied;
}

}  // namespace

ErrorOr<void> AtomicFile::copyFile(const std::string& from, const std::string& to, mode_t mode, bool syncFolderNow) {
  return copyThroughTemporary(from, to, mode, syncFolderNow ? Flush::FileAndFolder : Flush::File, Place::Replacing);
}

ErrorOr<void> AtomicFile::copyToNewFile(const std::string& from, const std::string& to, mode_t mode) {
  return copyThroughTemporary(from, to, mode, Flush::FileAndFolder, Place::OnlyWhereNothingStands);
}

std::string AtomicFile::notAFolder(const std::string& path) {
  const PathKind standing = whatStandsAt(path);
  if (standing.isNothing() || standing.leadsToFolder()) return {};
  return "it is " + standing.words() + ", not a folder";
}

std::string AtomicFile::notAFile(const std::string& path) {
  const PathKind standing = whatStandsAt(path);
  if (standing.isNothing() || regularFileAt(path)) return {};
  return "it is " + standing.words() + ", not a file";
}

ErrorOr<int> AtomicFile::openForAppending(const std::string& path, mode_t mode) {
  constexpr int kAppend = O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY;
  // Made only where nothing stands, and exclusively, so that nothing put there in between is opened: a
  // FIFO opened for writing would wait for a reader for ever.
  for (int attempt = 0;; ++attempt) {
    int fd = ::open(path.c_str(), kAppend | O_NONBLOCK);
    if (fd < 0 && errno == ENOENT && !anythingAt(path)) {
      fd = ::open(path.c_str(), kAppend | O_NONBLOCK | O_CREAT | O_EXCL, mode);
      if (fd < 0 && errno == EEXIST && attempt < 3) continue;
    }
    if (fd < 0) return openFailure(path, errno);
    struct stat info {};
    return keepIfRegular(fd, path, info, "cannot open");
  }
}

ErrorOr<void> AtomicFile::createDirectories(const std::string& path) {
  if (path.empty()) return failure("cannot create", "an empty path", EINVAL);
  std::error_code code;
  std::filesystem::create_directories(path, code);
  if (isDirectory(path)) return {};
  if (const std::string why = notAFolder(path); !why.empty()) {
    return Error::make(kErrorDomain, ENOTDIR, "cannot create " + path + ": " + why);
  }
  if (code) return Error::make(kErrorDomain, code.value(), "cannot create " + path + ": " + code.message());
  return failure("cannot create", path, ENOTDIR);
}

namespace {

// ".<name>.XXXXXX" as replaceViaTemporary makes them (of the file `of` alone, when it is named):
// mkostemp fills the six places with letters and digits.
bool isOurTemporary(std::string_view name, std::string_view of) {
  if (name.size() < 9 || name[0] != '.' || name[name.size() - 7] != '.') return false;
  if (!of.empty() && (name.size() != of.size() + 8 || name.substr(1, of.size()) != of)) return false;
  for (char c : name.substr(name.size() - 6)) {
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// `links` (when given) gets the path of every link in the folder.
std::size_t sweep(const std::string& folder, double maximumAge, std::string_view of,
                  std::vector<std::string>* links = nullptr) {
  DIR* listing = ::opendir(folder.c_str());
  if (!listing) return 0;
  // Files are dated by the system's clock, whatever clock the app runs on.
  const double now = Clock::forSystemTimes()->now();
  std::size_t removed = 0;
  while (dirent* entry = ::readdir(listing)) {
    if (links && (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN)) links->push_back(folder + "/" + entry->d_name);
    if (!isOurTemporary(entry->d_name, of)) continue;
    std::string path = folder + "/" + entry->d_name;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    double modified = static_cast<double>(info.st_mtim.tv_sec) + info.st_mtim.tv_nsec / 1e9;
    if (!(modified > now || now - modified > maximumAge)) continue;
    // A writer holds its temporary locked until it is renamed: only an unheld one is left over.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlink(path.c_str()) == 0) ++removed;
    ::close(fd);
  }
  ::closedir(listing);
  return removed;
}

// A write through a link leaves its temporary beside the file the link leads to.
std::size_t sweepBehind(const std::string& path, double maximumAge) {
  const std::string behind = AtomicFile::fileBehind(path);
  return behind == path ? 0 : sweep(folderOf(behind), maximumAge, nameOf(behind));
}

}  // namespace

std::size_t AtomicFile::removeStaleTemporaries(const std::string& folder, double maximumAge) {
  std::vector<std::string> links;
  std::size_t removed = sweep(folder, maximumAge, {}, &links);
  for (const std::string& link : links) removed += sweepBehind(link, maximumAge);
  return removed;
}

std::size_t AtomicFile::removeStaleTemporariesOf(const std::string& path, double maximumAge) {
  return sweep(folderOf(path), maximumAge, nameOf(path)) + sweepBehind(path, maximumAge);
}

}  // namespace platform::foundation
