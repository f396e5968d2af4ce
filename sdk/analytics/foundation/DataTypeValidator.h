#pragma once

#include <string>
#include <string_view>

#include "sdk/analytics/foundation/AnalyticsValue.h"

namespace sdk::analytics {

// Checks of names, origins and values. Each answers whether the input passes and, when `failureCode`
// is given, writes 0 or one of the codes below; each refusal is logged through the monitor.
// Lengths count Unicode code points. A letter is any code point of the Unicode letter or mark
// categories and a digit one of the decimal-digit category, for every check alike.
class DataTypeValidator {
 public:
  enum FailureCode : int {
    kNone = 0,
    kEmpty = 1,
    kTooLong = 2,
    kInvalidCharacter = 3,  // also a public name whose first character is not a letter
    kReserved = 4,          // a reserved name or prefix
    kNotAString = 5,
    kMissingForwardedSuffix = 6,
    kTooShort = 7,
  };

  static constexpr const char* kForwardedOriginSuffix = "+vtm";
  static constexpr const char* kReservedPrefixes[] = {"vurevore_", "vadeze_", "ga_"};

  static bool isValidInternalEventName(std::string_view name, int* failureCode);
  static bool isValidInternalEventOrigin(std::string_view origin, int* failureCode);
  static bool isValidForwardedEventOrigin(std::string_view origin, int* failureCode);
  static bool isValidPublicEventName(std::string_view name, int* failureCode);
  static bool isValidPublicEventParameterName(std::string_view name, int* failureCode);
  static bool isValidPublicEventParameterValue(const AnalyticsValue& value, int* failureCode);
  static bool isValidPublicUserAttributeName(std::string_view name, int* failureCode);
  static bool isValidPublicUserAttributeValue(const AnalyticsValue& value, int* failureCode);
  static bool isValidInternalUserAttributeName(std::string_view name, int* failureCode);
  static bool isValidInternalUserAttributeValue(const AnalyticsValue& value, std::string_view name, int* failureCode);
  static bool isValidScreenParameterValue(const AnalyticsValue& value, int* failureCode);
  static bool isValidConditionalUserPropertyOrigin(std::string_view origin, int* failureCode);
  static bool isValidConditionalUserPropertyName(std::string_view name, int* failureCode);
  static bool isValidConditionalUserPropertyValue(const AnalyticsValue& value, int* failureCode);

  // The one notion of a letter and a digit that every check uses.
  static bool isLetter(char32_t c);
  static bool isDigit(char32_t c);
  static bool hasReservedPrefix(std::string_view name);
};

}  // namespace sdk::analytics

