#include "platform/foundation/PreferencesDomain.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <vector>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/DamagedFile.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/PropertyList.h"
#include "platform/log/Log.h"

namespace platform::foundation {
namespace {

constexpr const char* kLockFileName = ".preferences.lock";

// Holds an exclusive lock on the preferences folder's lock file, so two processes never merge into
// the same file at once. flock locks belong to the open file, so threads of one process that open
// the file separately exclude each other as well.
class FolderLock {
 public:
  // The lock file is opened as every stored file is: never through a link (a link leading nowhere
  // would have its target made, wherever it points) and never waiting on a FIFO. Whatever stands in
  // its place is left there and named once; the container's own lock still keeps other runs of the
  // app out, so only the rare writer beside the app goes unserialised.
  explicit FolderLock(const std::string& folder) {
    const std::string path = folder + "/" + kLockFileName;
    fd_ = AtomicFile::openLockFile(path);
    if (fd_ < 0) {
      if (AtomicFile::anythingAt(path)) nameOnce(path);
      return;
    }
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  static void nameOnce(const std::string& path) {
    const std::string what = AtomicFile::whatStandsAt(path).words();
    log::writeOnce(log::Warning, path + '\n' + what,
                   "cannot lock " + path + ": it is " + what +
                       ", which is left in place; preferences are written without that lock");
  }

  int fd_ = -1;
};

// A suite name is free text; it must not be able to name a file outside the folder.
std::string fileNameFor(const std::string& name) {
  std::string out;
  for (char c : name) {
    if (c == '/') {
      out += "%2F";
    } else if (c == '%') {
      out += "%25";
    } else {
      out += c;
    }
  }
  if (out.front() == '.') out = "%2E" + out.substr(1);
  return out + ".plist";
}

struct Registry {
  std::mutex mutex;
  std::map<std::string, std::shared_ptr<PreferencesDomain>> domains;  // by file path
};

// Never destroyed: the exit hook below still needs it while other statics are torn down.
Registry& registry() {
  static Registry* instance = [] {
    auto* made = new Registry;
    std::atexit([] { PreferencesDomain::synchronizeAll(); });
    return made;
  }();
  return *instance;
}

}  // namespace

PreferencesDomain::PreferencesDomain(Private, std::string name, std::string path)
    : name_(std::move(name)), path_(std::move(path)) {}

namespace {

// The app's own domain before its bundle named itself.
constexpr const char* kUnnamedApplicationDomain = "ostrel";

// The app's own defaults were kept under "ostrel" while the bundle had no identifier: they move to
// the identifier's file the first time it is wanted, rather than being left behind. Only a file of the
// app's is moved: whatever else stands at the former name (a FIFO, a folder, a link, a file the app may
// not read) is looked at where it stands, named, and left there for whoever put it there.
void adoptUnnamedApplicationFile(const std::string& domainName, const std::string& path) {
  if (domainName == kUnnamedApplicationDomain) return;
  const std::string old = Paths::resolvedRoot() + "/Library/Preferences/" + kUnnamedApplicationDomain + ".plist";
  // The bundle is asked last: reading it early would fix its Info.plist before the app has it in place.
  if (!AtomicFile::anythingAt(old) || AtomicFile::anythingAt(path)) return;
  if (domainName != PreferencesDomain::currentApplication()) return;
  if (const PathKind standing = AtomicFile::whatStandsAt(old); !standing.isPlainFile()) {
    log::write(log::Warning, "The app's former defaults " + old + " are not moved to " + path + ": it is " + standing.words() +
                                 ", which is left in place");
    return;
  }
  if (::renameat2(AT_FDCWD, old.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) != 0 && errno != ENOENT) {
    log::write(log::Warning, "cannot move the app's defaults from " + old + " to " + path);
  }
}

}  // namespace

std::string PreferencesDomain::currentApplication() {
  std::string identifier = Bundle::main()->bundleIdentifier();
  return identifier.empty() ? kUnnamedApplicationDomain : identifier;
}

std::shared_ptr<PreferencesDomain> PreferencesDomain::named(const std::string& name) {
  std::string domainName = name.empty() ? currentApplication() : name;
  // Resolving the root is cheap; making sure the folder exists is not, so it is left to new domains.
  std::string path = Paths::resolvedRoot() + "/Library/Preferences/" + fileNameFor(domainName);
  Registry& shared = registry();
  {
    std::lock_guard lock(shared.mutex);
    auto found = shared.domains.find(path);
    if (found != shared.domains.end()) return found->second;
  }
  Paths::preferences();
  std::lock_guard lock(shared.mutex);
  auto& slot = shared.domains[path];
  if (!slot) {
    adoptUnnamedApplicationFile(domainName, path);
    slot = std::make_shared<PreferencesDomain>(Private(), domainName, path);
  }
  return slot;
}

void PreferencesDomain::synchronizeAll() {
  std::vector<std::shared_ptr<PreferencesDomain>> domains;
  {
    Registry& shared = registry();
    std::lock_guard lock(shared.mutex);
    for (const auto& [path, domain] : shared.domains) domains.push_back(domain);
  }
  for (const auto& domain : domains) {
    if (domain->hasPendingChanges()) domain->synchronize();
  }
}

void PreferencesDomain::forgetFolder(const std::string& root) {
  std::vector<std::shared_ptr<PreferencesDomain>> forgotten;
  {
    Registry& shared = registry();
    std::lock_guard lock(shared.mutex);
    const std::string prefix = root + "/";
    for (auto it = shared.domains.lower_bound(prefix); it != shared.domains.end() && it->first.starts_with(prefix);) {
      forgotten.push_back(std::move(it->second));
      it = shared.domains.erase(it);
    }
  }
  for (const auto& domain : forgotten) {
    std::lock_guard lock(domain->mutex_);
    domain->pending_.clear();
    domain->replaceDamaged_ = false;
    domain->forgotten_ = true;
  }
}

bool PreferencesDomain::isPropertyListValue(const Value& value) {
  // The writer is the judge: a value it would refuse (text that is not UTF-8, a date beyond the format's
  // range, ...) must be refused here, or it would sit pending for ever and hold back every later change.
  return !PropertyList::write(value, PropertyList::Format::Binary).empty();
}

std::optional<Dictionary> PreferencesDomain::readFileLocked(bool folderLocked, std::string* keptAside) {
  if (!AtomicFile::anythingAt(path_)) return Dictionary{};
  Value read = PropertyList::readFile(path_, kMaximumFileBytes);
  if (read.isDictionary()) return *read.dictionary();
  if (!folderLocked) {
    // Another process may be keeping the same file aside, or have just written a good one: look again
    // while no other process can.
    FolderLock folderLock(path_.substr(0, path_.find_last_of('/')));
    return readFileLocked(true, keptAside);
  }
  // The next synchronisation writes over it: the person's file is kept first, never lost. It stays in
  // its place until then, so a marker it held is never a file gone, even to a start after a kill.
  auto kept = DamagedFile::keepBeforeReplacing(path_);
  // What cannot be kept (a FIFO, a link that leads nowhere, a file the app may not read) stays for the
  // whole run, and every synchronisation meets it again: it is named once.
  if (kept.ok() || !leftInPlaceNamed_) {
    DamagedFile::reportKept(path_, kept, "preferences file " + name_, "its settings start from their defaults");
  }
  leftInPlaceNamed_ = leftInPlaceNamed_ || !kept.ok();
  if (keptAside) *keptAside = kept.ok() ? *kept : std::string();
  return std::nullopt;
}

void PreferencesDomain::loadLocked() {
  if (loaded_) return;
  const std::optional<Dictionary> read = readFileLocked(false, &keptAsidePath_);
  if (!read && keptAsidePath_.empty()) leftUnreadInPlace_ = AtomicFile::whatStandsAt(path_).words();
  // A damaged file kept is replaced by the next synchronisation, at exit at the latest.
  replaceDamaged_ = !read && !keptAsidePath_.empty();
  values_ = read.value_or(Dictionary{});
  loaded_ = true;
}

Value PreferencesDomain::copyValue(const std::string& key) {
  std::lock_guard lock(mutex_);
  loadLocked();
  auto found = values_.find(key);
  return found == values_.end() ? Value() : found->second;
}

Dictionary PreferencesDomain::copyAll() {
  std::lock_guard lock(mutex_);
  loadLocked();
  return values_;
}

namespace {

// A number or a boolean under a plain ASCII key always has a binary property-list form: the common
// write needs no trial encoding.
bool plainlyWritable(const std::string& key, const Value& value) {
  if (!value.isInteger() && !value.isBool()) return false;
  for (unsigned char c : key) {
    if (c < 0x20 || c > 0x7e) return false;
  }
  return true;
}

}  // namespace

bool PreferencesDomain::setValue(const std::string& key, Value value, Error* error) {
  if (!value.isNil() && !plainlyWritable(key, value) && !isPropertyListValue(Value(Dictionary{{key, value}}))) {
    report(error, Error::make(kErrorDomain, kInvalidValueError,
                              "the value for \"" + key + "\" has no property-list form"));
    return false;
  }
  std::lock_guard lock(mutex_);
  loadLocked();
  if (value.isNil()) {
    values_.erase(key);
  } else {
    values_[key] = value;
  }
  if (!forgotten_) pending_[key] = std::move(value);
  return true;
}

std::string PreferencesDomain::keptAsidePath() const {
  std::lock_guard lock(mutex_);
  return keptAsidePath_;
}

std::string PreferencesDomain::leftUnreadInPlace() const {
  std::lock_guard lock(mutex_);
  return leftUnreadInPlace_;
}

bool PreferencesDomain::hasPendingChanges() const {
  std::lock_guard lock(mutex_);
  return !pending_.empty() || replaceDamaged_;
}

bool PreferencesDomain::synchronize(Error* error) {
  std::lock_guard lock(mutex_);
  if (forgotten_) return true;  // nothing pending, and its folder is not to be made again
  std::string folder = path_.substr(0, path_.find_last_of('/'));
  // Removed since the domain was made; a folder that cannot be made again fails the write below.
  if (!pending_.empty()) (void)AtomicFile::createDirectories(folder);
  FolderLock folderLock(folder);
  std::string kept;
  const std::optional<Dictionary> read = readFileLocked(true, &kept);
  if (!read && kept.empty()) {
    // Left in place, unread: the changes stay pending and in memory for this run, and nothing of
    // whoever put it there is written over.
    report(error, Error::make(kErrorDomain, kWriteError,
                              "cannot write " + path_ + ": it is " + AtomicFile::whatStandsAt(path_).words() +
                                  ", which cannot be read and is left in place"));
    return false;
  }
  // A damaged file was kept aside: what this process last read or wrote is the best account of it, and
  // is written again even with nothing new to add.
  const Dictionary onDisk = read ? *read : values_;
  const bool fileExists = read && AtomicFile::fileExists(path_);
  Dictionary merged = onDisk;
  for (const auto& [key, value] : pending_) {
    if (value.isNil()) {
      merged.erase(key);
    } else {
      merged[key] = value;
    }
  }
  // Changes that cancel out or repeat what the file holds (a key set and removed again, the same value
  // set twice) need no new file: replacing it costs two flushes to disk and changes nothing. Nor does
  // an empty domain need a file where there is none: a missing file reads as empty.
  if (merged == onDisk && (fileExists || merged.empty())) pending_.clear();
  // A damaged file kept aside is replaced even by an empty domain, or every start would meet it again.
  if (!pending_.empty() || !read) {
    Error writeError;
    if (!PropertyList::writeFile(path_, Value(merged), PropertyList::Format::Binary, &writeError, kMaximumFileBytes)) {
      // The changes stay pending, so the next synchronisation tries again and nothing is lost.
      Error failure = Error::make(kErrorDomain, kWriteError, "cannot write " + path_);
      failure.setUnderlyingError(writeError);
      report(error, failure);
      return false;
    }
    pending_.clear();
  }
  values_ = std::move(merged);
  loaded_ = true;
  replaceDamaged_ = false;
  return true;
}

}  // namespace platform::foundation
