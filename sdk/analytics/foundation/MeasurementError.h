#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/foundation/Error.h"

namespace sdk::analytics {

// Failures of the analytics foundation, reported through `Error*` out-parameters in one domain.
inline constexpr const char* kMeasurementErrorDomain = "com.vadeze.vmp.measurement.ErrorDomain";

// An error of the measurement domain with `description` as its localized description.
platform::foundation::Error measurementErrorWithCode(std::int64_t code, const std::string& description);

// Stores such an error through `error` when the caller asked for one.
void setMeasurementError(platform::foundation::Error* error, std::int64_t code, const std::string& description);

// Each answers whether its value passes; a failing value sets the error and answers false.
template <typename T>
bool ensureObjectOrSetError(const T& object, platform::foundation::Error* error, std::int64_t code,
                               const std::string& description) {
  if (static_cast<bool>(object)) return true;
  setMeasurementError(error, code, description);
  return false;
}

bool ensureNonZeroOrSetError(std::size_t count, platform::foundation::Error* error, std::int64_t code,
                                const std::string& description);
bool ensureTrueOrSetError(bool flag, platform::foundation::Error* error, std::int64_t code,
                             const std::string& description);

}  // namespace sdk::analytics

