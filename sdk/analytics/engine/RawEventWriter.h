#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/foundation/SequenceChecker.h"
#include "sdk/analytics/foundation/DailyCounts.h"
#include "sdk/analytics/foundation/AnalyticsEvent.h"

namespace sdk::analytics {

class MeasurementDatabase;

class EventPipelineHost;

// The last stretch of an event's road, on the worker queue: in one transaction the lifetime value,
// the daily limits, real-time marking and the raw-event write (aggregates row, name cardinality,
// metadata, the absolute storage limit, the insert, the first-open counter). A failed step rolls
// back everything the transaction did, daily counts included.
class RawEventWriter {
 public:
  // `host` is the engine that owns this writer and outlives it.
  RawEventWriter(const EventPipelineHost& host, std::shared_ptr<MeasurementDatabase> database);

  void writeFilteredEventOnWorkerQueue(AnalyticsEvent event);

  // The steps of the transaction, each false when it must roll back.
  [[nodiscard]] bool updateLifetimeValueWithEvent(const AnalyticsEvent& event);
  // Counts the event into `dailyCounts` (even when it is dropped); true when it may be stored.
  bool shouldProcessEvent(const AnalyticsEvent& event, DailyCounts& dailyCounts, bool isPublicEvent);
  bool isRealtimeEvent(AnalyticsEvent& event, const DailyCounts& dailyCounts);
  void maybeAddDebugAndRealtimeParameters(AnalyticsEvent& event);
  [[nodiscard]] bool writeEvent(const AnalyticsEvent& event, bool isPublicEvent, bool isRealtime);

  // Re-queues a first open that now carries the advertising identifier as "_fx".
  void logFirstOpenConsentedEvent(double timestamp);

  // The day the daily counts belong to: whole days since 1970 shifted by the stored midnight offset.
  std::int64_t currentDayNumber() const;

 private:
  void raiseErrorEvent(std::int64_t code);
  void flushAfterQueuedWork();
  static void incrementPreviousFirstOpenCount();

  const EventPipelineHost& host_;
  std::shared_ptr<MeasurementDatabase> database_;
  // Error events raised while the transaction is open wait for its end: they come back as new
  // events and must not write into the transaction that raised them.
  std::vector<std::int64_t> pendingErrorCodes_;
  // A flush of the events' commits is queued behind the work waiting on this queue.
  std::shared_ptr<std::atomic<bool>> flushQueued_ = std::make_shared<std::atomic<bool>>(false);
  bool inTransaction_ = false;
  // Only the engine's worker queue runs this: a debug run stops on a call from anywhere else.
  platform::foundation::SequenceChecker sequenceChecker_;
};

}  // namespace sdk::analytics

