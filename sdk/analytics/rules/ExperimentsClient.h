#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/ErrorOr.h"
#include "platform/foundation/Value.h"
#include "sdk/analytics/rules/ExperimentsSDKProperty.h"

namespace sdk::analytics {

class ExperimentsClient;
class ExperimentsManager;
class ProtoFlag;

// How an SDK hears from the experiments component. Every operation is optional; the defaults stand
// for "not implemented".
class ExperimentObserverDelegate {
 public:
  virtual ~ExperimentObserverDelegate() = default;

  // An SDK that takes new-snapshot notifications activates each fetched snapshot itself; the others'
  // snapshots are activated at the next start.
  virtual bool implementsClientDidReceiveNewSnapshot() const { return false; }
  virtual void clientDidReceiveNewSnapshot(ExperimentsClient& client) { (void)client; }
  virtual void clientDidReceiveFetchError(ExperimentsClient& client, const platform::foundation::Error& error) {
    (void)client;
    (void)error;
  }
  // Nothing: no answer, which counts as wanting experiments.
  virtual std::optional<bool> shouldFetchExperimentsForClient(ExperimentsClient& client) {
    (void)client;
    return std::nullopt;
  }
  // The queue to be told on; nothing for the main queue.
  virtual std::shared_ptr<platform::dispatch::Queue> queue() { return nullptr; }
};

// One registered SDK's handle on its experiment flags. Any thread may use it.
class ExperimentsClient {
 public:
  // Nothing (logged) without a property.
  static std::shared_ptr<ExperimentsClient> initWithSDKProperty(std::shared_ptr<const ExperimentsSDKProperty> property,
                                                         std::vector<std::shared_ptr<ProtoFlag>> defaultFlags,
                                                         std::weak_ptr<ExperimentsManager> manager);

  // The flag's value in force: activated, else launched, else its default; nil for an empty name or
  // a flag registered without a default.
  platform::foundation::Value valueForFlag(const std::string& flagName) const;
  platform::foundation::Value objectForKeyedSubscript(const platform::foundation::Value& key) const;
  // Whether a pending snapshot was put in force (false when none waits); an empty SDK name fails.
  platform::foundation::ErrorOr<bool> activateLatestSnapshot();
  // Whether the activated snapshot is more than three days old.
  bool hasStaleSnapshot() const;
  void resetToDefaults();

  std::string SDKName() const { return property_->name(); }
  std::vector<std::shared_ptr<ProtoFlag>> defaultFlags() const;
  const std::shared_ptr<const ExperimentsSDKProperty>& SDKProperty() const { return property_; }
  std::shared_ptr<ExperimentObserverDelegate> delegate() const;
  void setDelegate(std::weak_ptr<ExperimentObserverDelegate> delegate);

  struct Private {
    explicit Private() = default;
  };
  ExperimentsClient(Private, std::shared_ptr<const ExperimentsSDKProperty> property,
             std::vector<std::shared_ptr<ProtoFlag>> defaultFlags, std::weak_ptr<ExperimentsManager> manager)
      : property_(std::move(property)), defaultFlags_(std::move(defaultFlags)), manager_(std::move(manager)) {}

 private:
  const std::shared_ptr<const ExperimentsSDKProperty> property_;
  const std::vector<std::shared_ptr<ProtoFlag>> defaultFlags_;
  const std::weak_ptr<ExperimentsManager> manager_;
  mutable std::mutex mutex_;
  std::weak_ptr<ExperimentObserverDelegate> delegate_;
};

}  // namespace sdk::analytics

