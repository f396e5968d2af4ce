#pragma once

#include <memory>
#include <optional>

#include "sdk/analytics/foundation/APMEvent.h"
#include "sdk/analytics/foundation/APMPBMeasurement.h"
#include "sdk/analytics/foundation/APMUserAttribute.h"

// Records to messages and back. Times travel in milliseconds. Double parameters and item arrays
// have fields of their own, so a stored event reads back as it was written.
std::shared_ptr<APMPBEvent> APMProtoEvent(const APMEvent& event);
// The event of a stored message: origin from the "_o" parameter when it is a string, else "app";
// not public. Nothing when the stored name is no longer a valid event name.
std::optional<APMEvent> APMEventFromProtoEvent(const APMPBEvent& message);

std::shared_ptr<APMPBUserAttribute> APMProtoUserAttribute(const APMUserAttribute& attribute);
// Nothing when the message has no name or no value.
std::optional<APMUserAttribute> APMUserAttributeFromProto(const APMPBUserAttribute& message, std::string origin);

std::shared_ptr<APMPBEventParam> APMProtoEventParam(const std::string& name, const APMValue& value);
std::optional<APMValue> APMValueFromProtoEventParam(const APMNanoMessage& parameter);
