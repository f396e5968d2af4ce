#pragma once

#include <cstdint>

#include "sdk/promises/PromiseTypes.h"

namespace sdk::promises {

// Promises over APIs that report through a completion handler, one shape per handler signature, each
// with its queue form and its dot-syntax getters. Each is async work whose completion handler maps
// what it receives onto fulfil and reject; because fulfil follows promises and rejects on error
// Values, so does every wrap. A promise has them as class methods (see Promise.h).
class PromiseWrap {
 public:
  using Ptr = PromiseTypes::Ptr;
  using Value = PromiseTypes::Value;
  using OptionalError = PromiseTypes::OptionalError;
  template <class... A>
  using Call = PromiseTypes::Call<A...>;
  template <class... R>
  using WrapWork = PromiseTypes::WrapWork<R...>;

  static Ptr wrapCompletion(WrapWork<> work);
  static Ptr wrapObjectCompletion(WrapWork<Value> work);
  static Ptr wrapErrorCompletion(WrapWork<OptionalError> work);
  static Ptr wrapObjectOrErrorCompletion(WrapWork<Value, OptionalError> work);
  static Ptr wrapErrorOrObjectCompletion(WrapWork<OptionalError, Value> work);
  static Ptr wrap2ObjectsOrErrorCompletion(WrapWork<Value, Value, OptionalError> work);
  static Ptr wrapBoolCompletion(WrapWork<bool> work);
  static Ptr wrapBoolOrErrorCompletion(WrapWork<bool, OptionalError> work);
  static Ptr wrapIntegerCompletion(WrapWork<std::int64_t> work);
  static Ptr wrapIntegerOrErrorCompletion(WrapWork<std::int64_t, OptionalError> work);
  static Ptr wrapDoubleCompletion(WrapWork<double> work);
  static Ptr wrapDoubleOrErrorCompletion(WrapWork<double, OptionalError> work);

  static Ptr onQueueWrapCompletion(DispatchQueuePtr queue, WrapWork<> work);
  static Ptr onQueueWrapObjectCompletion(DispatchQueuePtr queue, WrapWork<Value> work);
  static Ptr onQueueWrapErrorCompletion(DispatchQueuePtr queue, WrapWork<OptionalError> work);
  static Ptr onQueueWrapObjectOrErrorCompletion(DispatchQueuePtr queue, WrapWork<Value, OptionalError> work);
  static Ptr onQueueWrapErrorOrObjectCompletion(DispatchQueuePtr queue, WrapWork<OptionalError, Value> work);
  static Ptr onQueueWrap2ObjectsOrErrorCompletion(DispatchQueuePtr queue, WrapWork<Value, Value, OptionalError> work);
  static Ptr onQueueWrapBoolCompletion(DispatchQueuePtr queue, WrapWork<bool> work);
  static Ptr onQueueWrapBoolOrErrorCompletion(DispatchQueuePtr queue, WrapWork<bool, OptionalError> work);
  static Ptr onQueueWrapIntegerCompletion(DispatchQueuePtr queue, WrapWork<std::int64_t> work);
  static Ptr onQueueWrapIntegerOrErrorCompletion(DispatchQueuePtr queue, WrapWork<std::int64_t, OptionalError> work);
  static Ptr onQueueWrapDoubleCompletion(DispatchQueuePtr queue, WrapWork<double> work);
  static Ptr onQueueWrapDoubleOrErrorCompletion(DispatchQueuePtr queue, WrapWork<double, OptionalError> work);

  static Call<WrapWork<>> wrapCompletion();
  static Call<DispatchQueuePtr, WrapWork<>> wrapCompletionOn();
  static Call<WrapWork<Value>> wrapObjectCompletion();
  static Call<DispatchQueuePtr, WrapWork<Value>> wrapObjectCompletionOn();
  static Call<WrapWork<OptionalError>> wrapErrorCompletion();
  static Call<DispatchQueuePtr, WrapWork<OptionalError>> wrapErrorCompletionOn();
  static Call<WrapWork<Value, OptionalError>> wrapObjectOrErrorCompletion();
  static Call<DispatchQueuePtr, WrapWork<Value, OptionalError>> wrapObjectOrErrorCompletionOn();
  static Call<WrapWork<OptionalError, Value>> wrapErrorOrObjectCompletion();
  static Call<DispatchQueuePtr, WrapWork<OptionalError, Value>> wrapErrorOrObjectCompletionOn();
  static Call<WrapWork<Value, Value, OptionalError>> wrap2ObjectsOrErrorCompletion();
  static Call<DispatchQueuePtr, WrapWork<Value, Value, OptionalError>> wrap2ObjectsOrErrorCompletionOn();
  static Call<WrapWork<bool>> wrapBoolCompletion();
  static Call<DispatchQueuePtr, WrapWork<bool>> wrapBoolCompletionOn();
  static Call<WrapWork<bool, OptionalError>> wrapBoolOrErrorCompletion();
  static Call<DispatchQueuePtr, WrapWork<bool, OptionalError>> wrapBoolOrErrorCompletionOn();
  static Call<WrapWork<std::int64_t>> wrapIntegerCompletion();
  static Call<DispatchQueuePtr, WrapWork<std::int64_t>> wrapIntegerCompletionOn();
  static Call<WrapWork<std::int64_t, OptionalError>> wrapIntegerOrErrorCompletion();
  static Call<DispatchQueuePtr, WrapWork<std::int64_t, OptionalError>> wrapIntegerOrErrorCompletionOn();
  static Call<WrapWork<double>> wrapDoubleCompletion();
  static Call<DispatchQueuePtr, WrapWork<double>> wrapDoubleCompletionOn();
  static Call<WrapWork<double, OptionalError>> wrapDoubleOrErrorCompletion();
  static Call<DispatchQueuePtr, WrapWork<double, OptionalError>> wrapDoubleOrErrorCompletionOn();

 protected:
  PromiseWrap() = default;
};

}  // namespace sdk::promises
