#include "platform/dispatch/ProcessEnd.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <mutex>
#include <vector>

#include "platform/dispatch/MainLoop.h"
#include "platform/dispatch/detail/WorkerPool.h"
#include "platform/foundation/PreferencesDomain.h"
#include "platform/log/Log.h"

namespace platform::dispatch {

namespace {

struct Stop {
  unsigned long id;
  int order;
  std::string name;
  std::function<void()> run;
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
    {
      // A stop that an earlier one released (its object went away) is skipped.
      Stops& s = stops();
      std::lock_guard lock(s.mutex);
      if (std::none_of(s.list.begin(), s.list.end(), [&](const Stop& kept) { return kept.id == stop.id; })) continue;
    }
    try {
      stop.run();
    } catch (const std::exception& e) {
      log::write(log::Error, "stopping " + stop.name + " at exit failed: " + e.what());
    }
  }
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

bool ProcessEnd::run(double drainSeconds) {
  if (stops().ran.exchange(true)) return true;
  runStops();
  // Queued work finishes; blocks it posts to the main queue run here too. The pool going idle wakes
  // nobody, so the main loop looks at it between its short waits and comes back as soon as it is idle:
  // a process about to end has nothing else to do meanwhile.
  constexpr double kLook = 0.01;
  WorkerPool& pool = WorkerPool::shared();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(drainSeconds);
  bool drained = false;
  while (true) {
    MainLoop::runUntilIdle();
    if (pool.isIdle() && MainLoop::runUntilIdle() == 0) {
      drained = true;
      break;
    }
    if (std::chrono::steady_clock::now() >= deadline) break;
    MainLoop::runUntil([&pool] { return pool.isIdle(); }, kLook);
  }
  if (drained) {
    pool.joinThreads();
  } else {
    log::write(log::Warning, "work was still running at exit after " + std::to_string(drainSeconds) +
                                 " s; its threads are left to the system");
  }
  foundation::PreferencesDomain::synchronizeAll();
  return drained;
}

bool ProcessEnd::hasRun() { return stops().ran.load(); }

void ProcessEnd::resetForTesting() { stops().ran = false; }

}  // namespace platform::dispatch
