#include "sdk/analytics/foundation/APMUserDefaults.h"

#include "sdk/utilities/VDUUserDefaults.h"

std::shared_ptr<APMUserDefaults> APMUserDefaults::standardUserDefaults() {
  static const std::shared_ptr<APMUserDefaults> standard(new APMUserDefaults(VDUUserDefaults::standardUserDefaults()));
  return standard;
}

APMUserDefaults::APMUserDefaults(const std::string& suiteName)
    : store_(std::make_shared<VDUUserDefaults>(suiteName)) {}

APMUserDefaults::Value APMUserDefaults::objectForKey(const std::string& key) const { return store_->objectForKey(key); }
void APMUserDefaults::setObject(const Value& value, const std::string& key) { store_->setObject(value, key); }
void APMUserDefaults::removeObjectForKey(const std::string& key) { store_->removeObjectForKey(key); }
std::int64_t APMUserDefaults::integerForKey(const std::string& key) const { return store_->integerForKey(key); }
void APMUserDefaults::setInteger(std::int64_t value, const std::string& key) { store_->setInteger(value, key); }
bool APMUserDefaults::boolForKey(const std::string& key) const { return store_->boolForKey(key); }
void APMUserDefaults::setBool(bool value, const std::string& key) { store_->setBool(value, key); }
double APMUserDefaults::doubleForKey(const std::string& key) const { return store_->doubleForKey(key); }
void APMUserDefaults::setDouble(double value, const std::string& key) { store_->setDouble(value, key); }
void APMUserDefaults::synchronize() { store_->synchronize(); }
