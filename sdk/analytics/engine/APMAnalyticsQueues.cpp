#include <atomic>
#include <mutex>
#include <vector>

#include "platform/foundation/Clock.h"
#include "sdk/analytics/engine/APMAnalytics.h"
#include "sdk/analytics/engine/APMAnalyticsState.h"
#include "sdk/analytics/foundation/APMErrorEvent.h"

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
  static const bool handlerInstalled = (APMAnalytics::installErrorEventHandler(), true);
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

std::shared_ptr<APMMonitor> monitor() { return APMMonitor::shared(); }

std::shared_ptr<APMIdentity> identity() {
  State& s = state();
  std::lock_guard lock(s.boundariesMutex);
  return s.identity ? s.identity : APMIdentity::sharedInstance();
}

}  // namespace sdk::analytics::facade

using sdk::analytics::facade::state;

std::shared_ptr<platform::dispatch::Queue> APMAnalytics::queue() { return state().serialQueue; }

void APMAnalytics::dispatchAsyncOnSerialQueue(std::function<void()> block) { state().serialQueue->async(std::move(block)); }

void APMAnalytics::queueOperationWithBlock(std::function<void()> block) { state().operations.add(std::move(block)); }

void APMAnalytics::unsuspendOperationQueue() { state().operations.resume(); }

bool APMAnalytics::isCurrentQueueSerialQueue() {
  auto current = platform::dispatch::Queue::current();
  return current && current->label() == kSerialQueueLabel;
}

double APMAnalytics::loadTimestamp() {
  auto& s = state();
  std::lock_guard lock(s.loadTimestampMutex);
  return s.loadTimestamp;
}

void APMAnalytics::setLoadTimestamp(double timestamp) {
  auto& s = state();
  std::lock_guard lock(s.loadTimestampMutex);
  s.loadTimestamp = timestamp;
}

bool APMAnalytics::isEnabled() { return state().enabled.load(); }

APMAnalytics& APMAnalytics::sharedInstance() {
  static APMAnalytics* instance = new APMAnalytics();
  return *instance;
}

void APMAnalytics::setEngineAccess(sdk::analytics::FacadeEngineAccess access) {
  auto& s = state();
  std::lock_guard lock(s.boundariesMutex);
  s.engineAccess = std::move(access);
}

void APMAnalytics::setScreenViewReporter(std::shared_ptr<sdk::analytics::ScreenViewReporting> reporter) {
  auto& s = state();
  std::lock_guard lock(s.boundariesMutex);
  s.screenViewReporter = std::move(reporter);
}

std::shared_ptr<sdk::analytics::ScreenViewReporting> APMAnalytics::screenViewReporter() {
  auto& s = state();
  std::lock_guard lock(s.boundariesMutex);
  return s.screenViewReporter;
}

APMParameters APMAnalytics::currentScreenParameters() {
  auto reporter = screenViewReporter();
  return reporter ? reporter->screenParameters() : APMParameters{};
}

void APMAnalytics::setIdentityForTesting(std::shared_ptr<APMIdentity> identity) {
  auto& s = state();
  std::lock_guard lock(s.boundariesMutex);
  s.identity = std::move(identity);
}

void APMAnalytics::installErrorEventHandler() {
  APMSetErrorEventHandler([](const std::string& origin, const std::string& name, const APMParameters& parameters) {
    Dictionary plain;
    for (const auto& [key, value] : parameters) plain[key] = value.objectValue();
    logInternalEventWithOrigin(origin, name, plain);
  });
}

bool APMIsAppActive() {
  auto reporter = APMAnalytics::screenViewReporter();
  // Without a reporter nothing tells of the app leaving the foreground.
  return !reporter || reporter->isAppActive();
}

void APMAnalytics::drainForTesting() {
  auto& s = state();
  for (int round = 0; round < 3; ++round) {
    s.timestampQueue->sync([] {});
    s.serialQueue->sync([] {});
  }
}

void APMAnalytics::resetForTesting() {
  drainForTesting();
  sdk::analytics::facade::replaceState();
}
