#include "sdk/analytics/rules/AudienceValidation.h"

#include "sdk/analytics/foundation/AudienceFieldIndices.h"
#include "sdk/analytics/foundation/MeasurementError.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/rules/NumberFilterEvaluator.h"
#include "sdk/analytics/rules/StringFilterEvaluator.h"

namespace sdk::analytics {

namespace {

using namespace audience_fields;

constexpr std::int64_t kAudienceErrorCode = 9, kEventFilterErrorCode = 10, kPropertyFilterErrorCode = 11;

// The first rule a value filter breaks, or nothing.
std::optional<std::string> valueFilterProblem(const ProtoFilter& filter, bool eventFilter, Monitor& monitor,
                                              AudienceEvaluationBudget* budget) {
  auto number = nanoGetMessage<ProtoNumberFilter>(filter, kFilterNumber);
  auto string = nanoGetMessage<ProtoStringFilter>(filter, kFilterString);
  const char* owner = eventFilter ? "Event filter" : "Property filter";
  if (static_cast<bool>(number) == static_cast<bool>(string)) {
    return std::string(owner) + " must have exactly one of number or string filter";
  }
  if (number && !validateNumberFilter(*number, monitor)) {
    return std::string(owner) + " has invalid number filter";
  }
  if (string && !validateStringFilter(*string, monitor, nullptr, budget)) {
    return std::string(owner) + " has invalid string filter";
  }
  return std::nullopt;
}

// Checks a filter ID against the audience's range and the IDs its other filters took.
std::optional<std::string> filterIDProblem(const NanoMessage& filter, int index, const char* kind,
                                           std::set<std::int32_t>& used, const AudienceLimits& limits) {
  if (!nanoHasField(filter, index)) return std::string("Missing ") + kind + " filter ID";
  std::int32_t id = nanoGetInt32(filter, index);
  std::string owner = std::string(kind == std::string("event") ? "Event" : "Property") + " filter ID";
  if (id < 0 || id >= limits.filtersPerAudience) return owner + " is out of range";
  if (!used.insert(id).second) return std::string("Duplicate ") + kind + " filter ID";
  return std::nullopt;
}

std::optional<std::string> eventFilterProblem(const ProtoEventFilter& filter, std::set<std::int32_t>& used,
                                              const AudienceLimits& limits, Monitor& monitor,
                                              AudienceEvaluationBudget* budget) {
  auto name = nanoGetString(filter, kEventFilterName);
  if (!name || name->empty()) return "Event filter missing event name";
  if (auto problem = filterIDProblem(filter, kEventFilterID, "event", used, limits)) return problem;
  if (auto count = nanoGetMessage<ProtoNumberFilter>(filter, kEventFilterCount)) {
    if (nanoGetBool(*count, kNumberFloat)) return "Event filter has float event count filter";
    if (!validateNumberFilter(*count, monitor)) return "Event filter has invalid event count filter";
  }
  auto parameters = nanoGetMessageArray<ProtoFilter>(filter, kEventFilterParameters);
  if (static_cast<std::int64_t>(parameters.size()) > limits.parametersPerFilter) {
    return "Event filter parameters filters count out of range";
  }
  for (const auto& parameter : parameters) {
    auto parameterName = nanoGetString(*parameter, kFilterParameterName);
    if (!parameterName || parameterName->empty()) return "Event filter missing parameter name";
    if (auto problem = valueFilterProblem(*parameter, true, monitor, budget)) return problem;
  }
  return std::nullopt;
}

std::optional<std::string> propertyFilterProblem(const ProtoPropertyFilter& filter, std::set<std::int32_t>& used,
                                                 const AudienceLimits& limits, Monitor& monitor,
                                                 AudienceEvaluationBudget* budget) {
  auto name = nanoGetString(filter, kPropertyFilterName);
  if (!name || name->empty()) return "Property filter missing property name";
  if (auto problem = filterIDProblem(filter, kPropertyFilterID, "property", used, limits)) return problem;
  auto valueFilter = nanoGetMessage<ProtoFilter>(filter, kPropertyFilterFilter);
  if (!valueFilter) return "Property filter has no filter";
  return valueFilterProblem(*valueFilter, false, monitor, budget);
}

// The first rule the audience breaks, in the order the rules are listed.
std::optional<std::string> audienceProblem(const ProtoAudience& audience, const std::set<std::int32_t>& accepted,
                                           const AudienceLimits& limits, Monitor& monitor,
                                           AudienceEvaluationBudget* budget, std::int64_t& code) {
  code = kAudienceErrorCode;
  if (!nanoHasField(audience, kAudienceID)) return "Missing audience ID";
  std::int32_t id = nanoGetInt32(audience, kAudienceID);
  if (id < 0) return "Audience ID is negative";
  if (accepted.contains(id)) return "Duplicate audience ID";
  // The message layer always has both repeated lists, so an audience with neither is caught by the
  // count rule below.
  auto eventFilters = nanoGetMessageArray<ProtoEventFilter>(audience, kAudienceEventFilters);
  auto propertyFilters = nanoGetMessageArray<ProtoPropertyFilter>(audience, kAudiencePropertyFilters);
  auto count = static_cast<std::int64_t>(eventFilters.size() + propertyFilters.size());
  if (count < 1 || count > limits.filtersPerAudience) return "Audience filter count out of range";
  std::set<std::int32_t> used;
  code = kEventFilterErrorCode;
  for (const auto& filter : eventFilters) {
    if (auto problem = eventFilterProblem(*filter, used, limits, monitor, budget)) return problem;
  }
  code = kPropertyFilterErrorCode;
  for (const auto& filter : propertyFilters) {
    if (auto problem = propertyFilterProblem(*filter, used, limits, monitor, budget)) return problem;
  }
  return std::nullopt;
}

}  // namespace

platform::foundation::ErrorOr<void> validateAudience(const ProtoAudience& audience, const std::set<std::int32_t>& accepted,
                                                     const AudienceLimits& limits, Monitor& monitor,
                                                     AudienceEvaluationBudget* budget) {
  std::int64_t code = 0;
  auto problem = audienceProblem(audience, accepted, limits, monitor, budget, code);
  if (!problem) return {};
  return measurementErrorWithCode(code, *problem);
}

}  // namespace sdk::analytics

