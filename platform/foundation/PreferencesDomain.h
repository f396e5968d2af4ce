#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/foundation/Error.h"
#include "platform/foundation/Value.h"

namespace platform::foundation {

// One application's (or suite's) preferences: a dictionary of property-list values kept in
// "<Library/Preferences>/<name>.plist".
//
// Domains are cached for the life of the process, one object per file, so every store that names
// the same domain sees the same values at once. Changes stay in memory until synchronize(), which
// re-reads the file under a lock shared with other processes, lays this process's changes over
// what it found and replaces the file atomically; a change made by another process to a different
// key is therefore kept. Pending changes are also written when the process exits normally.
//
// A missing file reads as an empty domain; a damaged one is kept (DamagedFile::keepBeforeReplacing) and
// reads as empty too, and stays in its place until the next synchronize() replaces it in one step (the
// exit's, when nothing else writes before). Something in the file's place that is not a regular file (a
// FIFO, a device, a link that leads nowhere), or a file this process may not read, is named once and
// left in place: the domain lives in memory for the run and synchronize() fails. A file is only written
// once this process has something to write. All functions are safe from any thread.
class PreferencesDomain {
 public:
  static constexpr const char* kErrorDomain = "PlatformPreferences";
  // A domain's file past this is not one a domain writes: it reads as damaged, and a write that would
  // make one is refused.
  static constexpr std::size_t kMaximumFileBytes = std::size_t{4} << 20;
  enum Code : std::int64_t {
    kInvalidValueError = 1,  // the value has no property-list form
    kWriteError = 2,         // the file could not be written
  };

  // The domain for `name` in the current container; an empty name is the current application.
  static std::shared_ptr<PreferencesDomain> named(const std::string& name);
  // The main bundle's identifier, or "ostrel" when the bundle has none.
  static std::string currentApplication();
  // Writes the pending changes of every domain in the cache; run at exit.
  static void synchronizeAll();
  // The folder `root` is about to be removed while the process goes on (a test's container): the
  // domains of the files under it leave the cache with their pending changes dropped, and none of them
  // writes again, whoever still holds one, so no later save (at exit, or from a queue still running)
  // brings the removed folder back.
  static void forgetFolder(const std::string& root);
  // True when `value` can be written: a string, number, date or data, or an array or dictionary of
  // such values at any depth. nil, null and objects cannot, nor text that is not UTF-8 or holds a NUL,
  // nor dates the file format cannot hold.
  static bool isPropertyListValue(const Value& value);

  const std::string& name() const { return name_; }
  const std::string& path() const { return path_; }

  // nil when the key is missing.
  Value copyValue(const std::string& key);
  Dictionary copyAll();
  // nil removes the key. A value without a property-list form is refused (false, nothing changes).
  bool setValue(const std::string& key, Value value, Error* error = nullptr);
  bool synchronize(Error* error = nullptr);
  bool hasPendingChanges() const;
  // Where the domain's file was kept when this process found it damaged on first reading it (empty
  // when it did not): what the file held, such as a marker vouching for a record stored elsewhere, is
  // not in the domain. A start after a kill that left the damaged file in place finds the same copy.
  std::string keptAsidePath() const;
  // What stood unread at the domain's path and was left there when this process first read it (a FIFO,
  // a folder, a link that leads nowhere or in a loop, a file the app may not read, a damaged file that
  // could not be copied), as
  // AtomicFile::whatStandsAt names it; empty when the file was read, missing, or kept aside. What the
  // file held is then unknown, as it is for a file kept aside.
  std::string leftUnreadInPlace() const;

  struct Private {
    explicit Private() = default;
  };
  PreferencesDomain(Private, std::string name, std::string path);

 private:
  void loadLocked();
  // `folderLocked`: whether this thread holds the preferences folder's lock (flock does not nest).
  // nullopt when the file was damaged (it is then kept aside, at `keptAside`); a missing file reads as empty.
  std::optional<Dictionary> readFileLocked(bool folderLocked, std::string* keptAside = nullptr);

  const std::string name_;
  const std::string path_;
  mutable std::mutex mutex_;
  bool loaded_ = false;
  Dictionary values_;
  Dictionary pending_;  // key -> new value; nil marks a removal
  std::string keptAsidePath_;
  std::string leftUnreadInPlace_;
  bool leftInPlaceNamed_ = false;
  bool replaceDamaged_ = false;  // the damaged file kept at the first read still stands in the file's place
  bool forgotten_ = false;  // its folder is gone for good: changes stay in memory
};

}  // namespace platform::foundation
