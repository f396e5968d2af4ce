#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/foundation/Value.h"

namespace platform::foundation {

// The user's defaults for this application or a named suite: a typed face over one
// PreferencesDomain. The domain is looked up on each call, so a store follows the container in use.
// Changes reach the disk on synchronize(), when the store is released, or at process exit.
class UserDefaults {
 public:
  // The current application's store, made on first use.
  static std::shared_ptr<UserDefaults> standard();

  // An empty suite name is the current application.
  explicit UserDefaults(std::string suiteName = {});
  ~UserDefaults();
  UserDefaults(const UserDefaults&) = delete;
  UserDefaults& operator=(const UserDefaults&) = delete;

  // nil when the key is missing.
  Value objectForKey(const std::string& key) const;
  // nil removes the key. A value without a property-list form is refused: false, nothing changes.
  bool setObject(const std::string& key, Value value);
  void removeObjectForKey(const std::string& key) { setObject(key, Value()); }

  // Typed reads answer empty when the stored value is of another kind; a number read as a string
  // gives its decimal text.
  std::optional<std::string> stringForKey(const std::string& key) const;
  std::optional<Array> arrayForKey(const std::string& key) const;
  std::optional<Dictionary> dictionaryForKey(const std::string& key) const;
  std::int64_t integerForKey(const std::string& key) const { return objectForKey(key).toInt64(); }
  double doubleForKey(const std::string& key) const { return objectForKey(key).toDouble(); }
  // A switch someone wrote by hand as text ("YES", "true", "1") reads as the phone reads a text.
  bool boolForKey(const std::string& key) const { return objectForKey(key).boolValue(); }
  void setInteger(std::int64_t value, const std::string& key) { setObject(key, Value(value)); }
  void setDouble(double value, const std::string& key) { setObject(key, Value(value)); }
  void setBool(bool value, const std::string& key) { setObject(key, Value(value)); }

  bool synchronize();

  // Held around a read-modify-write of one key by callers that must not interleave.
  std::recursive_mutex& mutex() { return mutex_; }
  const std::string& domainName() const { return suiteName_; }

 private:
  std::string suiteName_;
  std::recursive_mutex mutex_;
};

// The shared reading of a typed value, for every user-defaults face: empty for another kind.
std::optional<std::string> stringFromDefaultsValue(const Value& value);
std::optional<Array> arrayFromDefaultsValue(const Value& value);
std::optional<Dictionary> dictionaryFromDefaultsValue(const Value& value);

}  // namespace platform::foundation
