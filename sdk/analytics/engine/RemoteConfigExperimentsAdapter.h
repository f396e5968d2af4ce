#pragma once

#include <memory>
#include <mutex>

#include "sdk/analytics/engine/RemoteConfigExperiments.h"

namespace sdk::analytics {

class ExperimentsClient;
class ExperimentsManager;

// The measurement settings' view of the experiments manager: one client registered under the
// settings' SDK name, whose new snapshots and fetch errors reach the settings (held weakly) on the
// main queue. A flag counts only when a snapshot sets it: the registered defaults stand for "no
// experiment", so the setting the flag overrides is read in their place.
class RemoteConfigExperimentsAdapter final : public RemoteConfigExperiments {
 public:
  explicit RemoteConfigExperimentsAdapter(std::shared_ptr<ExperimentsManager> manager);
  ~RemoteConfigExperimentsAdapter() override;

  void registerClient(const std::string& name, std::int64_t version,
                      const std::map<std::string, std::int64_t>& defaultFlags,
                      std::weak_ptr<Delegate> delegate) override;
  std::optional<bool> flag(const std::string& name) const override;
  std::vector<std::int64_t> experimentIDs() const override;
  platform::foundation::ErrorOr<bool> activateLatestSnapshot() override;
  void reset() override;

  const std::shared_ptr<ExperimentsManager>& manager() const { return manager_; }

 private:
  class Observer;

  std::shared_ptr<ExperimentsClient> client() const;

  const std::shared_ptr<ExperimentsManager> manager_;
  mutable std::mutex mutex_;
  std::shared_ptr<ExperimentsClient> client_;
  // The client holds its delegate weakly; this keeps it.
  std::shared_ptr<Observer> observer_;
};

}  // namespace sdk::analytics

