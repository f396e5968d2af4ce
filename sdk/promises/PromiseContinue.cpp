// The operators that continue one promise: then, catch, recover, always, validate, delay, timeout and
// reduce. Each is a chain or an observation on the core; none touches a promise's state directly.
#include "sdk/promises/Promise.h"

namespace sdk::promises {

using platform::foundation::Error;
using platform::foundation::Value;

Promise::Ptr Promise::then(ChainedFulfillBlock work) {
  return chain(TargetQueue::defaultQueue(), std::move(work), nullptr);
}

Promise::Ptr Promise::onQueueThen(DispatchQueuePtr queue, ChainedFulfillBlock work) {
  return chainOnQueue(std::move(queue), std::move(work), nullptr);
}

Promise::Ptr Promise::catchError(RejectBlock reject) {
  return onQueueCatch(defaultDispatchQueue(), std::move(reject));
}

Promise::Ptr Promise::onQueueCatch(DispatchQueuePtr queue, RejectBlock reject) {
  return chainOnQueue(std::move(queue), nullptr, [reject = std::move(reject)](const Error& error) {
    if (reject) reject(error);
    return valueWithError(error);
  });
}

Promise::Ptr Promise::recover(ChainedRejectBlock recovery) {
  return onQueueRecover(defaultDispatchQueue(), std::move(recovery));
}

Promise::Ptr Promise::onQueueRecover(DispatchQueuePtr queue, ChainedRejectBlock recovery) {
  return chainOnQueue(std::move(queue), nullptr, std::move(recovery));
}

Promise::Ptr Promise::always(std::function<void()> work) {
  return onQueueAlways(defaultDispatchQueue(), std::move(work));
}

Promise::Ptr Promise::onQueueAlways(DispatchQueuePtr queue, std::function<void()> work) {
  return chainOnQueue(
      std::move(queue),
      [work](const Value& value) {
        if (work) work();
        return value;
      },
      [work](const Error& error) {
        if (work) work();
        return valueWithError(error);
      });
}

Promise::Ptr Promise::validate(std::function<bool(const Value&)> predicate) {
  return onQueueValidate(defaultDispatchQueue(), std::move(predicate));
}

Promise::Ptr Promise::onQueueValidate(DispatchQueuePtr queue, std::function<bool(const Value&)> predicate) {
  return chainOnQueue(
      std::move(queue),
      [predicate = std::move(predicate)](const Value& value) {
        return predicate(value) ? value : valueWithError(makePromiseError(kPromiseErrorCodeValidationFailure));
      },
      nullptr);
}

Promise::Ptr Promise::delay(double interval) { return onQueueDelay(defaultDispatchQueue(), interval); }

Promise::Ptr Promise::onQueueDelay(DispatchQueuePtr queue, double interval) {
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

Promise::Ptr Promise::timeout(double interval) { return onQueueTimeout(defaultDispatchQueue(), interval); }

Promise::Ptr Promise::onQueueTimeout(DispatchQueuePtr queue, double interval) {
  if (!queue) queue = defaultDispatchQueue();
  Ptr limited = pendingPromise();
  observeOnQueue(
      queue, [limited](const Value& value) { limited->fulfill(value); },
      [limited](const Error& error) { limited->reject(error); });
  // Held weakly: a timer must not keep alive a promise that nobody waits for any more.
  std::weak_ptr<Promise> weakLimited = limited;
  queue->after(interval, [weakLimited] {
    if (auto strong = weakLimited.lock()) strong->reject(makePromiseError(kPromiseErrorCodeTimedOut));
  });
  return limited;
}

Promise::Ptr Promise::reduce(Array items, ReduceBlock combine) {
  return onQueueReduce(defaultDispatchQueue(), std::move(items), std::move(combine));
}

Promise::Ptr Promise::onQueueReduce(DispatchQueuePtr queue, Array items, ReduceBlock combine) {
  Ptr current = self();
  for (auto& item : items) {
    current = current->chainOnQueue(
        queue, [combine, item = std::move(item)](const Value& partial) { return combine(partial, item); }, nullptr);
  }
  return current;
}

}  // namespace sdk::promises

