#pragma once

// Internal to platform/dispatch: the queues are built from these; never include them elsewhere.

#include <functional>
#include <string>

#include "platform/dispatch/Queue.h"

namespace platform::dispatch {

// Concurrent queues run each block on its own pool worker; sync runs the block on the caller.
class ConcurrentQueue final : public Queue {
 public:
  explicit ConcurrentQueue(std::string label) : Queue(Kind::Concurrent, std::move(label)) {}

  void async(std::function<void()> block) override;
  void sync(const std::function<void()>& block) override;
};

}  // namespace platform::dispatch
