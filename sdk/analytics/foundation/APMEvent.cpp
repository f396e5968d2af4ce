#include "sdk/analytics/foundation/APMEvent.h"

#include "sdk/analytics/foundation/APMDataTypeValidator.h"
#include "sdk/analytics/foundation/APMEventParameters.h"
#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNameTests.h"
#include "sdk/analytics/foundation/APMProtoConversions.h"

std::optional<APMEvent> APMEvent::create(std::string origin, bool isPublic, std::string name, double timestamp,
                                         double previousTimestamp, APMParameters parameters) {
  int failure = 0;
  if (!APMDataTypeValidator::isValidForwardedEventOrigin(origin, &failure) &&
      (failure != APMDataTypeValidator::kMissingForwardedSuffix ||
       !APMDataTypeValidator::isValidInternalEventOrigin(origin, nullptr))) {
    return std::nullopt;
  }
  if (isPublic && !APMDataTypeValidator::isValidPublicEventName(name, nullptr)) return std::nullopt;
  if (!APMDataTypeValidator::isValidInternalEventName(name, nullptr)) return std::nullopt;
  if (previousTimestamp > timestamp) {
    APMMonitor::shared()->logWithLevel(5, 16002, "Event created with previous timestamp after current timestamp",
                                       platform::foundation::Value(timestamp),
                                       platform::foundation::Value(previousTimestamp));
  }
  APMEvent event;
  event.origin_ = std::move(origin);
  event.isPublic_ = isPublic;
  event.name_ = std::move(name);
  event.timestamp_ = timestamp;
  event.previousTimestamp_ = previousTimestamp;
  event.parameters_ = std::move(parameters);
  return event;
}

APMEvent APMEvent::copyWithParameters(APMParameters parameters) const {
  APMEvent copy = *this;
  copy.parameters_ = std::move(parameters);
  return copy;
}

APMEvent APMEvent::copyWithPreviousTimestamp(double previousTimestamp) const {
  APMEvent copy = *this;
  copy.previousTimestamp_ = previousTimestamp;
  return copy;
}

void APMEvent::applyParameters(const platform::foundation::Dictionary& parameters) {
  if (parameters.empty()) return;
  APMParameters sanitized = APMSanitizeEventParameters(parameters, "", true, false);
  // insert() leaves the event's own parameters in place on a clash.
  parameters_.insert(sanitized.begin(), sanitized.end());
}

bool APMEvent::addScreenParameters(const APMParameters& screen) {
  if (APMHasScreenParameters(parameters_)) return false;
  auto id = screen.find("_si");
  if (id == screen.end() || !id->second.isInt64()) return false;
  auto screenClass = screen.find("_sc");
  if (screenClass != screen.end() && !APMDataTypeValidator::isValidScreenParameterValue(screenClass->second, nullptr)) {
    APMMonitor::shared()->logWithLevel(3, 16003, "Received invalid screen class", screenClass->second.objectValue());
    return false;
  }
  auto screenName = screen.find("_sn");
  if (screenName != screen.end() && !APMDataTypeValidator::isValidScreenParameterValue(screenName->second, nullptr)) {
    APMMonitor::shared()->logWithLevel(3, 16004, "Received invalid screen name", screenName->second.objectValue());
    return false;
  }
  parameters_.insert_or_assign("_si", id->second);
  if (screenClass != screen.end()) parameters_.insert_or_assign("_sc", screenClass->second);
  if (screenName != screen.end()) parameters_.insert_or_assign("_sn", screenName->second);
  return true;
}

std::shared_ptr<APMPBEvent> APMEvent::protoEvent() const { return APMProtoEvent(*this); }

bool APMEvent::flag(const char* parameter) const {
  auto found = parameters_.find(parameter);
  return found != parameters_.end() && found->second.int64Value() != 0;
}

void APMEvent::setFlag(const char* parameter, bool on) {
  if (on) {
    parameters_.insert_or_assign(parameter, APMValue(std::int64_t{1}));
  } else {
    parameters_.erase(parameter);
  }
}
