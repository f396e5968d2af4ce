#include "platform/dispatch/detail/Completion.h"

#include "platform/dispatch/MainLoop.h"

namespace platform::dispatch {

void Completion::finish(std::exception_ptr error) {
  {
    std::lock_guard lock(mutex_);
    finished_ = true;
    error_ = std::move(error);
    done_.notify_all();
  }
  if (wakesMainLoop_) MainLoop::wakeUp();
}

void Completion::wait() {
  std::unique_lock lock(mutex_);
  done_.wait(lock, [this] { return finished_; });
}

bool Completion::isDone() const {
  std::lock_guard lock(mutex_);
  return finished_;
}

void Completion::rethrowIfFailed() const {
  std::lock_guard lock(mutex_);
  if (error_) std::rethrow_exception(error_);
}

}  // namespace platform::dispatch
