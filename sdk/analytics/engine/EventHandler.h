#pragma once

#include <memory>
#include <optional>

#include "platform/foundation/SequenceChecker.h"
#include "sdk/analytics/engine/RawEventWriter.h"
#include "sdk/analytics/foundation/AnalyticsEvent.h"

namespace sdk::analytics {

class ConditionalUserPropertyController;
class EventPipelineHost;
class MeasurementDatabase;
class UploadScheduling;

// The engine's road from a built event to the raw-event writer, on the worker queue: the safelist,
// background session extension and expiry, subscription de-duplication, conditional user
// properties, feature-rollout de-duplication, the block list and event editing. Every event that
// gets past the early filters ends with the upload schedule brought up to date, by the uploader.
class EventHandler {
 public:
  // `host` is the event path that owns this handler and outlives it; `uploads` keeps the upload
  // schedule (none: nothing is scheduled).
  EventHandler(const EventPipelineHost& host, std::shared_ptr<MeasurementDatabase> database,
               std::shared_ptr<ConditionalUserPropertyController> conditionalUserProperties,
               std::shared_ptr<UploadScheduling> uploads);

  // Events the engine makes itself: default parameters first (not for "_err"), then the listeners.
  void handleInternalEventOnWorkerQueue(AnalyticsEvent event);
  // `editable` false: an error event about what editing made, written without editing (see
  // EditingOutputScope).
  void handleEventOnWorkerQueue(const AnalyticsEvent& event, bool editable = true);
  // The block list, event editing (when `editable`), then the filtered write of the event and of what
  // editing made.
  void writeEventOnWorkerQueue(const AnalyticsEvent& event, bool editable = true);

  // The steps of handling.
  std::optional<AnalyticsEvent> eventAfterSafelistingEvent(const AnalyticsEvent& event) const;
  void processSessionFromEvent(const AnalyticsEvent& event);
  // False when the event must be dropped.
  [[nodiscard]] bool dedupeSubscriptionEvent(const AnalyticsEvent& event);
  bool shouldDropDuplicatedSessionStartWithRolloutEvent(const AnalyticsEvent& event);
  AnalyticsEvent appExceptionEventWithFeatureRollouts(const AnalyticsEvent& event) const;
  void writeSessionStartEventOnWorkerQueue(const AnalyticsEvent& event);

  RawEventWriter& writer() { return writer_; }

 private:
  // The stored feature-rollouts text, when there is one.
  std::optional<std::string> storedFeatureRollouts() const;

  const EventPipelineHost& host_;
  std::shared_ptr<MeasurementDatabase> database_;
  std::shared_ptr<ConditionalUserPropertyController> conditionalUserProperties_;
  std::shared_ptr<UploadScheduling> uploads_;
  RawEventWriter writer_;
  // Only the engine's worker queue runs this: a debug run stops on a call from anywhere else.
  platform::foundation::SequenceChecker sequenceChecker_;
};

}  // namespace sdk::analytics

