#include "sdk/analytics/engine/FacadeState.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/foundation/Clock.h"

namespace sdk::analytics::facade {

namespace {

FacadeState* makeState() {
  auto* made = new FacadeState();
  made->loadTimestamp = platform::foundation::Clock::current()->now();
  return made;
}

std::atomic<FacadeState*>& currentState() {
  // Never destroyed: queued blocks may reach the state while the process exits.
  static std::atomic<FacadeState*> current{makeState()};
  return current;
}

}  // namespace

FacadeState& state() {
  static const bool handlerInstalled = (Analytics::installErrorEventHandler(), true);
  (void)handlerInstalled;
  return *currentState().load();
}

void replaceState() {
  // Retired states stay reachable: work queued on their queues may still run.
  static auto* retired = new std::vector<FacadeState*>();
  static std::mutex retiredMutex;
  std::lock_guard lock(retiredMutex);
  retired->push_back(currentState().exchange(makeState()));
}

std::shared_ptr<sdk::analytics::FacadeEngine> engine() {
  FacadeState& s = state();
  std::function<std::shared_ptr<sdk::analytics::FacadeEngine>()> shared;
  {
    std::lock_guard lock(s.boundariesMutex);
    shared = s.engineAccess.sharedInstance;
  }
  return shared ? shared() : nullptr;
}

std::shared_ptr<Monitor> monitor() { return Monitor::shared(); }

std::shared_ptr<Identity> identity() {
  FacadeState& s = state();
  std::lock_guard lock(s.boundariesMutex);
  return s.identity ? s.identity : Identity::sharedInstance();
}

}  // namespace sdk::analytics::facade
