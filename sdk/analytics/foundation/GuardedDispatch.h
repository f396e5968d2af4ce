#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "platform/dispatch/Queue.h"

namespace sdk::analytics {

// Blocks put on the analytics' own queues (the engine's worker queue, the experiments' two queues) are
// guarded: an exception a block throws ends that block only and is logged as a monitored error with
// the caller's code and text, the exception's own words as context ("unknown exception" for one that
// says nothing), so the queue and what waits on it go on. A caller that waits for its block and must
// hear of the failure has it passed on as well.
class GuardedDispatch {
 public:
  enum class Thrown { kSwallowed, kPassedOn };

  // What is logged when a block throws, and whether the exception goes on to the caller.
  struct OnException {
    std::int64_t messageCode;
    std::string message;
    Thrown thrown = Thrown::kSwallowed;
  };

  static void run(const std::function<void()>& block, const OnException& onException);

  // Adds the block to `queue` and returns at once; the exception of an asynchronous block is never
  // passed on, there is no one to hear it.
  static void async(platform::dispatch::Queue& queue, std::function<void()> block, OnException onException);
  // The same for a block about an object the queue must not keep alive: an owner gone by the time the
  // block's turn comes runs nothing.
  template <typename Owner>
  static void async(platform::dispatch::Queue& queue, std::weak_ptr<Owner> owner,
                    std::function<void(Owner&)> block, OnException onException) {
    async(
        queue,
        [owner = std::move(owner), block = std::move(block)] {
          if (auto held = owner.lock()) block(*held);
        },
        std::move(onException));
  }

  // Runs the block on `queue` and returns when it has finished (inline when called from the queue).
  static void sync(platform::dispatch::Queue& queue, const std::function<void()>& block,
                   const OnException& onException);
};

}  // namespace sdk::analytics
