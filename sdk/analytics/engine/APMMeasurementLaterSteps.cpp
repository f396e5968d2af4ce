#include "sdk/analytics/engine/APMMeasurement.h"
#include "sdk/analytics/engine/APMIdentity.h"
#include "sdk/analytics/engine/APMRemoteConfig.h"
#include "sdk/analytics/engine/CampaignReporting.h"
#include "sdk/analytics/engine/ParkedCampaignLink.h"
#include "sdk/analytics/engine/SearchAdReporting.h"
#include "sdk/analytics/engine/VersionUpdateReport.h"
#include "sdk/analytics/foundation/APMEnvironment.h"
#include "sdk/analytics/foundation/APMPersistedConfig.h"
#include "sdk/analytics/foundation/APMScheduler.h"
#include "sdk/analytics/foundation/APMUserDefaults.h"

// Steps of start-up and of switching collection that belong to parts of the engine not built yet:
// the life-cycle events (first open, stored campaigns, the personalised-ads
// property) and sessions. Each does nothing until its part takes it over.

void APMMeasurement::setReportersEnabled(bool enabled) {
  std::shared_ptr<sdk::analytics::SearchAdReporting> searchAds;
  {
    std::lock_guard lock(componentsMutex_);
    searchAds = searchAdReporter_;
  }
  if (searchAds) searchAds->setSearchAdReporterEnabled(enabled);
}

void APMMeasurement::setPersonalizedAdsUserPropertyOnWorkerQueue() {}

void APMMeasurement::reportFirstOpenOnWorkerQueue() {}

void APMMeasurement::startLifecycleReportersOnWorkerQueue() {
  auto persisted = persistedConfig();
  if (!persisted) return;
  if (!sdk::analytics::parkedCampaignLink(*APMUserDefaults::standardUserDefaults())) {
    if (auto reporter = campaigns()) reporter->requestDeferredDeepLinkIfAllowedOnWorkerQueue();
  }
  if (auto identity = this->identity()) {
    sdk::analytics::reportVersionChange(identity->appVersion(), persisted->appVersion(),
                                        [persisted](const std::string& v) { persisted->setAppVersion(v); }, "_au", "_pv");
  }
  sdk::analytics::reportVersionChange(APMEnvironmentInfo::sharedInstance().deviceOSVersion, persisted->osVersion(),
                                      [persisted](const std::string& v) { persisted->setOSVersion(v); }, "_ou", "_po");
  auto searchAds = sdk::analytics::SearchAdReporting::create(scheduler_->workerQueue(), persisted);
  {
    std::lock_guard lock(componentsMutex_);
    searchAdReporter_ = searchAds;
  }
  if (searchAds) {
    searchAds->setSearchAdReporterEnabled(true);
    searchAds->start();
  }
}

void APMMeasurement::clearExpiredDeferredDeepLink() {
  (void)sdk::analytics::forgetParkedCampaignLinkIfExpired(*APMUserDefaults::standardUserDefaults(),
                                                          remoteConfig()->attributionCacheTTLInterval());
}
