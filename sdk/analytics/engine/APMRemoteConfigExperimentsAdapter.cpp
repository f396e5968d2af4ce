#include "sdk/analytics/engine/APMRemoteConfigExperimentsAdapter.h"

#include "sdk/analytics/rules/APMEClient.h"
#include "sdk/analytics/rules/APMEManager.h"
#include "sdk/analytics/rules/APMESDKProperty.h"

namespace sdk::analytics {

using platform::foundation::Value;

namespace {

// A snapshot may carry a flag as text: "1", "007", "true" and "yes" count as on, as the service means them.
bool flagIsOn(const Value& value) {
  const std::string* text = value.string();
  if (!text) return value.toBool();
  std::size_t at = text->find_first_not_of(" \t\n");
  if (at != std::string::npos && (text->at(at) == '+' || text->at(at) == '-')) ++at;
  while (at < text->size() && text->at(at) == '0') ++at;
  if (at >= text->size()) return false;
  const char first = text->at(at);
  return (first >= '1' && first <= '9') || first == 'Y' || first == 'y' || first == 'T' || first == 't';
}

}  // namespace

class APMRemoteConfigExperimentsAdapter::Observer final : public APMEExperimentObserverDelegate {
 public:
  explicit Observer(std::weak_ptr<Delegate> delegate) : delegate_(std::move(delegate)) {}

  bool implementsClientDidReceiveNewSnapshot() const override { return true; }
  void clientDidReceiveNewSnapshot(APMEClient&) override {
    if (auto delegate = delegate_.lock()) delegate->clientDidReceiveNewSnapshot();
  }
  void clientDidReceiveFetchError(APMEClient&, const platform::foundation::Error& error) override {
    if (auto delegate = delegate_.lock()) delegate->clientDidReceiveFetchError(error);
  }
  std::optional<bool> shouldFetchExperimentsForClient(APMEClient&) override {
    auto delegate = delegate_.lock();
    return delegate && delegate->shouldFetchExperimentsForClient();
  }

 private:
  const std::weak_ptr<Delegate> delegate_;
};

APMRemoteConfigExperimentsAdapter::APMRemoteConfigExperimentsAdapter(std::shared_ptr<APMEManager> manager)
    : manager_(std::move(manager)) {}

APMRemoteConfigExperimentsAdapter::~APMRemoteConfigExperimentsAdapter() = default;

void APMRemoteConfigExperimentsAdapter::registerClient(const std::string& name, std::int64_t version,
                                                       const std::map<std::string, std::int64_t>& defaultFlags,
                                                       std::weak_ptr<Delegate> delegate) {
  if (!manager_) return;
  auto property = std::make_shared<APMESDKProperty>(name);
  property->version = version;
  std::map<std::string, Value> flags;
  for (const auto& [flagName, value] : defaultFlags) flags.emplace(flagName, Value(value));
  auto client = manager_->registerSDKProperty(property, flags);
  auto observer = std::make_shared<Observer>(std::move(delegate));
  if (client) client->setDelegate(observer);
  std::lock_guard lock(mutex_);
  client_ = std::move(client);
  observer_ = std::move(observer);
}

std::shared_ptr<APMEClient> APMRemoteConfigExperimentsAdapter::client() const {
  std::lock_guard lock(mutex_);
  return client_;
}

std::optional<bool> APMRemoteConfigExperimentsAdapter::flag(const std::string& name) const {
  auto client = this->client();
  if (!client) return std::nullopt;
  const Value value = manager_->snapshotFlagValueForFlagName(name, client->SDKName());
  if (value.isNil()) return std::nullopt;
  return flagIsOn(value);
}

std::vector<std::int64_t> APMRemoteConfigExperimentsAdapter::experimentIDs() const {
  return manager_ ? manager_->experimentIDs() : std::vector<std::int64_t>{};
}

bool APMRemoteConfigExperimentsAdapter::activateLatestSnapshot(platform::foundation::Error* error) {
  auto client = this->client();
  // The settings activate whatever waits at every start; that nothing waits is the usual case, not
  // the warning the manager gives an SDK that asks to activate nothing.
  if (!client || !manager_->hasPendingSnapshotOfSDK(client->SDKName())) return false;
  return client->activateLatestSnapshot(error);
}

void APMRemoteConfigExperimentsAdapter::reset() {
  if (manager_) manager_->reset();
}

}  // namespace sdk::analytics
