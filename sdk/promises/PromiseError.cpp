#include "sdk/promises/PromiseError.h"

namespace sdk::promises {

using platform::foundation::Error;
using platform::foundation::Value;

Error makePromiseError(PromiseErrorCode code) { return Error{kPromiseErrorDomain, code, Value()}; }

bool PromiseErrorObject::isEqual(const Object& other) const {
  const auto* error = dynamic_cast<const PromiseErrorObject*>(&other);
  return error && error->error_ == error_;
}

Value valueWithError(Error error) { return Value(std::make_shared<PromiseErrorObject>(std::move(error))); }

std::optional<Error> errorFromValue(const Value& value) {
  if (auto boxed = value.objectAs<PromiseErrorObject>()) return boxed->error();
  return std::nullopt;
}

bool isErrorValue(const Value& value) { return value.objectAs<PromiseErrorObject>() != nullptr; }

}  // namespace sdk::promises

