#pragma once

#include <optional>
#include <string>

#include "platform/foundation/Error.h"
#include "platform/foundation/ErrorOr.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/Value.h"

namespace sdk::utilities {

// Turns objects into keyed archives and back with the allowed classes always checked, reporting
// every failure as an error of kSecureCodingErrorDomain (code -1) whose underlying error, when
// there is one, is the archive's own.
inline constexpr const char* kSecureCodingErrorDomain = "VDUSecureCodingError";
inline constexpr std::int64_t kSecureCodingErrorCode = -1;

class SecureCoding {
 public:
  using Value = platform::foundation::Value;
  using Error = platform::foundation::Error;
  using Data = platform::foundation::Data;
  using ClassSet = platform::foundation::KeyedArchive::ClassSet;

  // The root object, never nil: an archive whose root is nil is an error too.
  static platform::foundation::ErrorOr<Value> unarchivedObjectOfClasses(const ClassSet& classes, const Data& data);
  static platform::foundation::ErrorOr<Value> unarchivedObjectOfClass(const std::string& className, const Data& data);
  static platform::foundation::ErrorOr<Data> archivedDataWithRootObject(const Value& object);
  static Error archivingErrorWithException(const platform::foundation::Exception& exception);
};

// The user-info key under which these errors carry their reason.
inline constexpr const char* kLocalizedFailureReasonKey = "NSLocalizedFailureReason";

}  // namespace sdk::utilities

