#pragma once

// The facade's process-wide state, shared by its source files; not for other callers.

#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

#include "platform/dispatch/Once.h"
#include "platform/dispatch/Queue.h"
#include "platform/foundation/NotificationCenter.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/UserDefaultsSuite.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"

namespace sdk::analytics::facade {

// The consent the app set before the engine started, kept in the facade's defaults until start applies it.
inline constexpr const char* kConsentSettingsOnStart = "consent_settings_on_start";

// A suspended, one-at-a-time operation queue whose operations each hand a block to the serial queue.
// While suspended the blocks wait here; resuming passes them on in arrival order, and later blocks
// follow under the same lock, so the serial queue sees them in the order they were queued.
class OperationQueue {
 public:
  explicit OperationQueue(std::shared_ptr<platform::dispatch::Queue> target) : target_(std::move(target)) {}

  void add(std::function<void()> block) {
    std::lock_guard lock(mutex_);
    if (suspended_) {
      waiting_.push_back(std::move(block));
    } else {
      target_->async(std::move(block));
    }
  }
  void resume() {
    std::lock_guard lock(mutex_);
    suspended_ = false;
    for (auto& block : waiting_) target_->async(std::move(block));
    waiting_.clear();
  }
  bool isSuspended() const {
    std::lock_guard lock(mutex_);
    return suspended_;
  }

 private:
  mutable std::mutex mutex_;
  bool suspended_ = true;
  std::deque<std::function<void()>> waiting_;
  std::shared_ptr<platform::dispatch::Queue> target_;
};

struct State {
  std::shared_ptr<platform::dispatch::Queue> serialQueue = platform::dispatch::Queue::serial(Analytics::kSerialQueueLabel);
  std::shared_ptr<platform::dispatch::Queue> timestampQueue =
      platform::dispatch::Queue::serial(Analytics::kTimestampQueueLabel);
  OperationQueue operations{serialQueue};
  UserDefaultsSuite defaults{Analytics::kSuiteName};

  std::mutex loadTimestampMutex;
  double loadTimestamp = 0;

  std::atomic<bool> enabled{false};
  std::atomic<bool> deactivated{false};
  platform::dispatch::Once startOnce;

  // Set from any thread (inline on the serial queue), read on the serial queue: guarded.
  std::mutex callbacksMutex;
  Analytics::LogEventInterceptor interceptor;
  std::map<Analytics::ListenerToken, Analytics::EventListener> listeners;
  bool hasListenerDictionary = false;
  // Listeners handed to the operation queue and not stored yet: events handled meanwhile still wait
  // for them, as they did before there was any shortcut.
  int listenersBeingAdded = 0;
  Analytics::ListenerToken nextToken = 1;
  Analytics::OpenURLListener openURLListener;

  std::mutex boundariesMutex;
  sdk::analytics::FacadeEngineAccess engineAccess;
  std::shared_ptr<sdk::analytics::ScreenViewReporting> screenViewReporter;
  std::shared_ptr<Identity> identity;  // none: the shared identity

  platform::foundation::NotificationCenter::Observation configurationObservation;
};

// Made on first use: the load time is when the library was first touched.
State& state();
// Replaces the state (tests only); the old one is kept alive, as queued work may still reach it.
void replaceState();

std::shared_ptr<sdk::analytics::FacadeEngine> engine();
std::shared_ptr<Monitor> monitor();
std::shared_ptr<Identity> identity();
using sdk::analytics::now;

}  // namespace sdk::analytics::facade
