#include "sdk/analytics/foundation/UserDefaultsSuite.h"

#include "sdk/utilities/UserDefaultsStore.h"

namespace sdk::analytics {

std::shared_ptr<UserDefaultsSuite> UserDefaultsSuite::standardUserDefaults() {
  static const std::shared_ptr<UserDefaultsSuite> standard(new UserDefaultsSuite(sdk::utilities::UserDefaultsStore::standardUserDefaults()));
  return standard;
}

UserDefaultsSuite::UserDefaultsSuite(const std::string& suiteName)
    : store_(std::make_shared<sdk::utilities::UserDefaultsStore>(suiteName)) {}

UserDefaultsSuite::Value UserDefaultsSuite::objectForKey(const std::string& key) const { return store_->objectForKey(key); }
void UserDefaultsSuite::setObject(const Value& value, const std::string& key) { store_->setObject(value, key); }
void UserDefaultsSuite::removeObjectForKey(const std::string& key) { store_->removeObjectForKey(key); }
std::int64_t UserDefaultsSuite::integerForKey(const std::string& key) const { return store_->integerForKey(key); }
void UserDefaultsSuite::setInteger(std::int64_t value, const std::string& key) { store_->setInteger(value, key); }
bool UserDefaultsSuite::boolForKey(const std::string& key) const { return store_->boolForKey(key); }
void UserDefaultsSuite::setBool(bool value, const std::string& key) { store_->setBool(value, key); }
double UserDefaultsSuite::doubleForKey(const std::string& key) const { return store_->doubleForKey(key); }
void UserDefaultsSuite::setDouble(double value, const std::string& key) { store_->setDouble(value, key); }
void UserDefaultsSuite::synchronize() { store_->synchronize(); }

}  // namespace sdk::analytics

