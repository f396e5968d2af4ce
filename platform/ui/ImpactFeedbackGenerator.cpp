#include "platform/ui/ImpactFeedbackGenerator.h"

#include "platform/foundation/Clock.h"

namespace platform::ui {
namespace {

struct Record {
  std::mutex mutex;
  std::vector<ImpactFeedbackGenerator::Tick> ticks;
};

Record& record() {
  static Record r;
  return r;
}

}  // namespace

void ImpactFeedbackGenerator::impactOccurred() {
  double now = foundation::Clock::current()->monotonic();
  std::lock_guard lock(record().mutex);
  record().ticks.push_back({style_, now});
}

std::vector<ImpactFeedbackGenerator::Tick> ImpactFeedbackGenerator::ticks() {
  std::lock_guard lock(record().mutex);
  return record().ticks;
}

void ImpactFeedbackGenerator::clearTicks() {
  std::lock_guard lock(record().mutex);
  record().ticks.clear();
}

}  // namespace platform::ui
