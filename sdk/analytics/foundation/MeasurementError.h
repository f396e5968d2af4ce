#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/foundation/Error.h"
#include "platform/foundation/ErrorOr.h"

namespace sdk::analytics {

// Failures of the analytics foundation, in one domain.
inline constexpr const char* kMeasurementErrorDomain = "com.vadeze.vmp.measurement.ErrorDomain";

// An error of the measurement domain with `description` as its localized description.
platform::foundation::Error measurementErrorWithCode(std::int64_t code, const std::string& description);

// Each passes when its value does; otherwise it is the error with `code` and `description`.
template <typename T>
platform::foundation::ErrorOr<void> ensureObject(const T& object, std::int64_t code, const std::string& description) {
  if (static_cast<bool>(object)) return {};
  return measurementErrorWithCode(code, description);
}
platform::foundation::ErrorOr<void> ensureNonZero(std::size_t count, std::int64_t code, const std::string& description);
platform::foundation::ErrorOr<void> ensureTrue(bool flag, std::int64_t code, const std::string& description);

}  // namespace sdk::analytics

