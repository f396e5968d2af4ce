#pragma once

#include <functional>

#include "sdk/promises/PromiseTypes.h"

namespace sdk::promises {

// The operators that continue one promise: then, catch, recover, always, validate, delay, timeout and
// reduce, each with its queue form and its dot-syntax getters. Each is a chain or an observation on
// the core; none touches a promise's state directly. A promise is one (see Promise.h).
class PromiseContinue {
 public:
  using Ptr = PromiseTypes::Ptr;
  template <class... A>
  using Call = PromiseTypes::Call<A...>;

  Ptr then(PromiseTypes::ChainedFulfillBlock work);
  Ptr onQueueThen(DispatchQueuePtr queue, PromiseTypes::ChainedFulfillBlock work);
  // Runs `reject` on a rejection; the result still rejects with the same error.
  Ptr catchError(PromiseTypes::RejectBlock reject);
  Ptr onQueueCatch(DispatchQueuePtr queue, PromiseTypes::RejectBlock reject);
  Ptr recover(PromiseTypes::ChainedRejectBlock recovery);
  Ptr onQueueRecover(DispatchQueuePtr queue, PromiseTypes::ChainedRejectBlock recovery);
  Ptr always(std::function<void()> work);
  Ptr onQueueAlways(DispatchQueuePtr queue, std::function<void()> work);
  Ptr validate(std::function<bool(const PromiseTypes::Value&)> predicate);
  Ptr onQueueValidate(DispatchQueuePtr queue, std::function<bool(const PromiseTypes::Value&)> predicate);
  // Fulfils `interval` seconds after this one does; a rejection passes at once.
  Ptr delay(double interval);
  Ptr onQueueDelay(DispatchQueuePtr queue, double interval);
  // Rejects with the timed-out error unless this one settles within `interval` seconds.
  Ptr timeout(double interval);
  Ptr onQueueTimeout(DispatchQueuePtr queue, double interval);
  // Folds `items` into this promise's value, one chain step per item; no items gives this promise.
  Ptr reduce(PromiseTypes::Array items, PromiseTypes::ReduceBlock combine);
  Ptr onQueueReduce(DispatchQueuePtr queue, PromiseTypes::Array items, PromiseTypes::ReduceBlock combine);

  // The dot syntax's getters (see Promise.h).
  Call<PromiseTypes::ChainedFulfillBlock> then() const;
  Call<DispatchQueuePtr, PromiseTypes::ChainedFulfillBlock> thenOn() const;
  Call<PromiseTypes::RejectBlock> catchError() const;
  Call<DispatchQueuePtr, PromiseTypes::RejectBlock> catchOn() const;
  Call<PromiseTypes::ChainedRejectBlock> recover() const;
  Call<DispatchQueuePtr, PromiseTypes::ChainedRejectBlock> recoverOn() const;
  Call<std::function<void()>> always() const;
  Call<DispatchQueuePtr, std::function<void()>> alwaysOn() const;
  Call<std::function<bool(const PromiseTypes::Value&)>> validate() const;
  Call<DispatchQueuePtr, std::function<bool(const PromiseTypes::Value&)>> validateOn() const;
  Call<double> delay() const;
  Call<DispatchQueuePtr, double> delayOn() const;
  Call<double> timeout() const;
  Call<DispatchQueuePtr, double> timeoutOn() const;
  Call<PromiseTypes::Array, PromiseTypes::ReduceBlock> reduce() const;
  Call<DispatchQueuePtr, PromiseTypes::Array, PromiseTypes::ReduceBlock> reduceOn() const;

 protected:
  PromiseContinue() = default;

 private:
  Promise& promise();
  Ptr self() const;
};

}  // namespace sdk::promises
