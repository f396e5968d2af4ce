#include "sdk/utilities/HeartbeatDateStorage.h"

#include <mutex>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/DamagedFile.h"
#include "platform/foundation/Paths.h"
#include "sdk/utilities/SecureCoding.h"

namespace sdk::utilities {

using platform::foundation::AtomicFile;
using platform::foundation::Dictionary;
using platform::foundation::Error;
using platform::foundation::KeyedArchive;
using platform::foundation::Value;

namespace {

std::mutex& fileStoresLock() {
  static std::mutex lock;
  return lock;
}

std::optional<double> dateIn(const Dictionary& map, const std::string& tag) {
  auto found = map.find(tag);
  if (found == map.end()) return std::nullopt;
  return found->second.date();
}

// It reads as empty and the next date written replaces it: the damaged bytes are kept first. A file the
// app may not read is left, and so is not written over.
void keepDamagedHeartbeatFile(const std::string& fileURL) {
  using platform::foundation::DamagedFile;
  DamagedFile::reportKept(fileURL, DamagedFile::keepBeforeReplacing(fileURL), "heartbeat file", "its dates start over");
}

}  // namespace

// --- file store -----------------------------------------------------------------------------------

std::shared_ptr<HeartbeatDateStorage> HeartbeatDateStorage::initWithFileName(const std::string& fileName) {
  if (fileName.empty()) return nullptr;
  return std::make_shared<HeartbeatDateStorage>(fileName);
}

HeartbeatDateStorage::HeartbeatDateStorage(std::string fileName) : fileName_(std::move(fileName)) {}

const std::string& HeartbeatDateStorage::fileURL() {
  std::lock_guard lock(fileStoresLock());
  if (fileURL_.empty()) {
    std::string folder = platform::foundation::Paths::applicationSupport() + "/Vadeze/REDIri";
    (void)AtomicFile::createDirectories(folder);  // a failure shows up as a failed write later
    AtomicFile::removeStaleTemporaries(folder);
    fileURL_ = folder + "/" + fileName_;
  }
  return fileURL_;
}

Dictionary HeartbeatDateStorage::heartbeatDictionaryWithFileURL(const std::string& fileURL) {
  auto bytes = AtomicFile::readFile(fileURL, kMaximumFileBytes);
  // Missing is a first heartbeat; whatever else could not be read is named like a damaged file.
  if (!bytes.ok() && AtomicFile::anythingAt(fileURL)) keepDamagedHeartbeatFile(fileURL);
  if (!bytes.ok() || bytes->empty()) return {};
  auto map = SecureCoding::unarchivedObjectOfClasses({KeyedArchive::kDictionary, KeyedArchive::kDate, KeyedArchive::kString},
                                                      *bytes);
  if (map.ok() && map->isDictionary()) return *map->dictionary();
  keepDamagedHeartbeatFile(fileURL);
  return {};
}

platform::foundation::ErrorOr<void> HeartbeatDateStorage::writeDictionary(const Dictionary& dictionary,
                                                                          const std::string& fileURL) {
  const platform::foundation::Data data = TRY(SecureCoding::archivedDataWithRootObject(Value(dictionary)));
  if (auto written = AtomicFile::writeAtomically(fileURL, data.data(), data.size()); !written.ok()) {
    return Error::make("NSCocoaErrorDomain", 512, written.error().localizedDescription());
  }
  return {};
}

std::optional<double> HeartbeatDateStorage::heartbeatDateForTag(const std::string& tag) {
  const std::string& url = fileURL();
  std::lock_guard lock(fileStoresLock());
  return dateIn(heartbeatDictionaryWithFileURL(url), tag);
}

bool HeartbeatDateStorage::setHeartbeatDate(double date, const std::string& tag) {
  const std::string& url = fileURL();
  std::lock_guard lock(fileStoresLock());
  Dictionary map = heartbeatDictionaryWithFileURL(url);
  map[tag] = Value::date(date);
  return writeDictionary(map, url).ok();
}

// --- user-defaults store --------------------------------------------------------------------------

HeartbeatDateUserDefaultsStorage::HeartbeatDateUserDefaultsStorage(
    std::shared_ptr<platform::foundation::UserDefaults> defaults, std::string key)
    : userDefaults_(std::move(defaults)), key_(std::move(key)) {}

Dictionary HeartbeatDateUserDefaultsStorage::heartbeatDictionaryFromDefaults() {
  if (!userDefaults_) return {};
  return userDefaults_->dictionaryForKey(key_).value_or(Dictionary());
}

std::optional<double> HeartbeatDateUserDefaultsStorage::heartbeatDateForTag(const std::string& tag) {
  if (!userDefaults_) return std::nullopt;
  std::lock_guard lock(userDefaults_->mutex());
  return dateIn(heartbeatDictionaryFromDefaults(), tag);
}

bool HeartbeatDateUserDefaultsStorage::setHeartbeatDate(double date, const std::string& tag) {
  if (!userDefaults_) return false;
  std::lock_guard lock(userDefaults_->mutex());
  Dictionary map = heartbeatDictionaryFromDefaults();
  map[tag] = Value::date(date);
  userDefaults_->setObject(key_, Value(std::move(map)));
  return true;
}

}  // namespace sdk::utilities

