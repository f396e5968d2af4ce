#include "sdk/analytics/foundation/APMNameTests.h"

#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNameTables.h"

namespace {

std::string withPublicForm(const std::string& name, const APMNameTable& table) {
  if (name.empty() || name.front() != '_' || !APMMonitor::shared()->isDebugModeEnabled()) return name;
  auto publicName = table.publicName(name);
  return publicName ? *publicName + " (" + name + ")" : name;
}

}  // namespace

bool APMIsPublicName(const platform::foundation::Value& name) {
  if (!name.isString()) {
    APMMonitor::shared()->logWithLevel(2, 18002, "Cannot check the name. Name is not a string");
    return false;
  }
  if (name.string()->empty()) {
    APMMonitor::shared()->logWithLevel(2, 18003, "Cannot check the name. Name is empty");
    return false;
  }
  return name.string()->front() != '_';
}

bool APMIsErrorEvent(const std::string& eventName) {
  if (eventName.empty()) {
    APMMonitor::shared()->logWithLevel(2, 18004, "Cannot check the event name. Name is empty");
    return false;
  }
  return eventName == "_err";
}

bool APMIsNotErrorEventName(const std::string& name) { return name != "_err"; }

bool APMIsSubscriptionEvent(const APMEvent& event) {
  if (event.name() == "_assc" || event.name() == "_assr") return true;
  if (event.name() != "_iap") return false;
  auto subscription = event.parameters().find("subscription");
  return subscription != event.parameters().end() && subscription->second.isInt64() &&
         subscription->second.int64Value() == 1;
}

bool APMIsDefaultConversionEventName(const std::string& name) {
  return name == "ecommerce_purchase" || name == "_f" || name == "_iap" || name == "purchase" || name == "refund";
}

std::int64_t APMEventItemCount(const APMEvent& event) {
  std::int64_t count = 0;
  for (const auto& [_, value] : event.parameters()) {
    if (value.isItemArray()) count += static_cast<std::int64_t>(value.items().size());
  }
  return count;
}

bool APMHasScreenParameters(const APMParameters& parameters) {
  return parameters.count("_si") || parameters.count("_sc") || parameters.count("_sn");
}

std::string APMEventNameForDisplay(const std::string& eventName) {
  return withPublicForm(eventName, APMPublicToInternalEventNames());
}

std::string APMUserPropertyNameForDisplay(const std::string& name) {
  if (name.starts_with("_exp_")) return "experiment_id (" + name + ")";
  return withPublicForm(name, APMReservedUserPropertyNames());
}

std::string APMDictionaryDescriptionForDisplay(const APMParameters& parameters) {
  std::string text = "{";
  for (const auto& [name, value] : parameters) {
    if (text.size() > 1) text += ", ";
    text += withPublicForm(name, APMPublicToInternalParameterNames()) + "=" + value.description();
  }
  return text + "}";
}
