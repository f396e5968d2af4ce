#include "sdk/analytics/rules/ScriptRuntimeError.h"

namespace sdk::analytics {

ScriptRuntimeError scriptError(std::int64_t code) { return ScriptRuntimeError{kScriptErrorDomain, code, {}}; }

}  // namespace sdk::analytics

