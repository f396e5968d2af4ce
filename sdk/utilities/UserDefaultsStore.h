#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Value.h"

namespace platform::foundation {
class PreferencesDomain;
}
namespace platform::dispatch {
class Queue;
}

namespace sdk::utilities {

// A small key-value store over the preferences of one application identifier (a suite name, or the
// current application's), with checks on keys and values and a write-behind: the store synchronises
// one second (on the process clock) after the last change. The timer needs
// no run loop on the writing thread, changes still pending are written when the store is released,
// and the preferences write whatever is left at process exit, so nothing written is lost.
class UserDefaultsStore {
 public:
  using Value = platform::foundation::Value;

  // Seconds between the last change and the synchronisation it causes.
  static constexpr double kSynchronizeDelay = 1.0;
  // The clocks count nanoseconds: a shorter remainder cannot be waited for.
  static constexpr double kClockTick = 1e-9;

  // One shared store for the current application, made on first use.
  static std::shared_ptr<UserDefaultsStore> standardUserDefaults();

  UserDefaultsStore();
  // An empty suite name is the current application.
  explicit UserDefaultsStore(const std::string& suiteName);
  ~UserDefaultsStore();
  UserDefaultsStore(const UserDefaultsStore&) = delete;
  UserDefaultsStore& operator=(const UserDefaultsStore&) = delete;

  // nil for a missing key; an empty key is logged and reads as nil.
  Value objectForKey(const std::string& key) const;
  // nil removes the key. Only strings, numbers, arrays, dictionaries, dates and data (with property-list
  // values all the way down) are stored; anything else is logged and changes nothing.
  void setObject(const Value& value, const std::string& key);
  void removeObjectForKey(const std::string& key) { setObject(Value(), key); }

  std::int64_t integerForKey(const std::string& key) const { return objectForKey(key).toInt64(); }
  float floatForKey(const std::string& key) const { return static_cast<float>(objectForKey(key).toDouble()); }
  double doubleForKey(const std::string& key) const { return objectForKey(key).toDouble(); }
  // A switch someone wrote by hand as text ("YES", "true", "1") reads as the phone reads a text.
  bool boolForKey(const std::string& key) const { return objectForKey(key).boolValue(); }
  // Empty when the stored value is of another kind; a number read as a string gives its decimal text.
  std::optional<std::string> stringForKey(const std::string& key) const;
  std::optional<platform::foundation::Array> arrayForKey(const std::string& key) const;
  std::optional<platform::foundation::Dictionary> dictionaryForKey(const std::string& key) const;

  void setInteger(std::int64_t value, const std::string& key) { setObject(Value(value), key); }
  void setFloat(float value, const std::string& key) { setObject(Value(value), key); }
  void setDouble(double value, const std::string& key) { setObject(Value(value), key); }
  void setBool(bool value, const std::string& key) { setObject(Value(value), key); }

  // Writes the pending changes of this application identifier now.
  void synchronize();
  // The queue the write-behind runs on.
  static std::shared_ptr<platform::dispatch::Queue> synchronizeQueue();
  // Moves the write-behind's synchronisation to one delay from now.
  void scheduleSynchronize();

  const std::string& appNameRef() const { return appName_; }
  bool isPreferenceFileExcluded() const { return isPreferenceFileExcluded_; }
  void setIsPreferenceFileExcluded(bool excluded) { isPreferenceFileExcluded_ = excluded; }

 private:
  struct WriteBehind;
  // As scheduleSynchronize(), for the domain a write has just looked up.
  void scheduleSynchronize(std::shared_ptr<platform::foundation::PreferencesDomain> domain);
  static void armSynchronize(const std::shared_ptr<WriteBehind>& writeBehind, double delay);

  std::string appName_;
  std::atomic<bool> isPreferenceFileExcluded_ = false;
  std::shared_ptr<WriteBehind> writeBehind_;
};

}  // namespace sdk::utilities

