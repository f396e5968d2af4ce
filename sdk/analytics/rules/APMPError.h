#pragma once

#include <cstdint>

#include "platform/foundation/Error.h"

// Script errors: one domain, a numeric code, no user information. The error slot is the only
// failure signal: once it is set, every caller ignores the value returned with it.
inline constexpr const char* kAPMPErrorDomain = "com.vadeze.vmp.measurement.pixie.ErrorDomain";

using APMPError = platform::foundation::Error;

enum APMPErrorCode : std::int64_t {
  kAPMPErrorUnboundAssignment = 2,
  kAPMPErrorNoBooleanForm = 3,
  kAPMPErrorNoNumberForm = 4,
  kAPMPErrorNoStringForm = 5,
  kAPMPErrorPropertyOfNothing = 6,
  kAPMPErrorMethodOfNothing = 7,
  kAPMPErrorReduceOfEmpty = 8,
  kAPMPErrorArgumentCount = 9,
  kAPMPErrorArgumentType = 10,
  kAPMPErrorBadLength = 11,
  kAPMPErrorUnknownEntityType = 12,
  kAPMPErrorNoScriptForm = 13,
  kAPMPErrorNoFunctionName = 14,
  kAPMPErrorModuleCreatorFailed = 15,
  kAPMPErrorNotIterable = 16,
  kAPMPErrorUnknownMethod = 17,
  kAPMPErrorLimitReached = 18,
};

inline bool APMPFailed(const APMPError& error) { return !error.domain.empty(); }

// Sets the slot to a script error, unless an earlier error already holds it.
inline void APMPSetError(APMPError& error, std::int64_t code) {
  if (APMPFailed(error)) return;
  error.domain = kAPMPErrorDomain;
  error.code = code;
}
