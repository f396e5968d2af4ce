#include "sdk/installations/BackoffController.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/foundation/Clock.h"
#include "platform/security/RandomBytes.h"

namespace sdk::installations {

BackoffController::BackoffController(std::function<double()> currentDateProvider)
    : currentDateProvider_(currentDateProvider
                               ? std::move(currentDateProvider)
                               : [] { return platform::foundation::Clock::current()->now(); }) {}

bool BackoffController::isNextRequestAllowed() {
  std::lock_guard lock(mutex_);
  if (!lastEventData_) return true;
  return currentDateProvider_() - lastEventData_->lastEventDate >= lastEventData_->backoffTimeInterval;
}

double BackoffController::secondsUntilNextRequest() {
  std::lock_guard lock(mutex_);
  if (!lastEventData_) return 0;
  return std::max(0.0, lastEventData_->lastEventDate + lastEventData_->backoffTimeInterval - currentDateProvider_());
}

void BackoffController::registerEvent(std::int64_t eventType) {
  std::lock_guard lock(mutex_);
  const std::int64_t count =
      lastEventData_ && lastEventData_->eventType == eventType ? lastEventData_->eventCount + 1 : 1;
  lastEventData_ = EventData{eventType, currentDateProvider_(), count, backoffTimeIntervalWithEvent(eventType, count)};
}

std::optional<BackoffController::EventData> BackoffController::lastEventData() const {
  std::lock_guard lock(mutex_);
  return lastEventData_;
}

double BackoffController::backoffTimeIntervalWithEvent(std::int64_t eventType, std::int64_t eventCount) {
  switch (eventType) {
    case kUnrecoverableError:
      return kUnrecoverableInterval;
    case kRecoverableError:
      return recoverableErrorBackoffTimeForAttemptNumber(eventCount);
    default:
      return 0;
  }
}

double BackoffController::recoverableErrorBackoffTimeForAttemptNumber(std::int64_t attempt) {
  // ldexp saturates to infinity for long runs instead of overflowing an integer.
  const double exponential = std::ldexp(1.0, static_cast<int>(std::clamp<std::int64_t>(attempt, 0, 4096)));
  return std::min(kMaxRecoverableInterval, exponential + randomMilliseconds());
}

double BackoffController::randomMilliseconds() {
  const auto bytes = platform::security::randomBytes(sizeof(std::uint32_t));
  std::uint32_t value = 0;
  std::memcpy(&value, bytes.data(), sizeof value);
  return static_cast<double>(value % 1000) * 0.001;
}

}  // namespace sdk::installations

