#include "sdk/analytics/rules/AudienceDefinitions.h"

#include <map>

#include "sdk/analytics/foundation/AudienceFieldIndices.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/MeasurementError.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NameTables.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/rules/AudienceEvaluationBudget.h"
#include "sdk/analytics/rules/AudienceValidation.h"
#include "sdk/analytics/rules/MeasurementHost.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"

namespace sdk::analytics {

using platform::foundation::Error;
using platform::foundation::Value;

namespace {

using namespace sdk::analytics::audience_fields;

// Log contexts are cut short, so the error goes in as code and text only.
std::string compactError(const Error& error) {
  return "error " + std::to_string(error.code) + " \"" + error.localizedDescription() + "\"";
}

template <typename Message>
void rewriteName(Message& message, int index, const NameTable& table) {
  auto name = nanoGetString(message, index);
  if (!name) return;
  if (auto internal = table.internalName(*name)) nanoSetString(message, index, *internal);
}

}  // namespace

AudienceDefinitions::AudienceDefinitions(std::shared_ptr<MeasurementDatabase> database,
                                         std::shared_ptr<const MeasurementHost> host)
    : database_(std::move(database)), host_(std::move(host)), monitor_(host_->monitor()) {}

std::int64_t AudienceDefinitions::setting(const char* key, std::int64_t defaultValue, std::int64_t maximum) const {
  return host_->integerSetting(key, defaultValue, 0, maximum);
}

void AudienceDefinitions::logFailure(LogLevel level, std::int64_t code, const std::string& message, const Error& error) {
  monitor_->logWithLevel(level, code, message, Value(error.localizedDescription()));
}

bool AudienceDefinitions::updateAudiences(const std::vector<std::shared_ptr<ProtoAudience>>& audiences) {
  std::int64_t maxAudiences = setting("measurement.audience.max_count", 50, 500);
  if (static_cast<std::int64_t>(audiences.size()) > maxAudiences) {
    monitor_->logWithLevel(LogLevel::kSilentError, messages::kTooManyAudiences,
                           "Configuration contains too many audiences. Audiences will not be saved. Audience count",
                           Value(static_cast<std::int64_t>(audiences.size())));
    return true;
  }
  const Filters filters = validFilters(audiences);
  if (!maybeDeleteStaleFilterResults(filters.accepted)) return false;
  return replaceStoredFilters(filters);
}

AudienceDefinitions::Filters AudienceDefinitions::validFilters(
    const std::vector<std::shared_ptr<ProtoAudience>>& audiences) {
  sdk::analytics::AudienceLimits limits{setting("measurement.audience.filter_max_count_per_audience", 10, 100),
                                           setting("measurement.audience.parameter_max_count_filter", 25, 250)};
  Filters filters;
  // Compiling the patterns of a configuration has a budget of its own, besides each pattern's, so
  // that no number of patterns holds the worker longer.
  AudienceEvaluationBudget budget;
  for (const auto& audience : audiences) {
    if (!audience) continue;
    if (auto valid = sdk::analytics::validateAudience(*audience, filters.accepted, limits, *monitor_, &budget); !valid.ok()) {
      monitor_->logWithLevel(LogLevel::kSilentError, messages::kAudienceDefinitionInvalid, "Audience definition is invalid. Audience will not be saved. Audience, error",
                             nanoHasField(*audience, kAudienceID) ? Value(nanoGetInt32(*audience, kAudienceID))
                                                                     : Value(),
                             Value(compactError(valid.error())));
      continue;
    }
    std::int32_t audienceID = nanoGetInt32(*audience, kAudienceID);
    filters.accepted.insert(audienceID);
    for (auto& filter : nanoGetMessageArray<ProtoEventFilter>(*audience, kAudienceEventFilters)) {
      rewriteName(*filter, kEventFilterName, publicToInternalEventNames());
      auto parameters = nanoGetMessageArray<ProtoFilter>(*filter, kEventFilterParameters);
      for (auto& parameter : parameters) {
        rewriteName(*parameter, kFilterParameterName, publicToInternalParameterNames());
      }
      nanoSetMessageArray(*filter, kEventFilterParameters, parameters);
      filters.events.push_back({audienceID, nanoGetInt32(*filter, kEventFilterID),
                                *nanoGetString(*filter, kEventFilterName), filter->protoBuffer(),
                                nanoGetBool(*filter, kEventFilterSessionScoped),
                                nanoGetBool(*filter, kEventFilterDynamic),
                                nanoGetBool(*filter, kEventFilterSequence)});
    }
    for (auto& filter : nanoGetMessageArray<ProtoPropertyFilter>(*audience, kAudiencePropertyFilters)) {
      rewriteName(*filter, kPropertyFilterName, reservedUserPropertyNames());
      filters.properties.push_back({audienceID, nanoGetInt32(*filter, kPropertyFilterID),
                                    *nanoGetString(*filter, kPropertyFilterName), filter->protoBuffer(),
                                    nanoGetBool(*filter, kPropertyFilterSessionScoped),
                                    nanoGetBool(*filter, kPropertyFilterDynamic),
                                    nanoGetBool(*filter, kPropertyFilterSequence)});
    }
  }
  return filters;
}

bool AudienceDefinitions::replaceStoredFilters(const Filters& filters) {
  if (auto result = database_->deleteAllEventFilters(); !result) {
    logFailure(LogLevel::kMonitoredError, messages::kEventFiltersDeleteFailed,
               "Unable to delete existing Audience event filters. Audiences will not be saved. Error", result.error());
    return false;
  }
  if (auto result = database_->deleteAllPropertyFilters(); !result) {
    logFailure(LogLevel::kMonitoredError, messages::kPropertyFiltersDeleteFailed,
               "Unable to delete existing Audience user property filters. Audiences will not be saved. Error",
               result.error());
    return false;
  }
  if (auto result = filters.events.empty() ? MeasurementDatabase::ErrorOr<void>()
                                           : database_->updateEventFilters(filters.events);
      !result) {
    logFailure(LogLevel::kMonitoredError, messages::kEventFiltersSaveFailed,
               "Unable to save Audience event filters. Audiences will not be saved. Error", result.error());
    return false;
  }
  if (auto result = filters.properties.empty() ? MeasurementDatabase::ErrorOr<void>()
                                               : database_->updatePropertyFilters(filters.properties);
      !result) {
    logFailure(LogLevel::kMonitoredError, messages::kPropertyFiltersSaveFailed,
               "Unable to save Audience user property filters. Audiences will not be saved. Error", result.error());
    return false;
  }
  return true;
}

bool AudienceDefinitions::maybeDeleteStaleFilterResults(const std::set<std::int32_t>& audienceIDs) {
  auto results = database_->allFilterResults();
  if (!results) {
    logFailure(LogLevel::kMonitoredError, messages::kFilterResultsQueryFailedOnSave,
               "Unable to query Audience filter results. Audiences will not be saved. Error", results.error());
    return false;
  }
  std::int64_t limit = setting("measurement.audience.filter_result_max_count", 200, 2000);
  auto count = static_cast<std::int64_t>(results->size());
  if (count <= limit) return true;
  monitor_->logWithLevel(LogLevel::kWarning, messages::kTooManyFilterResults,
                         "Too many Audience filter results. Deleting filter results for deleted Audiences. Filter "
                         "result count, max filter result count",
                         Value(count), Value(limit));
  auto current = database_->allAudienceIDs();
  if (!current) {
    logFailure(LogLevel::kMonitoredError, messages::kAudienceIdsQueryFailed,
               "Unable to query current Audience IDs. Audiences will not be saved. Error", current.error());
    return false;
  }
  for (std::int32_t id : *current) results->erase(id);
  for (std::int32_t id : audienceIDs) results->erase(id);
  if (results->empty()) return true;
  std::vector<StoredFilterResults> stale;
  for (auto& [id, result] : *results) stale.push_back(std::move(result));
  if (auto result = database_->deleteFilterResults(stale); !result) {
    logFailure(LogLevel::kMonitoredError, messages::kStaleFilterResultsDeleteFailed,
               "Unable to delete stale Audience filter results. Audiences will not be saved. Error", result.error());
    return false;
  }
  return true;
}

}  // namespace sdk::analytics

