#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/Value.h"
#include "sdk/analytics/rules/APMESDKProperty.h"

class APMEClient;
class APMEManager;
class APMPBFlag;

// How an SDK hears from the experiments component. Every operation is optional; the defaults stand
// for "not implemented".
class APMEExperimentObserverDelegate {
 public:
  virtual ~APMEExperimentObserverDelegate() = default;

  // An SDK that takes new-snapshot notifications activates each fetched snapshot itself; the others'
  // snapshots are activated at the next start.
  virtual bool implementsClientDidReceiveNewSnapshot() const { return false; }
  virtual void clientDidReceiveNewSnapshot(APMEClient& client) { (void)client; }
  virtual void clientDidReceiveFetchError(APMEClient& client, const platform::foundation::Error& error) {
    (void)client;
    (void)error;
  }
  // Nothing: no answer, which counts as wanting experiments.
  virtual std::optional<bool> shouldFetchExperimentsForClient(APMEClient& client) {
    (void)client;
    return std::nullopt;
  }
  // The queue to be told on; nothing for the main queue.
  virtual std::shared_ptr<platform::dispatch::Queue> queue() { return nullptr; }
};

// One registered SDK's handle on its experiment flags. Any thread may use it.
class APMEClient {
 public:
  // Nothing (logged) without a property.
  static std::shared_ptr<APMEClient> initWithSDKProperty(std::shared_ptr<const APMESDKProperty> property,
                                                         std::vector<std::shared_ptr<APMPBFlag>> defaultFlags,
                                                         std::weak_ptr<APMEManager> manager);

  // The flag's value in force: activated, else launched, else its default; nil for an empty name or
  // a flag registered without a default.
  platform::foundation::Value valueForFlag(const std::string& flagName) const;
  platform::foundation::Value objectForKeyedSubscript(const platform::foundation::Value& key) const;
  [[nodiscard]] bool activateLatestSnapshot(platform::foundation::Error* error);
  // Whether the activated snapshot is more than three days old.
  bool hasStaleSnapshot() const;
  void resetToDefaults();

  std::string SDKName() const { return property_->name(); }
  std::vector<std::shared_ptr<APMPBFlag>> defaultFlags() const;
  const std::shared_ptr<const APMESDKProperty>& SDKProperty() const { return property_; }
  std::shared_ptr<APMEExperimentObserverDelegate> delegate() const;
  void setDelegate(std::weak_ptr<APMEExperimentObserverDelegate> delegate);

  struct Private {
    explicit Private() = default;
  };
  APMEClient(Private, std::shared_ptr<const APMESDKProperty> property,
             std::vector<std::shared_ptr<APMPBFlag>> defaultFlags, std::weak_ptr<APMEManager> manager)
      : property_(std::move(property)), defaultFlags_(std::move(defaultFlags)), manager_(std::move(manager)) {}

 private:
  const std::shared_ptr<const APMESDKProperty> property_;
  const std::vector<std::shared_ptr<APMPBFlag>> defaultFlags_;
  const std::weak_ptr<APMEManager> manager_;
  mutable std::mutex mutex_;
  std::weak_ptr<APMEExperimentObserverDelegate> delegate_;
};
