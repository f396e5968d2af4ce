#include "sdk/promises/PromiseWrap.h"

#include <utility>

#include "sdk/promises/Promise.h"

namespace sdk::promises {

using platform::foundation::Array;
using platform::foundation::Value;

namespace {
using FulfillBlock = Promise::FulfillBlock;
using RejectBlock = Promise::RejectBlock;
using OptionalError = Promise::OptionalError;
}  // namespace

PromiseWrap::Ptr PromiseWrap::onQueueWrapCompletion(DispatchQueuePtr queue, WrapWork<> work) {
  return Promise::onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock) {
    work([fulfill] { fulfill(Value()); });
  });
}

PromiseWrap::Ptr PromiseWrap::onQueueWrapObjectCompletion(DispatchQueuePtr queue, WrapWork<Value> work) {
  return Promise::onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock) {
    work([fulfill](Value value) { fulfill(value); });
  });
}

PromiseWrap::Ptr PromiseWrap::onQueueWrapErrorCompletion(DispatchQueuePtr queue, WrapWork<OptionalError> work) {
  return Promise::onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock reject) {
    work([fulfill, reject](OptionalError error) { error ? reject(*error) : fulfill(Value()); });
  });
}

PromiseWrap::Ptr PromiseWrap::onQueueWrapObjectOrErrorCompletion(
    DispatchQueuePtr queue, WrapWork<Value, OptionalError> work) {
  return Promise::onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock reject) {
    work([fulfill, reject](Value value, OptionalError error) { error ? reject(*error) : fulfill(value); });
  });
}

PromiseWrap::Ptr PromiseWrap::onQueueWrapErrorOrObjectCompletion(
    DispatchQueuePtr queue, WrapWork<OptionalError, Value> work) {
  return Promise::onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock reject) {
    work([fulfill, reject](OptionalError error, Value value) { error ? reject(*error) : fulfill(value); });
  });
}

PromiseWrap::Ptr PromiseWrap::onQueueWrap2ObjectsOrErrorCompletion(
    DispatchQueuePtr queue, WrapWork<Value, Value, OptionalError> work) {
  return Promise::onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock reject) {
    work([fulfill, reject](Value first, Value second, OptionalError error) {
      if (error) return reject(*error);
      fulfill(Value(Array{first.isNil() ? Value::null() : first, second.isNil() ? Value::null() : second}));
    });
  });
}

PromiseWrap::Ptr PromiseWrap::onQueueWrapBoolCompletion(DispatchQueuePtr queue, WrapWork<bool> work) {
  return Promise::onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock) {
    work([fulfill](bool value) { fulfill(Value(value)); });
  });
}

PromiseWrap::Ptr PromiseWrap::onQueueWrapBoolOrErrorCompletion(
    DispatchQueuePtr queue, WrapWork<bool, OptionalError> work) {
  return Promise::onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock reject) {
    work([fulfill, reject](bool value, OptionalError error) { error ? reject(*error) : fulfill(Value(value)); });
  });
}

PromiseWrap::Ptr PromiseWrap::onQueueWrapIntegerCompletion(DispatchQueuePtr queue, WrapWork<std::int64_t> work) {
  return Promise::onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock) {
    work([fulfill](std::int64_t value) { fulfill(Value(value)); });
  });
}

PromiseWrap::Ptr PromiseWrap::onQueueWrapIntegerOrErrorCompletion(
    DispatchQueuePtr queue, WrapWork<std::int64_t, OptionalError> work) {
  return Promise::onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock reject) {
    work([fulfill, reject](std::int64_t value, OptionalError error) {
      error ? reject(*error) : fulfill(Value(value));
    });
  });
}

PromiseWrap::Ptr PromiseWrap::onQueueWrapDoubleCompletion(DispatchQueuePtr queue, WrapWork<double> work) {
  return Promise::onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock) {
    work([fulfill](double value) { fulfill(Value(value)); });
  });
}

PromiseWrap::Ptr PromiseWrap::onQueueWrapDoubleOrErrorCompletion(
    DispatchQueuePtr queue, WrapWork<double, OptionalError> work) {
  return Promise::onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock reject) {
    work([fulfill, reject](double value, OptionalError error) { error ? reject(*error) : fulfill(Value(value)); });
  });
}

// The default-queue forms.

PromiseWrap::Ptr PromiseWrap::wrapCompletion(WrapWork<> work) {
  return onQueueWrapCompletion(Promise::defaultDispatchQueue(), std::move(work));
}

PromiseWrap::Ptr PromiseWrap::wrapObjectCompletion(WrapWork<Value> work) {
  return onQueueWrapObjectCompletion(Promise::defaultDispatchQueue(), std::move(work));
}

PromiseWrap::Ptr PromiseWrap::wrapErrorCompletion(WrapWork<OptionalError> work) {
  return onQueueWrapErrorCompletion(Promise::defaultDispatchQueue(), std::move(work));
}

PromiseWrap::Ptr PromiseWrap::wrapObjectOrErrorCompletion(WrapWork<Value, OptionalError> work) {
  return onQueueWrapObjectOrErrorCompletion(Promise::defaultDispatchQueue(), std::move(work));
}

PromiseWrap::Ptr PromiseWrap::wrapErrorOrObjectCompletion(WrapWork<OptionalError, Value> work) {
  return onQueueWrapErrorOrObjectCompletion(Promise::defaultDispatchQueue(), std::move(work));
}

PromiseWrap::Ptr PromiseWrap::wrap2ObjectsOrErrorCompletion(WrapWork<Value, Value, OptionalError> work) {
  return onQueueWrap2ObjectsOrErrorCompletion(Promise::defaultDispatchQueue(), std::move(work));
}

PromiseWrap::Ptr PromiseWrap::wrapBoolCompletion(WrapWork<bool> work) {
  return onQueueWrapBoolCompletion(Promise::defaultDispatchQueue(), std::move(work));
}

PromiseWrap::Ptr PromiseWrap::wrapBoolOrErrorCompletion(WrapWork<bool, OptionalError> work) {
  return onQueueWrapBoolOrErrorCompletion(Promise::defaultDispatchQueue(), std::move(work));
}

PromiseWrap::Ptr PromiseWrap::wrapIntegerCompletion(WrapWork<std::int64_t> work) {
  return onQueueWrapIntegerCompletion(Promise::defaultDispatchQueue(), std::move(work));
}

PromiseWrap::Ptr PromiseWrap::wrapIntegerOrErrorCompletion(WrapWork<std::int64_t, OptionalError> work) {
  return onQueueWrapIntegerOrErrorCompletion(Promise::defaultDispatchQueue(), std::move(work));
}

PromiseWrap::Ptr PromiseWrap::wrapDoubleCompletion(WrapWork<double> work) {
  return onQueueWrapDoubleCompletion(Promise::defaultDispatchQueue(), std::move(work));
}

PromiseWrap::Ptr PromiseWrap::wrapDoubleOrErrorCompletion(WrapWork<double, OptionalError> work) {
  return onQueueWrapDoubleOrErrorCompletion(Promise::defaultDispatchQueue(), std::move(work));
}

// The dot syntax.

PromiseWrap::Call<PromiseWrap::WrapWork<>> PromiseWrap::wrapCompletion() {
  return PromiseTypes::unbound(&PromiseWrap::wrapCompletion);
}

PromiseWrap::Call<DispatchQueuePtr, PromiseWrap::WrapWork<>> PromiseWrap::wrapCompletionOn() {
  return PromiseTypes::unbound(&PromiseWrap::onQueueWrapCompletion);
}

PromiseWrap::Call<PromiseWrap::WrapWork<Value>> PromiseWrap::wrapObjectCompletion() {
  return PromiseTypes::unbound(&PromiseWrap::wrapObjectCompletion);
}

PromiseWrap::Call<DispatchQueuePtr, PromiseWrap::WrapWork<Value>> PromiseWrap::wrapObjectCompletionOn() {
  return PromiseTypes::unbound(&PromiseWrap::onQueueWrapObjectCompletion);
}

PromiseWrap::Call<PromiseWrap::WrapWork<OptionalError>> PromiseWrap::wrapErrorCompletion() {
  return PromiseTypes::unbound(&PromiseWrap::wrapErrorCompletion);
}

PromiseWrap::Call<DispatchQueuePtr, PromiseWrap::WrapWork<OptionalError>> PromiseWrap::wrapErrorCompletionOn() {
  return PromiseTypes::unbound(&PromiseWrap::onQueueWrapErrorCompletion);
}

PromiseWrap::Call<PromiseWrap::WrapWork<Value, OptionalError>> PromiseWrap::wrapObjectOrErrorCompletion() {
  return PromiseTypes::unbound(&PromiseWrap::wrapObjectOrErrorCompletion);
}

PromiseWrap::Call<DispatchQueuePtr, PromiseWrap::WrapWork<Value, OptionalError>>
PromiseWrap::wrapObjectOrErrorCompletionOn() {
  return PromiseTypes::unbound(&PromiseWrap::onQueueWrapObjectOrErrorCompletion);
}

PromiseWrap::Call<PromiseWrap::WrapWork<OptionalError, Value>> PromiseWrap::wrapErrorOrObjectCompletion() {
  return PromiseTypes::unbound(&PromiseWrap::wrapErrorOrObjectCompletion);
}

PromiseWrap::Call<DispatchQueuePtr, PromiseWrap::WrapWork<OptionalError, Value>>
PromiseWrap::wrapErrorOrObjectCompletionOn() {
  return PromiseTypes::unbound(&PromiseWrap::onQueueWrapErrorOrObjectCompletion);
}

PromiseWrap::Call<PromiseWrap::WrapWork<Value, Value, OptionalError>> PromiseWrap::wrap2ObjectsOrErrorCompletion() {
  return PromiseTypes::unbound(&PromiseWrap::wrap2ObjectsOrErrorCompletion);
}

PromiseWrap::Call<DispatchQueuePtr, PromiseWrap::WrapWork<Value, Value, OptionalError>>
PromiseWrap::wrap2ObjectsOrErrorCompletionOn() {
  return PromiseTypes::unbound(&PromiseWrap::onQueueWrap2ObjectsOrErrorCompletion);
}

PromiseWrap::Call<PromiseWrap::WrapWork<bool>> PromiseWrap::wrapBoolCompletion() {
  return PromiseTypes::unbound(&PromiseWrap::wrapBoolCompletion);
}

PromiseWrap::Call<DispatchQueuePtr, PromiseWrap::WrapWork<bool>> PromiseWrap::wrapBoolCompletionOn() {
  return PromiseTypes::unbound(&PromiseWrap::onQueueWrapBoolCompletion);
}

PromiseWrap::Call<PromiseWrap::WrapWork<bool, OptionalError>> PromiseWrap::wrapBoolOrErrorCompletion() {
  return PromiseTypes::unbound(&PromiseWrap::wrapBoolOrErrorCompletion);
}

PromiseWrap::Call<DispatchQueuePtr, PromiseWrap::WrapWork<bool, OptionalError>>
PromiseWrap::wrapBoolOrErrorCompletionOn() {
  return PromiseTypes::unbound(&PromiseWrap::onQueueWrapBoolOrErrorCompletion);
}

PromiseWrap::Call<PromiseWrap::WrapWork<std::int64_t>> PromiseWrap::wrapIntegerCompletion() {
  return PromiseTypes::unbound(&PromiseWrap::wrapIntegerCompletion);
}

PromiseWrap::Call<DispatchQueuePtr, PromiseWrap::WrapWork<std::int64_t>> PromiseWrap::wrapIntegerCompletionOn() {
  return PromiseTypes::unbound(&PromiseWrap::onQueueWrapIntegerCompletion);
}

PromiseWrap::Call<PromiseWrap::WrapWork<std::int64_t, OptionalError>> PromiseWrap::wrapIntegerOrErrorCompletion() {
  return PromiseTypes::unbound(&PromiseWrap::wrapIntegerOrErrorCompletion);
}

PromiseWrap::Call<DispatchQueuePtr, PromiseWrap::WrapWork<std::int64_t, OptionalError>>
PromiseWrap::wrapIntegerOrErrorCompletionOn() {
  return PromiseTypes::unbound(&PromiseWrap::onQueueWrapIntegerOrErrorCompletion);
}

PromiseWrap::Call<PromiseWrap::WrapWork<double>> PromiseWrap::wrapDoubleCompletion() {
  return PromiseTypes::unbound(&PromiseWrap::wrapDoubleCompletion);
}

PromiseWrap::Call<DispatchQueuePtr, PromiseWrap::WrapWork<double>> PromiseWrap::wrapDoubleCompletionOn() {
  return PromiseTypes::unbound(&PromiseWrap::onQueueWrapDoubleCompletion);
}

PromiseWrap::Call<PromiseWrap::WrapWork<double, OptionalError>> PromiseWrap::wrapDoubleOrErrorCompletion() {
  return PromiseTypes::unbound(&PromiseWrap::wrapDoubleOrErrorCompletion);
}

PromiseWrap::Call<DispatchQueuePtr, PromiseWrap::WrapWork<double, OptionalError>>
PromiseWrap::wrapDoubleOrErrorCompletionOn() {
  return PromiseTypes::unbound(&PromiseWrap::onQueueWrapDoubleOrErrorCompletion);
}

}  // namespace sdk::promises
