// The operators that continue one promise: then, catch, recover, always, validate, delay, timeout and
// reduce. Each is a chain or an observation on the core; none touches a promise's state directly.
#include "sdk/promises/VBLPromise.h"

using platform::foundation::Error;
using platform::foundation::Value;

VBLPromise::Ptr VBLPromise::then(ChainedFulfillBlock work) {
  return chain(TargetQueue::defaultQueue(), std::move(work), nullptr);
}

VBLPromise::Ptr VBLPromise::onQueueThen(VBLQueue queue, ChainedFulfillBlock work) {
  return chainOnQueue(std::move(queue), std::move(work), nullptr);
}

VBLPromise::Ptr VBLPromise::catchError(RejectBlock reject) {
  return onQueueCatch(defaultDispatchQueue(), std::move(reject));
}

VBLPromise::Ptr VBLPromise::onQueueCatch(VBLQueue queue, RejectBlock reject) {
  return chainOnQueue(std::move(queue), nullptr, [reject = std::move(reject)](const Error& error) {
    if (reject) reject(error);
    return VBLValueWithError(error);
  });
}

VBLPromise::Ptr VBLPromise::recover(ChainedRejectBlock recovery) {
  return onQueueRecover(defaultDispatchQueue(), std::move(recovery));
}

VBLPromise::Ptr VBLPromise::onQueueRecover(VBLQueue queue, ChainedRejectBlock recovery) {
  return chainOnQueue(std::move(queue), nullptr, std::move(recovery));
}

VBLPromise::Ptr VBLPromise::always(std::function<void()> work) {
  return onQueueAlways(defaultDispatchQueue(), std::move(work));
}

VBLPromise::Ptr VBLPromise::onQueueAlways(VBLQueue queue, std::function<void()> work) {
  return chainOnQueue(
      std::move(queue),
      [work](const Value& value) {
        if (work) work();
        return value;
      },
      [work](const Error& error) {
        if (work) work();
        return VBLValueWithError(error);
      });
}

VBLPromise::Ptr VBLPromise::validate(std::function<bool(const Value&)> predicate) {
  return onQueueValidate(defaultDispatchQueue(), std::move(predicate));
}

VBLPromise::Ptr VBLPromise::onQueueValidate(VBLQueue queue, std::function<bool(const Value&)> predicate) {
  return chainOnQueue(
      std::move(queue),
      [predicate = std::move(predicate)](const Value& value) {
        return predicate(value) ? value : VBLValueWithError(VBLPromiseMakeError(VBLPromiseErrorCodeValidationFailure));
      },
      nullptr);
}

VBLPromise::Ptr VBLPromise::delay(double interval) { return onQueueDelay(defaultDispatchQueue(), interval); }

VBLPromise::Ptr VBLPromise::onQueueDelay(VBLQueue queue, double interval) {
  if (!queue) queue = defaultDispatchQueue();
  Ptr delayed = pendingPromise();
  observeOnQueue(
      queue,
      [queue, interval, delayed](const Value& value) {
        queue->after(interval, [delayed, value] { delayed->fulfill(value); });
      },
      [delayed](const Error& error) { delayed->reject(error); });
  return delayed;
}

VBLPromise::Ptr VBLPromise::timeout(double interval) { return onQueueTimeout(defaultDispatchQueue(), interval); }

VBLPromise::Ptr VBLPromise::onQueueTimeout(VBLQueue queue, double interval) {
  if (!queue) queue = defaultDispatchQueue();
  Ptr limited = pendingPromise();
  observeOnQueue(
      queue, [limited](const Value& value) { limited->fulfill(value); },
      [limited](const Error& error) { limited->reject(error); });
  // Held weakly: a timer must not keep alive a promise that nobody waits for any more.
  std::weak_ptr<VBLPromise> weakLimited = limited;
  queue->after(interval, [weakLimited] {
    if (auto strong = weakLimited.lock()) strong->reject(VBLPromiseMakeError(VBLPromiseErrorCodeTimedOut));
  });
  return limited;
}

VBLPromise::Ptr VBLPromise::reduce(Array items, ReduceBlock combine) {
  return onQueueReduce(defaultDispatchQueue(), std::move(items), std::move(combine));
}

VBLPromise::Ptr VBLPromise::onQueueReduce(VBLQueue queue, Array items, ReduceBlock combine) {
  Ptr current = self();
  for (auto& item : items) {
    current = current->chainOnQueue(
        queue, [combine, item = std::move(item)](const Value& partial) { return combine(partial, item); }, nullptr);
  }
  return current;
}
