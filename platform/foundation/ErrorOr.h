#pragma once

#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

#include "platform/foundation/Check.h"
#include "platform/foundation/Error.h"

namespace platform::foundation {

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

  ErrorOr(T value) : state_(std::in_place_index<0>, std::move(value)) {}  // NOLINT: a result converts implicitly
  ErrorOr(Error error) : state_(std::in_place_index<1>, std::move(error)) {}  // NOLINT: so does a failure
  template <typename U, typename = std::enable_if_t<std::is_constructible_v<T, U&&> && !std::is_same_v<std::decay_t<U>, Error> &&
                                                    !std::is_same_v<std::decay_t<U>, ErrorOr>>>
  ErrorOr(U&& value) : state_(std::in_place_index<0>, std::forward<U>(value)) {}  // NOLINT

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & {
    DCHECK(ok());
    return std::get<0>(state_);
  }
  const T& value() const& {
    DCHECK(ok());
    return std::get<0>(state_);
  }
  T&& value() && {
    DCHECK(ok());
    return std::get<0>(std::move(state_));
  }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

  const Error& error() const {
    DCHECK(!ok());
    return std::get<1>(state_);
  }
  Error&& releaseError() && {
    DCHECK(!ok());
    return std::get<1>(std::move(state_));
  }

  // The value, or `fallback` when this is an error (for callers that may ignore why).
  T valueOr(T fallback) const& { return ok() ? value() : std::move(fallback); }
  // The error when there is one, for callers that keep an optional error.
  std::optional<Error> errorIfAny() const { return ok() ? std::nullopt : std::optional<Error>(error()); }

 private:
  std::variant<T, Error> state_;
};

// A step that yields nothing but may fail.
template <>
class [[nodiscard]] ErrorOr<void> {
 public:
  using ValueType = void;

  ErrorOr() = default;
  ErrorOr(Error error) : error_(std::move(error)) {}  // NOLINT: a failure converts implicitly

  bool ok() const { return !error_; }
  explicit operator bool() const { return ok(); }
  void value() const { DCHECK(ok()); }
  const Error& error() const {
    DCHECK(!ok());
    return *error_;
  }
  Error&& releaseError() && {
    DCHECK(!ok());
    return std::move(*error_);
  }
  std::optional<Error> errorIfAny() const { return error_; }

 private:
  std::optional<Error> error_;
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
