#include "sdk/analytics/foundation/MeasurementError.h"

namespace sdk::analytics {

using platform::foundation::Error;

Error measurementErrorWithCode(std::int64_t code, const std::string& description) {
  return Error::make(kMeasurementErrorDomain, code, description);
}

platform::foundation::ErrorOr<void> ensureNonZero(std::size_t count, std::int64_t code,
                                                  const std::string& description) {
  return ensureTrue(count != 0, code, description);
}

platform::foundation::ErrorOr<void> ensureTrue(bool flag, std::int64_t code, const std::string& description) {
  if (flag) return {};
  return measurementErrorWithCode(code, description);
}

}  // namespace sdk::analytics

