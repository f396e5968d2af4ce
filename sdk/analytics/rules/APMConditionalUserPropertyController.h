#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sdk/analytics/foundation/APMConditionalUserProperty.h"
#include "sdk/analytics/foundation/APMEvent.h"

class APMDatabase;
class APMMonitor;

namespace sdk::analytics {
class MeasurementHost;
}

// Sets, clears and lists conditional user properties for other SDKs, and applies their time-outs,
// expiries and triggers to every event the engine handles. All database work runs on the engine's
// worker queue, each operation in one transaction; the controller keeps no state of its own.
class APMConditionalUserPropertyController : public std::enable_shared_from_this<APMConditionalUserPropertyController> {
 public:
  static constexpr double kMinimumDuration = 0.001;
  static constexpr double kMaximumDuration = 15552000;  // 180 days
  static constexpr double kListTimeout = 30;

  explicit APMConditionalUserPropertyController(std::shared_ptr<const sdk::analytics::MeasurementHost> host);

  // The process's controller, over the host the engine installed (made once, on first use after it).
  static std::shared_ptr<APMConditionalUserPropertyController> sharedInstance();
  static void setSharedHost(std::shared_ptr<const sdk::analytics::MeasurementHost> host);

  // --- any thread; asynchronous
  void setConditionalUserProperty(const std::optional<APMConditionalUserProperty>& property, const std::string& name);
  void clearConditionalUserPropertyWithClearEvent(const std::optional<APMEvent>& clearEvent, const std::string& name);
  // Waits for the worker queue (at most kListTimeout seconds on the process clock); on the worker
  // queue itself the query runs inline. Nothing when disabled, on error or after the wait.
  std::optional<std::vector<APMConditionalUserProperty>> conditionalUserPropertiesWithNamePrefix(
      const std::optional<std::string>& namePrefix, const std::optional<std::string>& origin);

  // --- worker queue
  // The triggered events to write after `event`; nothing when processing failed and was undone.
  std::optional<std::vector<APMEvent>> processEventOnWorkerQueue(const std::optional<APMEvent>& event);
  [[nodiscard]] bool removeTimedOutCUPWithTimedOutEvents(std::vector<APMEvent>* timedOutEvents);
  [[nodiscard]] bool removeExpiredCUPWithExpiredEvents(std::vector<APMEvent>* expiredEvents);
  std::optional<std::vector<APMEvent>> updateConditionalUserPropertiesWithEventNameOnWorkerQueue(
      const std::string& eventName);
  void setConditionalUserPropertyOnWorkerQueue(const std::optional<APMConditionalUserProperty>& property);
  void removeConditionalUserPropertyOnWorkerQueue(const std::optional<APMConditionalUserProperty>& property);

  // Whether set may store the property (logs the refusal).
  bool isValid(const APMConditionalUserProperty& property) const;

 private:
  void schedule(const std::string& blockID, std::function<void(APMConditionalUserPropertyController&)> work);
  APMMonitor& monitor() const;
  std::shared_ptr<APMDatabase> database() const;

  std::shared_ptr<const sdk::analytics::MeasurementHost> host_;
};

// The names under which the analytics connector uses the two classes.
using VURAConditionalUserProperty = APMConditionalUserProperty;
using VURAConditionalUserPropertyController = APMConditionalUserPropertyController;
