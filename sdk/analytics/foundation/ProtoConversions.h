#pragma once

#include <memory>
#include <optional>

#include "sdk/analytics/foundation/AnalyticsEvent.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "sdk/analytics/foundation/UserAttribute.h"

namespace sdk::analytics {

// Records to messages and back. Times travel in milliseconds. Double parameters and item arrays
// have fields of their own, so a stored event reads back as it was written.
std::shared_ptr<ProtoEvent> makeProtoEvent(const AnalyticsEvent& event);
// The event of a stored message: origin from the "_o" parameter when it is a string, else "app";
// not public. Nothing when the stored name is no longer a valid event name.
std::optional<AnalyticsEvent> eventFromProtoEvent(const ProtoEvent& message);

std::shared_ptr<ProtoUserAttribute> makeProtoUserAttribute(const UserAttribute& attribute);
// Nothing when the message has no name or no value.
std::optional<UserAttribute> userAttributeFromProto(const ProtoUserAttribute& message, std::string origin);

std::shared_ptr<ProtoEventParam> makeProtoEventParam(const std::string& name, const AnalyticsValue& value);
std::optional<AnalyticsValue> valueFromProtoEventParam(const NanoMessage& parameter);

}  // namespace sdk::analytics

