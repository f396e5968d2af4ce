#pragma once

#include <functional>
#include <memory>
#include <string>

namespace platform::dispatch {

// A queue of blocks. Serial queues run their blocks one at a time in the order they were added;
// concurrent queues (and the global queues) run them side by side on the shared worker threads; the
// main queue runs its blocks on the main thread, when MainLoop drains it.
//
// Queues are shared: hold them in std::shared_ptr. A queue with blocks still waiting stays alive
// until they have run, so dropping the last reference never loses or cancels queued work.
class Queue : public std::enable_shared_from_this<Queue> {
 public:
  enum class Kind { Serial, Concurrent, Main };
  enum class Priority { High, Default, Low, Background };

  static std::shared_ptr<Queue> serial(std::string label);
  static std::shared_ptr<Queue> concurrent(std::string label);
  // The queue drained by MainLoop on the main thread.
  static std::shared_ptr<Queue> main();
  // One shared concurrent queue per priority. Priorities only name the queues; all share the pool.
  static std::shared_ptr<Queue> global(Priority priority = Priority::Default);
  // The queue whose block the calling thread is running (the innermost when sync calls nest); the
  // main queue on the main thread outside any other queue's block; nullptr on other plain threads.
  static std::shared_ptr<Queue> current();

  virtual ~Queue();
  Queue(const Queue&) = delete;
  Queue& operator=(const Queue&) = delete;

  const std::string& label() const { return label_; }
  Kind kind() const { return kind_; }

  // Adds a block and returns at once.
  virtual void async(std::function<void()> block) = 0;
  // Runs a block on this queue and returns when it has finished. When the calling thread is already
  // running a block of this queue (also further out, through nested sync calls) the block runs
  // inline, so sync onto the current queue never deadlocks. Serial and concurrent queues run the
  // block on the calling thread once it is the queue's turn; the main queue always runs it on the
  // main thread. An exception thrown by the block reaches the caller.
  virtual void sync(const std::function<void()>& block) = 0;
  // Adds a block once `seconds` have passed on the current Clock (see Timer.h for how a ManualClock
  // delivers it). Zero, negative or NaN delays add the block at once.
  void after(double seconds, std::function<void()> block);

  // True while the calling thread runs a block of this queue (or, for the main queue, is the main thread).
  bool isCurrent() const;

 protected:
  Queue(Kind kind, std::string label);

 private:
  Kind kind_;
  std::string label_;
};

}  // namespace platform::dispatch
