#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Value.h"

namespace sdk::analytics {

class AnalyticsScreen;

// Measures how long ad units are on screen for an ads library: one "_xu" per unit and one "_xa" for the
// time any unit was shown, origin "am". Exposure is also cut at every change of screen, engagement
// timer and resign-active, each piece going to the screen that was showing. Begins and ends come from
// any thread; the tracking lives on one serial queue (a begin is queued, everything else waits, so an
// end always follows the begins made before it).
class AdExposureReporter : public std::enable_shared_from_this<AdExposureReporter> {
 public:
  static constexpr std::size_t kMaxAdUnits = 100;
  static constexpr const char* kQueueLabel = "APMAdExposureReporter";

  static std::shared_ptr<AdExposureReporter> sharedInstance();
  // A reporter of its own (tests); it listens to the engagement timer like the shared one.
  static std::shared_ptr<AdExposureReporter> create();
  virtual ~AdExposureReporter() = default;

  void beginAdUnitExposure(const std::string& adUnitID);
  void endAdUnitExposure(const std::string& adUnitID);

  void handleScreenDidChangeFromScreen(const AnalyticsScreen* previous, const AnalyticsScreen* screen);
  void handleAppDidBecomeActive();
  void handleAppWillResignActiveWithScreen(const AnalyticsScreen* screen);
  void handleEngagementTimer();

  // Reports every tracked unit and the any-ad period up to now, then starts counting again.
  void logExposureEventsWithScreenParameters(const platform::foundation::Dictionary& parameters);

  void setReportingEnabled(bool enabled) { reportingEnabled_ = enabled; }
  bool isReportingEnabled() const { return reportingEnabled_; }

  // Seconds on the monotonic clock.
  double currentTime() const;
  // Waits for the queued begins (tests).
  void waitForQueue() const;

 protected:
  AdExposureReporter();

 private:
  void startObserving();
  void logExposureEventsOnSerialQueue(double endTime, const platform::foundation::Dictionary& parameters);
  void logAdExposureEventOnSerialQueue(double endTime, const platform::foundation::Dictionary& parameters);
  void logAdUnitExposureEventOnSerialQueue(const std::string& adUnitID, double endTime,
                                           const platform::foundation::Dictionary& parameters);
  void updateStartTimesOnSerialQueue(double time);

  std::shared_ptr<platform::dispatch::Queue> queue_;
  // Touched only on the queue.
  std::map<std::string, int> adUnitCounts_;
  std::map<std::string, double> adUnitStartTimes_;
  double adExposureStartTime_ = 0;
  // Events made in the current queue block, logged by its caller after the block.
  std::vector<std::pair<std::string, platform::foundation::Dictionary>> outbox_;
  std::atomic<bool> reportingEnabled_{true};
  platform::foundation::NotificationCenter::Observation engagementTimerObservation_;
};

// The name under which other libraries reach the ad-exposure reporter.
class PublicAdExposureReporter final : public AdExposureReporter {
 public:
  static std::shared_ptr<AdExposureReporter> sharedInstance() { return AdExposureReporter::sharedInstance(); }
};

}  // namespace sdk::analytics

