#include "sdk/analytics/engine/APMMeasurement.h"
#include "sdk/analytics/engine/APMIdentity.h"
#include "sdk/analytics/engine/VersionUpdateReport.h"
#include "sdk/analytics/foundation/APMEnvironment.h"
#include "sdk/analytics/foundation/APMPersistedConfig.h"

// Steps of start-up and of switching collection that belong to parts of the engine not built yet:
// the life-cycle events (first open, stored campaigns, the personalised-ads
// property), sessions, search-ad attribution, and deferred deep links. Each does
// nothing until its part takes it over.

void APMMeasurement::setReportersEnabled(bool) {}

void APMMeasurement::setPersonalizedAdsUserPropertyOnWorkerQueue() {}

void APMMeasurement::reportFirstOpenOnWorkerQueue() {}

void APMMeasurement::startLifecycleReportersOnWorkerQueue() {
  auto persisted = persistedConfig();
  if (!persisted) return;
  if (auto identity = this->identity()) {
    sdk::analytics::reportVersionChange(identity->appVersion(), persisted->appVersion(),
                                        [persisted](const std::string& v) { persisted->setAppVersion(v); }, "_au", "_pv");
  }
  sdk::analytics::reportVersionChange(APMEnvironmentInfo::sharedInstance().deviceOSVersion, persisted->osVersion(),
                                      [persisted](const std::string& v) { persisted->setOSVersion(v); }, "_ou", "_po");
}

void APMMeasurement::clearExpiredDeferredDeepLink() {}
