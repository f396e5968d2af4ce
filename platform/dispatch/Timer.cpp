#include "platform/dispatch/Timer.h"

#include "platform/dispatch/MainLoop.h"
#include "platform/dispatch/detail/Completion.h"
#include "platform/foundation/Exception.h"

namespace platform::dispatch {

using foundation::Clock;
using foundation::ManualClock;

namespace {

// A repeating timer of zero interval would spin for ever inside one advance(); this is the shortest we allow.
constexpr double kMinimumRepeatInterval = 0.0001;

// Hands a fired block to its queue. Inside ManualClock::advance(), waits until it has run where that
// wait can end (see Timer.h), so fired blocks run in deadline order across queues.
void deliver(const std::shared_ptr<Queue>& queue, std::function<void()> block) {
  if (!ManualClock::isFiringOnThisThread()) {
    queue->async(std::move(block));
    return;
  }
  const bool onMain = MainLoop::isMainThread();
  const bool isMain = queue->kind() == Queue::Kind::Main;
  if ((isMain && !onMain) || (!isMain && queue->isCurrent())) {
    queue->async(std::move(block));
    return;
  }
  auto ran = std::make_shared<Completion>(onMain);
  queue->async([ran, block = std::move(block)] {
    struct Finish {
      Completion& ran;
      ~Finish() { ran.finish(); }
    } finish{*ran};
    block();
  });
  if (onMain) MainLoop::runUntil([&] { return ran->isDone(); });
  else ran->wait();
}

}  // namespace

Timer::Timer(Private, double interval, bool repeats, std::shared_ptr<Queue> queue,
             std::function<void(Timer&)> block)
    : interval_(repeats && !(interval > 0) ? kMinimumRepeatInterval : interval),
      repeats_(repeats),
      queue_(std::move(queue)),
      block_(std::move(block)) {}

Timer::~Timer() = default;

std::shared_ptr<Timer> Timer::scheduled(double interval, bool repeats, std::shared_ptr<Queue> queue,
                                        std::function<void(Timer&)> block) {
  if (!queue) throw foundation::Exception("InvalidArgument", "a timer needs a queue");
  if (!block) throw foundation::Exception("InvalidArgument", "a timer needs a block");
  auto timer = std::make_shared<Timer>(Private(), interval, repeats, std::move(queue), std::move(block));
  auto clock = Clock::current();
  timer->clock_ = clock;
  std::lock_guard lock(timer->mutex_);
  // The clock reads its time and adds the timer in one step: a manual clock that another thread moves
  // meanwhile cannot pass the deadline before the timer is there to be fired.
  timer->pending_ = clock->scheduleAfter(
      timer->interval_, [self = timer] { self->fire(); }, &timer->deadline_);
  return timer;
}

std::shared_ptr<Timer> Timer::scheduled(double interval, bool repeats, std::shared_ptr<Queue> queue,
                                        std::function<void()> block) {
  if (!block) throw foundation::Exception("InvalidArgument", "a timer needs a block");
  return scheduled(interval, repeats, std::move(queue),
                   std::function<void(Timer&)>([block = std::move(block)](Timer&) { block(); }));
}

// The clock owns the timer while it is armed; invalidate() cancels and so lets it go.
void Timer::armLocked(Clock& clock, std::int64_t deadline) {
  deadline_ = deadline;
  pending_ = clock.schedule(deadline, [self = shared_from_this()] { self->fire(); });
}

void Timer::fire() {
  {
    std::lock_guard lock(mutex_);
    if (!valid_) return;
    pending_ = 0;
    auto clock = clock_.lock();
    if (repeats_ && clock) {
      // Stay on the interval grid; a system clock that fell behind skips the missed ticks.
      const std::int64_t step = std::max<std::int64_t>(1, Clock::toNanoseconds(interval_));
      const std::int64_t now = clock->monotonicNanoseconds();
      std::int64_t next = deadline_ + step;
      if (next <= now) next += ((now - next) / step + 1) * step;
      armLocked(*clock, next);
    }
  }
  deliver(queue_, [self = shared_from_this()] { self->runBlock(); });
}

void Timer::runBlock() {
  {
    std::lock_guard lock(mutex_);
    if (!valid_) return;
    if (!repeats_) valid_ = false;
  }
  block_(*this);
}

void Timer::invalidate() {
  auto keepAlive = weak_from_this().lock();  // cancelling may drop the clock's reference
  foundation::Clock::TimerId pending;
  {
    std::lock_guard lock(mutex_);
    valid_ = false;
    pending = pending_;
    pending_ = 0;
  }
  if (auto clock = clock_.lock(); clock && pending) clock->cancel(pending);
}

bool Timer::isValid() const {
  std::lock_guard lock(mutex_);
  return valid_;
}

}  // namespace platform::dispatch
