// Promises over APIs that report through a completion handler, one shape per handler signature. Each
// is async work whose completion handler maps what it receives onto fulfil and reject; because fulfil
// follows promises and rejects on error Values, so does every wrap.
#include "sdk/promises/VBLPromise.h"

using platform::foundation::Array;
using platform::foundation::Value;

namespace {
using OptionalError = VBLPromise::OptionalError;
}  // namespace

VBLPromise::Ptr VBLPromise::onQueueWrapCompletion(VBLQueue queue, std::function<void(std::function<void()>)> work) {
  return onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock) {
    work([fulfill] { fulfill(Value()); });
  });
}

VBLPromise::Ptr VBLPromise::onQueueWrapObjectCompletion(VBLQueue queue,
                                                        std::function<void(std::function<void(Value)>)> work) {
  return onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock) {
    work([fulfill](Value value) { fulfill(value); });
  });
}

VBLPromise::Ptr VBLPromise::onQueueWrapErrorCompletion(VBLQueue queue,
                                                       std::function<void(std::function<void(OptionalError)>)> work) {
  return onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock reject) {
    work([fulfill, reject](OptionalError error) { error ? reject(*error) : fulfill(Value()); });
  });
}

VBLPromise::Ptr VBLPromise::onQueueWrapObjectOrErrorCompletion(
    VBLQueue queue, std::function<void(std::function<void(Value, OptionalError)>)> work) {
  return onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock reject) {
    work([fulfill, reject](Value value, OptionalError error) { error ? reject(*error) : fulfill(value); });
  });
}

VBLPromise::Ptr VBLPromise::onQueueWrapErrorOrObjectCompletion(
    VBLQueue queue, std::function<void(std::function<void(OptionalError, Value)>)> work) {
  return onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock reject) {
    work([fulfill, reject](OptionalError error, Value value) { error ? reject(*error) : fulfill(value); });
  });
}

VBLPromise::Ptr VBLPromise::onQueueWrap2ObjectsOrErrorCompletion(
    VBLQueue queue, std::function<void(std::function<void(Value, Value, OptionalError)>)> work) {
  return onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock reject) {
    work([fulfill, reject](Value first, Value second, OptionalError error) {
      if (error) return reject(*error);
      fulfill(Value(Array{first.isNil() ? Value::null() : first, second.isNil() ? Value::null() : second}));
    });
  });
}

VBLPromise::Ptr VBLPromise::onQueueWrapBoolCompletion(VBLQueue queue,
                                                      std::function<void(std::function<void(bool)>)> work) {
  return onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock) {
    work([fulfill](bool value) { fulfill(Value(value)); });
  });
}

VBLPromise::Ptr VBLPromise::onQueueWrapBoolOrErrorCompletion(
    VBLQueue queue, std::function<void(std::function<void(bool, OptionalError)>)> work) {
  return onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock reject) {
    work([fulfill, reject](bool value, OptionalError error) { error ? reject(*error) : fulfill(Value(value)); });
  });
}

VBLPromise::Ptr VBLPromise::onQueueWrapIntegerCompletion(VBLQueue queue,
                                                         std::function<void(std::function<void(std::int64_t)>)> work) {
  return onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock) {
    work([fulfill](std::int64_t value) { fulfill(Value(value)); });
  });
}

VBLPromise::Ptr VBLPromise::onQueueWrapIntegerOrErrorCompletion(
    VBLQueue queue, std::function<void(std::function<void(std::int64_t, OptionalError)>)> work) {
  return onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock reject) {
    work([fulfill, reject](std::int64_t value, OptionalError error) {
      error ? reject(*error) : fulfill(Value(value));
    });
  });
}

VBLPromise::Ptr VBLPromise::onQueueWrapDoubleCompletion(VBLQueue queue,
                                                        std::function<void(std::function<void(double)>)> work) {
  return onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock) {
    work([fulfill](double value) { fulfill(Value(value)); });
  });
}

VBLPromise::Ptr VBLPromise::onQueueWrapDoubleOrErrorCompletion(
    VBLQueue queue, std::function<void(std::function<void(double, OptionalError)>)> work) {
  return onQueueAsync(std::move(queue), [work = std::move(work)](FulfillBlock fulfill, RejectBlock reject) {
    work([fulfill, reject](double value, OptionalError error) { error ? reject(*error) : fulfill(Value(value)); });
  });
}

// The default-queue forms.
VBLPromise::Ptr VBLPromise::wrapCompletion(std::function<void(std::function<void()>)> work) {
  return onQueueWrapCompletion(defaultDispatchQueue(), std::move(work));
}
VBLPromise::Ptr VBLPromise::wrapObjectCompletion(std::function<void(std::function<void(Value)>)> work) {
  return onQueueWrapObjectCompletion(defaultDispatchQueue(), std::move(work));
}
VBLPromise::Ptr VBLPromise::wrapErrorCompletion(std::function<void(std::function<void(OptionalError)>)> work) {
  return onQueueWrapErrorCompletion(defaultDispatchQueue(), std::move(work));
}
VBLPromise::Ptr VBLPromise::wrapObjectOrErrorCompletion(
    std::function<void(std::function<void(Value, OptionalError)>)> work) {
  return onQueueWrapObjectOrErrorCompletion(defaultDispatchQueue(), std::move(work));
}
VBLPromise::Ptr VBLPromise::wrapErrorOrObjectCompletion(
    std::function<void(std::function<void(OptionalError, Value)>)> work) {
  return onQueueWrapErrorOrObjectCompletion(defaultDispatchQueue(), std::move(work));
}
VBLPromise::Ptr VBLPromise::wrap2ObjectsOrErrorCompletion(
    std::function<void(std::function<void(Value, Value, OptionalError)>)> work) {
  return onQueueWrap2ObjectsOrErrorCompletion(defaultDispatchQueue(), std::move(work));
}
VBLPromise::Ptr VBLPromise::wrapBoolCompletion(std::function<void(std::function<void(bool)>)> work) {
  return onQueueWrapBoolCompletion(defaultDispatchQueue(), std::move(work));
}
VBLPromise::Ptr VBLPromise::wrapBoolOrErrorCompletion(std::function<void(std::function<void(bool, OptionalError)>)> work) {
  return onQueueWrapBoolOrErrorCompletion(defaultDispatchQueue(), std::move(work));
}
VBLPromise::Ptr VBLPromise::wrapIntegerCompletion(std::function<void(std::function<void(std::int64_t)>)> work) {
  return onQueueWrapIntegerCompletion(defaultDispatchQueue(), std::move(work));
}
VBLPromise::Ptr VBLPromise::wrapIntegerOrErrorCompletion(
    std::function<void(std::function<void(std::int64_t, OptionalError)>)> work) {
  return onQueueWrapIntegerOrErrorCompletion(defaultDispatchQueue(), std::move(work));
}
VBLPromise::Ptr VBLPromise::wrapDoubleCompletion(std::function<void(std::function<void(double)>)> work) {
  return onQueueWrapDoubleCompletion(defaultDispatchQueue(), std::move(work));
}
VBLPromise::Ptr VBLPromise::wrapDoubleOrErrorCompletion(
    std::function<void(std::function<void(double, OptionalError)>)> work) {
  return onQueueWrapDoubleOrErrorCompletion(defaultDispatchQueue(), std::move(work));
}
