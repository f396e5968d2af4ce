#include "sdk/analytics/rules/APMEClient.h"

#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMPBExperiments.h"
#include "sdk/analytics/rules/APMEManager.h"

using platform::foundation::Value;

std::shared_ptr<APMEClient> APMEClient::initWithSDKProperty(std::shared_ptr<const APMESDKProperty> property,
                                                            std::vector<std::shared_ptr<APMPBFlag>> defaultFlags,
                                                            std::weak_ptr<APMEManager> manager) {
  if (!property) {
    APMMonitor::shared()->logWithLevel(0, 830000, "Cannot initialize the client with nil property");
    return nullptr;
  }
  return std::make_shared<APMEClient>(Private(), std::move(property), std::move(defaultFlags), std::move(manager));
}

Value APMEClient::valueForFlag(const std::string& flagName) const {
  if (flagName.empty()) {
    APMMonitor::shared()->logWithLevel(0, 830002, "Cannot get value for empty flag name");
    return Value();
  }
  auto manager = manager_.lock();
  return manager ? manager->flagValueForFlagName(flagName, property_->name()) : Value();
}

Value APMEClient::objectForKeyedSubscript(const Value& key) const {
  if (!key.isString()) {
    APMMonitor::shared()->logWithLevel(0, 830003, "Cannot get flag value of an invalid flag name");
    return Value();
  }
  return valueForFlag(*key.string());
}

bool APMEClient::activateLatestSnapshot(platform::foundation::Error* error) {
  auto manager = manager_.lock();
  return manager && manager->activateSnapshotOfSDK(property_->name(), error);
}

bool APMEClient::hasStaleSnapshot() const {
  auto manager = manager_.lock();
  return manager && manager->activatedSnapshotStatusOfSDKName(property_->name()) == 1;
}

void APMEClient::resetToDefaults() {
  if (auto manager = manager_.lock()) manager->resetToDefaultsOfSDKName(property_->name());
}

std::vector<std::shared_ptr<APMPBFlag>> APMEClient::defaultFlags() const {
  std::vector<std::shared_ptr<APMPBFlag>> copies;
  for (const auto& flag : defaultFlags_) copies.push_back(APMPBFlag::copyOf(*flag));
  return copies;
}

std::shared_ptr<APMEExperimentObserverDelegate> APMEClient::delegate() const {
  std::lock_guard lock(mutex_);
  return delegate_.lock();
}

void APMEClient::setDelegate(std::weak_ptr<APMEExperimentObserverDelegate> delegate) {
  std::lock_guard lock(mutex_);
  delegate_ = std::move(delegate);
}
