#include "sdk/promises/PromiseContinue.h"

#include <utility>

#include "sdk/promises/Promise.h"

namespace sdk::promises {

using platform::foundation::Error;
using platform::foundation::Value;
using Ptr = Promise::Ptr;

Promise& PromiseContinue::promise() { return static_cast<Promise&>(*this); }

Ptr PromiseContinue::self() const { return static_cast<const Promise&>(*this).self(); }

Ptr PromiseContinue::then(PromiseTypes::ChainedFulfillBlock work) {
  return promise().chain(Promise::TargetQueue::defaultQueue(), std::move(work), nullptr);
}

Ptr PromiseContinue::onQueueThen(DispatchQueuePtr queue, PromiseTypes::ChainedFulfillBlock work) {
  return promise().chainOnQueue(std::move(queue), std::move(work), nullptr);
}

Ptr PromiseContinue::catchError(PromiseTypes::RejectBlock reject) {
  return onQueueCatch(Promise::defaultDispatchQueue(), std::move(reject));
}

Ptr PromiseContinue::onQueueCatch(DispatchQueuePtr queue, PromiseTypes::RejectBlock reject) {
  return promise().chainOnQueue(std::move(queue), nullptr, [reject = std::move(reject)](const Error& error) {
    if (reject) reject(error);
    return valueWithError(error);
  });
}

Ptr PromiseContinue::recover(PromiseTypes::ChainedRejectBlock recovery) {
  return onQueueRecover(Promise::defaultDispatchQueue(), std::move(recovery));
}

Ptr PromiseContinue::onQueueRecover(DispatchQueuePtr queue, PromiseTypes::ChainedRejectBlock recovery) {
  return promise().chainOnQueue(std::move(queue), nullptr, std::move(recovery));
}

Ptr PromiseContinue::always(std::function<void()> work) {
  return onQueueAlways(Promise::defaultDispatchQueue(), std::move(work));
}

Ptr PromiseContinue::onQueueAlways(DispatchQueuePtr queue, std::function<void()> work) {
  return promise().chainOnQueue(
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

Ptr PromiseContinue::validate(std::function<bool(const Value&)> predicate) {
  return onQueueValidate(Promise::defaultDispatchQueue(), std::move(predicate));
}

Ptr PromiseContinue::onQueueValidate(DispatchQueuePtr queue, std::function<bool(const Value&)> predicate) {
  return promise().chainOnQueue(
      std::move(queue),
      [predicate = std::move(predicate)](const Value& value) {
        return predicate(value) ? value : valueWithError(makePromiseError(kPromiseErrorCodeValidationFailure));
      },
      nullptr);
}

Ptr PromiseContinue::delay(double interval) { return onQueueDelay(Promise::defaultDispatchQueue(), interval); }

Ptr PromiseContinue::onQueueDelay(DispatchQueuePtr queue, double interval) {
  if (!queue) queue = Promise::defaultDispatchQueue();
  Ptr delayed = Promise::pendingPromise();
  promise().observeOnQueue(
      queue,
      [queue, interval, delayed](const Value& value) {
        queue->after(interval, [delayed, value] { delayed->fulfill(value); });
      },
      [delayed](const Error& error) { delayed->reject(error); });
  return delayed;
}

Ptr PromiseContinue::timeout(double interval) { return onQueueTimeout(Promise::defaultDispatchQueue(), interval); }

Ptr PromiseContinue::onQueueTimeout(DispatchQueuePtr queue, double interval) {
  if (!queue) queue = Promise::defaultDispatchQueue();
  Ptr limited = Promise::pendingPromise();
  promise().observeOnQueue(
      queue, [limited](const Value& value) { limited->fulfill(value); },
      [limited](const Error& error) { limited->reject(error); });
  // Held weakly: a timer must not keep alive a promise that nobody waits for any more.
  std::weak_ptr<Promise> weakLimited = limited;
  queue->after(interval, [weakLimited] {
    if (auto strong = weakLimited.lock()) strong->reject(makePromiseError(kPromiseErrorCodeTimedOut));
  });
  return limited;
}

Ptr PromiseContinue::reduce(PromiseTypes::Array items, PromiseTypes::ReduceBlock combine) {
  return onQueueReduce(Promise::defaultDispatchQueue(), std::move(items), std::move(combine));
}

Ptr PromiseContinue::onQueueReduce(DispatchQueuePtr queue, PromiseTypes::Array items,
                                   PromiseTypes::ReduceBlock combine) {
  Ptr current = self();
  for (auto& item : items) {
    current = current->chainOnQueue(
        queue, [combine, item = std::move(item)](const Value& partial) { return combine(partial, item); }, nullptr);
  }
  return current;
}

// The dot syntax.

PromiseContinue::Call<Promise::ChainedFulfillBlock> PromiseContinue::then() const {
  return PromiseTypes::bound(self(), &PromiseContinue::then);
}

PromiseContinue::Call<DispatchQueuePtr, Promise::ChainedFulfillBlock> PromiseContinue::thenOn() const {
  return PromiseTypes::bound(self(), &PromiseContinue::onQueueThen);
}

PromiseContinue::Call<Promise::RejectBlock> PromiseContinue::catchError() const {
  return PromiseTypes::bound(self(), &PromiseContinue::catchError);
}

PromiseContinue::Call<DispatchQueuePtr, Promise::RejectBlock> PromiseContinue::catchOn() const {
  return PromiseTypes::bound(self(), &PromiseContinue::onQueueCatch);
}

PromiseContinue::Call<Promise::ChainedRejectBlock> PromiseContinue::recover() const {
  return PromiseTypes::bound(self(), &PromiseContinue::recover);
}

PromiseContinue::Call<DispatchQueuePtr, Promise::ChainedRejectBlock> PromiseContinue::recoverOn() const {
  return PromiseTypes::bound(self(), &PromiseContinue::onQueueRecover);
}

PromiseContinue::Call<std::function<void()>> PromiseContinue::always() const {
  return PromiseTypes::bound(self(), &PromiseContinue::always);
}

PromiseContinue::Call<DispatchQueuePtr, std::function<void()>> PromiseContinue::alwaysOn() const {
  return PromiseTypes::bound(self(), &PromiseContinue::onQueueAlways);
}

PromiseContinue::Call<std::function<bool(const Value&)>> PromiseContinue::validate() const {
  return PromiseTypes::bound(self(), &PromiseContinue::validate);
}

PromiseContinue::Call<DispatchQueuePtr, std::function<bool(const Value&)>> PromiseContinue::validateOn() const {
  return PromiseTypes::bound(self(), &PromiseContinue::onQueueValidate);
}

PromiseContinue::Call<double> PromiseContinue::delay() const {
  return PromiseTypes::bound(self(), &PromiseContinue::delay);
}

PromiseContinue::Call<DispatchQueuePtr, double> PromiseContinue::delayOn() const {
  return PromiseTypes::bound(self(), &PromiseContinue::onQueueDelay);
}

PromiseContinue::Call<double> PromiseContinue::timeout() const {
  return PromiseTypes::bound(self(), &PromiseContinue::timeout);
}

PromiseContinue::Call<DispatchQueuePtr, double> PromiseContinue::timeoutOn() const {
  return PromiseTypes::bound(self(), &PromiseContinue::onQueueTimeout);
}

PromiseContinue::Call<Promise::Array, Promise::ReduceBlock> PromiseContinue::reduce() const {
  return PromiseTypes::bound(self(), &PromiseContinue::reduce);
}

PromiseContinue::Call<DispatchQueuePtr, Promise::Array, Promise::ReduceBlock> PromiseContinue::reduceOn() const {
  return PromiseTypes::bound(self(), &PromiseContinue::onQueueReduce);
}

}  // namespace sdk::promises

