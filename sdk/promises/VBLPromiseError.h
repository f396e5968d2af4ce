#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/foundation/Error.h"
#include "platform/foundation/Value.h"

// Errors the operators make themselves; they carry no user info.
inline constexpr const char* kVBLPromiseErrorDomain = "com.vadeze.VBLPromises.Error";
enum VBLPromiseErrorCode : std::int64_t {
  VBLPromiseErrorCodeTimedOut = 1,
  VBLPromiseErrorCodeValidationFailure = 2,
};

platform::foundation::Error VBLPromiseMakeError(VBLPromiseErrorCode code);

// Promise results are Values. An error travels inside a Value as this object, so a block can answer
// "a value, an error or a promise" through one return type, and `any` can hand back values and errors
// side by side. Fulfilling a promise with such a Value rejects it.
class VBLErrorObject final : public platform::foundation::Object {
 public:
  explicit VBLErrorObject(platform::foundation::Error error) : error_(std::move(error)) {}
  const platform::foundation::Error& error() const { return error_; }
  std::string description() const override { return error_.description(); }
  bool isEqual(const Object& other) const override;

 private:
  platform::foundation::Error error_;
};

platform::foundation::Value VBLValueWithError(platform::foundation::Error error);
// The error a Value carries, if it carries one.
std::optional<platform::foundation::Error> VBLErrorFromValue(const platform::foundation::Value& value);
bool VBLIsErrorValue(const platform::foundation::Value& value);
