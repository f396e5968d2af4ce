#include "sdk/analytics/foundation/DataTypeValidator.h"

#include <unicode/uchar.h>

#include "platform/foundation/Utf8.h"
#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NameTables.h"

namespace sdk::analytics {

using platform::foundation::Utf8;
using platform::foundation::Value;

namespace {

using Code = DataTypeValidator::FailureCode;

bool answer(int* failureCode, int code) {
  if (failureCode) *failureCode = code;
  return code == Code::kNone;
}

bool refuse(int* failureCode, int code, LogLevel level, std::int64_t messageCode, const std::string& message,
            std::string_view subject) {
  Monitor::shared()->logWithLevel(level, messageCode, message, Value(std::string(subject)));
  return answer(failureCode, code);
}

bool isWordCharacter(char32_t c) {
  return c == U'_' || DataTypeValidator::isLetter(c) || DataTypeValidator::isDigit(c);
}

// 1 to `maximum` letters, digits and underscores; public names must also start with a letter.
bool checkName(std::string_view name, std::size_t maximum, bool mustStartWithLetter, int* failureCode) {
  if (name.empty())
    return refuse(failureCode, Code::kEmpty, LogLevel::kMonitoredError, messages::kNameOrOriginEmpty, "Name is empty",
                  name);
  std::u32string codePoints = Utf8::decode(name);
  if (codePoints.size() > maximum) {
    return refuse(failureCode, Code::kTooLong, LogLevel::kMonitoredError, messages::kNameTooLong,
                  "Name is too long. The maximum supported length is " + std::to_string(maximum) + ". Name", name);
  }
  if (mustStartWithLetter && !DataTypeValidator::isLetter(codePoints.front())) {
    return refuse(failureCode, Code::kInvalidCharacter, LogLevel::kMonitoredError,
                  messages::kNameDoesNotStartWithLetter, "Name must start with a letter. Name", name);
  }
  for (char32_t c : codePoints) {
    if (!isWordCharacter(c)) {
      return refuse(failureCode, Code::kInvalidCharacter, LogLevel::kMonitoredError,
                    messages::kNameHasInvalidCharacters,
                    "Name must consist of letters, digits or _ (underscores). Name", name);
    }
  }
  return answer(failureCode, Code::kNone);
}

// A string of `minimum` to `maximum` code points; numbers pass when `numbersPass`.
bool checkValue(const AnalyticsValue& value, std::size_t minimum, std::size_t maximum, bool numbersPass, int* failureCode) {
  if (!value.isString()) {
    if (numbersPass && (value.isInt64() || value.isDouble())) return answer(failureCode, Code::kNone);
    return refuse(failureCode, Code::kNotAString, LogLevel::kMonitoredError, messages::kValueStringInvalid,
                  "Value is not a string. Value", value.description());
  }
  std::size_t length = Utf8::length(value.stringValue());
  if (length < minimum) {
    return refuse(failureCode, Code::kTooShort, LogLevel::kMonitoredError, messages::kValueStringInvalid,
                  "Value is too short. Value", value.stringValue());
  }
  if (length > maximum) {
    return refuse(failureCode, Code::kTooLong, LogLevel::kMonitoredError, messages::kValueStringInvalid,
                  "Value is too long. The maximum supported length is " + std::to_string(maximum) + ". Value",
                  value.stringValue());
  }
  return answer(failureCode, Code::kNone);
}

bool checkPublicUserAttributeName(std::string_view name, int* failureCode) {
  if (!checkName(name, 24, true, failureCode)) return false;
  if (reservedUserPropertyNames().containsPublicName(std::string(name))) {
    return refuse(failureCode, Code::kReserved, LogLevel::kError, messages::kUserPropertyNameReserved,
                  "User property name is reserved. Ignoring user property", name);
  }
  if (DataTypeValidator::hasReservedPrefix(name)) {
    return refuse(failureCode, Code::kReserved, LogLevel::kError, messages::kUserPropertyNameReservedPrefix,
                  "User property name uses reserved prefix. Ignoring user property", name);
  }
  return answer(failureCode, Code::kNone);
}

}  // namespace

bool DataTypeValidator::isLetter(char32_t c) {
  if (c < 0x80) return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
  return (U_GET_GC_MASK(static_cast<UChar32>(c)) & (U_GC_L_MASK | U_GC_M_MASK)) != 0;
}

bool DataTypeValidator::isDigit(char32_t c) {
  if (c < 0x80) return c >= U'0' && c <= U'9';
  return u_charType(static_cast<UChar32>(c)) == U_DECIMAL_DIGIT_NUMBER;
}

bool DataTypeValidator::hasReservedPrefix(std::string_view name) {
  for (const char* prefix : kReservedPrefixes) {
    if (name.starts_with(prefix)) return true;
  }
  return false;
}

bool DataTypeValidator::isValidInternalEventName(std::string_view name, int* failureCode) {
  return checkName(name, 40, false, failureCode);
}

bool DataTypeValidator::isValidInternalEventOrigin(std::string_view origin, int* failureCode) {
  return checkName(origin, 32, false, failureCode);
}

bool DataTypeValidator::isValidForwardedEventOrigin(std::string_view origin, int* failureCode) {
  if (origin.empty())
    return refuse(failureCode, Code::kEmpty, LogLevel::kMonitoredError, messages::kNameOrOriginEmpty, "Origin is empty",
                  origin);
  if (!origin.ends_with(kForwardedOriginSuffix)) {
    // Most origins are not forwarded ones; callers then try the plain origin rules, so this is quiet.
    return refuse(failureCode, Code::kMissingForwardedSuffix, LogLevel::kVerbose, messages::kOriginNotForwarded,
                  "Origin is not a forwarded origin", origin);
  }
  std::string_view rest = origin.substr(0, origin.size() - std::string_view(kForwardedOriginSuffix).size());
  return isValidInternalEventOrigin(rest, failureCode);
}

bool DataTypeValidator::isValidPublicEventName(std::string_view name, int* failureCode) {
  if (!checkName(name, 40, true, failureCode)) return false;
  if (name == "screen_view") return answer(failureCode, Code::kNone);
  std::string text(name);
  if (publicToInternalEventNames().containsPublicName(text) &&
      !reservedEventNameExemptions().containsPublicName(text)) {
    return refuse(failureCode, Code::kReserved, LogLevel::kError, messages::kEventNameReserved,
                  "Event name is reserved. Ignoring event", name);
  }
  if (hasReservedPrefix(name)) {
    return refuse(failureCode, Code::kReserved, LogLevel::kError, messages::kEventNameReservedPrefix,
                  "Event name uses reserved prefix. Ignoring event", name);
  }
  return answer(failureCode, Code::kNone);
}

bool DataTypeValidator::isValidPublicEventParameterName(std::string_view name, int* failureCode) {
  if (!checkName(name, 40, true, failureCode)) return false;
  if (hasReservedPrefix(name)) {
    return refuse(failureCode, Code::kReserved, LogLevel::kError, messages::kParameterNameReservedPrefix,
                  "Parameter name uses reserved prefix. Ignoring parameter", name);
  }
  return answer(failureCode, Code::kNone);
}

bool DataTypeValidator::isValidPublicEventParameterValue(const AnalyticsValue& value, int* failureCode) {
  return checkValue(value, 0, 100, true, failureCode);
}

bool DataTypeValidator::isValidPublicUserAttributeName(std::string_view name, int* failureCode) {
  return checkPublicUserAttributeName(name, failureCode);
}

bool DataTypeValidator::isValidPublicUserAttributeValue(const AnalyticsValue& value, int* failureCode) {
  return checkValue(value, 1, 36, false, failureCode);
}

bool DataTypeValidator::isValidInternalUserAttributeName(std::string_view name, int* failureCode) {
  return checkName(name, 24, false, failureCode);
}

bool DataTypeValidator::isValidInternalUserAttributeValue(const AnalyticsValue& value, std::string_view name,
                                                             int* failureCode) {
  bool longForm = name == "_id" || name == "_gbraid";
  return checkValue(value, 1, longForm ? 256 : 36, true, failureCode);
}

bool DataTypeValidator::isValidScreenParameterValue(const AnalyticsValue& value, int* failureCode) {
  return checkValue(value, 1, 100, false, failureCode);
}

bool DataTypeValidator::isValidConditionalUserPropertyOrigin(std::string_view origin, int* failureCode) {
  return checkName(origin, 32, false, failureCode);
}

bool DataTypeValidator::isValidConditionalUserPropertyName(std::string_view name, int* failureCode) {
  return checkName(name, 24, false, failureCode);
}

bool DataTypeValidator::isValidConditionalUserPropertyValue(const AnalyticsValue& value, int* failureCode) {
  return checkValue(value, 1, 36, true, failureCode);
}

}  // namespace sdk::analytics

