#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/foundation/Value.h"

namespace sdk::utilities {
class UserDefaultsStore;
}  // namespace sdk::utilities

namespace sdk::analytics {

 

// One user-defaults suite, over the SDK's preferences store: changes reach the disk shortly after
// (or on synchronize()). Integers, booleans and doubles are stored as what they are.
class UserDefaultsSuite {
 public:
  using Value = platform::foundation::Value;

  static std::shared_ptr<UserDefaultsSuite> standardUserDefaults();
  explicit UserDefaultsSuite(const std::string& suiteName);

  // nil when absent.
  Value objectForKey(const std::string& key) const;
  // Property-list values; nil removes the key.
  void setObject(const Value& value, const std::string& key);
  void removeObjectForKey(const std::string& key);
  std::int64_t integerForKey(const std::string& key) const;
  void setInteger(std::int64_t value, const std::string& key);
  bool boolForKey(const std::string& key) const;
  void setBool(bool value, const std::string& key);
  double doubleForKey(const std::string& key) const;
  void setDouble(double value, const std::string& key);
  void synchronize();

 private:
  explicit UserDefaultsSuite(std::shared_ptr<sdk::utilities::UserDefaultsStore> store) : store_(std::move(store)) {}
  std::shared_ptr<sdk::utilities::UserDefaultsStore> store_;
};

}  // namespace sdk::analytics

