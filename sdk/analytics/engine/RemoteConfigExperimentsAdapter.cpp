#include "sdk/analytics/engine/RemoteConfigExperimentsAdapter.h"

#include "sdk/analytics/rules/ExperimentsClient.h"
#include "sdk/analytics/rules/ExperimentsManager.h"
#include "sdk/analytics/rules/ExperimentsSDKProperty.h"

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

class RemoteConfigExperimentsAdapter::Observer final : public ExperimentObserverDelegate {
 public:
  explicit Observer(std::weak_ptr<Delegate> delegate) : delegate_(std::move(delegate)) {}

  bool implementsClientDidReceiveNewSnapshot() const override { return true; }
  void clientDidReceiveNewSnapshot(ExperimentsClient&) override {
    if (auto delegate = delegate_.lock()) delegate->clientDidReceiveNewSnapshot();
  }
  void clientDidReceiveFetchError(ExperimentsClient&, const platform::foundation::Error& error) override {
    if (auto delegate = delegate_.lock()) delegate->clientDidReceiveFetchError(error);
  }
  std::optional<bool> shouldFetchExperimentsForClient(ExperimentsClient&) override {
    auto delegate = delegate_.lock();
    return delegate && delegate->shouldFetchExperimentsForClient();
  }

 private:
  const std::weak_ptr<Delegate> delegate_;
};

RemoteConfigExperimentsAdapter::RemoteConfigExperimentsAdapter(std::shared_ptr<ExperimentsManager> manager)
    : manager_(std::move(manager)) {}

RemoteConfigExperimentsAdapter::~RemoteConfigExperimentsAdapter() = default;

void RemoteConfigExperimentsAdapter::registerClient(const std::string& name, std::int64_t version,
                                                       const std::map<std::string, std::int64_t>& defaultFlags,
                                                       std::weak_ptr<Delegate> delegate) {
  if (!manager_) return;
  auto property = std::make_shared<ExperimentsSDKProperty>(name);
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

std::shared_ptr<ExperimentsClient> RemoteConfigExperimentsAdapter::client() const {
  std::lock_guard lock(mutex_);
  return client_;
}

std::optional<bool> RemoteConfigExperimentsAdapter::flag(const std::string& name) const {
  auto client = this->client();
  if (!client) return std::nullopt;
  const Value value = manager_->snapshotFlagValueForFlagName(name, client->SDKName());
  if (value.isNil()) return std::nullopt;
  return flagIsOn(value);
}

std::vector<std::int64_t> RemoteConfigExperimentsAdapter::experimentIDs() const {
  return manager_ ? manager_->experimentIDs() : std::vector<std::int64_t>{};
}

platform::foundation::ErrorOr<bool> RemoteConfigExperimentsAdapter::activateLatestSnapshot() {
  auto client = this->client();
  // The settings activate whatever waits at every start; that nothing waits is the usual case, not
  // the warning the manager gives an SDK that asks to activate nothing.
  if (!client || !manager_->hasPendingSnapshotOfSDK(client->SDKName())) return false;
  return client->activateLatestSnapshot();
}

void RemoteConfigExperimentsAdapter::reset() {
  if (manager_) manager_->reset();
}

}  // namespace sdk::analytics

