#pragma once

#include <functional>
#include <string>

#include "platform/foundation/SequenceChecker.h"
#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/AnalyticsEvent.h"

namespace sdk::analytics {

class DefaultEventParameters;
class EventHandler;
class EventPipelineHost;

// Takes an event the app or the SDK logged in place of storing it (origin, name, parameters, time).
using EventInterceptor = std::function<void(const std::string& origin, const std::string& name,
                                               const platform::foundation::Dictionary& parameters, double timestamp)>;

// One logged event as the facade hands it to the engine.
struct LoggedEvent {
  std::string origin;
  bool isPublicEvent = false;
  std::string name;
  platform::foundation::Dictionary parameters;
  double timestamp = 0;  // seconds since 1970
  bool enabled = false;  // the facade's view when the call was made
  bool ignoreEnabled = false;
  bool ignoreInterceptor = false;
  EventInterceptor interceptor;
  Parameters addedScreenParameters;
  // False for an error event raised about what event editing made: it is written without editing.
  bool editable = true;
};

// Builds a logged event on the worker queue (default parameters, validation, screen parameters) and
// sends it to the interceptor, or to handling and then the listeners. Advertising events are stored
// but never shown to listeners.
class LoggedEventRouter {
 public:
  // All three belong to the engine, which outlives the router.
  LoggedEventRouter(const EventPipelineHost& host, EventHandler& handler, const DefaultEventParameters& defaults);

  void logEventOnWorkerQueue(const LoggedEvent& logged);
  void logEventOnWorkerQueue(const AnalyticsEvent& event, bool notifyEventListeners, bool editable = true);

 private:
  const EventPipelineHost& host_;
  EventHandler& handler_;
  const DefaultEventParameters& defaults_;
  // Only the engine's worker queue runs this: a debug run stops on a call from anywhere else.
  platform::foundation::SequenceChecker sequenceChecker_;
};

}  // namespace sdk::analytics

