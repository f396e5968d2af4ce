#include "sdk/analytics/engine/EventListeners.h"

namespace sdk::analytics::facade {

void EventListeners::setInterceptor(Analytics::LogEventInterceptor interceptor) {
  std::lock_guard lock(mutex_);
  interceptor_ = std::move(interceptor);
}

Analytics::LogEventInterceptor EventListeners::interceptor() const {
  std::lock_guard lock(mutex_);
  return interceptor_;
}

Analytics::ListenerToken EventListeners::reserveToken() {
  std::lock_guard lock(mutex_);
  return nextToken_++;
}

void EventListeners::beginAdding() {
  std::lock_guard lock(mutex_);
  ++listenersBeingAdded_;
}

void EventListeners::store(Analytics::ListenerToken token, Analytics::EventListener listener, bool queued) {
  std::lock_guard lock(mutex_);
  hasListenerDictionary_ = true;
  listeners_[token] = std::move(listener);
  if (queued && listenersBeingAdded_ > 0) --listenersBeingAdded_;
}

EventListeners::Removal EventListeners::remove(Analytics::ListenerToken token) {
  std::lock_guard lock(mutex_);
  if (!hasListenerDictionary_) return Removal::kNoneAdded;
  return listeners_.erase(token) == 0 ? Removal::kUnknownToken : Removal::kRemoved;
}

bool EventListeners::isIdle() const {
  std::lock_guard lock(mutex_);
  return listeners_.empty() && listenersBeingAdded_ == 0;
}

std::vector<Analytics::EventListener> EventListeners::listeners() const {
  std::lock_guard lock(mutex_);
  std::vector<Analytics::EventListener> listeners;
  for (const auto& [token, listener] : listeners_) listeners.push_back(listener);
  return listeners;
}

void EventListeners::setOpenURLListener(Analytics::OpenURLListener listener) {
  std::lock_guard lock(mutex_);
  openURLListener_ = std::move(listener);
}

Analytics::OpenURLListener EventListeners::openURLListener() const {
  std::lock_guard lock(mutex_);
  return openURLListener_;
}

}  // namespace sdk::analytics::facade
