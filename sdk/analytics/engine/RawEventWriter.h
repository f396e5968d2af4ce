#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/foundation/SequenceChecker.h"
#include "sdk/analytics/foundation/APMDailyCounts.h"
#include "sdk/analytics/foundation/APMEvent.h"

class APMDatabase;

namespace sdk::analytics {

class EventPipelineHost;

// The last stretch of an event's road, on the worker queue: in one transaction the lifetime value,
// the daily limits, real-time marking and the raw-event write (aggregates row, name cardinality,
// metadata, the absolute storage limit, the insert, the first-open counter). A failed step rolls
// back everything the transaction did, daily counts included.
class RawEventWriter {
 public:
  // `host` is the engine that owns this writer and outlives it.
  RawEventWriter(const EventPipelineHost& host, std::shared_ptr<APMDatabase> database);

  void writeFilteredEventOnWorkerQueue(APMEvent event);

  // The steps of the transaction, each false when it must roll back.
  [[nodiscard]] bool updateLifetimeValueWithEvent(const APMEvent& event);
  // Counts the event into `dailyCounts` (even when it is dropped); true when it may be stored.
  bool shouldProcessEvent(const APMEvent& event, APMDailyCounts& dailyCounts, bool isPublicEvent);
  bool isRealtimeEvent(APMEvent& event, const APMDailyCounts& dailyCounts);
  void maybeAddDebugAndRealtimeParameters(APMEvent& event);
  [[nodiscard]] bool writeEvent(const APMEvent& event, bool isPublicEvent, bool isRealtime);

  // Re-queues a first open that now carries the advertising identifier as "_fx".
  void logFirstOpenConsentedEvent(double timestamp);

  // The day the daily counts belong to: whole days since 1970 shifted by the stored midnight offset.
  std::int64_t currentDayNumber() const;

 private:
  void raiseErrorEvent(std::int64_t code);
  void incrementPreviousFirstOpenCount();

  const EventPipelineHost& host_;
  std::shared_ptr<APMDatabase> database_;
  // Error events raised while the transaction is open wait for its end: they come back as new
  // events and must not write into the transaction that raised them.
  std::vector<std::int64_t> pendingErrorCodes_;
  bool inTransaction_ = false;
  // Only the engine's worker queue runs this: a debug run stops on a call from anywhere else.
  platform::foundation::SequenceChecker sequenceChecker_;
};

}  // namespace sdk::analytics
