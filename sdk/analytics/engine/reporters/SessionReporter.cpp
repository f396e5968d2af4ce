#include "sdk/analytics/engine/reporters/SessionReporter.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/NotificationCenter.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/engine/reporters/AnalyticsScreen.h"
#include "sdk/analytics/engine/reporters/ReporterHost.h"
#include "sdk/analytics/engine/reporters/ReportersMessageCodes.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NumericUtil.h"
#include "sdk/analytics/foundation/PersistedConfig.h"

namespace sdk::analytics {

using platform::foundation::Dictionary;
using platform::foundation::Value;
using sdk::analytics::ReporterHost;

namespace {

constexpr double kMaxEngagementSeconds = 3600;

std::int64_t truncated(double seconds) {
  if (!(seconds > -9.2e18 && seconds < 9.2e18)) return 0;
  return static_cast<std::int64_t>(seconds);
}

void logInternal(const std::string& name, const Dictionary& parameters) {
  sdk::analytics::ReporterHost::current()->logInternalEvent("auto", name, parameters, std::nullopt);
}

}  // namespace

std::shared_ptr<SessionReporter> SessionReporter::initWithPersistedConfig(
    std::shared_ptr<PersistedConfig> persistedConfig, std::shared_ptr<RemoteConfig> remoteConfig) {
  return std::make_shared<SessionReporter>(Private{}, std::move(persistedConfig), std::move(remoteConfig));
}

SessionReporter::SessionReporter(Private, std::shared_ptr<PersistedConfig> persistedConfig,
                                       std::shared_ptr<RemoteConfig> remoteConfig)
    : persistedConfig_(persistedConfig ? std::move(persistedConfig) : PersistedConfig::sharedInstance()),
      remoteConfig_(remoteConfig ? std::move(remoteConfig) : RemoteConfig::defaultInstance()),
      timer_(platform::dispatch::Queue::main(), kEngagementTimerName) {
  timeoutSessionInterval_ = remoteConfig_->sessionDefaultTimeoutInterval();
  engagementStartUptime_ = freerideEngagementStartUptime_ = currentUptime();
}

SessionReporter::~SessionReporter() { timer_.cancel(); }

void SessionReporter::installFactory() {
  sdk::analytics::SessionReporting::setFactory(
      [](std::shared_ptr<PersistedConfig> persisted, std::shared_ptr<RemoteConfig> remote) {
        return std::static_pointer_cast<sdk::analytics::SessionReporting>(
            initWithPersistedConfig(std::move(persisted), std::move(remote)));
      });
}

// --- switches and expiry

void SessionReporter::setReportingEnabled(bool enabled) {
  {
    std::lock_guard lock(mutex_);
    reportingEnabled_ = enabled;
  }
  if (!enabled) {
    timer_.cancel();
  } else if (ReporterHost::current()->isAppActive() && !timer_.scheduledTimestamp()) {
    rescheduleUserEngagementTimer();
  }
}

bool SessionReporter::isReportingEnabled() const {
  std::lock_guard lock(mutex_);
  return reportingEnabled_;
}

void SessionReporter::setTimeoutSessionInterval(double seconds) {
  if (seconds < 0) {
    Monitor::shared()->logWithLevel(LogLevel::kWarning, messages::kNegativeSessionTimeout,
                                    "Received negative timeout session duration. Setting to 0.0 instead.");
    seconds = 0;
  }
  std::lock_guard lock(mutex_);
  timeoutSessionInterval_ = seconds;
}

double SessionReporter::timeoutSessionInterval() const {
  std::lock_guard lock(mutex_);
  return timeoutSessionInterval_;
}

bool SessionReporter::isSessionExpiredAt(double now) const {
  return std::fabs(now - persistedConfig_->lastSessionActivityClockTime()) > timeoutSessionInterval_;
}

bool SessionReporter::isSessionExpired() const {
  std::lock_guard lock(mutex_);
  return isSessionExpiredAt(currentClockTime());
}

bool SessionReporter::shouldStartNewSession() const { return ReporterHost::current()->isAppActive() && isSessionExpired(); }

bool SessionReporter::extendSession() {
  std::lock_guard lock(mutex_);
  const double now = currentClockTime();
  if (isSessionExpiredAt(now)) return false;
  persistedConfig_->setLastSessionActivityClockTime(now);
  return true;
}

void SessionReporter::updatePropertiesForNewSessionStart() {
  std::lock_guard lock(mutex_);
  persistedConfig_->setSessionNumber(persistedConfig_->sessionNumber() + 1);
  persistedConfig_->setLastSessionActivityClockTime(currentClockTime());
}

UserAttribute SessionReporter::sessionIDPropertyWithTimestamp(double timestamp) const {
  return UserAttribute("auto", "_sid", AnalyticsValue(truncated(timestamp)), timestamp);
}

UserAttribute SessionReporter::sessionNumberProperty() const {
  return UserAttribute("auto", "_sno", AnalyticsValue(persistedConfig_->sessionNumber()), currentClockTime());
}

// --- clocks and engagement time

double SessionReporter::currentUptime() const { return platform::foundation::Clock::current()->monotonic(); }

double SessionReporter::currentClockTime() const { return platform::foundation::Clock::current()->now(); }

bool SessionReporter::efficient() const { return remoteConfig_->efficientEngagementReportingEnabled(); }

double SessionReporter::incurredEngagementTimeLocked(double uptime) const {
  const double start = efficient() ? freerideEngagementStartUptime_ : engagementStartUptime_;
  const double incurred = uptime - start;
  if (incurred < 0) {
    Monitor::shared()->logWithLevel(LogLevel::kMonitoredWarning, messages::kNegativeEngagementTime,
                                    "Incurred engagement time is negative. Setting to 0.0 instead");
    return 0;
  }
  return incurred;
}

double SessionReporter::incurredEngagementTime() {
  std::lock_guard lock(mutex_);
  return incurredEngagementTimeLocked(currentUptime());
}

std::int64_t SessionReporter::cutFreerideEngagementTimeMillis() {
  if (!efficient()) return 0;
  std::lock_guard lock(mutex_);
  const double uptime = currentUptime();
  const double incurred = incurredEngagementTimeLocked(uptime);
  freerideEngagementStartUptime_ = uptime;
  return NumericUtil::millisecondsFromSeconds(incurred);
}

// --- events

void SessionReporter::setSessionID(const Value& sessionID, const Value& sessionNumber) {
  auto host = sdk::analytics::ReporterHost::current();
  host->setInternalUserProperty(sessionID, "_sid", "auto");
  host->setInternalUserProperty(sessionNumber, "_sno", "auto");
}

void SessionReporter::logSessionStartEvent() {
  if (!ReporterHost::current()->isAppActive()) {
    Monitor::shared()->logWithLevel(LogLevel::kDebug, messages::kSessionStartWhileInactive,
                                    "Session start event not logged. Application is not active");
    return;
  }
  if (!isReportingEnabled()) return;
  std::int64_t sessionID = 0;
  std::int64_t sessionNumber = 0;
  {
    std::lock_guard lock(mutex_);
    const double now = currentClockTime();
    sessionNumber = persistedConfig_->sessionNumber() + 1;
    persistedConfig_->setSessionNumber(sessionNumber);
    persistedConfig_->setLastSessionActivityClockTime(now);
    sessionID = truncated(now);
  }
  // Written before the "_s" it implies is stored, so that a kill between the two cannot number the
  // session again.
  persistedConfig_->synchronizeToDisk();
  setSessionID(Value(sessionID), Value(sessionNumber));
  logInternal("_s", Dictionary{{"_sid", Value(sessionID)}, {"_sno", Value(sessionNumber)}});
}

std::int64_t SessionReporter::logEngagementEvent(const AnalyticsScreen* screen, bool isRedundant) {
  if (!ReporterHost::current()->isAppActive()) {
    Monitor::shared()->logWithLevel(LogLevel::kDebug, messages::kUserEngagementWhileInactive,
                                    "User engagement event not logged. Application is not active");
    return 0;
  }
  const bool isEfficient = efficient();
  std::int64_t ms = 0;
  bool log = false;
  {
    std::lock_guard lock(mutex_);
    const double uptime = currentUptime();
    if (reportingEnabled_) {
      ms = NumericUtil::millisecondsFromSeconds(std::min(incurredEngagementTimeLocked(uptime), kMaxEngagementSeconds));
      log = true;
    }
    engagementStartUptime_ = uptime;
    if (isEfficient && !isRedundant) freerideEngagementStartUptime_ = uptime;
    // Only engagement that is reported extends the session. Before the engine reports (a resign early
    // in a first start, while the engine is still starting), marking activity would make its first
    // open find the session current, and the container would go without one for half an hour.
    if (reportingEnabled_) persistedConfig_->setLastSessionActivityClockTime(currentClockTime());
  }
  if (log) {
    Dictionary parameters{{"_et", Value(ms)}};
    if (screen) {
      for (auto& [name, value] : screenParametersOf(screen)) parameters[name] = value;
    }
    if (isEfficient && isRedundant) parameters["_fr"] = Value(std::int64_t{1});
    logInternal("_e", parameters);
  }
  rescheduleUserEngagementTimer();
  return ms;
}

std::int64_t SessionReporter::logEngagementEventAndReturnTimeWithScreen(const AnalyticsScreen* screen, bool isRedundant) {
  return logEngagementEvent(screen, isRedundant);
}

void SessionReporter::logUserEngagementEvent() { logEngagementEvent(nullptr, false); }

void SessionReporter::logAppBackgroundEvent(std::int64_t milliseconds) {
  if (!isReportingEnabled() || !remoteConfig_->appBackgroundedEventEnabled()) return;
  if (!ReporterHost::current()->isAppActive()) {
    Monitor::shared()->logWithLevel(LogLevel::kDebug, messages::kAppBackgroundedWhileInactive,
                                    "App backgrounded event not logged. Application is not active");
    return;
  }
  Dictionary parameters;
  if (milliseconds >= 1 && efficient()) parameters["_et"] = Value(milliseconds);
  logInternal("_ab", parameters);
}

// --- timer and application state

void SessionReporter::rescheduleUserEngagementTimer() {
  std::weak_ptr<SessionReporter> weak = weak_from_this();
  timer_.runAfterDelay(remoteConfig_->sessionEventUserEngagementInterval(), [weak] {
    auto self = weak.lock();
    if (!self) return;
    platform::foundation::NotificationCenter::defaultCenter().post(kEngagementTimerDidFireNotification);
    self->logUserEngagementEvent();
  });
}

void SessionReporter::handleAppDidBecomeActive() {
  {
    std::lock_guard lock(mutex_);
    engagementStartUptime_ = freerideEngagementStartUptime_ = currentUptime();
  }
  rescheduleUserEngagementTimer();
  if (shouldStartNewSession() && isReportingEnabled()) {
    setSessionID(Value(), Value());
    logSessionStartEvent();
  }
}

void SessionReporter::handleAppWillResignActiveWithScreen(const AnalyticsScreen* screen) {
  const bool background = remoteConfig_->appBackgroundedEventEnabled();
  std::int64_t ms = 0;
  if (background && remoteConfig_->redundantEngagementRemovalEnabled()) {
    ms = cutFreerideEngagementTimeMillis();
  } else {
    ms = logEngagementEvent(screen, background);
  }
  logAppBackgroundEvent(ms);
  timer_.cancel();
}

void SessionReporter::handleScreenDidChangeFromScreen(const AnalyticsScreen* previous, const AnalyticsScreen*) {
  if (!previous || incurredEngagementTime() < 1.0) return;
  const bool isEfficient = efficient();
  if (isEfficient && remoteConfig_->redundantEngagementRemovalEnabled()) return;
  logEngagementEvent(previous, isEfficient);
}

}  // namespace sdk::analytics

