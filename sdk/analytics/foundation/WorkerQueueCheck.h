#pragma once

#include <string_view>

#include "platform/foundation/Check.h"
#include "platform/foundation/SequenceChecker.h"

namespace sdk::analytics {

// The one way a function says which queue it runs on: its first line is
// DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "name"), with the sequence checker of its object. The checker binds to the
// serial queue whose block first passes it (the engine's worker queue for nearly all, the experiments' own queue, the
// facade's queue for a reset). A caller passes while it runs a block of that queue, also one synced onto it from
// elsewhere, which owns the queue while it runs; a caller outside every serial queue (a plain thread, the main
// thread, the main queue) never passes and never binds the checker. A call from the wrong place stops a build with
// DCHECKs at its line; a release build goes on. Either way a call from the main thread is written to the analytics
// log as "Method <name> should execute on background thread" (code 30001), under the name the function has always
// reported, which is why the name is spelled out.
class WorkerQueueCheck {
 public:
  static bool calledOnWorkerQueue(const platform::foundation::SequenceChecker& checker, std::string_view methodName);
};

}  // namespace sdk::analytics

#if OSTREL_DCHECK_IS_ON
#define DCHECK_ON_WORKER_QUEUE(checker, methodName) \
  DCHECK(::sdk::analytics::WorkerQueueCheck::calledOnWorkerQueue((checker), (methodName)))
#else
#define DCHECK_ON_WORKER_QUEUE(checker, methodName) \
  static_cast<void>(::sdk::analytics::WorkerQueueCheck::calledOnWorkerQueue((checker), (methodName)))
#endif
