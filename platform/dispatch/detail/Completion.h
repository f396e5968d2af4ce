#pragma once

// Internal to platform/dispatch: the queues are built from these; never include them elsewhere.

#include <condition_variable>
#include <exception>
#include <mutex>

namespace platform::dispatch {

// A one-time signal between threads, carrying an exception when the work failed.
class Completion {
 public:
  explicit Completion(bool wakesMainLoop = false) : wakesMainLoop_(wakesMainLoop) {}
  void finish(std::exception_ptr error = nullptr);
  void wait();
  bool isDone() const;
  void rethrowIfFailed() const;

 private:
  const bool wakesMainLoop_;
  mutable std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  std::exception_ptr error_;
};

}  // namespace platform::dispatch
