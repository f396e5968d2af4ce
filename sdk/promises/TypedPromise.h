#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include "sdk/promises/Promise.h"

namespace sdk::promises {

// How a result type travels inside a promise's Value. A Value of the wrong kind reads as T{}.
template <typename T>
struct ValueConverter;

template <>
struct ValueConverter<platform::foundation::Value> {
  static platform::foundation::Value toValue(platform::foundation::Value value) { return value; }
  static platform::foundation::Value fromValue(const platform::foundation::Value& value) { return value; }
};
template <>
struct ValueConverter<bool> {
  static platform::foundation::Value toValue(bool value) { return value; }
  static bool fromValue(const platform::foundation::Value& value) { return value.toBool(); }
};
template <>
struct ValueConverter<std::int64_t> {
  static platform::foundation::Value toValue(std::int64_t value) { return value; }
  static std::int64_t fromValue(const platform::foundation::Value& value) { return value.toInt64(); }
};
template <>
struct ValueConverter<double> {
  static platform::foundation::Value toValue(double value) { return value; }
  static double fromValue(const platform::foundation::Value& value) { return value.toDouble(); }
};
template <>
struct ValueConverter<std::string> {
  static platform::foundation::Value toValue(std::string value) { return value; }
  static std::string fromValue(const platform::foundation::Value& value) { return value.toString(); }
};
template <>
struct ValueConverter<platform::foundation::Array> {
  static platform::foundation::Value toValue(platform::foundation::Array value) { return value; }
  static platform::foundation::Array fromValue(const platform::foundation::Value& value) {
    return value.array() ? *value.array() : platform::foundation::Array();
  }
};
template <typename U>
  requires std::is_base_of_v<platform::foundation::Object, U>
struct ValueConverter<std::shared_ptr<U>> {
  static platform::foundation::Value toValue(std::shared_ptr<U> object) { return platform::foundation::Value(std::move(object)); }
  static std::shared_ptr<U> fromValue(const platform::foundation::Value& value) { return value.objectAs<U>(); }
};

template <typename T>
class TypedPromise;

namespace detail {
template <typename R>
struct ThenResult {
  using type = R;
  static platform::foundation::Value toValue(R result) { return ValueConverter<R>::toValue(std::move(result)); }
};
template <typename U>
struct ThenResult<TypedPromise<U>> {
  using type = U;
  static platform::foundation::Value toValue(const TypedPromise<U>& result) { return result; }
};
}  // namespace detail

// A typed view of a Promise. It only converts between T and Value; all behaviour is the erased
// promise's. Blocks given to then() may return a U (fulfils) or a TypedPromise<U> (followed; use
// TypedPromise<U>::rejected to fail).
template <typename T>
class TypedPromise {
 public:
  using Value = platform::foundation::Value;
  using Error = platform::foundation::Error;
  using Converter = ValueConverter<T>;

  TypedPromise() : promise_(Promise::pendingPromise()) {}
  explicit TypedPromise(Promise::Ptr promise) : promise_(std::move(promise)) {}

  static TypedPromise pending() { return TypedPromise(); }
  static TypedPromise resolved(T value) {
    return TypedPromise(Promise::resolvedWith(Converter::toValue(std::move(value))));
  }
  static TypedPromise rejected(Error error) { return TypedPromise(Promise::resolvedWith(std::move(error))); }

  static TypedPromise onQueueAsync(DispatchQueuePtr queue,
                                      std::function<void(std::function<void(T)>, Promise::RejectBlock)> work) {
    return TypedPromise(Promise::onQueueAsync(
        std::move(queue), [work = std::move(work)](Promise::FulfillBlock fulfill, Promise::RejectBlock reject) {
          work([fulfill](T value) { fulfill(Converter::toValue(std::move(value))); }, std::move(reject));
        }));
  }
  static TypedPromise async(std::function<void(std::function<void(T)>, Promise::RejectBlock)> work) {
    return onQueueAsync(Promise::defaultDispatchQueue(), std::move(work));
  }

  const Promise::Ptr& promise() const { return promise_; }
  // As a Value, so a typed promise can be returned from a block or put in an all/any/race array.
  operator Value() const { return Value(promise_); }

  void fulfill(T value) const { promise_->fulfill(Converter::toValue(std::move(value))); }
  void reject(Error error) const { promise_->reject(std::move(error)); }

  bool isPending() const { return promise_->isPending(); }
  bool isFulfilled() const { return promise_->isFulfilled(); }
  bool isRejected() const { return promise_->isRejected(); }
  T value() const { return Converter::fromValue(promise_->value()); }
  std::optional<Error> error() const { return promise_->error(); }

  template <typename F>
  auto onQueueThen(DispatchQueuePtr queue, F work) const {
    using Result = detail::ThenResult<std::invoke_result_t<F, const T&>>;
    return TypedPromise<typename Result::type>(promise_->onQueueThen(
        std::move(queue), [work = std::move(work)](const Value& value) {
          return Result::toValue(work(Converter::fromValue(value)));
        }));
  }
  template <typename F>
  auto then(F work) const {
    return onQueueThen(Promise::defaultDispatchQueue(), std::move(work));
  }

  TypedPromise onQueueCatch(DispatchQueuePtr queue, Promise::RejectBlock reject) const {
    return TypedPromise(promise_->onQueueCatch(std::move(queue), std::move(reject)));
  }
  TypedPromise catchError(Promise::RejectBlock reject) const {
    return TypedPromise(promise_->catchError(std::move(reject)));
  }

  // The recovery returns a T or a TypedPromise<T>.
  template <typename F>
  TypedPromise onQueueRecover(DispatchQueuePtr queue, F recovery) const {
    using Result = detail::ThenResult<std::invoke_result_t<F, const Error&>>;
    static_assert(std::is_same_v<typename Result::type, T>, "a recovery answers with the promise's own type");
    return TypedPromise(promise_->onQueueRecover(
        std::move(queue), [recovery = std::move(recovery)](const Error& error) { return Result::toValue(recovery(error)); }));
  }
  template <typename F>
  TypedPromise recover(F recovery) const {
    return onQueueRecover(Promise::defaultDispatchQueue(), std::move(recovery));
  }

  TypedPromise onQueueAlways(DispatchQueuePtr queue, std::function<void()> work) const {
    return TypedPromise(promise_->onQueueAlways(std::move(queue), std::move(work)));
  }
  TypedPromise always(std::function<void()> work) const { return TypedPromise(promise_->always(std::move(work))); }

  TypedPromise onQueueValidate(DispatchQueuePtr queue, std::function<bool(const T&)> predicate) const {
    return TypedPromise(promise_->onQueueValidate(
        std::move(queue), [predicate = std::move(predicate)](const Value& value) {
          return predicate(Converter::fromValue(value));
        }));
  }
  TypedPromise validate(std::function<bool(const T&)> predicate) const {
    return onQueueValidate(Promise::defaultDispatchQueue(), std::move(predicate));
  }

  TypedPromise onQueueDelay(DispatchQueuePtr queue, double interval) const {
    return TypedPromise(promise_->onQueueDelay(std::move(queue), interval));
  }
  TypedPromise delay(double interval) const { return TypedPromise(promise_->delay(interval)); }
  TypedPromise onQueueTimeout(DispatchQueuePtr queue, double interval) const {
    return TypedPromise(promise_->onQueueTimeout(std::move(queue), interval));
  }
  TypedPromise timeout(double interval) const { return TypedPromise(promise_->timeout(interval)); }

 private:
  Promise::Ptr promise_;
};

}  // namespace sdk::promises

