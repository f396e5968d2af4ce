#include "sdk/analytics/engine/CollectionSwitch.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/Format.h"
#include "platform/runtime/Class.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/BackwardCompatibility.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/FacadeDefaults.h"
#include "sdk/analytics/engine/MeasurementEngine.h"
#include "sdk/analytics/engine/MeasurementUploader.h"
#include "sdk/analytics/engine/ParkedCampaignLink.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/engine/SearchAdReporting.h"
#include "sdk/analytics/engine/SessionReporting.h"
#include "sdk/analytics/foundation/Alarm.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/foundation/UserDefaultsSuite.h"
#include "sdk/analytics/foundation/WorkerQueueCheck.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Value;

bool isScreenReportingEnabled() {
  const auto& bundle = platform::foundation::Bundle::main();
  for (const char* key : {"VurevoreScreenReportingEnabled", "VurevoreAutomaticScreenReportingEnabled"}) {
    const Value& value = bundle->objectForInfoDictionaryKey(key);
    if (!value.isNil()) return value.isNumber() ? value.toBool() : true;
  }
  return true;
}

}  // namespace

bool CollectionSwitch::shouldEnableMeasurement() const {
  if (isAnalyticsCollectionDeactivated()) return false;
  switch (engine_.persistedConfig()->measurementEnabledState()) {
    case 1: return true;
    case 2: return false;
    default: return isAnalyticsCollectionEnabled();
  }
}

void CollectionSwitch::setEnabled(bool enabled) {
  std::weak_ptr<MeasurementEngine> weak = engine_.weak_from_this();
  engine_.scheduler()->scheduleOnWorkerQueueBlockID("APMMeasurement:571", [weak, enabled] {
    if (auto self = weak.lock()) self->collection().setEnabledOnWorkerQueue(enabled);
  });
}

void CollectionSwitch::setEnabledOnWorkerQueue(bool enabled) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "setIsEnabledOnWorkerQueue");
  auto monitor = MeasurementEngine::sharedMonitor();
  const bool deactivated = isAnalyticsCollectionDeactivated();
  if (deactivated && enabled) {
    monitor->logWithLevel(LogLevel::kNotice, messages::kAnalyticsCollectionDeactivated,
                          "Analytics collection deactivated");
    return;
  }
  if (!deactivated && !FacadeDefaults::deferredAnalyticsCollection()) {
    FacadeDefaults::setDeferredAnalyticsCollection(!enabled);
  }
  enabled_ = enabled;
  if (enabled) {
    if (!startMeasurementOnWorkerQueue()) {
      monitor->logWithLevel(LogLevel::kError, messages::kAnalyticsStartFailed,
                            "Failed to start Analytics. Analytics is disabled");
      setEnabled(false);
      return;
    }
    setReportersEnabled(true);
    monitor->logWithLevel(LogLevel::kNotice, messages::kAnalyticsCollectionNowEnabled, "Analytics collection enabled");
    if (isScreenReportingEnabled() && platform::runtime::Class::named("ZEDIvadazudo")) {
      monitor->logWithLevel(LogLevel::kNotice, messages::kScreenReportingEnabled,
                            platform::foundation::format(
                                "Analytics screen reporting is enabled. Call +[ZEDIvadazudo "
                                "logEventWithName:VUREventScreenView parameters:] to log a screen view event. To "
                                "disable automatic screen reporting, set the flag %@ to NO (boolean) in the Info.plist",
                                "VurevoreAutomaticScreenReportingEnabled"));
    }
    return;
  }
  clearExpiredDeferredDeepLink();
  if (auto alarm = engine_.alarm()) alarm->cancel();
  setReportersEnabled(false);
  monitor->logWithLevel(LogLevel::kNotice, messages::kAnalyticsCollectionNowDisabled, "Analytics collection disabled");
}

bool CollectionSwitch::startMeasurementOnWorkerQueue() {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "startMeasurementOnWorkerQueue");
  {
    std::lock_guard lock(initializeComponentsLock_);
    if (!didInitializeComponents_) didInitializeComponents_ = engine_.components().initializeOnWorkerQueue();
    if (!didInitializeComponents_) return false;
  }
  engine_.advertising().setPersonalizedAdsUserPropertyOnWorkerQueue();
  if (FacadeDefaults::needFirstOpenAfterReset()) {
    engine_.lifecycle().reportFirstOpenOnWorkerQueue();
    FacadeDefaults::removeNeedFirstOpenAfterReset();
  }
  if (auto uploader = engine_.components().uploader()) uploader->updateSchedule();
  if (BackwardCompatibility::disableOlderMeasurementLibrary()) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kMeasurementDisabled,
                                                     "VEVUvuzadovaro has been disabled");
  }
  return true;
}

bool CollectionSwitch::didInitializeComponents() const {
  std::lock_guard lock(initializeComponentsLock_);
  return didInitializeComponents_;
}

void CollectionSwitch::setReportersEnabled(bool enabled) {
  if (auto reporter = engine_.sessions().sessionReporter()) reporter->setReportingEnabled(enabled);
  if (auto searchAds = engine_.components().searchAdReporter()) searchAds->setSearchAdReporterEnabled(enabled);
}

void CollectionSwitch::clearExpiredDeferredDeepLink() {
  (void)sdk::analytics::forgetParkedCampaignLinkIfExpired(*UserDefaultsSuite::standardUserDefaults(),
                                                          MeasurementEngine::remoteConfig()->attributionCacheTTLInterval());
}

}  // namespace sdk::analytics
