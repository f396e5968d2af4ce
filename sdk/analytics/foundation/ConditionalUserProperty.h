#pragma once

#include <optional>
#include <string>

#include "sdk/analytics/foundation/AnalyticsEvent.h"
#include "sdk/analytics/foundation/AnalyticsValue.h"

namespace sdk::analytics {

// A user property stored now that takes effect when its trigger event is logged within the trigger
// timeout, and lapses when its time to live runs out. Times are seconds.
struct ConditionalUserProperty {
  std::string name;
  std::string origin;
  std::optional<AnalyticsValue> value;  // nothing means remove
  std::string triggerEventName;   // empty: active at once
  double triggerTimeout = 0;
  double timeToLive = 0;
  std::optional<AnalyticsEvent> triggeredEvent;
  std::optional<AnalyticsEvent> timedOutEvent;
  std::optional<AnalyticsEvent> expiredEvent;
  double creationTimestamp = 0;
  bool active = false;
  double triggeredTimestamp = 0;

  bool isActive() const { return active; }
};

}  // namespace sdk::analytics

