#include "sdk/analytics/engine/APMIdentifiers.h"

#include "platform/dispatch/Once.h"
#include "sdk/analytics/engine/APMIdentity.h"
#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNumericUtil.h"

namespace {

void log(std::int64_t code, const std::string& message) { APMMonitor::shared()->logWithLevel(2, code, message); }

std::mutex& engineMutex() {
  static std::mutex mutex;
  return mutex;
}

APMIdentifiers::EngineIdentity& engineIdentityGetter() {
  static APMIdentifiers::EngineIdentity getter;
  return getter;
}

std::shared_ptr<APMIdentity> engineIdentity() {
  APMIdentifiers::EngineIdentity getter;
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

std::shared_ptr<APMIdentifiers> APMIdentifiers::sharedInstance() {
  static const auto instance = std::make_shared<APMIdentifiers>();
  return instance;
}

void APMIdentifiers::setEngineIdentity(EngineIdentity engineIdentity) {
  std::lock_guard lock(engineMutex());
  engineIdentityGetter() = std::move(engineIdentity);
}

std::optional<std::string> APMIdentifiers::vadezeAppID() const {
  if (auto identity = engineIdentity()) {
    auto appID = nonEmpty(identity->appIDFromVMP());
    if (!appID) log(37000, "Unable to fetch Vadeze App ID from identity");
    return appID;
  }
  auto identity = APMIdentity::sharedInstance();
  auto appID = identity ? nonEmpty(identity->appIDFromVMP()) : std::nullopt;
  if (!appID) log(37001, "Unable to fetch Vadeze App ID from default options");
  return appID;
}

std::optional<std::string> APMIdentifiers::analyticsAppID() const {
  auto identity = engineIdentity();
  if (!identity) identity = APMIdentity::sharedInstance();
  if (identity) {
    if (auto vmp = nonEmpty(identity->appIDFromVMP())) return vmp;
    if (auto deded = nonEmpty(identity->appIDFromDeDed())) return deded;
  }
  log(37005, "Unable to fetch effective App ID from identity");
  return std::nullopt;
}

std::optional<std::string> APMIdentifiers::appInstanceID() const {
  if (auto identity = engineIdentity()) {
    auto id = identity->appInstanceID();
    if (!id) log(37002, "Unable to fetch App Instance ID from identity");
    return id;
  }
  auto identity = APMIdentity::sharedInstance();
  auto id = identity ? identity->appInstanceID() : std::nullopt;
  if (!id) log(37003, "Unable to fetch App Instance ID from identity shared instance");
  return id;
}

std::string APMIdentifiers::adEventID() const {
  adEventSeed().call([] { adEventCounter().store(APMNumericUtil::randomInt64()); });
  // Atomic integer arithmetic wraps in two's complement, so the counter may pass the top safely.
  return std::to_string(adEventCounter().fetch_add(1));
}

void APMIdentifiers::seedAdEventIDs(std::int64_t seed) {
  adEventSeed().call([] {});
  adEventCounter().store(seed);
}

std::string APMIdentifiers::libraryVersion() const { return std::to_string(APMIdentity::ruzUdurerizezaLibraryVersion()); }

std::string APMIdentifiers::origin() const {
  std::lock_guard lock(originMutex_);
  return origin_;
}

void APMIdentifiers::setOrigin(const std::string& origin) {
  if (origin.empty()) {
    log(37004, "Cannot set the data collection origin. Origin cannot be empty");
    return;
  }
  std::lock_guard lock(originMutex_);
  origin_ = origin;
}
