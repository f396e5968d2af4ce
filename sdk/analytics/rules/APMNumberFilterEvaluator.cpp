#include "sdk/analytics/rules/APMNumberFilterEvaluator.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPBAudience.h"

namespace sdk::analytics {
namespace {

// Field indices of APMPBNumberFilter.
constexpr int kComparisonType = 0;
constexpr int kComparisonValue = 2;
constexpr int kMinComparisonValue = 3;
constexpr int kMaxComparisonValue = 4;

bool hasDecimalText(const APMPBNumberFilter& filter, int index) {
  const std::string* text = APMNanoStringIn(filter, index);
  return text && APMIsDecimalNumberString(*text);
}

std::string_view textOf(const APMPBNumberFilter& filter, int index) {
  const std::string* text = APMNanoStringIn(filter, index);
  return text ? std::string_view(*text) : std::string_view();
}

std::uint64_t comparisonType(const APMPBNumberFilter& filter) {
  return static_cast<std::uint64_t>(APMNanoGetInt64(filter, kComparisonType));
}

APMAudienceComparisonValues parseComparisonValues(const APMPBNumberFilter& filter, APMMonitor& monitor) {
  APMAudienceComparisonValues values;
  auto parse = [&](int index, int code, const char* message) {
    auto number = APMDecimalNumberFromString(textOf(filter, index));
    if (!number) monitor.logWithLevel(1, code, message);
    return number;
  };
  if (comparisonType(filter) == static_cast<std::uint64_t>(APMComparisonType::Between)) {
    values.minComparisonValue = parse(kMinComparisonValue, 8004, "Number filter min comparison value is not a number");
    if (values.minComparisonValue) {
      values.maxComparisonValue =
          parse(kMaxComparisonValue, 8005, "Number filter max comparison value is not a number");
    }
    values.valid = values.minComparisonValue && values.maxComparisonValue;
  } else {
    values.comparisonValue = parse(kComparisonValue, 8002, "Number filter comparison value is not a number");
    values.valid = values.comparisonValue.has_value();
  }
  return values;
}

// The en_US reading of a decimal text with an optional sign; validation has admitted only plain
// decimal texts.
std::optional<double> parseDouble(const std::string* text) {
  if (!text || !APMIsDecimalNumberString(*text)) return std::nullopt;
  std::string_view digits = *text;
  bool negative = false;
  if (digits.front() == '+' || digits.front() == '-') {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  double value = 0;
  auto [end, failure] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (failure != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value)) return std::nullopt;
  return negative ? -value : value;
}

// A comparison text that is a plain integer of at most 18 digits: against an integer value the exact
// decimal comparison then reduces to comparing integers.
std::optional<std::int64_t> plainInteger(const std::string* text) {
  if (!text) return std::nullopt;
  std::string_view digits = *text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  if (digits.empty() || digits.size() > 18 || digits.front() == '+') return std::nullopt;
  std::int64_t value = 0;
  auto [end, failure] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (failure != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

double stepped(double value, double direction, int steps) {
  for (int i = 0; i < steps; ++i) value = std::nextafter(value, direction);
  return value;
}

}  // namespace

bool APMValidateNumberFilter(const APMPBNumberFilter& filter, APMMonitor& monitor) {
  if (!APMNanoHasField(filter, kComparisonType)) {
    monitor.logWithLevel(1, 8006, "Number filter has no comparison type", APMMessageContext(filter));
    return false;
  }
  std::uint64_t type = comparisonType(filter);
  if (type == 0) {
    monitor.logWithLevel(1, 8007, "Number filter has unknown comparison type", APMMessageContext(filter));
    return false;
  }
  if (type <= 3) {
    if (hasDecimalText(filter, kComparisonValue)) return true;
    monitor.logWithLevel(1, 8008, "Numeric filter does not have a valid comparison value. Filter",
                         APMMessageContext(filter));
    return false;
  }
  if (type == 4) {
    bool valid = true;
    if (!hasDecimalText(filter, kMinComparisonValue)) {
      monitor.logWithLevel(1, 8009, "Numeric filter does not have a valid min comparison value. Filter",
                           APMMessageContext(filter));
      valid = false;
    }
    if (!hasDecimalText(filter, kMaxComparisonValue)) {
      monitor.logWithLevel(1, 8010, "Numeric filter does not have a valid max comparison value. Filter",
                           APMMessageContext(filter));
      valid = false;
    }
    return valid;
  }
  monitor.logWithLevel(1, 8011, "Number filter has a real unknown comparison type", APMMessageContext(filter));
  return false;
}

APMFilterOutcome APMEvaluateNumberFilter(const APMPBNumberFilter& filter, const APMDecimalNumber& value,
                                         APMMonitor& monitor) {
  if (!APMValidateNumberFilter(filter, monitor)) return std::nullopt;
  APMAudienceComparisonValues values = parseComparisonValues(filter, monitor);
  if (!values.isValid()) {
    monitor.logWithLevel(1, 8015,
                         "Parsed decimal number comparison values are not valid. Audience filter will not be "
                         "evaluated. Filter",
                         APMMessageContext(filter));
    return std::nullopt;
  }
  switch (static_cast<APMComparisonType>(comparisonType(filter))) {
    case APMComparisonType::LessThan: return value.compare(*values.comparisonValue) < 0;
    case APMComparisonType::GreaterThan: return value.compare(*values.comparisonValue) > 0;
    case APMComparisonType::Equal: return value.compare(*values.comparisonValue) == 0;
    case APMComparisonType::Between:
      return values.minComparisonValue->compare(value) <= 0 && value.compare(*values.maxComparisonValue) <= 0;
  }
  return std::nullopt;
}

APMFilterOutcome APMEvaluateNumberFilter(const APMPBNumberFilter& filter, double value, APMMonitor& monitor) {
  if (!APMValidateNumberFilter(filter, monitor)) return std::nullopt;
  auto type = static_cast<APMComparisonType>(comparisonType(filter));
  std::optional<double> comparison, minimum, maximum;
  if (type == APMComparisonType::Between) {
    minimum = parseDouble(APMNanoStringIn(filter, kMinComparisonValue));
    maximum = parseDouble(APMNanoStringIn(filter, kMaxComparisonValue));
  } else {
    comparison = parseDouble(APMNanoStringIn(filter, kComparisonValue));
  }
  if (type == APMComparisonType::Between ? !(minimum && maximum) : !comparison) {
    monitor.logWithLevel(1, 8012,
                         "Number filter is invalid, the comparison filter is not valid. Audience filter will not be "
                         "evaluated");
    return std::nullopt;
  }
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  switch (type) {
    case APMComparisonType::LessThan: return value < *comparison;
    case APMComparisonType::GreaterThan: return value > *comparison;
    case APMComparisonType::Equal:
      return stepped(*comparison, -kInfinity, 2) < value && value < stepped(*comparison, kInfinity, 2);
    case APMComparisonType::Between: return *minimum <= value && value <= *maximum;
  }
  return std::nullopt;
}

APMFilterOutcome APMEvaluateNumberFilter(const APMPBNumberFilter& filter, std::int64_t value, APMMonitor& monitor) {
  if (!APMValidateNumberFilter(filter, monitor)) return std::nullopt;
  switch (static_cast<APMComparisonType>(comparisonType(filter))) {
    case APMComparisonType::Between: {
      auto minimum = plainInteger(APMNanoStringIn(filter, kMinComparisonValue));
      auto maximum = plainInteger(APMNanoStringIn(filter, kMaxComparisonValue));
      if (minimum && maximum) return *minimum <= value && value <= *maximum;
      break;
    }
    default:
      if (auto comparison = plainInteger(APMNanoStringIn(filter, kComparisonValue))) {
        switch (static_cast<APMComparisonType>(comparisonType(filter))) {
          case APMComparisonType::LessThan: return value < *comparison;
          case APMComparisonType::GreaterThan: return value > *comparison;
          default: return value == *comparison;
        }
      }
  }
  return APMEvaluateNumberFilter(filter, APMDecimalNumber::fromInt64(value), monitor);
}

}  // namespace sdk::analytics
