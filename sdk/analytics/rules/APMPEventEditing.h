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

// What the engine does with an editing instance for each event.
#include "sdk/analytics/rules/APMPEditingOutcome.h"  // IWYU pragma: export
