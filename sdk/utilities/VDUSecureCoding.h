#pragma once

#include <optional>
#include <string>

#include "platform/foundation/Error.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/Value.h"

// Turns objects into keyed archives and back with the allowed classes always checked, reporting
// every failure as an error of kVDUSecureCodingErrorDomain (code -1) whose underlying error, when
// there is one, is the archive's own.
inline constexpr const char* kVDUSecureCodingErrorDomain = "VDUSecureCodingError";
inline constexpr std::int64_t kVDUSecureCodingErrorCode = -1;

class VDUSecureCoding {
 public:
  using Value = platform::foundation::Value;
  using Error = platform::foundation::Error;
  using Data = platform::foundation::Data;
  using ClassSet = platform::foundation::KeyedArchive::ClassSet;

  // The root object, or nil with an error (also for an archive whose root is nil).
  static Value unarchivedObjectOfClasses(const ClassSet& classes, const Data& data, Error* error);
  static Value unarchivedObjectOfClass(const std::string& className, const Data& data, Error* error);
  static std::optional<Data> archivedDataWithRootObject(const Value& object, Error* error);
  static Error archivingErrorWithException(const platform::foundation::Exception& exception);
};

// The user-info key under which these errors carry their reason.
inline constexpr const char* kVDULocalizedFailureReasonKey = "NSLocalizedFailureReason";
