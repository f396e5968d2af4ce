#include "platform/foundation/ThreadCpuClock.h"

#include <time.h>

#include <mutex>

namespace platform::foundation {

namespace {

class SystemThreadCpuClock final : public ThreadCpuClock {
 public:
  std::int64_t threadNanoseconds() const override {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
  }
};

struct CurrentThreadCpuClock {
  std::mutex mutex;
  const std::shared_ptr<ThreadCpuClock> system = std::make_shared<SystemThreadCpuClock>();
  std::shared_ptr<ThreadCpuClock> current = system;
};

// Never destroyed: a worker may still read it while statics are torn down at exit.
CurrentThreadCpuClock& currentThreadCpuClock() {
  static auto* holder = new CurrentThreadCpuClock();
  return *holder;
}

}  // namespace

ThreadCpuClock::~ThreadCpuClock() = default;

std::shared_ptr<ThreadCpuClock> ThreadCpuClock::current() {
  auto& holder = currentThreadCpuClock();
  std::lock_guard lock(holder.mutex);
  return holder.current;
}

std::shared_ptr<ThreadCpuClock> ThreadCpuClock::system() { return currentThreadCpuClock().system; }

void ThreadCpuClock::setCurrent(std::shared_ptr<ThreadCpuClock> clock) {
  auto& holder = currentThreadCpuClock();
  std::shared_ptr<ThreadCpuClock> previous;  // released outside the lock
  std::lock_guard lock(holder.mutex);
  previous = std::move(holder.current);
  holder.current = clock ? std::move(clock) : holder.system;
}

}  // namespace platform::foundation
