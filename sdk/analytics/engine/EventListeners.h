#pragma once

#include <map>
#include <mutex>
#include <vector>

#include "sdk/analytics/engine/Analytics.h"

namespace sdk::analytics::facade {

// What the app hooked into the facade's event path: the interceptor, the event listeners by token and
// the open-URL listener. Set from any thread (inline on the serial queue), read on the serial queue.
class EventListeners {
 public:
  enum class Removal { kRemoved, kNoneAdded, kUnknownToken };

  void setInterceptor(Analytics::LogEventInterceptor interceptor);
  Analytics::LogEventInterceptor interceptor() const;

  Analytics::ListenerToken reserveToken();
  // A listener on its way through the operation queue: events handled meanwhile still wait for it.
  void beginAdding();
  void store(Analytics::ListenerToken token, Analytics::EventListener listener, bool queued);
  Removal remove(Analytics::ListenerToken token);
  // Nobody listens and nobody is on the way: an event need not travel the facade's queues.
  bool isIdle() const;
  std::vector<Analytics::EventListener> listeners() const;

  void setOpenURLListener(Analytics::OpenURLListener listener);
  Analytics::OpenURLListener openURLListener() const;

 private:
  mutable std::mutex mutex_;
  Analytics::LogEventInterceptor interceptor_;
  std::map<Analytics::ListenerToken, Analytics::EventListener> listeners_;
  bool hasListenerDictionary_ = false;
  int listenersBeingAdded_ = 0;
  Analytics::ListenerToken nextToken_ = 1;
  Analytics::OpenURLListener openURLListener_;
};

}  // namespace sdk::analytics::facade
