#pragma once

// Internal to platform/dispatch: the queues are built from these; never include them elsewhere.

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/dispatch/Queue.h"

namespace platform::dispatch {

class Completion;

// A serial queue drains on a pool worker while it has blocks, one at a time. Exactly one party owns
// the queue while work is queued or running: the draining worker, or a sync() caller to whom the
// worker handed the queue over when the caller's turn came.
class SerialQueue final : public Queue {
 public:
  explicit SerialQueue(std::string label) : Queue(Kind::Serial, std::move(label)) {}

  void async(std::function<void()> block) override;
  void sync(const std::function<void()>& block) override;

 private:
  struct Item {
    std::function<void()> block;
    std::shared_ptr<Completion> handOver;  // set for a waiting sync() caller
  };

  void startDrainLocked();
  void submitDrain();
  void drain();
  void release();

  std::mutex mutex_;
  std::deque<Item> items_;
  bool owned_ = false;
};

}  // namespace platform::dispatch
