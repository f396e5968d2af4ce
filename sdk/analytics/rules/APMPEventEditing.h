#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "sdk/analytics/foundation/APMEvent.h"
#include "sdk/analytics/foundation/APMPBProgram.h"
#include "sdk/analytics/rules/APMPEditingCallbackHandler.h"
#include "sdk/analytics/rules/APMPRuntime.h"
#include "sdk/analytics/rules/MeasurementHost.h"

// A loaded event-editing program and the callbacks it registered; handles one event at a time on
// the worker queue.
class APMPEventEditing {
 public:
  explicit APMPEventEditing(std::shared_ptr<const sdk::analytics::MeasurementHost> host = nullptr,
                            const APMPLimits& limits = {});
  // The callbacks close over the runtime's scopes and the runtime's modules hold the handler: the
  // callbacks go first, so the runtime can collect the rest.
  ~APMPEventEditing() { handler_->clear(); }
  APMPEventEditing(const APMPEventEditing&) = delete;
  APMPEventEditing& operator=(const APMPEventEditing&) = delete;

  void setModuleCreator(const APMPModuleCreator& creator, const std::u16string& name) {
    runtime_.setModuleCreator(creator, name);
  }
  [[nodiscard]] bool loadProgram(const APMPBProgram& program, APMPError& error);
  // True when the output event differs from the input or events were created.
  [[nodiscard]] bool handleEvent(const APMPEvent& event, APMPError& error);
  bool hasEdits() const { return !context_->outputEvent().isEqualToEvent(context_->inputEvent()); }
  bool hasCreatedEvents() const { return !context_->eventsToLog().empty(); }
  const APMPEventContext& eventContext() const { return *context_; }
  const APMPEditingCallbackHandler& callbackHandler() const { return *handler_; }
  APMPRuntime& runtime() { return runtime_; }

  static constexpr std::int64_t kSurplusEventsCode = 24006;

 private:
  std::shared_ptr<const sdk::analytics::MeasurementHost> host_;
  APMPRuntime runtime_;
  std::shared_ptr<APMPEventContext> context_ = std::make_shared<APMPEventContext>();
  std::shared_ptr<APMPEditingCallbackHandler> handler_ = std::make_shared<APMPEditingCallbackHandler>();
  std::shared_ptr<std::int64_t> droppedEvents_ = std::make_shared<std::int64_t>(0);
};

// The analytics event as an editing event: its public name when it has one, same time and
// parameters.
APMPEvent APMPEditEventFromEvent(const APMEvent& event);
// An editing event as an analytics event, built through the event's own validation: the internal
// name when one exists, origin from "_o" (else "app"), not public, sanitised parameters. Nothing
// when it cannot be built.
std::optional<APMEvent> APMPEventFromEditEvent(const APMPEvent& event);

// What the engine writes for one logged event: the event (edited, or as logged when editing failed)
// and the events created from it.
struct APMPEditingOutcome {
  APMEvent event;
  std::vector<APMEvent> createdEvents;
};
// Runs `editing` (when there is one) over `event`. A failure, including an edited event that cannot be
// built, logs 23223 and keeps the event as logged; created events that cannot be built are dropped with
// a log line.
APMPEditingOutcome APMPApplyEventEditing(APMPEventEditing* editing, const APMEvent& event,
                                         const sdk::analytics::MeasurementHost& host);
