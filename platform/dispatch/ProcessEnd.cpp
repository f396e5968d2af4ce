#include "platform/dispatch/ProcessEnd.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <exception>
#include <mutex>
#include <vector>

#include "platform/dispatch/AbandonableWork.h"
#include "platform/dispatch/EndDeadline.h"
#include "platform/dispatch/MainLoop.h"
#include "platform/dispatch/detail/WorkerPool.h"
#include "platform/foundation/PreferencesDomain.h"
#include "platform/log/Log.h"

namespace platform::dispatch {

namespace {

// What the end writes is named as its own in the log.
constexpr const char* kFacility = "ProcessEnd";

// A stop to run, or (without `run`) work in flight the end waits for: a request on its way, or the
// device's work on an answer that came (`answered`).
struct Stop {
  unsigned long id;
  int order;
  std::string name;
  std::function<void()> run;
  bool answered = false;
};

struct Stops {
  std::mutex mutex;
  unsigned long nextID = 1;
  std::vector<Stop> list;
  std::atomic<bool> ran{false};
};

// Never destroyed: registrations held by objects that outlive main (a test's statics) still reach it.
Stops& stops() {
  static auto* instance = new Stops;
  return *instance;
}

void runStops() {
  std::vector<Stop> ordered;
  {
    Stops& s = stops();
    std::lock_guard lock(s.mutex);
    ordered = s.list;
  }
  std::stable_sort(ordered.begin(), ordered.end(), [](const Stop& a, const Stop& b) { return a.order < b.order; });
  for (const Stop& stop : ordered) {
    if (!stop.run) continue;
    {
      // A stop that an earlier one released (its object went away) is skipped.
      Stops& s = stops();
      std::lock_guard lock(s.mutex);
      if (std::none_of(s.list.begin(), s.list.end(), [&](const Stop& kept) { return kept.id == stop.id; })) continue;
    }
    try {
      stop.run();
    } catch (const std::exception& e) {
      log::write(log::Error, kFacility, "stopping " + stop.name + " at exit failed: " + e.what());
    }
  }
}

std::vector<std::string> workInFlight(bool answeredOnly = false) {
  Stops& s = stops();
  std::lock_guard lock(s.mutex);
  std::vector<std::string> names;
  for (const Stop& stop : s.list) {
    if (!stop.run && (stop.answered || !answeredOnly)) names.push_back(stop.name);
  }
  return names;
}

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (const auto& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

// "5 s", "0.05 s": as a person writes a wait.
std::string secondsText(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%g s", seconds);
  return text;
}

}  // namespace

ProcessEnd::Registration::~Registration() { reset(); }

ProcessEnd::Registration::Registration(Registration&& other) noexcept : id_(other.id_) { other.id_ = 0; }

ProcessEnd::Registration& ProcessEnd::Registration::operator=(Registration&& other) noexcept {
  if (this != &other) {
    reset();
    id_ = other.id_;
    other.id_ = 0;
  }
  return *this;
}

void ProcessEnd::Registration::reset() {
  if (id_ == 0) return;
  Stops& s = stops();
  std::lock_guard lock(s.mutex);
  std::erase_if(s.list, [this](const Stop& stop) { return stop.id == id_; });
  id_ = 0;
}

ProcessEnd::Registration ProcessEnd::add(int order, std::string name, std::function<void()> stop) {
  Stops& s = stops();
  std::lock_guard lock(s.mutex);
  const unsigned long id = s.nextID++;
  s.list.push_back(Stop{id, order, std::move(name), std::move(stop)});
  return Registration(id);
}

ProcessEnd::Registration ProcessEnd::addWorkInFlight(std::string name) { return add(0, std::move(name), {}); }

ProcessEnd::Registration ProcessEnd::addAnsweredWork(std::string name) {
  Stops& s = stops();
  std::lock_guard lock(s.mutex);
  const unsigned long id = s.nextID++;
  s.list.push_back(Stop{id, 0, std::move(name), {}, true});
  return Registration(id);
}

bool ProcessEnd::hasWorkInFlight() { return !workInFlight().empty(); }

bool ProcessEnd::run(double drainSeconds) {
  if (stops().ran.exchange(true)) return true;
  runStops();
  // Queued work finishes, blocks it posts to the main queue run here too, and work in flight comes back:
  // a process about to end has nothing else to do meanwhile. All of it within the end's one deadline,
  // the last of it kept for the device's work on an answer that comes in the last instant.
  drainSeconds = std::min(drainSeconds, std::max(0.0, EndDeadline::secondsLeft() - kAnsweredWorkSeconds));
  WorkerPool& pool = WorkerPool::shared();
  bool drained = MainLoop::runUntilQueuesIdle(drainSeconds, [] { return !hasWorkInFlight(); });
  if (!drained && !workInFlight(true).empty()) {
    // An answer came while the end still waited: it is taken, and what it asks is done whole, the work
    // it queues included.
    drained = MainLoop::runUntilQueuesIdle(kAnsweredWorkSeconds, [] { return workInFlight(true).empty(); }) &&
              !hasWorkInFlight();
  }
  const std::string bound = secondsText(drainSeconds);
  if (const auto unfinished = workInFlight(); !drained && !unfinished.empty()) {
    const bool one = unfinished.size() == 1;
    log::write(log::Warning, kFacility, joined(unfinished) + (one ? " was still on its way" : " were still on their way") +
                                 " when the app ended, and " + (one ? "was" : "were") +
                                 " left unfinished after a wait of " + bound);
  }
  if (drained || pool.isIdle()) {
    pool.joinThreads();
  } else {
    log::write(log::Warning, kFacility, "work was still running at exit after " + bound + "; its threads are left to the system");
  }
  AbandonableWork::endOfProcess();
  foundation::PreferencesDomain::synchronizeAll();
  return drained;
}

bool ProcessEnd::hasRun() { return stops().ran.load(); }

void ProcessEnd::resetForTesting() { stops().ran = false; }

}  // namespace platform::dispatch
