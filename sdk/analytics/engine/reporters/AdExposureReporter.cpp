#include "sdk/analytics/engine/reporters/AdExposureReporter.h"

#include "platform/foundation/Clock.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/reporters/AnalyticsScreen.h"
#include "sdk/analytics/engine/reporters/ReportersMessageCodes.h"
#include "sdk/analytics/engine/reporters/SessionReporter.h"
#include "sdk/analytics/engine/reporters/ReporterHost.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NumericUtil.h"

namespace sdk::analytics {

using platform::foundation::Dictionary;
using platform::foundation::Value;
using sdk::analytics::ReporterHost;

namespace {

std::int64_t exposureMillis(double start, double end) { return NumericUtil::millisecondsFromSeconds(end - start); }

Dictionary currentScreenParameters() {
  Dictionary parameters;
  if (auto reporter = Analytics::screenViewReporter()) {
    for (const auto& [name, value] : reporter->screenParameters()) parameters[name] = value.objectValue();
  }
  return parameters;
}

// Events made on the queue are logged once the caller has left it: logging may ask the screen-view
// reporter for the current screen on its queue, whose blocks in turn wait for this one.
void logExposures(const std::vector<std::pair<std::string, Dictionary>>& events) {
  auto host = sdk::analytics::ReporterHost::current();
  for (const auto& [name, parameters] : events) host->logInternalEvent("am", name, parameters, std::nullopt);
}

}  // namespace

AdExposureReporter::AdExposureReporter()
    : queue_(platform::dispatch::Queue::serial(kQueueLabel)), adExposureStartTime_(currentTime()) {}

std::shared_ptr<AdExposureReporter> AdExposureReporter::create() {
  struct Made : AdExposureReporter {};
  auto reporter = std::make_shared<Made>();
  reporter->startObserving();
  return reporter;
}

std::shared_ptr<AdExposureReporter> AdExposureReporter::sharedInstance() {
  // Kept for the process: queued begins may still reach it while the process exits.
  static auto* shared = new std::shared_ptr<AdExposureReporter>(create());
  return *shared;
}

void AdExposureReporter::startObserving() {
  std::weak_ptr<AdExposureReporter> weak = weak_from_this();
  engagementTimerObservation_ = platform::foundation::NotificationCenter::defaultCenter().addObserver(
      SessionReporter::kEngagementTimerDidFireNotification, [weak](const platform::foundation::Notification&) {
        if (auto self = weak.lock()) self->handleEngagementTimer();
      });
}

double AdExposureReporter::currentTime() const { return platform::foundation::Clock::current()->monotonic(); }

void AdExposureReporter::waitForQueue() const {
  queue_->sync([] {});
}

void AdExposureReporter::beginAdUnitExposure(const std::string& adUnitID) {
  if (adUnitID.empty()) {
    Monitor::shared()->logWithLevel(LogLevel::kSilentWarning, messages::kAdUnitExposureBeginWithoutID,
                                    "Ignoring call to begin ad unit exposure. Received empty ad unit ID");
    return;
  }
  const double time = currentTime();
  std::weak_ptr<AdExposureReporter> weak = weak_from_this();
  queue_->async([weak, adUnitID, time] {
    auto self = weak.lock();
    if (!self) return;
    if (self->adUnitCounts_.size() >= kMaxAdUnits) {
      Monitor::shared()->logWithLevel(LogLevel::kSilentWarning, messages::kAdUnitLimitReached,
                                      "Reached limit on ad units. Ignoring ad unit with ID", Value(adUnitID));
      return;
    }
    if (self->adUnitCounts_.empty()) self->adExposureStartTime_ = time;
    if (!self->adUnitCounts_.contains(adUnitID)) self->adUnitStartTimes_[adUnitID] = time;
    ++self->adUnitCounts_[adUnitID];
  });
}

void AdExposureReporter::endAdUnitExposure(const std::string& adUnitID) {
  if (adUnitID.empty()) {
    Monitor::shared()->logWithLevel(LogLevel::kSilentWarning, messages::kAdUnitExposureEndWithoutID,
                                    "Ignoring call to end ad unit exposure. Received empty ad unit ID");
    return;
  }
  const double time = currentTime();
  const Dictionary parameters = currentScreenParameters();
  std::vector<std::pair<std::string, Dictionary>> events;
  queue_->sync([&] {
    auto count = adUnitCounts_.find(adUnitID);
    if (count == adUnitCounts_.end()) {
      Monitor::shared()->logWithLevel(LogLevel::kSilentWarning, messages::kUnknownAdUnit,
                                      "Unknown ad unit. Ignoring ad unit with ID", Value(adUnitID));
      return;
    }
    if (count->second >= 2) {
      --count->second;
      return;
    }
    logAdUnitExposureEventOnSerialQueue(adUnitID, time, parameters);
    adUnitCounts_.erase(count);
    adUnitStartTimes_.erase(adUnitID);
    if (adUnitCounts_.empty()) {
      logAdExposureEventOnSerialQueue(time, parameters);
      adExposureStartTime_ = time;
    }
    events.swap(outbox_);
  });
  logExposures(events);
}

void AdExposureReporter::logExposureEventsWithScreenParameters(const Dictionary& parameters) {
  const double time = currentTime();
  std::vector<std::pair<std::string, Dictionary>> events;
  queue_->sync([&] {
    logExposureEventsOnSerialQueue(time, parameters);
    events.swap(outbox_);
  });
  logExposures(events);
}

void AdExposureReporter::logExposureEventsOnSerialQueue(double endTime, const Dictionary& parameters) {
  if (adUnitCounts_.empty()) return;
  for (const auto& [adUnitID, count] : adUnitCounts_) logAdUnitExposureEventOnSerialQueue(adUnitID, endTime, parameters);
  logAdExposureEventOnSerialQueue(endTime, parameters);
  updateStartTimesOnSerialQueue(endTime);
}

void AdExposureReporter::updateStartTimesOnSerialQueue(double time) {
  for (auto& [adUnitID, start] : adUnitStartTimes_) start = time;
  adExposureStartTime_ = time;
}

void AdExposureReporter::logAdExposureEventOnSerialQueue(double endTime, const Dictionary& parameters) {
  auto monitor = Monitor::shared();
  if (!reportingEnabled_) {
    monitor->logWithLevel(LogLevel::kSilentWarning, messages::kAdExposureNotLoggedWhileDisabled,
                          "Ad exposure not logged. Reporting is disabled.");
    return;
  }
  if (!ReporterHost::current()->isAppActive()) {
    monitor->logWithLevel(LogLevel::kVerbose, messages::kAdExposureNotLoggedWhileInactive,
                          "Ad exposure not logged. App is not active.");
    return;
  }
  const std::int64_t ms = exposureMillis(adExposureStartTime_, endTime);
  if (ms <= 999) {
    monitor->logWithLevel(LogLevel::kVerbose, messages::kAdExposureTooShort,
                          "Ad exposure not logged. Exposure time was less than 1 sec");
    return;
  }
  Dictionary event = parameters;
  event["_xt"] = Value(ms);
  outbox_.emplace_back("_xa", std::move(event));
}

void AdExposureReporter::logAdUnitExposureEventOnSerialQueue(const std::string& adUnitID, double endTime,
                                                                const Dictionary& parameters) {
  auto monitor = Monitor::shared();
  if (!reportingEnabled_) {
    monitor->logWithLevel(LogLevel::kSilentWarning, messages::kAdUnitExposureNotLoggedWhileDisabled,
                          "Ad unit exposure not logged. Reporting is disabled.");
    return;
  }
  if (adUnitID.empty()) {
    monitor->logWithLevel(LogLevel::kSilentWarning, messages::kAdUnitExposureWithoutID,
                          "Ad unit exposure not logged. Received empty ad unit ID");
    return;
  }
  if (!ReporterHost::current()->isAppActive()) {
    monitor->logWithLevel(LogLevel::kVerbose, messages::kAdUnitExposureNotLoggedWhileInactive,
                          "Ad unit exposure not logged. App is not active.");
    return;
  }
  const auto start = adUnitStartTimes_.find(adUnitID);
  const std::int64_t ms = exposureMillis(start == adUnitStartTimes_.end() ? endTime : start->second, endTime);
  if (ms <= 999) {
    monitor->logWithLevel(LogLevel::kVerbose, messages::kAdUnitExposureTooShort,
                          "Ad unit exposure not logged. Exposure time was less than 1 sec");
    return;
  }
  Dictionary event = parameters;
  event["_ai"] = Value(adUnitID);
  event["_xt"] = Value(ms);
  outbox_.emplace_back("_xu", std::move(event));
}

// --- triggers

void AdExposureReporter::handleScreenDidChangeFromScreen(const AnalyticsScreen* previous, const AnalyticsScreen*) {
  if (previous) logExposureEventsWithScreenParameters(screenParametersOf(previous));
}

void AdExposureReporter::handleEngagementTimer() { logExposureEventsWithScreenParameters(currentScreenParameters()); }

void AdExposureReporter::handleAppWillResignActiveWithScreen(const AnalyticsScreen* screen) {
  Dictionary parameters = screen ? screenParametersOf(screen) : Dictionary{};
  if (parameters.empty()) parameters = currentScreenParameters();
  logExposureEventsWithScreenParameters(parameters);
}

void AdExposureReporter::handleAppDidBecomeActive() {
  const double time = currentTime();
  queue_->sync([&] { updateStartTimesOnSerialQueue(time); });
}

}  // namespace sdk::analytics

