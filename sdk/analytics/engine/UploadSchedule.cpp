#include "sdk/analytics/engine/UploadSchedule.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/MeasurementUploader.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/foundation/Alarm.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/PersistedConfig.h"

namespace sdk::analytics {

namespace {

constexpr double kBackoffEpsilon = std::numeric_limits<double>::epsilon();

}  // namespace

MeasurementDatabase::StoredDataSummary UploadSchedule::storedData() {
  auto combined = parts_.database->storedDataSummary();
  return combined ? *combined : storedDataOneReadEach();
}

MeasurementDatabase::StoredDataSummary UploadSchedule::storedDataOneReadEach() {
  auto& database = *parts_.database;
  MeasurementDatabase::StoredDataSummary stored;
  // Which of the two tables holds the data is no matter to the schedule.
  stored.hasQueuedBundles = MeasurementUploader::hasDataToUploadIn(database);
  if (!stored.hasQueuedBundles) return stored;
  if (auto latest = database.queryLatestRawEventTime()) {
    stored.latestRawEventTime = *latest;
  } else {
    monitor()->logWithLevel(LogLevel::kSilentWarning, messages::kLatestRawEventTimeQueryFailed,
                           "Failed to query latest raw event time. Error", errorText(latest.error()));
  }
  if (auto latest = database.queryLatestBundleTime()) {
    stored.latestBundleTime = *latest;
  } else {
    monitor()->logWithLevel(LogLevel::kSilentWarning, messages::kLatestBundleTimeQueryFailed,
                           "Failed to query latest bundle time. Error", errorText(latest.error()));
  }
  // Without a time for the data, or in debug mode, no answer below changes the upload time.
  if ((!stored.latestRawEventTime && !stored.latestBundleTime) || monitor()->isDebugModeEnabled()) return stored;
  auto realtimeBundles = database.containsRealtimeBundlesWithError();
  if (!realtimeBundles.ok()) {
    monitor()->logWithLevel(LogLevel::kSilentWarning, messages::kRealtimeBundleQueryFailed,
                           "Failed to query for real-time bundle indicator. Error",
                           errorText(realtimeBundles.error()));
  }
  stored.hasRealtimeBundles = realtimeBundles.valueOr(false);
  if (stored.hasRealtimeBundles) return stored;
  auto realtimeEvents = database.containsRealtimeRawEventsWithError();
  if (!realtimeEvents.ok()) {
    monitor()->logWithLevel(LogLevel::kSilentWarning, messages::kRealtimeRawEventQueryFailed,
                           "Failed to query for real-time raw event indicator. Error",
                           errorText(realtimeEvents.error()));
  }
  stored.hasRealtimeRawEvents = realtimeEvents.valueOr(false);
  return stored;
}

UploadTimeInputs UploadSchedule::uploadTimeInputs(const MeasurementDatabase::StoredDataSummary& stored) const {
  auto& settings = *parts_.settings;
  auto& persisted = *parts_.persistedConfig;
  UploadTimeInputs in;
  in.now = now();
  in.lastSuccessfulUpload = persisted.lastSuccessfulUploadTimestamp();
  in.lastFailedUpload = persisted.lastFailedUploadTimestamp();
  const double latestBundle = static_cast<double>(stored.latestBundleTime.value_or(0)) / 1000.0;
  in.newestDataTime = std::max(stored.latestRawEventTime.value_or(0), latestBundle);
  in.debug = monitor()->isDebugModeEnabled();
  in.realtime = in.debug || stored.hasRealtimeBundles || stored.hasRealtimeRawEvents;
  in.uploadInterval = settings.uploadingInterval();
  in.realtimeInterval = settings.uploadingRealTimeInterval();
  in.initialDelay = settings.uploadingInitialDelayInterval();
  in.debugInterval = settings.uploadingDebugModeInterval();
  in.retryCount = settings.uploadingRetryCount();
  in.retryInterval = settings.uploadingRetryInterval();
  return in;
}

double UploadSchedule::nextUploadingTime(const MeasurementDatabase::StoredDataSummary& stored) {
  return nextUploadingTimeFor(uploadTimeInputs(stored));
}

double UploadSchedule::afterBackoff(double t, double current) const {
  double backoff = parts_.persistedConfig->lastBackoffTimestamp();
  double backoffPeriod = parts_.settings->uploadingBackoffInterval();
  if (std::fabs(backoff) > kBackoffEpsilon && current - backoff < backoffPeriod) t = std::max(t, backoff + backoffPeriod);
  return t;
}

// The alarm's time is not the whole truth: an event recorded before it brings the next attempt forward
// (to within a second in debug mode) unless the uploads are backed off, and leaving the foreground
// sends what is queued whatever the schedule says.
std::string UploadSchedule::nextAttemptText() {
  const double current = now();
  const auto seconds = [](double s) { return std::to_string(std::llround(std::max(0.0, s))) + " s"; };
  // An event recorded a second from now: the failure lies before it, so the ordinary schedule applies.
  UploadTimeInputs in = uploadTimeInputs({});
  in.now = in.newestDataTime = current + 1;
  const double afterEvent = afterBackoff(nextUploadingTimeFor(in), current) - in.now;
  const std::string onEvent = "about " + seconds(afterEvent) + " after the next event is recorded";
  const std::string onLeaving = "when the app leaves the foreground";
  const std::optional<double> scheduled = alarm_->scheduledTimestamp();
  if (!scheduled || *scheduled <= 0) return "the next attempt comes " + onEvent + ", or " + onLeaving;
  std::string text = "the next attempt comes in about " + seconds(*scheduled - current);
  if (afterBackoff(current, current) > current) text += " (the back-off after a 503 or 429 from the service)";
  text += ", or sooner: ";
  if (afterEvent + 1 < *scheduled - current) text += onEvent + ", or ";
  return text + onLeaving;
}

}  // namespace sdk::analytics
