#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/SequenceChecker.h"
#include "sdk/analytics/foundation/ConditionalUserProperty.h"
#include "sdk/analytics/foundation/AnalyticsEvent.h"

namespace sdk::analytics {

class MeasurementDatabase;
class Monitor;

class MeasurementHost;

// Sets, clears and lists conditional user properties for other SDKs, and applies their time-outs,
// expiries and triggers to every event the engine handles. All database work runs on the engine's
// worker queue, each operation in one transaction; the controller keeps no state of its own.
class ConditionalUserPropertyController : public std::enable_shared_from_this<ConditionalUserPropertyController> {
 public:
  static constexpr double kMinimumDuration = 0.001;
  static constexpr double kMaximumDuration = 15552000;  // 180 days
  static constexpr double kListTimeout = 30;

  explicit ConditionalUserPropertyController(std::shared_ptr<const sdk::analytics::MeasurementHost> host);

  // The process's controller, over the host the engine installed (made on first use after it). An engine that
  // installs its host anew gets a controller of its own: one works for one engine, on that engine's worker queue.
  static std::shared_ptr<ConditionalUserPropertyController> sharedInstance();
  static void setSharedHost(std::shared_ptr<const sdk::analytics::MeasurementHost> host);

  // --- any thread; asynchronous
  void setConditionalUserProperty(const std::optional<ConditionalUserProperty>& property, const std::string& name);
  void clearConditionalUserPropertyWithClearEvent(const std::optional<AnalyticsEvent>& clearEvent, const std::string& name);
  // Waits for the worker queue (at most kListTimeout seconds on the process clock); on the worker
  // queue itself the query runs inline. Nothing when disabled, on error or after the wait.
  std::optional<std::vector<ConditionalUserProperty>> conditionalUserPropertiesWithNamePrefix(
      const std::optional<std::string>& namePrefix, const std::optional<std::string>& origin);

  // --- worker queue
  // The triggered events to write after `event`; nothing when processing failed and was undone.
  std::optional<std::vector<AnalyticsEvent>> processEventOnWorkerQueue(const std::optional<AnalyticsEvent>& event);
  [[nodiscard]] bool removeTimedOutCUPWithTimedOutEvents(std::vector<AnalyticsEvent>* timedOutEvents);
  [[nodiscard]] bool removeExpiredCUPWithExpiredEvents(std::vector<AnalyticsEvent>* expiredEvents);
  std::optional<std::vector<AnalyticsEvent>> updateConditionalUserPropertiesWithEventNameOnWorkerQueue(
      const std::string& eventName);
  void setConditionalUserPropertyOnWorkerQueue(const std::optional<ConditionalUserProperty>& property);
  void removeConditionalUserPropertyOnWorkerQueue(const std::optional<ConditionalUserProperty>& property);

  // Whether set may store the property (logs the refusal).
  bool isValid(const ConditionalUserProperty& property) const;

 private:
  void schedule(const std::string& blockID, std::function<void(ConditionalUserPropertyController&)> work);
  Monitor& monitor() const;
  std::shared_ptr<MeasurementDatabase> database() const;

  std::shared_ptr<const sdk::analytics::MeasurementHost> host_;
  // Only the engine's worker queue runs the ...OnWorkerQueue functions: a debug run stops on a call from anywhere
  // else.
  platform::foundation::SequenceChecker sequenceChecker_;
};

}  // namespace sdk::analytics

