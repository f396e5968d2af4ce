#include "sdk/promises/VBLPromiseError.h"

using platform::foundation::Error;
using platform::foundation::Value;

Error VBLPromiseMakeError(VBLPromiseErrorCode code) { return Error{kVBLPromiseErrorDomain, code, Value()}; }

bool VBLErrorObject::isEqual(const Object& other) const {
  const auto* error = dynamic_cast<const VBLErrorObject*>(&other);
  return error && error->error_ == error_;
}

Value VBLValueWithError(Error error) { return Value(std::make_shared<VBLErrorObject>(std::move(error))); }

std::optional<Error> VBLErrorFromValue(const Value& value) {
  if (auto boxed = value.objectAs<VBLErrorObject>()) return boxed->error();
  return std::nullopt;
}

bool VBLIsErrorValue(const Value& value) { return value.objectAs<VBLErrorObject>() != nullptr; }
