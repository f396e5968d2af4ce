#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/AnalyticsEvent.h"
#include "sdk/analytics/foundation/UserAttribute.h"

namespace sdk::analytics {

class PersistedConfig;
class RemoteConfig;

// What the engine asks of the session reporter, which sits above the engine among the automatic
// reporters. The engine owns one, made through the factory the reporters install, and calls these from
// its worker queue.
class SessionReporting {
 public:
  using Factory = std::function<std::shared_ptr<SessionReporting>(std::shared_ptr<PersistedConfig>,
                                                                  std::shared_ptr<RemoteConfig>)>;

  virtual ~SessionReporting() = default;

  virtual void setReportingEnabled(bool enabled) = 0;
  virtual bool isReportingEnabled() const = 0;
  // Negative reads as 0.
  virtual void setTimeoutSessionInterval(double seconds) = 0;
  virtual double timeoutSessionInterval() const = 0;
  virtual bool isSessionExpired() const = 0;
  // false, changing nothing, once the session has expired.
  [[nodiscard]] virtual bool extendSession() = 0;
  virtual void updatePropertiesForNewSessionStart() = 0;
  virtual UserAttribute sessionIDPropertyWithTimestamp(double timestamp) const = 0;
  virtual UserAttribute sessionNumberProperty() const = 0;

  // A new reporter through the installed factory; nullptr when the reporters are not linked in.
  static std::shared_ptr<SessionReporting> create(std::shared_ptr<PersistedConfig> persistedConfig,
                                                  std::shared_ptr<RemoteConfig> remoteConfig);
  static void setFactory(Factory factory);
};

// The engine's own session-start event: "_sid" from the timestamp, "_sno" from the number, "_aib" = 1
// when the app is in the background.
std::optional<AnalyticsEvent> sessionStartEvent(const platform::foundation::Value& sessionNumber, bool appInBackground,
                                             double timestamp);

// What the automatic reporters ask of the engine. The engine installs it when it is created; until
// then the reporters see no engine.
struct ReporterEngineAccess {
  // The engine exists and collection is enabled.
  std::function<bool()> isEngineEnabled;
  // The engine's session reporter; nullptr while there is no engine.
  std::function<std::shared_ptr<SessionReporting>()> sessionReporter;
  // The engine's measurement settings; nullptr while there is no engine.
  std::function<std::shared_ptr<RemoteConfig>()> remoteConfig;

  static ReporterEngineAccess current();
  static void setCurrent(ReporterEngineAccess access);
};

}  // namespace sdk::analytics

