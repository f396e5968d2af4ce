#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/foundation/Value.h"
#include "sdk/analytics/engine/SessionReporting.h"
#include "sdk/analytics/foundation/Alarm.h"

namespace sdk::analytics {

class PersistedConfig;
class RemoteConfig;
class AnalyticsScreen;

// Decides when a session starts and measures engagement: "_s" with the session ID and number, "_e"
// with the engagement time, "_ab" when the app goes to the background, and the engagement timer on
// the main queue. Engagement is measured on the clock's monotonic time, so a change of the wall clock
// does not move it; session expiry compares wall times, as they are kept across launches.
//
// The main thread (timer, app and screen changes) and the engine's worker queue both reach it: the
// start marks, the switch and the timeout sit under one lock, the persisted values under their own.
class SessionReporter final : public sdk::analytics::SessionReporting,
                                 public std::enable_shared_from_this<SessionReporter> {
 public:
  static constexpr const char* kEngagementTimerDidFireNotification = "kAPMSessionReporterEngagementTimerDidFire";
  static constexpr const char* kEngagementTimerName = "Engagement timer";

  // `remoteConfig` nullptr: the settings' defaults.
  static std::shared_ptr<SessionReporter> initWithPersistedConfig(std::shared_ptr<PersistedConfig> persistedConfig,
                                                                     std::shared_ptr<RemoteConfig> remoteConfig);
  ~SessionReporter() override;

  // Lets the engine make its session reporter through SessionReporting::create.
  static void installFactory();

  // --- what the engine asks
  void setReportingEnabled(bool enabled) override;
  bool isReportingEnabled() const override;
  void setTimeoutSessionInterval(double seconds) override;
  double timeoutSessionInterval() const override;
  bool isSessionExpired() const override;
  [[nodiscard]] bool extendSession() override;
  void updatePropertiesForNewSessionStart() override;
  UserAttribute sessionIDPropertyWithTimestamp(double timestamp) const override;
  UserAttribute sessionNumberProperty() const override;

  bool shouldStartNewSession() const;

  // --- events
  void logSessionStartEvent();
  void logUserEngagementEvent();
  // The engagement reported in ms (0 when nothing was logged).
  std::int64_t logEngagementEventAndReturnTimeWithScreen(const AnalyticsScreen* screen, bool isRedundant);
  void logAppBackgroundEvent(std::int64_t milliseconds);

  // --- from the screen-view reporter (main thread)
  void handleAppDidBecomeActive();
  void handleAppWillResignActiveWithScreen(const AnalyticsScreen* screen);
  void handleScreenDidChangeFromScreen(const AnalyticsScreen* previous, const AnalyticsScreen* screen);

  void rescheduleUserEngagementTimer();
  // Seconds on the monotonic clock; seconds since 1970.
  double currentUptime() const;
  double currentClockTime() const;
  double incurredEngagementTime();
  // The engagement not yet attached to any event, in ms, restarting its count (0 unless efficient).
  std::int64_t cutFreerideEngagementTimeMillis();
  // Nil removes the property.
  void setSessionID(const platform::foundation::Value& sessionID, const platform::foundation::Value& sessionNumber);

  std::optional<double> engagementTimerScheduledTimestamp() const { return timer_.scheduledTimestamp(); }

 private:
  struct Private {};

 public:
  SessionReporter(Private, std::shared_ptr<PersistedConfig> persistedConfig,
                     std::shared_ptr<RemoteConfig> remoteConfig);

 private:
  bool efficient() const;
  bool isSessionExpiredAt(double now) const;
  double incurredEngagementTimeLocked(double uptime) const;
  std::int64_t logEngagementEvent(const AnalyticsScreen* screen, bool isRedundant);

  std::shared_ptr<PersistedConfig> persistedConfig_;
  std::shared_ptr<RemoteConfig> remoteConfig_;
  Alarm timer_;

  mutable std::mutex mutex_;
  double engagementStartUptime_ = 0;
  double freerideEngagementStartUptime_ = 0;
  bool reportingEnabled_ = false;
  double timeoutSessionInterval_ = 0;
};

}  // namespace sdk::analytics

