#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "sdk/analytics/rules/ExperimentsSDKProperty.h"

namespace sdk::analytics {

class ProtoAppProperty;
class ProtoExperimentRequest;

// Builds the experiments request from the app's facts and the registered SDKs. Shared: SDKs register
// on the manager's queue while the request is built on the worker queue.
class ExperimentRequestBuilder {
 public:
  static constexpr std::int64_t kLibraryVersion = 10000;

  static std::shared_ptr<ExperimentRequestBuilder> sharedInstance();

  // Replaces the SDK's earlier property; nothing is logged and ignored.
  void addSDKProperty(const std::shared_ptr<const ExperimentsSDKProperty>& property);
  std::shared_ptr<ProtoAppProperty> appPropertyProto() const;
  // SDKs whose property yields no client property (no diversion key nor app instance ID) are left out.
  std::shared_ptr<ProtoExperimentRequest> request(const std::optional<std::string>& appInstanceID) const;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<const ExperimentsSDKProperty>> clientPropertyBySDKName_;
};

}  // namespace sdk::analytics

