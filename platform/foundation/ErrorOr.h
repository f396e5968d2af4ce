#pragma once

#include <optional>
#include <type_traits>
#include <utility>

#include "platform/foundation/Check.h"
#include "platform/foundation/Error.h"

namespace platform::foundation {

namespace detail {

// The error of a failed result, kept out of line: a success then costs a null pointer, however
// large an Error is, and results stay cheap to make, move and drop in every step of a hot loop.
// Only a failure reaches the out-of-line work.
class ErrorSlot {
 public:
  ErrorSlot() = default;
  explicit ErrorSlot(Error&& error) : error_(adopt(std::move(error))) {}
  ErrorSlot(const ErrorSlot& other) : error_(other.error_ ? copy(*other.error_) : nullptr) {}
  ErrorSlot(ErrorSlot&& other) noexcept : error_(other.error_) { other.error_ = nullptr; }
  ErrorSlot& operator=(const ErrorSlot& other) {
    if (this != &other) reset(other.error_ ? copy(*other.error_) : nullptr);
    return *this;
  }
  ErrorSlot& operator=(ErrorSlot&& other) noexcept {
    if (this != &other) {
      reset(other.error_);
      other.error_ = nullptr;
    }
    return *this;
  }
  ~ErrorSlot() {
    if (error_) [[unlikely]] discard(error_);
  }

  bool empty() const { return !error_; }
  const Error& error() const { return *error_; }
  Error& error() { return *error_; }

 private:
  [[gnu::noinline]] static Error* adopt(Error&& error) { return new Error(std::move(error)); }
  [[gnu::noinline]] static Error* copy(const Error& error) { return new Error(error); }
  [[gnu::noinline]] static void discard(Error* error) noexcept { delete error; }
  void reset(Error* error) noexcept {
    if (error_) discard(error_);
    error_ = error;
  }

  Error* error_ = nullptr;
};

}  // namespace detail

// The one way a function that can fail reports it: its result or the Error that stopped it. A caller
// must look (the class is [[nodiscard]]); `TRY(expression)` hands an error on to the caller's caller
// and otherwise yields the value, so a chain of steps reads as straight-line code:
//
//   ErrorOr<Config> load(const std::string& path) {
//     std::string text = TRY(readText(path));
//     return parse(text);
//   }
template <typename T>
class [[nodiscard]] ErrorOr {
 public:
  using ValueType = T;

  ErrorOr(const T& value) : value_(value) {}  // NOLINT: a result converts implicitly
  ErrorOr(T&& value) : value_(std::move(value)) {}  // NOLINT
  ErrorOr(Error error) : value_(), error_(std::move(error)) {}  // NOLINT: so does a failure
  template <typename U, typename = std::enable_if_t<std::is_constructible_v<T, U&&> && !std::is_same_v<std::decay_t<U>, Error> &&
                                                    !std::is_same_v<std::decay_t<U>, ErrorOr>>>
  ErrorOr(U&& value) : value_(made(std::forward<U>(value))) {}  // NOLINT

  bool ok() const { return error_.empty(); }
  // Not for ErrorOr<bool>: `if (result)` would read as the value where it means success.
  explicit operator bool() const
    requires(!std::is_same_v<T, bool>)
  {
    return ok();
  }

  T& value() & {
    DCHECK(ok());
    return held();
  }
  const T& value() const& {
    DCHECK(ok());
    return held();
  }
  T&& value() && {
    DCHECK(ok());
    return std::move(held());
  }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

  const Error& error() const {
    DCHECK(!ok());
    return error_.error();
  }
  Error&& releaseError() && {
    DCHECK(!ok());
    return std::move(error_.error());
  }

  // The value, or `fallback` when this is an error (for callers that may ignore why).
  T valueOr(T fallback) const& { return ok() ? value() : std::move(fallback); }
  // The error when there is one, for callers that keep an optional error.
  std::optional<Error> errorIfAny() const { return ok() ? std::nullopt : std::optional<Error>(error()); }

 private:
  // A value that is cheap to make empty is held as it is (and left empty on failure), so a result
  // adds nothing but the error's pointer; any other value is held in an optional.
  static constexpr bool kHeldDirectly = std::is_nothrow_default_constructible_v<T>;
  using Storage = std::conditional_t<kHeldDirectly, T, std::optional<T>>;

  template <typename U>
  static Storage made(U&& value) {
    if constexpr (kHeldDirectly) return T(std::forward<U>(value));
    else return Storage(std::in_place, std::forward<U>(value));
  }
  T& held() {
    if constexpr (kHeldDirectly) return value_;
    else return *value_;
  }
  const T& held() const {
    if constexpr (kHeldDirectly) return value_;
    else return *value_;
  }

  Storage value_;
  detail::ErrorSlot error_;
};

// A step that yields nothing but may fail.
template <>
class [[nodiscard]] ErrorOr<void> {
 public:
  using ValueType = void;

  ErrorOr() = default;
  ErrorOr(Error error) : error_(std::move(error)) {}  // NOLINT: a failure converts implicitly

  bool ok() const { return error_.empty(); }
  explicit operator bool() const { return ok(); }
  void value() const { DCHECK(ok()); }
  const Error& error() const {
    DCHECK(!ok());
    return error_.error();
  }
  Error&& releaseError() && {
    DCHECK(!ok());
    return std::move(error_.error());
  }
  std::optional<Error> errorIfAny() const { return ok() ? std::nullopt : std::optional<Error>(error()); }

 private:
  detail::ErrorSlot error_;
};

}  // namespace platform::foundation

// Evaluates an ErrorOr expression: on failure returns its error from the enclosing function (whose
// own result is an ErrorOr); otherwise the expression's value. A GCC/Clang statement expression, so
// it can stand inside a larger expression.
#define TRY(expression)                                                         \
  ({                                                                            \
    auto ostrel_try_result_ = (expression);                                     \
    if (!ostrel_try_result_.ok()) return std::move(ostrel_try_result_).releaseError(); \
    std::move(ostrel_try_result_).value();                                      \
  })
