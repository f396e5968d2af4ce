#include "sdk/analytics/engine/AdvertisingProperties.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/Clock.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/MeasurementEngine.h"
#include "sdk/analytics/engine/MeasurementEventPipeline.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/WorkerQueueCheck.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Value;

constexpr const char* kAllowAdPersonalizationKey = "VADEZE_ANALYTICS_DEFAULT_ALLOW_AD_PERSONALIZATION_SIGNALS";

}  // namespace

std::optional<std::int64_t> AdvertisingProperties::shouldDisableAdPersonalization() {
  const Value allow = engine_.persistedConfig()->allowPersonalizedAds();
  if (!allow.isNil()) return allow.toBool() ? 0 : 1;
  const Value& fallback = platform::foundation::Bundle::main()->objectForInfoDictionaryKey(kAllowAdPersonalizationKey);
  if (fallback.isNil()) return std::nullopt;
  if (!fallback.isNumber()) return 0;
  return fallback.toBool() ? 0 : 1;
}

void AdvertisingProperties::setPersonalizedAdsUserPropertyOnWorkerQueue() {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "setPersonalizedAdsUserPropertyOnWorkerQueue");
  auto pipeline = engine_.components().pipeline();
  auto database = engine_.database();
  if (!pipeline || !database) return;
  auto monitor = MeasurementEngine::sharedMonitor();
  const auto stored = database->userAttributeWithName("_npa");
  if (!stored) {
    monitor->logWithLevel(LogLevel::kMonitoredError, messages::kPersonalizedAdsPropertyReadFailed,
                          "Unable to read personalized ads user property. Error", Value(stored.error().description()));
    return;
  }
  const auto& current = *stored;
  const auto wanted = shouldDisableAdPersonalization();
  if (!current && !wanted) return;
  if (!wanted) {
    if (auto removed = database->deleteUserAttributeWithName("_npa"); removed) {
      monitor->logWithLevel(LogLevel::kMonitoredWarning, messages::kPersonalizedAdsUnsetRemovingProperty,
                            "No value set for personalized ads. Removing user property.");
    } else {
      monitor->logWithLevel(LogLevel::kMonitoredError, messages::kPersonalizedAdsPropertyRemovalFailed,
                            "Unable to remove personalized ads user property in the database. Error",
                            Value(removed.error().description()));
    }
    return;
  }
  if (current && current->value.isInt64() && current->value.int64Value() == *wanted) return;
  pipeline->userProperties().setUserAttributeOnWorkerQueue(
      UserAttribute("auto", "_npa", AnalyticsValue(*wanted), platform::foundation::Clock::current()->now()),
      engine_.isEnabled(), pipeline->userPropertyLimits());
}

void AdvertisingProperties::setLastAdvertisingIDResetUserPropertyOnWorkerQueue() {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "setLastAdvertisingIDResetUserPropertyOnWorkerQueue");
  auto pipeline = engine_.components().pipeline();
  auto database = engine_.database();
  if (!pipeline || !database) return;
  const auto hasAdvertisingID = database->containsUserAttributeWithName("_id");
  if (!hasAdvertisingID.ok() || !*hasAdvertisingID) return;
  const auto hasReset = database->containsUserAttributeWithName("_lair");
  if (!hasReset.ok() || *hasReset) return;
  pipeline->userProperties().setUserAttributeOnWorkerQueue(
      UserAttribute("auto", "_lair", AnalyticsValue(std::int64_t{1}), platform::foundation::Clock::current()->now()),
      engine_.isEnabled(), pipeline->userPropertyLimits());
  if (auto identity = engine_.components().identity()) identity->setShouldSetLastAdvertisingIDResetUserProperty(false);
}

}  // namespace sdk::analytics
