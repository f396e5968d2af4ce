#include "sdk/analytics/foundation/NameChecks.h"

#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NameTables.h"

namespace sdk::analytics {

namespace {

std::string withPublicForm(const std::string& name, const NameTable& table) {
  if (name.empty() || name.front() != '_' || !Monitor::shared()->isDebugModeEnabled()) return name;
  auto publicName = table.publicName(name);
  return publicName ? *publicName + " (" + name + ")" : name;
}

}  // namespace

bool isPublicName(const platform::foundation::Value& name) {
  if (!name.isString()) {
    Monitor::shared()->logWithLevel(LogLevel::kSilentError, messages::kNameToCheckNotString,
                                    "Cannot check the name. Name is not a string");
    return false;
  }
  if (name.string()->empty()) {
    Monitor::shared()->logWithLevel(LogLevel::kSilentError, messages::kNameToCheckEmpty,
                                    "Cannot check the name. Name is empty");
    return false;
  }
  return name.string()->front() != '_';
}

bool isErrorEvent(const std::string& eventName) {
  if (eventName.empty()) {
    Monitor::shared()->logWithLevel(LogLevel::kSilentError, messages::kEventNameToCheckEmpty,
                                    "Cannot check the event name. Name is empty");
    return false;
  }
  return eventName == "_err";
}

bool isNotErrorEventName(const std::string& name) { return name != "_err"; }

bool isSubscriptionEvent(const AnalyticsEvent& event) {
  if (event.name() == "_assc" || event.name() == "_assr") return true;
  if (event.name() != "_iap") return false;
  auto subscription = event.parameters().find("subscription");
  return subscription != event.parameters().end() && subscription->second.isInt64() &&
         subscription->second.int64Value() == 1;
}

bool isDefaultConversionEventName(const std::string& name) {
  return name == "ecommerce_purchase" || name == "_f" || name == "_iap" || name == "purchase" || name == "refund";
}

std::int64_t eventItemCount(const AnalyticsEvent& event) {
  std::int64_t count = 0;
  for (const auto& [_, value] : event.parameters()) {
    if (value.isItemArray()) count += static_cast<std::int64_t>(value.items().size());
  }
  return count;
}

bool hasScreenParameters(const Parameters& parameters) {
  return parameters.count("_si") || parameters.count("_sc") || parameters.count("_sn");
}

std::string eventNameForDisplay(const std::string& eventName) {
  return withPublicForm(eventName, publicToInternalEventNames());
}

std::string userPropertyNameForDisplay(const std::string& name) {
  if (name.starts_with("_exp_")) return "experiment_id (" + name + ")";
  return withPublicForm(name, reservedUserPropertyNames());
}

std::string dictionaryDescriptionForDisplay(const Parameters& parameters) {
  std::string text = "{";
  for (const auto& [name, value] : parameters) {
    if (text.size() > 1) text += ", ";
    text += withPublicForm(name, publicToInternalParameterNames()) + "=" + value.description();
  }
  return text + "}";
}

}  // namespace sdk::analytics

