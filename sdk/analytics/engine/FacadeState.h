#pragma once

// The facade's process-wide state, shared by the objects it is made of; not for other callers.

#include <atomic>
#include <memory>
#include <mutex>

#include "platform/dispatch/Once.h"
#include "platform/dispatch/Queue.h"
#include "platform/foundation/NotificationCenter.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/EventListeners.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/OperationQueue.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/UserDefaultsSuite.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"

namespace sdk::analytics::facade {

struct FacadeState {
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

  EventListeners listeners;

  std::mutex boundariesMutex;
  sdk::analytics::FacadeEngineAccess engineAccess;
  std::shared_ptr<sdk::analytics::ScreenViewReporting> screenViewReporter;
  std::shared_ptr<Identity> identity;  // none: the shared identity

  platform::foundation::NotificationCenter::Observation configurationObservation;
};

// Made on first use: the load time is when the library was first touched.
FacadeState& state();
// Replaces the state (tests only); the old one is kept alive, as queued work may still reach it.
void replaceState();

std::shared_ptr<sdk::analytics::FacadeEngine> engine();
std::shared_ptr<Monitor> monitor();
std::shared_ptr<Identity> identity();
using sdk::analytics::now;

}  // namespace sdk::analytics::facade
