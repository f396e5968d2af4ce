#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/foundation/Error.h"
#include "platform/foundation/Value.h"

namespace sdk::promises {

// Errors the operators make themselves; they carry no user info.
inline constexpr const char* kPromiseErrorDomain = "com.vadeze.VBLPromises.Error";
enum PromiseErrorCode : std::int64_t {
  kPromiseErrorCodeTimedOut = 1,
  kPromiseErrorCodeValidationFailure = 2,
};

platform::foundation::Error makePromiseError(PromiseErrorCode code);

// Promise results are Values. An error travels inside a Value as this object, so a block can answer
// "a value, an error or a promise" through one return type, and `any` can hand back values and errors
// side by side. Fulfilling a promise with such a Value rejects it.
class PromiseErrorObject final : public platform::foundation::Object {
 public:
  explicit PromiseErrorObject(platform::foundation::Error error) : error_(std::move(error)) {}
  const platform::foundation::Error& error() const { return error_; }
  std::string description() const override { return error_.description(); }
  bool isEqual(const Object& other) const override;

 private:
  platform::foundation::Error error_;
};

platform::foundation::Value valueWithError(platform::foundation::Error error);
// The error a Value carries, if it carries one.
std::optional<platform::foundation::Error> errorFromValue(const platform::foundation::Value& value);
bool isErrorValue(const platform::foundation::Value& value);

}  // namespace sdk::promises

