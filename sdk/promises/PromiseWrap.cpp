// Promises over APIs that report through a completion handler, one shape per handler signature. Each
// is async work whose completion handler maps what it receives onto fulfil and reject; because fulfil
// follows promises and rejects on error Values, so does every wrap.
#include "sdk/promises/Promise.h"

namespace sdk::promises {

using platform::foundation::Array;
using platform::foundation::Value;

namespace {
using OptionalError = Promise::OptionalError;
}  // namespace

Promise::Ptr Promise::onQueueWrapCompletion(DispatchQueuePtr queue, std::function<void(std::function<void()>)> work) {
  return onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock) {
    work([fulfill] { fulfill(Value()); });
  });
}

Promise::Ptr Promise::onQueueWrapObjectCompletion(DispatchQueuePtr queue,
                                                        std::function<void(std::function<void(Value)>)> work) {
  return onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock) {
    work([fulfill](Value value) { fulfill(value); });
  });
}

Promise::Ptr Promise::onQueueWrapErrorCompletion(DispatchQueuePtr queue,
                                                       std::function<void(std::function<void(OptionalError)>)> work) {
  return onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock reject) {
    work([fulfill, reject](OptionalError error) { error ? reject(*error) : fulfill(Value()); });
  });
}

Promise::Ptr Promise::onQueueWrapObjectOrErrorCompletion(
    DispatchQueuePtr queue, std::function<void(std::function<void(Value, OptionalError)>)> work) {
  return onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock reject) {
    work([fulfill, reject](Value value, OptionalError error) { error ? reject(*error) : fulfill(value); });
  });
}

Promise::Ptr Promise::onQueueWrapErrorOrObjectCompletion(
    DispatchQueuePtr queue, std::function<void(std::function<void(OptionalError, Value)>)> work) {
  return onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock reject) {
    work([fulfill, reject](OptionalError error, Value value) { error ? reject(*error) : fulfill(value); });
  });
}

Promise::Ptr Promise::onQueueWrap2ObjectsOrErrorCompletion(
    DispatchQueuePtr queue, std::function<void(std::function<void(Value, Value, OptionalError)>)> work) {
  return onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock reject) {
    work([fulfill, reject](Value first, Value second, OptionalError error) {
      if (error) return reject(*error);
      fulfill(Value(Array{first.isNil() ? Value::null() : first, second.isNil() ? Value::null() : second}));
    });
  });
}

Promise::Ptr Promise::onQueueWrapBoolCompletion(DispatchQueuePtr queue,
                                                      std::function<void(std::function<void(bool)>)> work) {
  return onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock) {
    work([fulfill](bool value) { fulfill(Value(value)); });
  });
}

Promise::Ptr Promise::onQueueWrapBoolOrErrorCompletion(
    DispatchQueuePtr queue, std::function<void(std::function<void(bool, OptionalError)>)> work) {
  return onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock reject) {
    work([fulfill, reject](bool value, OptionalError error) { error ? reject(*error) : fulfill(Value(value)); });
  });
}

Promise::Ptr Promise::onQueueWrapIntegerCompletion(DispatchQueuePtr queue,
                                                         std::function<void(std::function<void(std::int64_t)>)> work) {
  return onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock) {
    work([fulfill](std::int64_t value) { fulfill(Value(value)); });
  });
}

Promise::Ptr Promise::onQueueWrapIntegerOrErrorCompletion(
    DispatchQueuePtr queue, std::function<void(std::function<void(std::int64_t, OptionalError)>)> work) {
  return onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock reject) {
    work([fulfill, reject](std::int64_t value, OptionalError error) {
      error ? reject(*error) : fulfill(Value(value));
    });
  });
}

Promise::Ptr Promise::onQueueWrapDoubleCompletion(DispatchQueuePtr queue,
                                                        std::function<void(std::function<void(double)>)> work) {
  return onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock) {
    work([fulfill](double value) { fulfill(Value(value)); });
  });
}

Promise::Ptr Promise::onQueueWrapDoubleOrErrorCompletion(
    DispatchQueuePtr queue, std::function<void(std::function<void(double, OptionalError)>)> work) {
  return onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock reject) {
    work([fulfill, reject](double value, OptionalError error) { error ? reject(*error) : fulfill(Value(value)); });
  });
}

// The default-queue forms.
Promise::Ptr Promise::wrapCompletion(std::function<void(std::function<void()>)> work) {
  return onQueueWrapCompletion(defaultDispatchQueue(), std::move(work));
}
Promise::Ptr Promise::wrapObjectCompletion(std::function<void(std::function<void(Value)>)> work) {
  return onQueueWrapObjectCompletion(defaultDispatchQueue(), std::move(work));
}
Promise::Ptr Promise::wrapErrorCompletion(std::function<void(std::function<void(OptionalError)>)> work) {
  return onQueueWrapErrorCompletion(defaultDispatchQueue(), std::move(work));
}
Promise::Ptr Promise::wrapObjectOrErrorCompletion(
    std::function<void(std::function<void(Value, OptionalError)>)> work) {
  return onQueueWrapObjectOrErrorCompletion(defaultDispatchQueue(), std::move(work));
}
Promise::Ptr Promise::wrapErrorOrObjectCompletion(
    std::function<void(std::function<void(OptionalError, Value)>)> work) {
  return onQueueWrapErrorOrObjectCompletion(defaultDispatchQueue(), std::move(work));
}
Promise::Ptr Promise::wrap2ObjectsOrErrorCompletion(
    std::function<void(std::function<void(Value, Value, OptionalError)>)> work) {
  return onQueueWrap2ObjectsOrErrorCompletion(defaultDispatchQueue(), std::move(work));
}
Promise::Ptr Promise::wrapBoolCompletion(std::function<void(std::function<void(bool)>)> work) {
  return onQueueWrapBoolCompletion(defaultDispatchQueue(), std::move(work));
}
Promise::Ptr Promise::wrapBoolOrErrorCompletion(std::function<void(std::function<void(bool, OptionalError)>)> work) {
  return onQueueWrapBoolOrErrorCompletion(defaultDispatchQueue(), std::move(work));
}
Promise::Ptr Promise::wrapIntegerCompletion(std::function<void(std::function<void(std::int64_t)>)> work) {
  return onQueueWrapIntegerCompletion(defaultDispatchQueue(), std::move(work));
}
Promise::Ptr Promise::wrapIntegerOrErrorCompletion(
    std::function<void(std::function<void(std::int64_t, OptionalError)>)> work) {
  return onQueueWrapIntegerOrErrorCompletion(defaultDispatchQueue(), std::move(work));
}
Promise::Ptr Promise::wrapDoubleCompletion(std::function<void(std::function<void(double)>)> work) {
  return onQueueWrapDoubleCompletion(defaultDispatchQueue(), std::move(work));
}
Promise::Ptr Promise::wrapDoubleOrErrorCompletion(
    std::function<void(std::function<void(double, OptionalError)>)> work) {
  return onQueueWrapDoubleOrErrorCompletion(defaultDispatchQueue(), std::move(work));
}

}  // namespace sdk::promises

