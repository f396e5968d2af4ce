#include "sdk/analytics/foundation/MeasurementError.h"

namespace sdk::analytics {

using platform::foundation::Error;

Error measurementErrorWithCode(std::int64_t code, const std::string& description) {
  return Error::make(kMeasurementErrorDomain, code, description);
}

void setMeasurementError(Error* error, std::int64_t code, const std::string& description) {
  platform::foundation::report(error, measurementErrorWithCode(code, description));
}

bool ensureNonZeroOrSetError(std::size_t count, Error* error, std::int64_t code, const std::string& description) {
  return ensureTrueOrSetError(count != 0, error, code, description);
}

bool ensureTrueOrSetError(bool flag, Error* error, std::int64_t code, const std::string& description) {
  if (flag) return true;
  setMeasurementError(error, code, description);
  return false;
}

}  // namespace sdk::analytics

