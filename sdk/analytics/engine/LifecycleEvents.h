#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/foundation/SequenceChecker.h"
#include "platform/foundation/Value.h"

namespace sdk::analytics {

class MeasurementDatabase;
class MeasurementEngine;
class MeasurementEventPipeline;
class RemoteConfig;

// The automatic reports of the engine's start: the first open of an install (or after a wipe) with
// its "_fi" and "_fot" properties, or else a session start; the stored campaign; the app and OS
// updates; search-ad attribution and the deferred deep link. The personalised-ads property and the
// sessions are the engine's other objects, called from here.
class LifecycleEvents {
 public:
  explicit LifecycleEvents(MeasurementEngine& engine) : engine_(engine) {}

  // Start-up's automatic reports, once the components exist: one commit for the start's properties and
  // events, then search ads, and the app's foreground and background changes from then on.
  void startLifecycleReportersOnWorkerQueue();
  void reportFirstOpenOnWorkerQueue();
  void reportStoredCampaignEventOnWorkerQueue(std::optional<std::int64_t> clickTimestampMillis);

  // The hour after `milliseconds`: an exact hour still moves one hour on.
  static std::int64_t timestampMillisRoundedUpToNextHour(std::int64_t milliseconds);
  // When this install first opened, in seconds since 1970: when "_fot" was set, else the oldest
  // setting of any user property; 0 (logged) when the properties cannot be read or there are none.
  double firstOpenTimestamp();
  // The file system's attributes of the item at `path` (see fileAttributesAtPath); nothing for an
  // empty path or, logged, for an item that cannot be read.
  static std::optional<platform::foundation::Dictionary> fileAttributesForPath(const std::string& path);
  static bool shouldAllowAdNetworkRegistration();

 private:
  // What the first open's properties said: whether this is the first version installed, and when.
  struct FirstOpen {
    std::int64_t firstVersion = 0;
    std::int64_t firstOpenMillis = 0;
  };
  // "_fi" and "_fot", each confirmed in the database; nothing (logged) when either did not stick.
  std::optional<FirstOpen> setFirstOpenPropertiesOnWorkerQueue(MeasurementEventPipeline& pipeline,
                                                               MeasurementDatabase& database,
                                                               std::int64_t previousFirstOpen, double initTimestamp);
  // The "_f" event and what follows it: the first session, the engagement, the campaign that led here.
  void logFirstOpenOnWorkerQueue(MeasurementEventPipeline& pipeline, RemoteConfig& settings, const FirstOpen& first,
                                 std::int64_t previousFirstOpen, double initTimestamp);
  // The start's properties and events, run in one transaction.
  void reportStartOnWorkerQueue();
  void startSearchAdReporterOnWorkerQueue();
  void requestDeferredDeepLinkOnWorkerQueue();

  MeasurementEngine& engine_;
  // Only the engine's worker queue runs this: a debug run stops on a call from anywhere else.
  platform::foundation::SequenceChecker sequenceChecker_;
};

}  // namespace sdk::analytics
