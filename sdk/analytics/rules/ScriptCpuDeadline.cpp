#include "sdk/analytics/rules/ScriptCpuDeadline.h"

#include <algorithm>
#include <atomic>

#include "platform/foundation/ThreadCpuClock.h"

namespace sdk::analytics {

namespace {
// A look costs a system call, about half a microsecond: one a millisecond is lost in the work.
constexpr std::int64_t kNanosecondsBetweenLooks = 1'000'000;
constexpr std::int64_t kLeastStride = 16;
constexpr std::int64_t kMostStride = 1 << 16;
// The first look of an event comes early, so that little goes unseen before it, and late enough
// that a typical rule's event ends without one.
constexpr std::int64_t kFirstStride = 256;
constexpr std::int64_t kMostGrowth = 8;

std::atomic<bool> everythingCut{false};
}  // namespace

void ScriptCpuDeadline::cutEverything() { everythingCut.store(true, std::memory_order_relaxed); }
bool ScriptCpuDeadline::isCut() { return everythingCut.load(std::memory_order_relaxed); }
void ScriptCpuDeadline::uncutForTesting() { everythingCut.store(false, std::memory_order_relaxed); }

ScriptCpuDeadline::ScriptCpuDeadline() : clock_(platform::foundation::ThreadCpuClock::current()) { restart(); }

ScriptCpuDeadline::~ScriptCpuDeadline() = default;

void ScriptCpuDeadline::restart() {
  used_ = 0;
  started_ = false;
  stride_ = kFirstStride;
}

bool ScriptCpuDeadline::passed(std::int64_t allowed) {
  const auto now = clock_->threadNanoseconds();
  const auto thread = std::this_thread::get_id();
  if (started_ && thread == lastThread_) {
    const auto spent = std::max<std::int64_t>(now - lastLook_, 1);
    used_ += spent;
    // The stride that would have taken the time wanted, growing a few times at most at once.
    stride_ = std::clamp(stride_ * kNanosecondsBetweenLooks / spent, kLeastStride, std::min(kMostStride, stride_ * kMostGrowth));
  }
  started_ = true;
  lastLook_ = now;
  lastThread_ = thread;
  return used_ > allowed || isCut();
}

}  // namespace sdk::analytics
