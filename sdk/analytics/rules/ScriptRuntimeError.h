#pragma once

#include <cstdint>

#include "platform/foundation/Error.h"

namespace sdk::analytics {

// Script errors: one domain, a numeric code, no user information. The error slot is the only
// failure signal: once it is set, every caller ignores the value returned with it.
inline constexpr const char* kScriptErrorDomain = "com.vadeze.vmp.measurement.pixie.ErrorDomain";

using ScriptRuntimeError = platform::foundation::Error;

enum ScriptErrorCode : std::int64_t {
  kScriptErrorUnboundAssignment = 2,
  kScriptErrorNoBooleanForm = 3,
  kScriptErrorNoNumberForm = 4,
  kScriptErrorNoStringForm = 5,
  kScriptErrorPropertyOfNothing = 6,
  kScriptErrorMethodOfNothing = 7,
  kScriptErrorReduceOfEmpty = 8,
  kScriptErrorArgumentCount = 9,
  kScriptErrorArgumentType = 10,
  kScriptErrorBadLength = 11,
  kScriptErrorUnknownEntityType = 12,
  kScriptErrorNoScriptForm = 13,
  kScriptErrorNoFunctionName = 14,
  kScriptErrorModuleCreatorFailed = 15,
  kScriptErrorNotIterable = 16,
  kScriptErrorUnknownMethod = 17,
  kScriptErrorLimitReached = 18,
};

inline bool hasScriptError(const ScriptRuntimeError& error) { return !error.domain.empty(); }

// Sets the slot to a script error, unless an earlier error already holds it.
inline void setScriptError(ScriptRuntimeError& error, std::int64_t code) {
  if (hasScriptError(error)) return;
  error.domain = kScriptErrorDomain;
  error.code = code;
}

}  // namespace sdk::analytics

