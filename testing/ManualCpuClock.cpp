#include "testing/ManualCpuClock.h"

namespace ostrel::testing {

namespace {
constexpr std::int64_t kSecondsBetweenOrigins = 1'000'000;
std::atomic<std::int64_t> nextOrigin{0};
}  // namespace

std::int64_t ManualCpuClock::threadNanoseconds() const {
  thread_local const std::int64_t origin = nextOrigin.fetch_add(kSecondsBetweenOrigins * 1'000'000'000);
  return origin + (now_ += nextMove());
}

void ManualCpuClock::moveNextReadsBy(std::initializer_list<std::int64_t> moves) {
  std::lock_guard lock(mutex_);
  moves_.insert(moves_.end(), moves.begin(), moves.end());
}

std::int64_t ManualCpuClock::nextMove() const {
  std::lock_guard lock(mutex_);
  if (moves_.empty()) return step;
  const std::int64_t move = moves_.front();
  moves_.pop_front();
  return move;
}

}  // namespace ostrel::testing
