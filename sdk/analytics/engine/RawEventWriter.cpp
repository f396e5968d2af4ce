#include "sdk/analytics/engine/RawEventWriter.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "platform/foundation/Bundle.h"
#include "platform/dispatch/Queue.h"
#include "platform/foundation/Clock.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/LifetimeValueRecorder.h"
#include "sdk/analytics/engine/EventPipelineHost.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/ErrorEvent.h"
#include "sdk/analytics/foundation/KeychainWrapper.h"
#include "sdk/analytics/foundation/MeasurementFieldIndices.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NameChecks.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"
#include "sdk/analytics/foundation/WorkerQueueCheck.h"

namespace sdk::analytics {

using platform::foundation::Error;
using platform::foundation::Value;

namespace {

constexpr std::int64_t kErrorCodeEventLimitReached = 8;
constexpr std::int64_t kErrorCodePublicEventLimitReached = 16;

Value parameterObject(const AnalyticsEvent& event, const char* name) {
  auto found = event.parameters().find(name);
  return found == event.parameters().end() ? Value() : found->second.objectValue();
}

// Log lines for drops past a daily limit are written for the first and then every 1000th.
bool everyThousandth(std::int64_t count, std::int64_t limit) { return (count - limit) % 1000 == 0; }

}  // namespace

RawEventWriter::RawEventWriter(const EventPipelineHost& host, std::shared_ptr<MeasurementDatabase> database)
    : host_(host), database_(std::move(database)) {}

std::int64_t RawEventWriter::currentDayNumber() const {
  double offset = host_.persistedConfig() ? host_.persistedConfig()->midnightOffset() : 0;
  return static_cast<std::int64_t>(std::floor((now() - offset) / 86400.0));
}

void RawEventWriter::raiseErrorEvent(std::int64_t code) {
  if (inTransaction_) {
    pendingErrorCodes_.push_back(code);
  } else {
    logErrorEvent(code);
  }
}

void RawEventWriter::writeFilteredEventOnWorkerQueue(AnalyticsEvent event) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "writeFilteredEventOnWorkerQueue:");
  host_.updateIdentifiers();
  if (isDefaultConversionEventName(event.name())) event.setConversion(true);
  inTransaction_ = true;
  (void)database_->performTransactionFlushedLater([&] {
    if (!updateLifetimeValueWithEvent(event)) return false;
    bool isPublic = isPublicName(Value(event.name()));
    auto counts = database_->dailyCounts();
    if (!counts) {
      monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kDailyEventCountsQueryDataLoss,
                             "Data loss. Unable to query daily event counts. Error", errorText(counts.error()));
      return false;
    }
    bool process = shouldProcessEvent(event, *counts, isPublic);
    bool realtime = isRealtimeEvent(event, *counts);
    if (auto result = database_->updateDailyCounts(*counts); !result) {
      monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kDailyEventCountsUpdateDataLoss,
                             "Data loss. Unable to update daily event counts. Name, error",
                             Value(eventNameForDisplay(event.name())), errorText(result.error()));
      return false;
    }
    return !process || writeEvent(event, isPublic, realtime);
  });
  inTransaction_ = false;
  auto codes = std::move(pendingErrorCodes_);
  pendingErrorCodes_.clear();
  for (auto code : codes) logErrorEvent(code);
  flushAfterQueuedWork();
}

// Events come in runs (those of a first start, a screen view and the engagement that ends it, the
// events of leaving the screen): their commits share one flush to disk, made once the work already
// waiting on this queue is done. Until then an event is as safe as it was while it waited in the queue,
// and the process end lets the queue finish, flush included.
void RawEventWriter::flushAfterQueuedWork() {
  auto queue = platform::dispatch::Queue::current();
  if (!queue) return database_->flushLog();
  if (flushQueued_->exchange(true)) return;
  queue->async([database = database_, queued = flushQueued_] {
    queued->store(false);
    database->flushLog();
  });
}

bool RawEventWriter::updateLifetimeValueWithEvent(const AnalyticsEvent& event) {
  if (!LifetimeValueRecorder::isPurchaseEvent(event)) return true;
  if (LifetimeValueRecorder::recordLifetimeValueToDatabase(*database_, event, host_.maxTrackedCurrencies())) {
    return true;
  }
  monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kLifetimeValueEventNotRecorded,
                         "Cannot record lifetime value of event. Name, currency code, transaction value",
                         Value(eventNameForDisplay(event.name())), parameterObject(event, "currency"),
                         parameterObject(event, "value"));
  return false;
}

bool RawEventWriter::shouldProcessEvent(const AnalyticsEvent& event, DailyCounts& counts, bool isPublicEvent) {
  std::int64_t today = currentDayNumber();
  if (counts.day != today) counts.resetWithNewDay(today);
  bool isError = isErrorEvent(event.name());
  auto effectiveCount = static_cast<std::int32_t>(
      std::min<std::int64_t>(1 + eventItemCount(event), std::numeric_limits<std::int32_t>::max()));
  auto countNormally = [&] {
    if (isError) {
      counts.incrementErrorEventsCountForCurrentDay(today);
    } else {
      counts.incrementCountsForCurrentDay(today, isPublicEvent, false, effectiveCount);
    }
  };

  if (std::int64_t limit = host_.maxEventsPerDay(); counts.allEventsCount >= limit) {
    if (everyThousandth(counts.allEventsCount, limit)) {
      monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kTooManyEventsDataLoss,
                             "Data loss. Too many events logged. Name, limit", Value(eventNameForDisplay(event.name())),
                             Value(limit));
    }
    countNormally();
    return false;
  }
  if (std::int64_t limit = host_.maxErrorEventsPerDay(); isError && counts.errorEventsCount >= limit) {
    if (everyThousandth(counts.errorEventsCount, limit)) {
      monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kTooManyErrorEvents,
                             "Too many error events logged. Error code, limit", parameterObject(event, "_err"),
                             Value(limit));
    }
    countNormally();
    counts.decrementAllEventsCount();
    return false;
  }
  if (std::int64_t limit = host_.maxPublicEventsPerDay(); isPublicEvent && counts.publicEventsCount >= limit) {
    if (everyThousandth(counts.publicEventsCount, limit)) {
      monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kTooManyPublicEventsDataLoss,
                             "Data loss. Too many public events logged. Name, limit",
                             Value(eventNameForDisplay(event.name())), Value(limit));
    }
    raiseErrorEvent(kErrorCodePublicEventLimitReached);
    countNormally();
    counts.decrementAllEventsCount();
    return false;
  }
  countNormally();
  return true;
}

bool RawEventWriter::isRealtimeEvent(AnalyticsEvent& event, const DailyCounts& counts) {
  std::int64_t limit = host_.maxRealtimeEventCountPerDay();
  const std::string& name = event.name();
  bool exempt = monitor()->isDebugModeEnabled() || name == "_iap" || name == "_f" || name == "_fx";
  bool conversion = event.isConversion() || host_.isEventCustomConversion(name);
  bool realtime = conversion && (counts.realtimeCount < limit || exempt);
  if (event.isRealtime() && !exempt && counts.realtimeCount >= limit) {
    event.setRealtime(false);
    monitor()->logWithLevel(LogLevel::kMonitoredWarning, messages::kTooManyRealtimeEvents,
                           "Too many real-time events. Event is no longer real-time. Event name, parameters",
                           Value(eventNameForDisplay(name)),
                           Value(dictionaryDescriptionForDisplay(event.parameters())));
  }
  maybeAddDebugAndRealtimeParameters(event);
  return realtime || event.isRealtime();
}

void RawEventWriter::maybeAddDebugAndRealtimeParameters(AnalyticsEvent& event) {
  if (!monitor()->isDebugModeEnabled()) return;
  event.setRealtime(true);
  event.setDebug(true);
  monitor()->logWithLevel(LogLevel::kDebug, messages::kDebugModeMarksEventRealtime,
                         "Debug mode is enabled. Marking event as debug and real-time. Event name, parameters",
                         Value(eventNameForDisplay(event.name())),
                         Value(dictionaryDescriptionForDisplay(event.parameters())));
}

bool RawEventWriter::writeEvent(const AnalyticsEvent& event, bool isPublicEvent, bool isRealtime) {
  const std::string& name = event.name();
  auto aggregates = database_->eventAggregatesWithName(name);
  if (!aggregates) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kEventAggregatesLookupFailed,
                           "Cannot query event aggregates. Name, error", Value(eventNameForDisplay(name)),
                           errorText(aggregates.error()));
    return false;
  }
  if (!*aggregates) {
    if (isPublicEvent) {
      auto names = database_->publicEventCount();
      if (!names) {
        monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kEventCountQueryFailed,
                               "Cannot query event count. Error", errorText(names.error()));
        return false;
      }
      if (*names >= host_.maxEventNameCardinality()) {
        monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kSetEventLimitReached,
                               "Cannot set event. Reached limit on set events. Name", Value(eventNameForDisplay(name)));
        raiseErrorEvent(kErrorCodeEventLimitReached);
        return false;
      }
    }
    if (auto result = database_->updateEventAggregates(EventAggregates(name, 0, 0, 0, 0)); !result) {
      monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kEventAggregatesRecordDataLoss,
                             "Data loss. Cannot record event aggregates. Error", errorText(result.error()));
      return false;
    }
  }
  if (host_.shouldSetLastAdvertisingIDResetUserProperty()) host_.setLastAdvertisingIDResetUserPropertyOnWorkerQueue();

  auto attributes = database_->userAttributesIncludingInternal(true);
  if (!attributes) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kUserPropertiesQueryDataLoss,
                           "Data loss. Cannot query user properties. Error", errorText(attributes.error()));
    return false;
  }
  auto metadata = host_.createRawEventMetadataWithUserAttributes(*attributes);
  if (!metadata) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kEventMetadataRecordDataLoss,
                           "Data loss. Cannot record event metadata. Error",
                           Value("The event's metadata could not be built"));
    return false;
  }
  auto persisted = host_.persistedConfig();
  bool carriesAdvertisingID = nanoHasField(*metadata, measurement_fields::kBundleResettableDeviceID);
  if (carriesAdvertisingID && persisted && persisted->unmatchedFirstOpenWithoutIDFA()) {
    logFirstOpenConsentedEvent(event.timestamp());
  } else if (!carriesAdvertisingID && name == "_f" && persisted) {
    persisted->setUnmatchedFirstOpenWithoutIDFA(true);
  }
  auto fingerprint = database_->insertIfNotExistsRawEventMetadata(*metadata);
  if (!fingerprint) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kEventMetadataRecordDataLoss,
                           "Data loss. Cannot record event metadata. Error", errorText(fingerprint.error()));
    return false;
  }
  auto deleted = database_->deleteRawEventsOverAbsoluteLimit();
  if (!deleted) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kRawEventLimitCheckDataLoss,
                           "Data loss. Unable to check raw event storage limit. Error", errorText(deleted.error()));
    return false;
  }
  if (*deleted > 0) {
    monitor()->logWithLevel(LogLevel::kMonitoredWarning, messages::kTooManyStoredEventsDataLoss,
                           "Data loss. Too many events stored on disk. Deleted count", Value(*deleted));
  }
  if (auto result = database_->insertRawEvent(event, *fingerprint, isRealtime); !result) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kRawEventRecordDataLoss,
                           "Data loss. Cannot record raw event. Error", errorText(result.error()));
    return false;
  }
  // Counted and told once the event is stored for good: a start killed before the commit leaves neither,
  // so the first open it makes again is not marked as following a previous one.
  database_->store().afterCommit([firstOpen = name == "_f", displayName = eventNameForDisplay(name),
                                  parameters = dictionaryDescriptionForDisplay(event.parameters())] {
    if (firstOpen) incrementPreviousFirstOpenCount();
    monitor()->logWithLevel(LogLevel::kDebug, messages::kEventLogged, "Event logged. Event name, event params",
                            Value(displayName), Value(parameters));
  });
  return true;
}

void RawEventWriter::incrementPreviousFirstOpenCount() {
  std::string appID = platform::foundation::Bundle::main()->bundleIdentifier();
  std::int64_t count = 0;
  if (auto stored = KeychainWrapper::keychainValueWithIdentifier("_pfo", appID)) {
    const char* end = stored->data() + stored->size();
    auto [last, failure] = std::from_chars(stored->data(), end, count);
    if (failure != std::errc() || last != end || count < 1) count = 0;
  }
  if (count < std::numeric_limits<std::int64_t>::max()) ++count;
  (void)KeychainWrapper::upsertKeychainValue(std::to_string(count), "_pfo", appID);
}

void RawEventWriter::logFirstOpenConsentedEvent(double timestamp) {
  if (auto persisted = host_.persistedConfig()) persisted->setUnmatchedFirstOpenWithoutIDFA(false);
  auto scheduler = host_.scheduler();
  if (!scheduler) return;
  const EventPipelineHost* host = &host_;
  scheduler->scheduleOnWorkerQueueBlockID("APMMeasurement:895", [host, timestamp] {
    auto event = AnalyticsEvent::create("auto", false, "_fx", timestamp, 0, {});
    if (!event) return;
    event->setRealtime(true);
    host->writeEventOnWorkerQueue(*event);
  });
}

}  // namespace sdk::analytics

