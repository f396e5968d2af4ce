#include "sdk/analytics/engine/SessionStarts.h"

#include "platform/foundation/Check.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/MeasurementEngine.h"
#include "sdk/analytics/engine/MeasurementEventPipeline.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/engine/SessionReporting.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NameChecks.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/foundation/WorkerQueueCheck.h"

namespace sdk::analytics {

using platform::foundation::Value;

std::shared_ptr<SessionReporting> SessionStarts::sessionReporter() const {
  std::lock_guard lock(mutex_);
  return sessionReporter_;
}

void SessionStarts::replaceSessionReporterOnWorkerQueue() {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "replaceSessionReporterOnWorkerQueue");
  auto reporter = SessionReporting::create(engine_.persistedConfig(), engine_.components().remoteConfig());
  // The app's own timeout outlives a wipe: the new reporter would otherwise fall back to the default.
  if (reporter && requestedSessionTimeout_) reporter->setTimeoutSessionInterval(*requestedSessionTimeout_);
  std::lock_guard lock(mutex_);
  sessionReporter_ = std::move(reporter);
}

void SessionStarts::setSessionTimeoutInterval(double seconds) {
  std::weak_ptr<MeasurementEngine> weak = engine_.weak_from_this();
  engine_.scheduler()->scheduleOnWorkerQueueBlockID("APMMeasurement:1435", [weak, seconds] {
    auto self = weak.lock();
    if (!self) return;
    self->sessions().requestedSessionTimeout_ = seconds;
    if (auto reporter = self->sessions().sessionReporter()) reporter->setTimeoutSessionInterval(seconds);
  });
}

void SessionStarts::reportSessionStartOnWorkerQueueWithTimestamp(double timestamp, bool appInBackground) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "reportSessionStartOnWorkerQueueWithTimestamp:appInBackground:");
  auto reporter = sessionReporter();
  if (!reporter || !reporter->isSessionExpired()) return;
  startSessionOnWorkerQueueWithTimestamp(timestamp, appInBackground);
}

void SessionStarts::startSessionOnWorkerQueueWithTimestamp(double timestamp, bool appInBackground) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "startSessionOnWorkerQueueWithTimestamp:appInBackground:");
  auto reporter = sessionReporter();
  auto pipeline = engine_.components().pipeline();
  auto settings = engine_.components().remoteConfig();
  if (!reporter || !pipeline || !settings) return;
  reporter->updatePropertiesForNewSessionStart();
  auto persistedConfig = engine_.persistedConfig();
  // The session's number and activity reach the disk before its "_s" row can: a start killed between
  // the two would leave a stored session that the next start does not know and numbers again.
  persistedConfig->synchronizeToDisk();
  auto& properties = pipeline->userProperties();
  const auto limits = pipeline->userPropertyLimits();
  properties.setUserAttributeOnWorkerQueue(reporter->sessionIDPropertyWithTimestamp(timestamp), engine_.isEnabled(),
                                           limits);
  properties.setUserAttributeOnWorkerQueue(reporter->sessionNumberProperty(), engine_.isEnabled(), limits);
  const bool background = appInBackground && settings->appInBackgroundParameterEnabled();
  if (auto event = sdk::analytics::sessionStartEvent(Value(persistedConfig->sessionNumber()), background, timestamp)) {
    pipeline->handler().handleInternalEventOnWorkerQueue(*event);
  }
}

void SessionStarts::backfillSessionNumber() {
  auto database = engine_.database();
  auto persistedConfig = engine_.persistedConfig();
  if (!database || persistedConfig->sessionNumber() != 0) return;
  auto aggregates = database->eventAggregatesWithName("_s");
  if (!aggregates || !*aggregates) {
    if (!aggregates) {
      monitor()->logWithLevel(
          LogLevel::kMonitoredError, messages::kEventAggregatesLookupFailed,
          "Unable to query event aggregates. Name, error", Value(eventNameForDisplay("_s")),
          Value(aggregates.error().description()));
    }
    return;
  }
  persistedConfig->setSessionNumber(static_cast<std::int32_t>((*aggregates)->lifetimeCount));
}

}  // namespace sdk::analytics
