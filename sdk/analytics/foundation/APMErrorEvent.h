#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/APMValue.h"

// Rejected public input may be recorded as an internal "_err" event. The foundation only builds the
// event; the engine installs the handler that logs it (origin, name, parameters). Without one the
// event is dropped.
using APMErrorEventHandler = std::function<void(const std::string& origin, const std::string& name,
                                                const APMParameters& parameters)>;
// Installs `handler` and answers the one it replaced.
APMErrorEventHandler APMSetErrorEventHandler(APMErrorEventHandler handler);

// "_err" = code; nothing for code 0.
void APMLogErrorEvent(std::int64_t code);
// "_err" = code, "_ev" = `name` cut to `limit` code points ("..." appended when longer) and, when a
// value is given and the code is 4 or 7 or the value is longer than the limit, "_el" = the value's
// length in code points (a non-string value counts by the name of its kind). Nothing for code 0.
void APMLogErrorEventWithValue(std::int64_t code, const std::string& name, std::size_t limit,
                               const std::optional<platform::foundation::Value>& value);

// The analytics error codes the foundation and its callers raise.
enum APMErrorCode : std::int64_t {
  APMErrorCodeInvalidEventName = 2,
  APMErrorCodeEventParamValueTooLong = 4,
  APMErrorCodeTooManyEventParams = 5,
  APMErrorCodeInvalidUserPropertyName = 6,
  APMErrorCodeUserPropertyValueTooLong = 7,
  APMErrorCodeEventNameIsReserved = 13,
  APMErrorCodeUserPropertyNameIsReserved = 15,
  APMErrorCodeItemCustomParameterRefused = 23,
};
