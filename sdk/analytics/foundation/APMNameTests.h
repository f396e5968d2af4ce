#pragma once

#include <cstdint>
#include <string>

#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/APMEvent.h"
#include "sdk/analytics/foundation/APMValue.h"

// A non-empty string that does not start with "_"; anything else answers false (logged).
bool APMIsPublicName(const platform::foundation::Value& name);
bool APMIsErrorEvent(const std::string& eventName);
bool APMIsNotErrorEventName(const std::string& name);
bool APMIsSubscriptionEvent(const APMEvent& event);
bool APMIsDefaultConversionEventName(const std::string& name);
// Elements over all the event's item-array parameters; the event counts as 1 + this.
std::int64_t APMEventItemCount(const APMEvent& event);
bool APMHasScreenParameters(const APMParameters& parameters);

// Texts for log lines only. In debug mode internal names are shown with their public form.
std::string APMEventNameForDisplay(const std::string& eventName);
std::string APMUserPropertyNameForDisplay(const std::string& name);
std::string APMDictionaryDescriptionForDisplay(const APMParameters& parameters);
