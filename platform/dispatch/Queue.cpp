#include "platform/dispatch/Queue.h"

#include <array>

#include "platform/dispatch/MainLoop.h"
#include "platform/dispatch/detail/ConcurrentQueue.h"
#include "platform/dispatch/detail/CurrentQueueScope.h"
#include "platform/dispatch/detail/SerialQueue.h"
#include "platform/dispatch/Timer.h"

namespace platform::dispatch {

Queue::Queue(Kind kind, std::string label) : kind_(kind), label_(std::move(label)) {}
Queue::~Queue() = default;

std::shared_ptr<Queue> Queue::serial(std::string label) {
  return std::make_shared<SerialQueue>(std::move(label));
}

std::shared_ptr<Queue> Queue::concurrent(std::string label) {
  return std::make_shared<ConcurrentQueue>(std::move(label));
}

std::shared_ptr<Queue> Queue::global(Priority priority) {
  // Never destroyed, like the main queue: work may be posted to them while statics are torn down.
  static auto* queues = new std::array<std::shared_ptr<Queue>, 4>{
      concurrent("global.high"), concurrent("global.default"), concurrent("global.low"),
      concurrent("global.background")};
  return (*queues)[static_cast<std::size_t>(priority)];
}

std::shared_ptr<Queue> Queue::current() {
  if (const Queue* queue = CurrentQueueScope::innermost())
    return std::const_pointer_cast<Queue>(queue->weak_from_this().lock());
  return MainLoop::isMainThread() ? main() : nullptr;
}

bool Queue::isCurrent() const {
  if (kind_ == Kind::Main && MainLoop::isMainThread()) return true;
  return CurrentQueueScope::contains(this);
}

void Queue::after(double seconds, std::function<void()> block) {
  if (!(seconds > 0)) {
    async(std::move(block));
    return;
  }
  Timer::scheduled(seconds, false, shared_from_this(), std::move(block));
}

}  // namespace platform::dispatch
