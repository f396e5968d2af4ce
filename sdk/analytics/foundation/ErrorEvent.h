#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/AnalyticsValue.h"

namespace sdk::analytics {

// Rejected public input may be recorded as an internal "_err" event. The foundation only builds the
// event; the engine installs the handler that logs it (origin, name, parameters). Without one the
// event is dropped.
using ErrorEventHandler = std::function<void(const std::string& origin, const std::string& name,
                                                const Parameters& parameters)>;
// Installs `handler` and answers the one it replaced.
ErrorEventHandler setErrorEventHandler(ErrorEventHandler handler);

// "_err" = code; nothing for code 0.
void logErrorEvent(std::int64_t code);
// "_err" = code, "_ev" = `name` cut to `limit` code points ("..." appended when longer) and, when a
// value is given and the code is 4 or 7 or the value is longer than the limit, "_el" = the value's
// length in code points (a non-string value counts by the name of its kind). Nothing for code 0.
void logErrorEventWithValue(std::int64_t code, const std::string& name, std::size_t limit,
                               const std::optional<platform::foundation::Value>& value);

// The analytics error codes the foundation and its callers raise.
enum AnalyticsErrorCode : std::int64_t {
  kErrorCodeInvalidEventName = 2,
  kErrorCodeEventParamValueTooLong = 4,
  kErrorCodeTooManyEventParams = 5,
  kErrorCodeInvalidUserPropertyName = 6,
  kErrorCodeUserPropertyValueTooLong = 7,
  kErrorCodeEventNameIsReserved = 13,
  kErrorCodeUserPropertyNameIsReserved = 15,
  kErrorCodeItemCustomParameterRefused = 23,
};

}  // namespace sdk::analytics

