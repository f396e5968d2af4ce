#include "sdk/analytics/engine/APMMeasurement.h"
#include "platform/foundation/Check.h"
#include "sdk/analytics/engine/APMRemoteConfig.h"
#include "sdk/analytics/engine/CampaignReporting.h"
#include "sdk/analytics/engine/ParkedCampaignLink.h"
#include "sdk/analytics/engine/SearchAdReporting.h"
#include "sdk/analytics/foundation/APMPersistedConfig.h"
#include "sdk/analytics/foundation/APMScheduler.h"
#include "sdk/analytics/foundation/APMUserDefaults.h"

// The steps of start-up and of switching collection that search-ad attribution and deferred deep
// links take: the reporters above the engine do the work.

void APMMeasurement::setSearchAdReporterEnabled(bool enabled) {
  std::shared_ptr<sdk::analytics::SearchAdReporting> searchAds;
  {
    std::lock_guard lock(componentsMutex_);
    searchAds = searchAdReporter_;
  }
  if (searchAds) searchAds->setSearchAdReporterEnabled(enabled);
}

void APMMeasurement::startSearchAdReporterOnWorkerQueue() {
  DCHECK(scheduler_ && scheduler_->workerQueue()->isCurrent());
  auto searchAds = sdk::analytics::SearchAdReporting::create(scheduler_->workerQueue(), persistedConfig_);
  {
    std::lock_guard lock(componentsMutex_);
    searchAdReporter_ = searchAds;
  }
  if (searchAds) {
    searchAds->setSearchAdReporterEnabled(true);
    searchAds->start();
  }
}

void APMMeasurement::requestDeferredDeepLinkOnWorkerQueue() {
  DCHECK(scheduler_ && scheduler_->workerQueue()->isCurrent());
  if (auto reporter = campaigns()) reporter->requestDeferredDeepLinkIfAllowedOnWorkerQueue();
}

void APMMeasurement::clearExpiredDeferredDeepLink() {
  (void)sdk::analytics::forgetParkedCampaignLinkIfExpired(*APMUserDefaults::standardUserDefaults(),
                                                          remoteConfig()->attributionCacheTTLInterval());
}
