#pragma once

#include <cstdint>

#include "platform/foundation/Error.h"
#include "platform/foundation/ErrorOr.h"

namespace sdk::analytics {

// Script errors: one domain, a numeric code, no user information. Every step of the interpreter that
// can fail answers ErrorOr: the first error ends the run, and nothing done after it is looked at.
inline constexpr const char* kScriptErrorDomain = "com.vadeze.vmp.measurement.pixie.ErrorDomain";

using ScriptRuntimeError = platform::foundation::Error;
using platform::foundation::ErrorOr;

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

// A script error with `code`. Out of line and cold: the steps that may fail stay small enough to
// inline into the evaluator's loops.
[[gnu::cold]] ScriptRuntimeError scriptError(std::int64_t code);

}  // namespace sdk::analytics

