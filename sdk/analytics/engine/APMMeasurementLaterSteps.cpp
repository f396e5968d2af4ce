#include "sdk/analytics/engine/APMMeasurement.h"

// Steps of start-up and of switching collection that belong to parts of the engine not built yet:
// the life-cycle events (first open, app and OS updates, stored campaigns, the personalised-ads
// property), sessions, search-ad attribution, and deferred deep links. Each does
// nothing until its part takes it over.

void APMMeasurement::setReportersEnabled(bool) {}

void APMMeasurement::setPersonalizedAdsUserPropertyOnWorkerQueue() {}

void APMMeasurement::reportFirstOpenOnWorkerQueue() {}

void APMMeasurement::startLifecycleReportersOnWorkerQueue() {}

void APMMeasurement::clearExpiredDeferredDeepLink() {}
