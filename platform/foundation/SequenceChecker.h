#pragma once

#include <mutex>

#include "platform/foundation/Check.h"

namespace platform::foundation {

// Checks that an object is used from one sequence only: the serial queue whose blocks first used it
// (whichever worker thread runs them), or else the thread that first used it. Objects that belong to
// the main thread and the functions named ...OnWorkerQueue check with it, so a call from the wrong
// place stops a test run (DCHECK_CALLED_ON_VALID_SEQUENCE) instead of racing quietly.
class SequenceChecker {
 public:
  // Binds to the calling sequence on the first call, then answers whether the caller is on it.
  bool calledOnValidSequence() const;
  // Forgets the sequence, for an object handed to another sequence; the next check binds again.
  void detach();

  // What the dispatch layer tells about the calling thread: the innermost serial queue it runs a block
  // of (nullptr when none, and for the main queue, which is the main thread's), and whether it runs a
  // block of a given queue at any depth (a block that synced onto another queue is still on its own).
  struct Queues {
    const void* (*innermost)() = nullptr;
    bool (*running)(const void* queue) = nullptr;
  };
  static void setQueues(Queues queues);

 private:
  mutable std::mutex mutex_;
  mutable const void* queue_ = nullptr;
  mutable const void* thread_ = nullptr;
};

}  // namespace platform::foundation

#define DCHECK_CALLED_ON_VALID_SEQUENCE(checker) DCHECK((checker).calledOnValidSequence())
