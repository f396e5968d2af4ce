#include <atomic>
#include <mutex>
#include <vector>

#include "platform/foundation/Clock.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/AnalyticsState.h"
#include "sdk/analytics/foundation/EditingOutputScope.h"
#include "sdk/analytics/foundation/ErrorEvent.h"

namespace sdk::analytics::facade {

namespace {

State* makeState() {
  auto* made = new State();
  made->loadTimestamp = platform::foundation::Clock::current()->now();
  return made;
}

std::atomic<State*>& currentState() {
  // Never destroyed: queued blocks may reach the state while the process exits.
  static std::atomic<State*> current{makeState()};
  return current;
}

}  // namespace

State& state() {
  static const bool handlerInstalled = (Analytics::installErrorEventHandler(), true);
  (void)handlerInstalled;
  return *currentState().load();
}

void replaceState() {
  // Retired states stay reachable: work queued on their queues may still run.
  static auto* retired = new std::vector<State*>();
  static std::mutex retiredMutex;
  std::lock_guard lock(retiredMutex);
  retired->push_back(currentState().exchange(makeState()));
}

std::shared_ptr<sdk::analytics::FacadeEngine> engine() {
  State& s = state();
  std::function<std::shared_ptr<sdk::analytics::FacadeEngine>()> shared;
  {
    std::lock_guard lock(s.boundariesMutex);
    shared = s.engineAccess.sharedInstance;
  }
  return shared ? shared() : nullptr;
}

std::shared_ptr<Monitor> monitor() { return Monitor::shared(); }

std::shared_ptr<Identity> identity() {
  State& s = state();
  std::lock_guard lock(s.boundariesMutex);
  return s.identity ? s.identity : Identity::sharedInstance();
}

}  // namespace sdk::analytics::facade

namespace sdk::analytics {

using sdk::analytics::facade::state;

std::shared_ptr<platform::dispatch::Queue> Analytics::queue() { return state().serialQueue; }

void Analytics::dispatchAsyncOnSerialQueue(std::function<void()> block) { state().serialQueue->async(std::move(block)); }

void Analytics::queueOperationWithBlock(std::function<void()> block) { state().operations.add(std::move(block)); }

void Analytics::unsuspendOperationQueue() { state().operations.resume(); }

bool Analytics::isCurrentQueueSerialQueue() {
  auto current = platform::dispatch::Queue::current();
  return current && current->label() == kSerialQueueLabel;
}

double Analytics::loadTimestamp() {
  auto& s = state();
  std::lock_guard lock(s.loadTimestampMutex);
  return s.loadTimestamp;
}

void Analytics::setLoadTimestamp(double timestamp) {
  auto& s = state();
  std::lock_guard lock(s.loadTimestampMutex);
  s.loadTimestamp = timestamp;
}

bool Analytics::isEnabled() { return state().enabled.load(); }

Analytics& Analytics::sharedInstance() {
  static Analytics* instance = new Analytics();
  return *instance;
}

void Analytics::setEngineAccess(sdk::analytics::FacadeEngineAccess access) {
  auto& s = state();
  std::lock_guard lock(s.boundariesMutex);
  s.engineAccess = std::move(access);
}

void Analytics::setScreenViewReporter(std::shared_ptr<sdk::analytics::ScreenViewReporting> reporter) {
  auto& s = state();
  std::lock_guard lock(s.boundariesMutex);
  s.screenViewReporter = std::move(reporter);
}

std::shared_ptr<sdk::analytics::ScreenViewReporting> Analytics::screenViewReporter() {
  auto& s = state();
  std::lock_guard lock(s.boundariesMutex);
  return s.screenViewReporter;
}

Parameters Analytics::currentScreenParameters() {
  auto reporter = screenViewReporter();
  return reporter ? reporter->screenParameters() : Parameters{};
}

void Analytics::setIdentityForTesting(std::shared_ptr<Identity> identity) {
  auto& s = state();
  std::lock_guard lock(s.boundariesMutex);
  s.identity = std::move(identity);
}

void Analytics::installErrorEventHandler() {
  setErrorEventHandler([](const std::string& origin, const std::string& name, const Parameters& parameters) {
    Dictionary plain;
    for (const auto& [key, value] : parameters) plain[key] = value.objectValue();
    queueEventStampedNow(origin, false, name, plain, !EditingOutputScope::isOpen());
  });
}

bool isApplicationActive() {
  auto reporter = Analytics::screenViewReporter();
  // Without a reporter nothing tells of the app leaving the foreground.
  return !reporter || reporter->isAppActive();
}

void Analytics::drainForTesting() {
  auto& s = state();
  for (int round = 0; round < 3; ++round) {
    s.timestampQueue->sync([] {});
    s.serialQueue->sync([] {});
  }
}

void Analytics::resetForTesting() {
  drainForTesting();
  sdk::analytics::facade::replaceState();
}

}  // namespace sdk::analytics

