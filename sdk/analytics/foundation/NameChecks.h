#pragma once

#include <cstdint>
#include <string>

#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/AnalyticsEvent.h"
#include "sdk/analytics/foundation/AnalyticsValue.h"

namespace sdk::analytics {

// A non-empty string that does not start with "_"; anything else answers false (logged).
bool isPublicName(const platform::foundation::Value& name);
bool isErrorEvent(const std::string& eventName);
bool isNotErrorEventName(const std::string& name);
bool isSubscriptionEvent(const AnalyticsEvent& event);
bool isDefaultConversionEventName(const std::string& name);
// Elements over all the event's item-array parameters; the event counts as 1 + this.
std::int64_t eventItemCount(const AnalyticsEvent& event);
bool hasScreenParameters(const Parameters& parameters);

// Texts for log lines only. In debug mode internal names are shown with their public form.
std::string eventNameForDisplay(const std::string& eventName);
std::string userPropertyNameForDisplay(const std::string& name);
std::string dictionaryDescriptionForDisplay(const Parameters& parameters);

}  // namespace sdk::analytics

