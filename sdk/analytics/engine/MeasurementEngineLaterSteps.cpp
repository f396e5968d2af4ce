#include "sdk/analytics/engine/MeasurementEngine.h"
#include "platform/foundation/Check.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/engine/CampaignReporting.h"
#include "sdk/analytics/engine/ParkedCampaignLink.h"
#include "sdk/analytics/engine/SearchAdReporting.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/foundation/UserDefaultsSuite.h"

// The steps of start-up and of switching collection that search-ad attribution and deferred deep
// links take: the reporters above the engine do the work.

namespace sdk::analytics {

void MeasurementEngine::setSearchAdReporterEnabled(bool enabled) {
  std::shared_ptr<sdk::analytics::SearchAdReporting> searchAds;
  {
    std::lock_guard lock(componentsMutex_);
    searchAds = searchAdReporter_;
  }
  if (searchAds) searchAds->setSearchAdReporterEnabled(enabled);
}

void MeasurementEngine::startSearchAdReporterOnWorkerQueue() {
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

void MeasurementEngine::requestDeferredDeepLinkOnWorkerQueue() {
  DCHECK(scheduler_ && scheduler_->workerQueue()->isCurrent());
  if (auto reporter = campaigns()) reporter->requestDeferredDeepLinkIfAllowedOnWorkerQueue();
}

void MeasurementEngine::clearExpiredDeferredDeepLink() {
  (void)sdk::analytics::forgetParkedCampaignLinkIfExpired(*UserDefaultsSuite::standardUserDefaults(),
                                                          remoteConfig()->attributionCacheTTLInterval());
}

}  // namespace sdk::analytics

