#include "sdk/analytics/engine/AppIdentifiers.h"

#include "platform/dispatch/Once.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NumericUtil.h"

namespace sdk::analytics {

namespace {

void log(std::int64_t code, const std::string& message) { Monitor::shared()->logWithLevel(LogLevel::kSilentError, code, message); }

std::mutex& engineMutex() {
  static std::mutex mutex;
  return mutex;
}

AppIdentifiers::EngineIdentity& engineIdentityGetter() {
  static AppIdentifiers::EngineIdentity getter;
  return getter;
}

std::shared_ptr<Identity> engineIdentity() {
  AppIdentifiers::EngineIdentity getter;
  {
    std::lock_guard lock(engineMutex());
    getter = engineIdentityGetter();
  }
  return getter ? getter() : nullptr;
}

std::atomic<std::int64_t>& adEventCounter() {
  static std::atomic<std::int64_t> counter{0};
  return counter;
}

platform::dispatch::Once& adEventSeed() {
  static platform::dispatch::Once once;
  return once;
}

std::optional<std::string> nonEmpty(std::string text) {
  if (text.empty()) return std::nullopt;
  return text;
}

}  // namespace

std::shared_ptr<AppIdentifiers> AppIdentifiers::sharedInstance() {
  static const auto instance = std::make_shared<AppIdentifiers>();
  return instance;
}

void AppIdentifiers::setEngineIdentity(EngineIdentity engineIdentity) {
  std::lock_guard lock(engineMutex());
  engineIdentityGetter() = std::move(engineIdentity);
}

std::optional<std::string> AppIdentifiers::appID() const {
  if (auto identity = engineIdentity()) {
    auto appID = nonEmpty(identity->appIDFromVMP());
    if (!appID) log(messages::kAppIDFromIdentityFailed, "Unable to fetch Vadeze App ID from identity");
    return appID;
  }
  auto identity = Identity::sharedInstance();
  auto appID = identity ? nonEmpty(identity->appIDFromVMP()) : std::nullopt;
  if (!appID) log(messages::kAppIDFromDefaultOptionsFailed, "Unable to fetch Vadeze App ID from default options");
  return appID;
}

std::optional<std::string> AppIdentifiers::analyticsAppID() const {
  auto identity = engineIdentity();
  if (!identity) identity = Identity::sharedInstance();
  if (identity) {
    if (auto vmp = nonEmpty(identity->appIDFromVMP())) return vmp;
    if (auto deded = nonEmpty(identity->appIDFromDeDed())) return deded;
  }
  log(messages::kEffectiveAppIDFromIdentityFailed, "Unable to fetch effective App ID from identity");
  return std::nullopt;
}

std::optional<std::string> AppIdentifiers::appInstanceID() const {
  if (auto identity = engineIdentity()) {
    auto id = identity->appInstanceID();
    if (!id) log(messages::kAppInstanceIDFromIdentityFailed, "Unable to fetch App Instance ID from identity");
    return id;
  }
  auto identity = Identity::sharedInstance();
  auto id = identity ? identity->appInstanceID() : std::nullopt;
  if (!id)
    log(messages::kAppInstanceIDFromSharedIdentityFailed,
        "Unable to fetch App Instance ID from identity shared instance");
  return id;
}

std::string AppIdentifiers::adEventID() const {
  adEventSeed().call([] { adEventCounter().store(NumericUtil::randomInt64()); });
  // Atomic integer arithmetic wraps in two's complement, so the counter may pass the top safely.
  return std::to_string(adEventCounter().fetch_add(1));
}

void AppIdentifiers::seedAdEventIDs(std::int64_t seed) {
  adEventSeed().call([] {});
  adEventCounter().store(seed);
}

std::string AppIdentifiers::libraryVersion() const { return std::to_string(Identity::analyticsLibraryVersion()); }

std::string AppIdentifiers::origin() const {
  std::lock_guard lock(originMutex_);
  return origin_;
}

void AppIdentifiers::setOrigin(const std::string& origin) {
  if (origin.empty()) {
    log(messages::kDataCollectionOriginEmpty, "Cannot set the data collection origin. Origin cannot be empty");
    return;
  }
  std::lock_guard lock(originMutex_);
  origin_ = origin;
}

}  // namespace sdk::analytics

