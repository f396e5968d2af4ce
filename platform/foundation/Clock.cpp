#include "platform/foundation/Clock.h"

#include "platform/foundation/SystemClock.h"

#include <cmath>
#include <limits>

namespace platform::foundation {

namespace {

constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();

std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
  return (b > 0 && a > kNever - b) ? kNever : a + b;
}

thread_local int firingDepth = 0;

struct CurrentClock {
  std::mutex mutex;
  std::shared_ptr<Clock> system = std::make_shared<SystemClock>();
  std::shared_ptr<Clock> current = system;
  std::shared_ptr<Clock> network = system;
  std::shared_ptr<Clock> systemTimes = system;
};

// Never destroyed: timers and queues may still reach the clock while statics are torn down at exit.
CurrentClock& currentClock() {
  static auto* holder = new CurrentClock();
  return *holder;
}

using Slot = std::shared_ptr<Clock> CurrentClock::*;

std::shared_ptr<Clock> clockIn(Slot slot) {
  auto& holder = currentClock();
  std::lock_guard lock(holder.mutex);
  return holder.*slot;
}

// nullptr puts the system clock back.
void installIn(Slot slot, std::shared_ptr<Clock> clock) {
  auto& holder = currentClock();
  std::shared_ptr<Clock> previous;  // released outside the lock
  std::lock_guard lock(holder.mutex);
  previous = std::move(holder.*slot);
  holder.*slot = clock ? std::move(clock) : holder.system;
}

}  // namespace

Clock::Clock() = default;
Clock::~Clock() = default;

std::int64_t Clock::toNanoseconds(double seconds) {
  if (!(seconds > 0)) return 0;
  if (seconds >= 9.2e9) return kNever;  // beyond int64 nanoseconds: treat as never
  return std::llround(seconds * 1e9);
}

Clock::TimerId Clock::addLocked(std::int64_t deadlineNanoseconds, std::function<void()> fire) {
  TimerId id = nextId_++;
  auto added = timers_.emplace(Key{deadlineNanoseconds, id}, std::move(fire)).first;
  deadlines_.emplace(id, deadlineNanoseconds);
  timerAddedLocked(added == timers_.begin());
  return id;
}

Clock::TimerId Clock::schedule(std::int64_t deadlineNanoseconds, std::function<void()> fire) {
  std::lock_guard lock(mutex_);
  return addLocked(deadlineNanoseconds, std::move(fire));
}

Clock::TimerId Clock::scheduleAfter(double seconds, std::function<void()> fire, std::int64_t* deadline) {
  std::lock_guard lock(mutex_);
  const std::int64_t due = saturatingAdd(monotonicNanosecondsLocked(), toNanoseconds(seconds));
  if (deadline) *deadline = due;
  return addLocked(due, std::move(fire));
}

bool Clock::cancel(TimerId id) {
  std::function<void()> dropped;  // destroyed outside the lock: it may own arbitrary state
  std::lock_guard lock(mutex_);
  auto found = deadlines_.find(id);
  if (found == deadlines_.end()) return false;
  auto timer = timers_.find(Key{found->second, id});
  dropped = std::move(timer->second);
  timers_.erase(timer);
  deadlines_.erase(found);
  // No wake-up: a waiter sleeping toward the cancelled deadline wakes, finds nothing due and sleeps on.
  return true;
}

std::size_t Clock::pendingTimers() const {
  std::lock_guard lock(mutex_);
  return timers_.size();
}

std::optional<double> Clock::nextDeadline() const {
  std::lock_guard lock(mutex_);
  auto earliest = earliestLocked();
  if (!earliest) return std::nullopt;
  return static_cast<double>(*earliest) / 1e9;
}

std::optional<std::int64_t> Clock::earliestLocked() const {
  if (timers_.empty()) return std::nullopt;
  return timers_.begin()->first.first;
}

std::optional<Clock::Due> Clock::takeDue(std::int64_t limit) {
  std::lock_guard lock(mutex_);
  return takeDueLocked(limit);
}

std::optional<Clock::Due> Clock::takeDueLocked(std::int64_t limit) {
  if (timers_.empty() || timers_.begin()->first.first > limit) return std::nullopt;
  auto first = timers_.begin();
  Due due{first->first.first, std::move(first->second)};
  deadlines_.erase(first->first.second);
  timers_.erase(first);
  return due;
}

std::shared_ptr<Clock> Clock::current() { return clockIn(&CurrentClock::current); }

void Clock::setCurrent(std::shared_ptr<Clock> clock) { installIn(&CurrentClock::current, std::move(clock)); }

std::shared_ptr<Clock> Clock::system() { return clockIn(&CurrentClock::system); }

std::shared_ptr<Clock> Clock::forNetworkDeadlines() { return clockIn(&CurrentClock::network); }

void Clock::setForNetworkDeadlines(std::shared_ptr<Clock> clock) {
  installIn(&CurrentClock::network, std::move(clock));
}

std::shared_ptr<Clock> Clock::forSystemTimes() { return clockIn(&CurrentClock::systemTimes); }

void Clock::setForSystemTimes(std::shared_ptr<Clock> clock) { installIn(&CurrentClock::systemTimes, std::move(clock)); }

// ---- ManualClock

ManualClock::ManualClock(double wallStart, double monotonicStart)
    : wallStart_(wallStart), monotonicStart_(toNanoseconds(monotonicStart)) {}

double ManualClock::now() const {
  std::lock_guard lock(mutex_);
  return wallStart_ + static_cast<double>(elapsed_) / 1e9;
}

std::int64_t ManualClock::monotonicNanoseconds() const {
  std::lock_guard lock(mutex_);
  return monotonicNanosecondsLocked();
}

std::int64_t ManualClock::monotonicNanosecondsLocked() const { return monotonicStart_ + elapsed_; }

std::int64_t ManualClock::endOfAdvanceLocked(double seconds) const {
  return saturatingAdd(monotonicNanosecondsLocked(), toNanoseconds(seconds));
}

double ManualClock::wallTimeAfter(double seconds) const {
  std::lock_guard lock(mutex_);
  return wallStart_ + static_cast<double>(endOfAdvanceLocked(seconds) - monotonicStart_) / 1e9;
}

void ManualClock::setBeforeEachMove(std::function<void()> settle) {
  std::lock_guard lock(mutex_);
  beforeEachMove_ = std::move(settle);
}

std::optional<Clock::Due> ManualClock::moveToNextDue(std::int64_t end) {
  std::lock_guard lock(mutex_);
  auto due = takeDueLocked(end);
  elapsed_ = std::max(elapsed_, (due ? due->deadline : end) - monotonicStart_);
  return due;
}

void ManualClock::advance(double seconds) {
  std::int64_t end;
  std::function<void()> settle;
  {
    std::lock_guard lock(mutex_);
    end = endOfAdvanceLocked(seconds);
    settle = beforeEachMove_;
  }
  while (true) {
    if (settle) settle();
    auto due = moveToNextDue(end);
    if (!due) return;
    ++firingDepth;
    struct Leave {
      ~Leave() { --firingDepth; }
    } leave;
    due->fire();
  }
}

bool ManualClock::isFiringOnThisThread() { return firingDepth > 0; }

}  // namespace platform::foundation
