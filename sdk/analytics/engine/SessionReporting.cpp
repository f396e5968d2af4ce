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

std::shared_ptr<SessionReporting> SessionReporting::create(std::shared_ptr<PersistedConfig> persistedConfig,
                                                           std::shared_ptr<RemoteConfig> remoteConfig) {
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

std::optional<AnalyticsEvent> sessionStartEvent(const platform::foundation::Value& sessionNumber, bool appInBackground,
                                             double timestamp) {
  Parameters parameters;
  parameters.emplace("_sid", AnalyticsValue(truncatedSeconds(timestamp)));
  if (auto number = AnalyticsValue::valueFromObject(sessionNumber)) parameters.emplace("_sno", *number);
  if (appInBackground) parameters.emplace("_aib", AnalyticsValue(std::int64_t{1}));
  return AnalyticsEvent::create("auto", false, "_s", timestamp, 0, std::move(parameters));
}

}  // namespace sdk::analytics

