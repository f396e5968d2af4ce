#include "platform/dispatch/detail/CurrentQueueScope.h"

#include <algorithm>
#include <vector>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/SequenceChecker.h"

namespace platform::dispatch {

namespace {

thread_local std::vector<const Queue*> currentQueues;

// Sequence checkers learn from these marks which serial queue the calling code runs on; the main
// queue counts as the main thread, whose code runs both inside and outside its blocks.
const bool sequenceCheckersToldOfQueues = [] {
  foundation::SequenceChecker::setQueues(
      {[]() -> const void* {
         const Queue* queue = currentQueues.empty() ? nullptr : currentQueues.back();
         return queue == Queue::main().get() ? nullptr : queue;
       },
       [](const void* queue) {
         return std::find(currentQueues.begin(), currentQueues.end(), queue) != currentQueues.end();
       }});
  return true;
}();

}  // namespace

CurrentQueueScope::CurrentQueueScope(const Queue* queue) { currentQueues.push_back(queue); }
CurrentQueueScope::~CurrentQueueScope() { currentQueues.pop_back(); }

const Queue* CurrentQueueScope::innermost() {
  return currentQueues.empty() ? nullptr : currentQueues.back();
}

bool CurrentQueueScope::contains(const Queue* queue) {
  for (const Queue* q : currentQueues)
    if (q == queue) return true;
  return false;
}

}  // namespace platform::dispatch
