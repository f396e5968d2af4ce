#include <map>

#include "sdk/analytics/foundation/APMDatabase.h"
#include "sdk/analytics/foundation/APMError.h"
#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNameTables.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPBAudience.h"
#include "sdk/analytics/rules/APMAudience.h"
#include "sdk/analytics/rules/APMNumberFilterEvaluator.h"
#include "sdk/analytics/rules/APMStringFilterEvaluator.h"
#include "sdk/analytics/rules/MeasurementHost.h"

using platform::foundation::Error;
using platform::foundation::Value;

namespace {

// Field indices of the audience messages.
constexpr int kAudienceID = 0, kAudiencePropertyFilters = 1, kAudienceEventFilters = 2;
constexpr int kEventFilterID = 0, kEventFilterName = 1, kEventFilterParameters = 2, kEventFilterCount = 4,
              kEventFilterDynamic = 5, kEventFilterSequence = 6, kEventFilterSessionScoped = 7;
constexpr int kPropertyFilterID = 0, kPropertyFilterName = 1, kPropertyFilterFilter = 2, kPropertyFilterDynamic = 3,
              kPropertyFilterSequence = 4, kPropertyFilterSessionScoped = 5;
constexpr int kFilterString = 0, kFilterNumber = 1, kFilterParameterName = 3;
constexpr int kNumberFilterFloat = 1;

constexpr std::int64_t kAudienceErrorCode = 9, kEventFilterErrorCode = 10, kPropertyFilterErrorCode = 11;

struct Limits {
  std::int64_t filtersPerAudience;
  std::int64_t parametersPerFilter;
};

// The first rule a value filter breaks, or nothing.
std::optional<std::string> valueFilterProblem(const APMPBFilter& filter, bool eventFilter, APMMonitor& monitor) {
  auto number = APMNanoGetMessage<APMPBNumberFilter>(filter, kFilterNumber);
  auto string = APMNanoGetMessage<APMPBStringFilter>(filter, kFilterString);
  const char* owner = eventFilter ? "Event filter" : "Property filter";
  if (static_cast<bool>(number) == static_cast<bool>(string)) {
    return std::string(owner) + " must have exactly one of number or string filter";
  }
  if (number && !sdk::analytics::APMValidateNumberFilter(*number, monitor)) {
    return std::string(owner) + " has invalid number filter";
  }
  if (string && !sdk::analytics::APMValidateStringFilter(*string, monitor)) {
    return std::string(owner) + " has invalid string filter";
  }
  return std::nullopt;
}

// Checks a filter ID against the audience's range and the IDs its other filters took.
std::optional<std::string> filterIDProblem(const APMNanoMessage& filter, int index, const char* kind,
                                           std::set<std::int32_t>& used, const Limits& limits) {
  if (!APMNanoHasField(filter, index)) return std::string("Missing ") + kind + " filter ID";
  std::int32_t id = APMNanoGetInt32(filter, index);
  std::string owner = std::string(kind == std::string("event") ? "Event" : "Property") + " filter ID";
  if (id < 0 || id >= limits.filtersPerAudience) return owner + " is out of range";
  if (!used.insert(id).second) return std::string("Duplicate ") + kind + " filter ID";
  return std::nullopt;
}

std::optional<std::string> eventFilterProblem(const APMPBEventFilter& filter, std::set<std::int32_t>& used,
                                              const Limits& limits, APMMonitor& monitor) {
  auto name = APMNanoGetString(filter, kEventFilterName);
  if (!name || name->empty()) return "Event filter missing event name";
  if (auto problem = filterIDProblem(filter, kEventFilterID, "event", used, limits)) return problem;
  if (auto count = APMNanoGetMessage<APMPBNumberFilter>(filter, kEventFilterCount)) {
    if (APMNanoGetBool(*count, kNumberFilterFloat)) return "Event filter has float event count filter";
    if (!sdk::analytics::APMValidateNumberFilter(*count, monitor)) return "Event filter has invalid event count filter";
  }
  auto parameters = APMNanoGetMessageArray<APMPBFilter>(filter, kEventFilterParameters);
  if (static_cast<std::int64_t>(parameters.size()) > limits.parametersPerFilter) {
    return "Event filter parameters filters count out of range";
  }
  for (const auto& parameter : parameters) {
    auto parameterName = APMNanoGetString(*parameter, kFilterParameterName);
    if (!parameterName || parameterName->empty()) return "Event filter missing parameter name";
    if (auto problem = valueFilterProblem(*parameter, true, monitor)) return problem;
  }
  return std::nullopt;
}

std::optional<std::string> propertyFilterProblem(const APMPBPropertyFilter& filter, std::set<std::int32_t>& used,
                                                 const Limits& limits, APMMonitor& monitor) {
  auto name = APMNanoGetString(filter, kPropertyFilterName);
  if (!name || name->empty()) return "Property filter missing property name";
  if (auto problem = filterIDProblem(filter, kPropertyFilterID, "property", used, limits)) return problem;
  auto valueFilter = APMNanoGetMessage<APMPBFilter>(filter, kPropertyFilterFilter);
  if (!valueFilter) return "Property filter has no filter";
  return valueFilterProblem(*valueFilter, false, monitor);
}

template <typename Message>
void rewriteName(Message& message, int index, const APMNameTable& table) {
  auto name = APMNanoGetString(message, index);
  if (!name) return;
  if (auto internal = table.internalName(*name)) APMNanoSetString(message, index, *internal);
}

}  // namespace

APMAudience::APMAudience(std::shared_ptr<APMDatabase> database,
                         std::shared_ptr<const sdk::analytics::MeasurementHost> host)
    : database_(std::move(database)), host_(std::move(host)), monitor_(host_->monitor()) {}

std::int64_t APMAudience::setting(const char* key, std::int64_t defaultValue, std::int64_t maximum) const {
  return host_->integerSetting(key, defaultValue, 0, maximum);
}

void APMAudience::logFailure(int level, std::int64_t code, const std::string& message, const Error& error) {
  monitor_->logWithLevel(level, code, message, Value(error.localizedDescription()));
}

std::optional<std::string> APMAudience::validate(const APMPBAudience& audience, const std::set<std::int32_t>& accepted,
                                                 std::int64_t& code) const {
  Limits limits{setting("measurement.audience.filter_max_count_per_audience", 10, 100),
                setting("measurement.audience.parameter_max_count_filter", 25, 250)};
  code = kAudienceErrorCode;
  if (!APMNanoHasField(audience, kAudienceID)) return "Missing audience ID";
  std::int32_t id = APMNanoGetInt32(audience, kAudienceID);
  if (id < 0) return "Audience ID is negative";
  if (accepted.contains(id)) return "Duplicate audience ID";
  // The message layer always has both repeated lists, so an audience with neither is caught by the
  // count rule below.
  auto eventFilters = APMNanoGetMessageArray<APMPBEventFilter>(audience, kAudienceEventFilters);
  auto propertyFilters = APMNanoGetMessageArray<APMPBPropertyFilter>(audience, kAudiencePropertyFilters);
  auto count = static_cast<std::int64_t>(eventFilters.size() + propertyFilters.size());
  if (count < 1 || count > limits.filtersPerAudience) return "Audience filter count out of range";
  std::set<std::int32_t> used;
  code = kEventFilterErrorCode;
  for (const auto& filter : eventFilters) {
    if (auto problem = eventFilterProblem(*filter, used, limits, *monitor_)) return problem;
  }
  code = kPropertyFilterErrorCode;
  for (const auto& filter : propertyFilters) {
    if (auto problem = propertyFilterProblem(*filter, used, limits, *monitor_)) return problem;
  }
  return std::nullopt;
}

bool APMAudience::updateAudiences(const std::vector<std::shared_ptr<APMPBAudience>>& audiences) {
  std::int64_t maxAudiences = setting("measurement.audience.max_count", 50, 500);
  if (static_cast<std::int64_t>(audiences.size()) > maxAudiences) {
    monitor_->logWithLevel(2, 6008,
                           "Configuration contains too many audiences. Audiences will not be saved. Audience count",
                           Value(static_cast<std::int64_t>(audiences.size())));
    return true;
  }
  std::set<std::int32_t> accepted;
  std::vector<APMEventFilter> eventFilters;
  std::vector<APMPropertyFilter> propertyFilters;
  for (const auto& audience : audiences) {
    if (!audience) continue;
    std::int64_t code = 0;
    if (auto problem = validate(*audience, accepted, code)) {
      monitor_->logWithLevel(2, 6009, "Audience definition is invalid. Audience will not be saved. Audience, error",
                             sdk::analytics::APMMessageContext(*audience),
                             Value(apm_errorWithCode(code, *problem).description()));
      continue;
    }
    std::int32_t audienceID = APMNanoGetInt32(*audience, kAudienceID);
    accepted.insert(audienceID);
    for (auto& filter : APMNanoGetMessageArray<APMPBEventFilter>(*audience, kAudienceEventFilters)) {
      rewriteName(*filter, kEventFilterName, APMPublicToInternalEventNames());
      auto parameters = APMNanoGetMessageArray<APMPBFilter>(*filter, kEventFilterParameters);
      for (auto& parameter : parameters) {
        rewriteName(*parameter, kFilterParameterName, APMPublicToInternalParameterNames());
      }
      APMNanoSetMessageArray(*filter, kEventFilterParameters, parameters);
      eventFilters.push_back({audienceID, APMNanoGetInt32(*filter, kEventFilterID),
                              *APMNanoGetString(*filter, kEventFilterName), filter->protoBuffer(),
                              APMNanoGetBool(*filter, kEventFilterSessionScoped),
                              APMNanoGetBool(*filter, kEventFilterDynamic),
                              APMNanoGetBool(*filter, kEventFilterSequence)});
    }
    for (auto& filter : APMNanoGetMessageArray<APMPBPropertyFilter>(*audience, kAudiencePropertyFilters)) {
      rewriteName(*filter, kPropertyFilterName, APMReservedUserPropertyNames());
      propertyFilters.push_back({audienceID, APMNanoGetInt32(*filter, kPropertyFilterID),
                                 *APMNanoGetString(*filter, kPropertyFilterName), filter->protoBuffer(),
                                 APMNanoGetBool(*filter, kPropertyFilterSessionScoped),
                                 APMNanoGetBool(*filter, kPropertyFilterDynamic),
                                 APMNanoGetBool(*filter, kPropertyFilterSequence)});
    }
  }
  if (!maybeDeleteStaleFilterResults(accepted)) return false;
  Error error;
  if (!database_->deleteAllEventFilters(&error)) {
    logFailure(1, 6010, "Unable to delete existing Audience event filters. Audiences will not be saved. Error", error);
    return false;
  }
  if (!database_->deleteAllPropertyFilters(&error)) {
    logFailure(1, 6011, "Unable to delete existing Audience user property filters. Audiences will not be saved. Error",
               error);
    return false;
  }
  if (!eventFilters.empty() && !database_->updateEventFilters(eventFilters, &error)) {
    logFailure(1, 6012, "Unable to save Audience event filters. Audiences will not be saved. Error", error);
    return false;
  }
  if (!propertyFilters.empty() && !database_->updatePropertyFilters(propertyFilters, &error)) {
    logFailure(1, 6013, "Unable to save Audience user property filters. Audiences will not be saved. Error", error);
    return false;
  }
  return true;
}

bool APMAudience::maybeDeleteStaleFilterResults(const std::set<std::int32_t>& audienceIDs) {
  Error error;
  auto results = database_->allFilterResults(&error);
  if (!results) {
    logFailure(1, 6015, "Unable to query Audience filter results. Audiences will not be saved. Error", error);
    return false;
  }
  std::int64_t limit = setting("measurement.audience.filter_result_max_count", 200, 2000);
  auto count = static_cast<std::int64_t>(results->size());
  if (count <= limit) return true;
  monitor_->logWithLevel(3, 6016,
                         "Too many Audience filter results. Deleting filter results for deleted Audiences. Filter "
                         "result count, max filter result count",
                         Value(count), Value(limit));
  auto current = database_->allAudienceIDs(&error);
  if (!current) {
    logFailure(1, 6017, "Unable to query current Audience IDs. Audiences will not be saved. Error", error);
    return false;
  }
  for (std::int32_t id : *current) results->erase(id);
  for (std::int32_t id : audienceIDs) results->erase(id);
  if (results->empty()) return true;
  std::vector<APMFilterResult> stale;
  for (auto& [id, result] : *results) stale.push_back(std::move(result));
  if (!database_->deleteFilterResults(stale, &error)) {
    logFailure(1, 6018, "Unable to delete stale Audience filter results. Audiences will not be saved. Error", error);
    return false;
  }
  return true;
}
