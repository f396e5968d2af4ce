#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "sdk/analytics/foundation/AnalyticsEvent.h"
#include "sdk/analytics/foundation/ProtoProgramMessages.h"
#include "sdk/analytics/rules/EditingCallbackHandler.h"
#include "sdk/analytics/rules/ScriptRuntime.h"
#include "sdk/analytics/rules/MeasurementHost.h"

namespace sdk::analytics {

// A loaded event-editing program and the callbacks it registered; handles one event at a time on
// the worker queue.
class EventEditing {
 public:
  explicit EventEditing(std::shared_ptr<const sdk::analytics::MeasurementHost> host = nullptr,
                            const ScriptLimits& limits = {});
  // The callbacks close over the runtime's scopes and the runtime's modules hold the handler: the
  // callbacks go first, so the runtime can collect the rest.
  ~EventEditing() { handler_->clear(); }
  EventEditing(const EventEditing&) = delete;
  EventEditing& operator=(const EventEditing&) = delete;

  void setModuleCreator(const ScriptModuleCreator& creator, const std::u16string& name) {
    runtime_.setModuleCreator(creator, name);
  }
  ErrorOr<void> loadProgram(const ProtoProgram& program);
  // True when the output event differs from the input or events were created.
  ErrorOr<bool> handleEvent(const EditingEvent& event);
  bool hasEdits() const { return !context_->outputEvent().isEqualToEvent(context_->inputEvent()); }
  bool hasCreatedEvents() const { return !context_->eventsToLog().empty(); }
  const EditingEventContext& eventContext() const { return *context_; }
  const EditingCallbackHandler& callbackHandler() const { return *handler_; }
  ScriptRuntime& runtime() { return runtime_; }

  // Beside the script log's own code, so a console line (never the monitoring data the server gets,
  // which carries only the library's own codes) tells of the events dropped past the cap.
  static constexpr std::int64_t kSurplusEventsCode = 24006;
  // The setting that switches editing, and its one default: wherever it is read, a configuration
  // that leaves it out edits.
  static constexpr const char* kSwitchKey = "measurement.ees_feature_enabled";
  static constexpr bool kSwitchDefault = true;

 private:
  ErrorOr<void> load(const ProtoProgram& program);

  std::shared_ptr<const sdk::analytics::MeasurementHost> host_;
  ScriptRuntime runtime_;
  std::shared_ptr<EditingEventContext> context_ = std::make_shared<EditingEventContext>();
  std::shared_ptr<EditingCallbackHandler> handler_ = std::make_shared<EditingCallbackHandler>();
  std::shared_ptr<std::int64_t> droppedEvents_ = std::make_shared<std::int64_t>(0);
};

// What the engine does with an editing instance for each event.

}  // namespace sdk::analytics

#include "sdk/analytics/rules/EditingOutcome.h"  // IWYU pragma: export
