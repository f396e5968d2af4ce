#include "sdk/analytics/foundation/AnalyticsEvent.h"

#include "sdk/analytics/foundation/DataTypeValidator.h"
#include "sdk/analytics/foundation/EventParameters.h"
#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NameChecks.h"
#include "sdk/analytics/foundation/ProtoConversions.h"

namespace sdk::analytics {

std::optional<AnalyticsEvent> AnalyticsEvent::create(std::string origin, bool isPublic, std::string name, double timestamp,
                                         double previousTimestamp, Parameters parameters) {
  int failure = 0;
  if (!DataTypeValidator::isValidForwardedEventOrigin(origin, &failure) &&
      (failure != DataTypeValidator::kMissingForwardedSuffix ||
       !DataTypeValidator::isValidInternalEventOrigin(origin, nullptr))) {
    return std::nullopt;
  }
  if (isPublic && !DataTypeValidator::isValidPublicEventName(name, nullptr)) return std::nullopt;
  if (!DataTypeValidator::isValidInternalEventName(name, nullptr)) return std::nullopt;
  if (previousTimestamp > timestamp) {
    Monitor::shared()->logWithLevel(LogLevel::kSilentWarning, messages::kPreviousTimestampAfterCurrent,
                                    "Event created with previous timestamp after current timestamp",
                                    platform::foundation::Value(timestamp),
                                    platform::foundation::Value(previousTimestamp));
  }
  AnalyticsEvent event;
  event.origin_ = std::move(origin);
  event.isPublic_ = isPublic;
  event.name_ = std::move(name);
  event.timestamp_ = timestamp;
  event.previousTimestamp_ = previousTimestamp;
  event.parameters_ = std::move(parameters);
  return event;
}

AnalyticsEvent AnalyticsEvent::copyWithParameters(Parameters parameters) const {
  AnalyticsEvent copy = *this;
  copy.parameters_ = std::move(parameters);
  return copy;
}

AnalyticsEvent AnalyticsEvent::copyWithPreviousTimestamp(double previousTimestamp) const {
  AnalyticsEvent copy = *this;
  copy.previousTimestamp_ = previousTimestamp;
  return copy;
}

void AnalyticsEvent::applyParameters(const platform::foundation::Dictionary& parameters) {
  if (parameters.empty()) return;
  Parameters sanitized = sanitizeEventParameters(parameters, "", true, false);
  // insert() leaves the event's own parameters in place on a clash.
  parameters_.insert(sanitized.begin(), sanitized.end());
}

bool AnalyticsEvent::addScreenParameters(const Parameters& screen) {
  if (hasScreenParameters(parameters_)) return false;
  auto id = screen.find("_si");
  if (id == screen.end() || !id->second.isInt64()) return false;
  auto screenClass = screen.find("_sc");
  if (screenClass != screen.end() && !DataTypeValidator::isValidScreenParameterValue(screenClass->second, nullptr)) {
    Monitor::shared()->logWithLevel(LogLevel::kWarning, messages::kInvalidScreenClassReceived,
                                    "Received invalid screen class", screenClass->second.objectValue());
    return false;
  }
  auto screenName = screen.find("_sn");
  if (screenName != screen.end() && !DataTypeValidator::isValidScreenParameterValue(screenName->second, nullptr)) {
    Monitor::shared()->logWithLevel(LogLevel::kWarning, messages::kInvalidScreenNameReceived,
                                    "Received invalid screen name", screenName->second.objectValue());
    return false;
  }
  parameters_.insert_or_assign("_si", id->second);
  if (screenClass != screen.end()) parameters_.insert_or_assign("_sc", screenClass->second);
  if (screenName != screen.end()) parameters_.insert_or_assign("_sn", screenName->second);
  return true;
}

std::shared_ptr<ProtoEvent> AnalyticsEvent::protoEvent() const { return makeProtoEvent(*this); }

bool AnalyticsEvent::flag(const char* parameter) const {
  auto found = parameters_.find(parameter);
  return found != parameters_.end() && found->second.int64Value() != 0;
}

void AnalyticsEvent::setFlag(const char* parameter, bool on) {
  if (on) {
    parameters_.insert_or_assign(parameter, AnalyticsValue(std::int64_t{1}));
  } else {
    parameters_.erase(parameter);
  }
}

}  // namespace sdk::analytics

