#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Value.h"
#include "sdk/analytics/engine/LoggedEventRouter.h"
#include "sdk/analytics/foundation/AnalyticsEvent.h"
#include "sdk/analytics/foundation/UserAttribute.h"

namespace sdk::analytics {

class Scheduler;

class MeasurementEventPipeline;

// The engine's entry points for events, default event parameters and user properties: each takes
// its arguments from any thread and does its work in order on the worker queue, through the event
// path of the engine's components. Query results reach their callbacks on the background global
// queue. Before the components exist (collection never enabled) the work finds collection off.
class MeasurementEventEntries {
 public:
  using Dictionary = platform::foundation::Dictionary;
  // The engine's event path, or nothing before its components exist. Blocks keep this function,
  // never the engine: it is to reach the engine weakly.
  using PipelineSource = std::function<std::shared_ptr<MeasurementEventPipeline>()>;

  MeasurementEventEntries(std::shared_ptr<Scheduler> scheduler, PipelineSource pipeline);

  void logEvent(const LoggedEvent& event);
  void logEvent(const std::optional<AnalyticsEvent>& event);
  // Nothing clears every default.
  void setDefaultEventParameters(const std::optional<Dictionary>& parameters);
  void setUserAttribute(const std::optional<UserAttribute>& attribute);
  void removeUserAttribute(const std::optional<UserAttribute>& attribute);
  void userAttributeWithName(const std::string& name,
                             std::function<void(const std::optional<UserAttribute>&)> callback);
  void userPropertiesIncludingInternal(bool includingInternal, std::function<void(const Dictionary&)> callback);
  void maxUserPropertiesForOrigin(const std::string& origin, std::function<void(std::int64_t)> callback);

  // From now on work still queued, and any that comes, is dropped without a word: the engine has
  // stopped at the process end, after the work queued before it ran.
  void stop();

 private:
  void schedule(const char* blockID, std::function<void()> work);

  std::shared_ptr<Scheduler> scheduler_;
  PipelineSource pipeline_;
  // Shared with the queued blocks, which may outlive this object.
  std::shared_ptr<std::atomic<bool>> stopped_ = std::make_shared<std::atomic<bool>>(false);
};

}  // namespace sdk::analytics

