#pragma once

#include <optional>
#include <string>

#include "sdk/analytics/foundation/APMEvent.h"
#include "sdk/analytics/foundation/APMValue.h"

// A user property stored now that takes effect when its trigger event is logged within the trigger
// timeout, and lapses when its time to live runs out. Times are seconds.
struct APMConditionalUserProperty {
  std::string name;
  std::string origin;
  std::optional<APMValue> value;  // nothing means remove
  std::string triggerEventName;   // empty: active at once
  double triggerTimeout = 0;
  double timeToLive = 0;
  std::optional<APMEvent> triggeredEvent;
  std::optional<APMEvent> timedOutEvent;
  std::optional<APMEvent> expiredEvent;
  double creationTimestamp = 0;
  bool active = false;
  double triggeredTimestamp = 0;

  bool isActive() const { return active; }
};
