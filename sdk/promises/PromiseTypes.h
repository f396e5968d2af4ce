#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/Value.h"

namespace sdk::promises {

class Promise;
using DispatchQueuePtr = std::shared_ptr<platform::dispatch::Queue>;

// What a promise's results and blocks are made of, shared by the promise and its operator families
// (the promise names each of them too: Promise::Ptr, Promise::FulfillBlock, ...).
struct PromiseTypes {
  using Ptr = std::shared_ptr<Promise>;
  using Value = platform::foundation::Value;
  using Error = platform::foundation::Error;
  using Array = platform::foundation::Array;
  using OptionalError = std::optional<Error>;

  using FulfillBlock = std::function<void(const Value&)>;
  using RejectBlock = std::function<void(const Error&)>;
  using ChainedFulfillBlock = std::function<Value(const Value&)>;
  using ChainedRejectBlock = std::function<Value(const Error&)>;
  // What async and wrap hand their work: `fulfill` follows a promise and rejects on an error Value.
  using AsyncWorkBlock = std::function<void(FulfillBlock fulfill, RejectBlock reject)>;
  using DoWorkBlock = std::function<Value()>;
  using RetryConditionBlock = std::function<bool(std::int64_t remainingAttempts, const Error& error)>;
  using ReduceBlock = std::function<Value(const Value& partial, const Value& item)>;

  // What the dot syntax's getters answer: a callable taking the method's arguments.
  template <class... A>
  using Call = std::function<Ptr(A...)>;
  template <class... R>
  using WrapWork = std::function<void(std::function<void(R...)>)>;

  // A getter's callable over an instance method, keeping its promise until it is called or dropped.
  template <class Family, class... A>
  static Call<A...> bound(Ptr self, Ptr (Family::*method)(A...)) {
    return [self = std::move(self), method](A... args) { return ((*self).*method)(std::move(args)...); };
  }
  // A getter's callable over a class method.
  template <class... A>
  static Call<A...> unbound(Ptr (*method)(A...)) {
    return method;
  }
};

}  // namespace sdk::promises
