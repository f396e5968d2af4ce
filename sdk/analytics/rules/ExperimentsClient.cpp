#include "sdk/analytics/rules/ExperimentsClient.h"

#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/ProtoExperimentMessages.h"
#include "sdk/analytics/rules/ExperimentsManager.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"

namespace sdk::analytics {

using platform::foundation::Value;

std::shared_ptr<ExperimentsClient> ExperimentsClient::initWithSDKProperty(std::shared_ptr<const ExperimentsSDKProperty> property,
                                                            std::vector<std::shared_ptr<ProtoFlag>> defaultFlags,
                                                            std::weak_ptr<ExperimentsManager> manager) {
  if (!property) {
    Monitor::shared()->logWithLevel(LogLevel::kError, messages::kClientWithNilProperty, "Cannot initialize the client with nil property");
    return nullptr;
  }
  return std::make_shared<ExperimentsClient>(Private(), std::move(property), std::move(defaultFlags), std::move(manager));
}

Value ExperimentsClient::valueForFlag(const std::string& flagName) const {
  if (flagName.empty()) {
    Monitor::shared()->logWithLevel(LogLevel::kError, messages::kFlagValueWithEmptyName, "Cannot get value for empty flag name");
    return Value();
  }
  auto manager = manager_.lock();
  return manager ? manager->flagValueForFlagName(flagName, property_->name()) : Value();
}

Value ExperimentsClient::objectForKeyedSubscript(const Value& key) const {
  if (!key.isString()) {
    Monitor::shared()->logWithLevel(LogLevel::kError, messages::kFlagValueWithInvalidName, "Cannot get flag value of an invalid flag name");
    return Value();
  }
  return valueForFlag(*key.string());
}

platform::foundation::ErrorOr<bool> ExperimentsClient::activateLatestSnapshot() {
  auto manager = manager_.lock();
  if (!manager) return false;
  return manager->activateSnapshotOfSDK(property_->name());
}

bool ExperimentsClient::hasStaleSnapshot() const {
  auto manager = manager_.lock();
  return manager && manager->activatedSnapshotStatusOfSDKName(property_->name()) == 1;
}

void ExperimentsClient::resetToDefaults() {
  if (auto manager = manager_.lock()) manager->resetToDefaultsOfSDKName(property_->name());
}

std::vector<std::shared_ptr<ProtoFlag>> ExperimentsClient::defaultFlags() const {
  std::vector<std::shared_ptr<ProtoFlag>> copies;
  for (const auto& flag : defaultFlags_) copies.push_back(ProtoFlag::copyOf(*flag));
  return copies;
}

std::shared_ptr<ExperimentObserverDelegate> ExperimentsClient::delegate() const {
  std::lock_guard lock(mutex_);
  return delegate_.lock();
}

void ExperimentsClient::setDelegate(std::weak_ptr<ExperimentObserverDelegate> delegate) {
  std::lock_guard lock(mutex_);
  delegate_ = std::move(delegate);
}

}  // namespace sdk::analytics

