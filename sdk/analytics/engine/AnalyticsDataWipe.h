#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "platform/foundation/SequenceChecker.h"

namespace sdk::analytics {

class Identity;
class MeasurementEngine;

// What is wiped, and when: the consent settings chosen before the first event, the checks at start
// (consent withdrawn, another app ID, a wipe that failed before), the wipe itself and the app's reset.
// A wipe before the database is opened deletes its file; afterwards it empties the database and
// renews what was built on it.
class AnalyticsDataWipe {
 public:
  explicit AnalyticsDataWipe(MeasurementEngine& engine) : engine_(engine) {}

  static void setProspectiveConsentSettings();
  static bool shouldWipeDataWithAppID(const std::string& appID, const std::string& appIDFromVMP,
                                      const std::string& appIDFromDeDed, const std::string& persistedAppIDFromVMP,
                                      const std::string& persistedAppIDFromDeDed);
  // The checks at start, before the database is opened, and the wipe they call for.
  void wipeAtStartOnWorkerQueue(Identity& identity);
  [[nodiscard]] bool wipeoutAnalyticsDataAndResetComponents();
  // Waits for the worker queue. No ID is refused unless analytics storage is denied.
  [[nodiscard]] bool resetAnalyticsDataWithAppInstanceID(const std::optional<std::string>& appInstanceID);
  // The VMP app ID persisted before the last wipe, for the next first open.
  std::string previousVMPAppID() const;

 private:
  MeasurementEngine& engine_;
  mutable std::mutex mutex_;
  std::string previousVMPAppID_;
  // Only the engine's worker queue runs this: a debug run stops on a call from anywhere else.
  platform::foundation::SequenceChecker sequenceChecker_;
  // A reset runs on the facade's queue and waits there for the worker queue.
  platform::foundation::SequenceChecker facadeSequenceChecker_;
};

}  // namespace sdk::analytics
