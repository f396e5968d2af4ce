#include "sdk/analytics/engine/SessionReporting.h"

#include <cmath>
#include <limits>

#include "sdk/analytics/engine/InstalledValue.h"

namespace sdk::analytics {
namespace {

std::int64_t truncatedSeconds(double timestamp) {
  if (!std::isfinite(timestamp)) return 0;
  if (timestamp >= 9.2e18) return std::numeric_limits<std::int64_t>::max();
  if (timestamp <= -9.2e18) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(timestamp);
}

}  // namespace

std::shared_ptr<SessionReporting> SessionReporting::create(std::shared_ptr<APMPersistedConfig> persistedConfig,
                                                           std::shared_ptr<APMRemoteConfig> remoteConfig) {
  Factory factory = InstalledValue<Factory, SessionReporting>::get();
  return factory ? factory(std::move(persistedConfig), std::move(remoteConfig)) : nullptr;
}

void SessionReporting::setFactory(Factory factory) {
  InstalledValue<Factory, SessionReporting>::set(std::move(factory));
}

ReporterEngineAccess ReporterEngineAccess::current() {
  return InstalledValue<ReporterEngineAccess, ReporterEngineAccess>::get();
}

void ReporterEngineAccess::setCurrent(ReporterEngineAccess access) {
  InstalledValue<ReporterEngineAccess, ReporterEngineAccess>::set(std::move(access));
}

std::optional<APMEvent> APMSessionStartEvent(const platform::foundation::Value& sessionNumber, bool appInBackground,
                                             double timestamp) {
  APMParameters parameters;
  parameters.emplace("_sid", APMValue(truncatedSeconds(timestamp)));
  if (auto number = APMValue::valueFromObject(sessionNumber)) parameters.emplace("_sno", *number);
  if (appInBackground) parameters.emplace("_aib", APMValue(std::int64_t{1}));
  return APMEvent::create("auto", false, "_s", timestamp, 0, std::move(parameters));
}

}  // namespace sdk::analytics
