#include "sdk/analytics/foundation/APMError.h"

using platform::foundation::Error;

Error apm_errorWithCode(std::int64_t code, const std::string& description) {
  return Error::make(kAPMErrorDomain, code, description);
}

void APMSetError(Error* error, std::int64_t code, const std::string& description) {
  platform::foundation::report(error, apm_errorWithCode(code, description));
}

bool APMEnsureNonZeroOrSetError(std::size_t count, Error* error, std::int64_t code, const std::string& description) {
  return APMEnsureTrueOrSetError(count != 0, error, code, description);
}

bool APMEnsureTrueOrSetError(bool flag, Error* error, std::int64_t code, const std::string& description) {
  if (flag) return true;
  APMSetError(error, code, description);
  return false;
}
