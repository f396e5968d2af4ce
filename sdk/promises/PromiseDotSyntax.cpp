#include <utility>

#include "sdk/promises/Promise.h"

namespace sdk::promises {

namespace {

using Ptr = Promise::Ptr;

// An instance method as a callable that keeps its promise.
template <class... A>
Promise::Call<A...> bound(Ptr self, Ptr (Promise::*method)(A...)) {
  return [self = std::move(self), method](A... args) { return ((*self).*method)(std::move(args)...); };
}

// A class method as a callable.
template <class... A>
Promise::Call<A...> unbound(Ptr (*method)(A...)) {
  return method;
}

}  // namespace

Promise::Call<> Promise::pending() {
  return [] { return pendingPromise(); };
}
Promise::Call<Promise::Value> Promise::resolved() {
  return [](Value resolution) { return resolvedWith(std::move(resolution)); };
}

Promise::Call<Promise::ChainedFulfillBlock> Promise::then() const { return bound(self(), &Promise::then); }
Promise::Call<DispatchQueuePtr, Promise::ChainedFulfillBlock> Promise::thenOn() const {
  return bound(self(), &Promise::onQueueThen);
}
Promise::Call<Promise::RejectBlock> Promise::catchError() const { return bound(self(), &Promise::catchError); }
Promise::Call<DispatchQueuePtr, Promise::RejectBlock> Promise::catchOn() const {
  return bound(self(), &Promise::onQueueCatch);
}
Promise::Call<Promise::ChainedRejectBlock> Promise::recover() const { return bound(self(), &Promise::recover); }
Promise::Call<DispatchQueuePtr, Promise::ChainedRejectBlock> Promise::recoverOn() const {
  return bound(self(), &Promise::onQueueRecover);
}
Promise::Call<std::function<void()>> Promise::always() const { return bound(self(), &Promise::always); }
Promise::Call<DispatchQueuePtr, std::function<void()>> Promise::alwaysOn() const {
  return bound(self(), &Promise::onQueueAlways);
}
Promise::Call<std::function<bool(const Promise::Value&)>> Promise::validate() const {
  return bound(self(), &Promise::validate);
}
Promise::Call<DispatchQueuePtr, std::function<bool(const Promise::Value&)>> Promise::validateOn() const {
  return bound(self(), &Promise::onQueueValidate);
}
Promise::Call<double> Promise::delay() const { return bound(self(), &Promise::delay); }
Promise::Call<DispatchQueuePtr, double> Promise::delayOn() const { return bound(self(), &Promise::onQueueDelay); }
Promise::Call<double> Promise::timeout() const { return bound(self(), &Promise::timeout); }
Promise::Call<DispatchQueuePtr, double> Promise::timeoutOn() const { return bound(self(), &Promise::onQueueTimeout); }
Promise::Call<Promise::Array, Promise::ReduceBlock> Promise::reduce() const { return bound(self(), &Promise::reduce); }
Promise::Call<DispatchQueuePtr, Promise::Array, Promise::ReduceBlock> Promise::reduceOn() const {
  return bound(self(), &Promise::onQueueReduce);
}

Promise::Call<Promise::AsyncWorkBlock> Promise::async() { return unbound(&Promise::async); }
Promise::Call<DispatchQueuePtr, Promise::AsyncWorkBlock> Promise::asyncOn() { return unbound(&Promise::onQueueAsync); }
Promise::Call<DispatchQueuePtr, Promise::DoWorkBlock> Promise::doOn() { return unbound(&Promise::onQueueDo); }
Promise::Call<Promise::Array> Promise::all() { return unbound(&Promise::all); }
Promise::Call<DispatchQueuePtr, Promise::Array> Promise::allOn() { return unbound(&Promise::onQueueAll); }
Promise::Call<Promise::Array> Promise::any() { return unbound(&Promise::any); }
Promise::Call<DispatchQueuePtr, Promise::Array> Promise::anyOn() { return unbound(&Promise::onQueueAny); }
Promise::Call<Promise::Array> Promise::race() { return unbound(&Promise::race); }
Promise::Call<DispatchQueuePtr, Promise::Array> Promise::raceOn() { return unbound(&Promise::onQueueRace); }

Promise::Call<Promise::DoWorkBlock> Promise::retry() { return unbound(&Promise::retry); }
Promise::Call<DispatchQueuePtr, Promise::DoWorkBlock> Promise::retryOn() { return unbound(&Promise::onQueueRetry); }
Promise::Call<std::int64_t, double, Promise::RetryConditionBlock, Promise::DoWorkBlock> Promise::retryAgain() {
  return [](std::int64_t count, double interval, RetryConditionBlock condition, DoWorkBlock work) {
    return attempts(count, interval, std::move(condition), std::move(work));
  };
}
Promise::Call<DispatchQueuePtr, std::int64_t, double, Promise::RetryConditionBlock, Promise::DoWorkBlock>
Promise::retryAgainOn() {
  return [](DispatchQueuePtr queue, std::int64_t count, double interval, RetryConditionBlock condition,
            DoWorkBlock work) {
    return onQueueAttempts(std::move(queue), count, interval, std::move(condition), std::move(work));
  };
}

Promise::Call<Promise::WrapWork<>> Promise::wrapCompletion() { return unbound(&Promise::wrapCompletion); }
Promise::Call<DispatchQueuePtr, Promise::WrapWork<>> Promise::wrapCompletionOn() {
  return unbound(&Promise::onQueueWrapCompletion);
}
Promise::Call<Promise::WrapWork<Promise::Value>> Promise::wrapObjectCompletion() {
  return unbound(&Promise::wrapObjectCompletion);
}
Promise::Call<DispatchQueuePtr, Promise::WrapWork<Promise::Value>> Promise::wrapObjectCompletionOn() {
  return unbound(&Promise::onQueueWrapObjectCompletion);
}
Promise::Call<Promise::WrapWork<Promise::OptionalError>> Promise::wrapErrorCompletion() {
  return unbound(&Promise::wrapErrorCompletion);
}
Promise::Call<DispatchQueuePtr, Promise::WrapWork<Promise::OptionalError>> Promise::wrapErrorCompletionOn() {
  return unbound(&Promise::onQueueWrapErrorCompletion);
}
Promise::Call<Promise::WrapWork<Promise::Value, Promise::OptionalError>> Promise::wrapObjectOrErrorCompletion() {
  return unbound(&Promise::wrapObjectOrErrorCompletion);
}
Promise::Call<DispatchQueuePtr, Promise::WrapWork<Promise::Value, Promise::OptionalError>>
Promise::wrapObjectOrErrorCompletionOn() {
  return unbound(&Promise::onQueueWrapObjectOrErrorCompletion);
}
Promise::Call<Promise::WrapWork<Promise::OptionalError, Promise::Value>> Promise::wrapErrorOrObjectCompletion() {
  return unbound(&Promise::wrapErrorOrObjectCompletion);
}
Promise::Call<DispatchQueuePtr, Promise::WrapWork<Promise::OptionalError, Promise::Value>>
Promise::wrapErrorOrObjectCompletionOn() {
  return unbound(&Promise::onQueueWrapErrorOrObjectCompletion);
}
Promise::Call<Promise::WrapWork<Promise::Value, Promise::Value, Promise::OptionalError>>
Promise::wrap2ObjectsOrErrorCompletion() {
  return unbound(&Promise::wrap2ObjectsOrErrorCompletion);
}
Promise::Call<DispatchQueuePtr, Promise::WrapWork<Promise::Value, Promise::Value, Promise::OptionalError>>
Promise::wrap2ObjectsOrErrorCompletionOn() {
  return unbound(&Promise::onQueueWrap2ObjectsOrErrorCompletion);
}
Promise::Call<Promise::WrapWork<bool>> Promise::wrapBoolCompletion() { return unbound(&Promise::wrapBoolCompletion); }
Promise::Call<DispatchQueuePtr, Promise::WrapWork<bool>> Promise::wrapBoolCompletionOn() {
  return unbound(&Promise::onQueueWrapBoolCompletion);
}
Promise::Call<Promise::WrapWork<bool, Promise::OptionalError>> Promise::wrapBoolOrErrorCompletion() {
  return unbound(&Promise::wrapBoolOrErrorCompletion);
}
Promise::Call<DispatchQueuePtr, Promise::WrapWork<bool, Promise::OptionalError>> Promise::wrapBoolOrErrorCompletionOn() {
  return unbound(&Promise::onQueueWrapBoolOrErrorCompletion);
}
Promise::Call<Promise::WrapWork<std::int64_t>> Promise::wrapIntegerCompletion() {
  return unbound(&Promise::wrapIntegerCompletion);
}
Promise::Call<DispatchQueuePtr, Promise::WrapWork<std::int64_t>> Promise::wrapIntegerCompletionOn() {
  return unbound(&Promise::onQueueWrapIntegerCompletion);
}
Promise::Call<Promise::WrapWork<std::int64_t, Promise::OptionalError>> Promise::wrapIntegerOrErrorCompletion() {
  return unbound(&Promise::wrapIntegerOrErrorCompletion);
}
Promise::Call<DispatchQueuePtr, Promise::WrapWork<std::int64_t, Promise::OptionalError>>
Promise::wrapIntegerOrErrorCompletionOn() {
  return unbound(&Promise::onQueueWrapIntegerOrErrorCompletion);
}
Promise::Call<Promise::WrapWork<double>> Promise::wrapDoubleCompletion() {
  return unbound(&Promise::wrapDoubleCompletion);
}
Promise::Call<DispatchQueuePtr, Promise::WrapWork<double>> Promise::wrapDoubleCompletionOn() {
  return unbound(&Promise::onQueueWrapDoubleCompletion);
}
Promise::Call<Promise::WrapWork<double, Promise::OptionalError>> Promise::wrapDoubleOrErrorCompletion() {
  return unbound(&Promise::wrapDoubleOrErrorCompletion);
}
Promise::Call<DispatchQueuePtr, Promise::WrapWork<double, Promise::OptionalError>>
Promise::wrapDoubleOrErrorCompletionOn() {
  return unbound(&Promise::onQueueWrapDoubleOrErrorCompletion);
}

}  // namespace sdk::promises
