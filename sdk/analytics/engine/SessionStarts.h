#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include "platform/foundation/SequenceChecker.h"

namespace sdk::analytics {

class MeasurementEngine;
class SessionReporting;

// The engine's sessions: the session reporter (made with the components, replaced by a wipe, absent
// when the reporters are not linked in) and the sessions it starts, each with new "_sid" and "_sno"
// properties and an "_s" event. The timeout the app asked for outlives every replacement.
class SessionStarts {
 public:
  explicit SessionStarts(MeasurementEngine& engine) : engine_(engine) {}

  std::shared_ptr<SessionReporting> sessionReporter() const;
  void replaceSessionReporterOnWorkerQueue();
  // Queued on the worker queue.
  void setSessionTimeoutInterval(double seconds);
  // Starts a session when the last one has expired.
  void reportSessionStartOnWorkerQueueWithTimestamp(double timestamp, bool appInBackground);
  // Starts a session whatever the last activity says: a first open always begins one.
  void startSessionOnWorkerQueueWithTimestamp(double timestamp, bool appInBackground);
  // A session number lost with the persisted settings comes back from the lifetime count of "_s".
  void backfillSessionNumber();

 private:
  MeasurementEngine& engine_;
  mutable std::mutex mutex_;
  std::shared_ptr<SessionReporting> sessionReporter_;
  // The session timeout the app asked for, given to every new session reporter. Worker queue only.
  std::optional<double> requestedSessionTimeout_;
  // Only the engine's worker queue runs this: a debug run stops on a call from anywhere else.
  platform::foundation::SequenceChecker sequenceChecker_;
};

}  // namespace sdk::analytics
