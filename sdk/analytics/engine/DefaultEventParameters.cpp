#include "sdk/analytics/engine/DefaultEventParameters.h"

#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/foundation/DataTypeValidator.h"
#include "sdk/analytics/foundation/ErrorEvent.h"
#include "sdk/analytics/foundation/EventParameters.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/AnalyticsValue.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"
#include "sdk/analytics/foundation/WorkerQueueCheck.h"

namespace sdk::analytics {

using platform::foundation::Value;

namespace {

constexpr std::int64_t kErrorCodeTooManyDefaultParameters = 26;
constexpr std::int64_t kErrorCodeArrayDefaultParameter = 27;

// Keeps at most `limit` public names, dropping the ones that sort last; true when any went.
bool trim(platform::foundation::Dictionary& parameters, std::size_t limit) {
  Parameters kept;
  for (const auto& [name, value] : parameters) kept.emplace(name, AnalyticsValue(std::int64_t{0}));
  trimParametersToLimit(kept, limit);
  if (kept.size() == parameters.size()) return false;
  std::erase_if(parameters, [&](const auto& entry) { return !kept.contains(entry.first); });
  return true;
}

}  // namespace

DefaultEventParameters::DefaultEventParameters(std::shared_ptr<PersistedConfig> persistedConfig)
    : persistedConfig_(std::move(persistedConfig)) {}

platform::foundation::Dictionary DefaultEventParameters::parametersWithAddedDefaultEventParameters(
    const Dictionary& parameters) const {
  auto defaults = persistedConfig_->defaultEventParameters();
  if (!defaults || defaults->empty()) return parameters;
  Dictionary merged = *defaults;
  for (const auto& [name, value] : parameters) merged.insert_or_assign(name, value);
  return merged;
}

void DefaultEventParameters::handleSetDefaultEventParametersOnWorkerQueue(const std::optional<Dictionary>& parameters,
                                                                          bool enabled,
                                                                          std::int64_t maxPublicEventParams) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "handleSetDefaultEventParametersOnWorkerQueue");
  if (!enabled) {
    monitor()->logWithLevel(LogLevel::kDebug, messages::kDefaultParametersNotUpdatedWhileDisabled,
                           "Analytics is disabled. Default event parameters not updated");
    return;
  }
  Dictionary merged;
  if (parameters) merged = persistedConfig_->defaultEventParameters().value_or(Dictionary{});
  for (const auto& [name, value] : parameters.value_or(Dictionary{})) {
    if (value.isNil()) continue;
    if (!value.isNull() && !value.isNumber() && !value.isString()) {
      if (value.isArray()) logErrorEvent(kErrorCodeArrayDefaultParameter);
      monitor()->logWithLevel(LogLevel::kMonitoredWarning, messages::kDefaultParameterKeyInvalid,
                             "Invalid key in default event parameters. Parameter ignored.", Value(name));
      continue;
    }
    if (!DataTypeValidator::isValidPublicEventParameterName(name, nullptr)) {
      monitor()->logWithLevel(LogLevel::kMonitoredWarning, messages::kDefaultParameterNameInvalid,
                             "Invalid default event parameter name. Name", Value(name));
      continue;
    }
    if (value.isNull()) {
      merged.erase(name);
      continue;
    }
    auto checked = AnalyticsValue::valueFromObject(value);
    if (checked && DataTypeValidator::isValidPublicEventParameterValue(*checked, nullptr)) {
      merged.insert_or_assign(name, value);
    }
  }
  if (maxPublicEventParams >= 0 && trim(merged, static_cast<std::size_t>(maxPublicEventParams))) {
    logErrorEvent(kErrorCodeTooManyDefaultParameters);
    monitor()->logWithLevel(LogLevel::kMonitoredWarning, messages::kTooManyDefaultParameters,
                           "Too many default event parameters set. Discarding beyond event parameter limit");
  }
  monitor()->logWithLevel(LogLevel::kDebug, messages::kDefaultParametersUpdating,
                         "Updating default event parameters. Parameters", Value(merged));
  persistedConfig_->setDefaultEventParameters(merged);
}

}  // namespace sdk::analytics

