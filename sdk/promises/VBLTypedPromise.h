#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include "sdk/promises/VBLPromise.h"

// How a result type travels inside a promise's Value. A Value of the wrong kind reads as T{}.
template <typename T>
struct VBLValueConverter;

template <>
struct VBLValueConverter<platform::foundation::Value> {
  static platform::foundation::Value toValue(platform::foundation::Value value) { return value; }
  static platform::foundation::Value fromValue(const platform::foundation::Value& value) { return value; }
};
template <>
struct VBLValueConverter<bool> {
  static platform::foundation::Value toValue(bool value) { return value; }
  static bool fromValue(const platform::foundation::Value& value) { return value.toBool(); }
};
template <>
struct VBLValueConverter<std::int64_t> {
  static platform::foundation::Value toValue(std::int64_t value) { return value; }
  static std::int64_t fromValue(const platform::foundation::Value& value) { return value.toInt64(); }
};
template <>
struct VBLValueConverter<double> {
  static platform::foundation::Value toValue(double value) { return value; }
  static double fromValue(const platform::foundation::Value& value) { return value.toDouble(); }
};
template <>
struct VBLValueConverter<std::string> {
  static platform::foundation::Value toValue(std::string value) { return value; }
  static std::string fromValue(const platform::foundation::Value& value) { return value.toString(); }
};
template <>
struct VBLValueConverter<platform::foundation::Array> {
  static platform::foundation::Value toValue(platform::foundation::Array value) { return value; }
  static platform::foundation::Array fromValue(const platform::foundation::Value& value) {
    return value.array() ? *value.array() : platform::foundation::Array();
  }
};
template <typename U>
  requires std::is_base_of_v<platform::foundation::Object, U>
struct VBLValueConverter<std::shared_ptr<U>> {
  static platform::foundation::Value toValue(std::shared_ptr<U> object) { return platform::foundation::Value(std::move(object)); }
  static std::shared_ptr<U> fromValue(const platform::foundation::Value& value) { return value.objectAs<U>(); }
};

template <typename T>
class VBLTypedPromise;

namespace vbl_detail {
template <typename R>
struct ThenResult {
  using type = R;
  static platform::foundation::Value toValue(R result) { return VBLValueConverter<R>::toValue(std::move(result)); }
};
template <typename U>
struct ThenResult<VBLTypedPromise<U>> {
  using type = U;
  static platform::foundation::Value toValue(const VBLTypedPromise<U>& result) { return result; }
};
}  // namespace vbl_detail

// A typed view of a VBLPromise. It only converts between T and Value; all behaviour is the erased
// promise's. Blocks given to then() may return a U (fulfils) or a VBLTypedPromise<U> (followed; use
// VBLTypedPromise<U>::rejected to fail).
template <typename T>
class VBLTypedPromise {
 public:
  using Value = platform::foundation::Value;
  using Error = platform::foundation::Error;
  using Converter = VBLValueConverter<T>;

  VBLTypedPromise() : promise_(VBLPromise::pendingPromise()) {}
  explicit VBLTypedPromise(VBLPromise::Ptr promise) : promise_(std::move(promise)) {}

  static VBLTypedPromise pending() { return VBLTypedPromise(); }
  static VBLTypedPromise resolved(T value) {
    return VBLTypedPromise(VBLPromise::resolvedWith(Converter::toValue(std::move(value))));
  }
  static VBLTypedPromise rejected(Error error) { return VBLTypedPromise(VBLPromise::resolvedWith(std::move(error))); }

  static VBLTypedPromise onQueueAsync(VBLQueue queue,
                                      std::function<void(std::function<void(T)>, VBLPromise::RejectBlock)> work) {
    return VBLTypedPromise(VBLPromise::onQueueAsync(
        std::move(queue), [work = std::move(work)](VBLPromise::FulfillBlock fulfill, VBLPromise::RejectBlock reject) {
          work([fulfill](T value) { fulfill(Converter::toValue(std::move(value))); }, std::move(reject));
        }));
  }
  static VBLTypedPromise async(std::function<void(std::function<void(T)>, VBLPromise::RejectBlock)> work) {
    return onQueueAsync(VBLPromise::defaultDispatchQueue(), std::move(work));
  }

  const VBLPromise::Ptr& promise() const { return promise_; }
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
  auto onQueueThen(VBLQueue queue, F work) const {
    using Result = vbl_detail::ThenResult<std::invoke_result_t<F, const T&>>;
    return VBLTypedPromise<typename Result::type>(promise_->onQueueThen(
        std::move(queue), [work = std::move(work)](const Value& value) {
          return Result::toValue(work(Converter::fromValue(value)));
        }));
  }
  template <typename F>
  auto then(F work) const {
    return onQueueThen(VBLPromise::defaultDispatchQueue(), std::move(work));
  }

  VBLTypedPromise onQueueCatch(VBLQueue queue, VBLPromise::RejectBlock reject) const {
    return VBLTypedPromise(promise_->onQueueCatch(std::move(queue), std::move(reject)));
  }
  VBLTypedPromise catchError(VBLPromise::RejectBlock reject) const {
    return VBLTypedPromise(promise_->catchError(std::move(reject)));
  }

  // The recovery returns a T or a VBLTypedPromise<T>.
  template <typename F>
  VBLTypedPromise onQueueRecover(VBLQueue queue, F recovery) const {
    using Result = vbl_detail::ThenResult<std::invoke_result_t<F, const Error&>>;
    static_assert(std::is_same_v<typename Result::type, T>, "a recovery answers with the promise's own type");
    return VBLTypedPromise(promise_->onQueueRecover(
        std::move(queue), [recovery = std::move(recovery)](const Error& error) { return Result::toValue(recovery(error)); }));
  }
  template <typename F>
  VBLTypedPromise recover(F recovery) const {
    return onQueueRecover(VBLPromise::defaultDispatchQueue(), std::move(recovery));
  }

  VBLTypedPromise onQueueAlways(VBLQueue queue, std::function<void()> work) const {
    return VBLTypedPromise(promise_->onQueueAlways(std::move(queue), std::move(work)));
  }
  VBLTypedPromise always(std::function<void()> work) const { return VBLTypedPromise(promise_->always(std::move(work))); }

  VBLTypedPromise onQueueValidate(VBLQueue queue, std::function<bool(const T&)> predicate) const {
    return VBLTypedPromise(promise_->onQueueValidate(
        std::move(queue), [predicate = std::move(predicate)](const Value& value) {
          return predicate(Converter::fromValue(value));
        }));
  }
  VBLTypedPromise validate(std::function<bool(const T&)> predicate) const {
    return onQueueValidate(VBLPromise::defaultDispatchQueue(), std::move(predicate));
  }

  VBLTypedPromise onQueueDelay(VBLQueue queue, double interval) const {
    return VBLTypedPromise(promise_->onQueueDelay(std::move(queue), interval));
  }
  VBLTypedPromise delay(double interval) const { return VBLTypedPromise(promise_->delay(interval)); }
  VBLTypedPromise onQueueTimeout(VBLQueue queue, double interval) const {
    return VBLTypedPromise(promise_->onQueueTimeout(std::move(queue), interval));
  }
  VBLTypedPromise timeout(double interval) const { return VBLTypedPromise(promise_->timeout(interval)); }

 private:
  VBLPromise::Ptr promise_;
};
