#pragma once

#include <atomic>
#include <mutex>

#include "platform/foundation/SequenceChecker.h"

namespace sdk::analytics {

class MeasurementEngine;

// The engine's switch: collection enabled, disabled or deactivated. Enabling starts measurement,
// which builds the components the first time it succeeds; a failed start switches collection off and
// the next enable tries again. Deactivation (a flag) refuses every enable.
class CollectionSwitch {
 public:
  CollectionSwitch(MeasurementEngine& engine, bool isAnalyticsCollectionEnabled, bool isAnalyticsCollectionDeactivated)
      : engine_(engine),
        isAnalyticsCollectionEnabled_(isAnalyticsCollectionEnabled),
        isAnalyticsCollectionDeactivated_(isAnalyticsCollectionDeactivated) {}

  bool shouldEnableMeasurement() const;
  // Queued on the worker queue.
  void setEnabled(bool enabled);
  void setEnabledOnWorkerQueue(bool enabled);
  [[nodiscard]] bool startMeasurementOnWorkerQueue();

  bool isEnabled() const { return enabled_.load(); }
  bool didInitializeComponents() const;
  bool isAnalyticsCollectionEnabled() const { return isAnalyticsCollectionEnabled_.load(); }
  void setIsAnalyticsCollectionEnabled(bool enabled) { isAnalyticsCollectionEnabled_ = enabled; }
  bool isAnalyticsCollectionDeactivated() const { return isAnalyticsCollectionDeactivated_.load(); }
  void setIsAnalyticsCollectionDeactivated(bool deactivated) { isAnalyticsCollectionDeactivated_ = deactivated; }

 private:
  void setReportersEnabled(bool enabled);
  void clearExpiredDeferredDeepLink();

  MeasurementEngine& engine_;
  mutable std::mutex initializeComponentsLock_;
  bool didInitializeComponents_ = false;
  std::atomic<bool> enabled_{false};
  std::atomic<bool> isAnalyticsCollectionEnabled_;
  std::atomic<bool> isAnalyticsCollectionDeactivated_;
  // Only the engine's worker queue runs this: a debug run stops on a call from anywhere else.
  platform::foundation::SequenceChecker sequenceChecker_;
};

}  // namespace sdk::analytics
