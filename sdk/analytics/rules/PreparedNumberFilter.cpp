#include "sdk/analytics/rules/PreparedNumberFilter.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "sdk/analytics/foundation/AudienceFieldIndices.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"

namespace sdk::analytics {

namespace {

using namespace audience_fields;

// The en_US reading of a decimal text with an optional sign; validation has admitted only plain
// decimal texts.
std::optional<double> readDouble(const std::string* text) {
  if (!text || !isDecimalNumberString(*text)) return std::nullopt;
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

std::optional<std::int64_t> readPlainInteger(const std::string* text) {
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

bool isBetween(const ProtoNumberFilter& filter) {
  return PreparedNumberFilter::typeOf(filter) == NumberComparisonType::Between;
}

}  // namespace

NumberComparisonType PreparedNumberFilter::typeOf(const ProtoNumberFilter& filter) {
  return static_cast<NumberComparisonType>(nanoGetInt64(filter, kNumberComparisonType));
}

AudienceComparisonValues PreparedNumberFilter::readDecimals(const ProtoNumberFilter& filter, Monitor* monitor) {
  AudienceComparisonValues values;
  auto read = [&](int index, int code, const char* message) -> std::optional<DecimalNumber> {
    const std::string* text = nanoStringIn(filter, index);
    std::string_view view = text ? std::string_view(*text) : std::string_view();
    if (!monitor) return exactDecimalNumber(view);
    auto number = decimalNumberFromString(view);
    if (!number) monitor->logWithLevel(LogLevel::kMonitoredError, code, message);
    return number;
  };
  if (isBetween(filter)) {
    values.minComparisonValue = read(kNumberMinimum, messages::kMinComparisonValueNotNumber, "Number filter min comparison value is not a number");
    if (values.minComparisonValue) {
      values.maxComparisonValue =
          read(kNumberMaximum, messages::kMaxComparisonValueNotNumber, "Number filter max comparison value is not a number");
    }
    values.valid = values.minComparisonValue && values.maxComparisonValue;
  } else {
    values.comparisonValue = read(kNumberComparisonValue, messages::kComparisonValueNotNumber, "Number filter comparison value is not a number");
    values.valid = values.comparisonValue.has_value();
  }
  return values;
}

std::optional<PreparedNumberFilter::Bounds<double>> PreparedNumberFilter::readDoubles(const ProtoNumberFilter& filter) {
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  Bounds<double> bounds{};
  if (isBetween(filter)) {
    auto minimum = readDouble(nanoStringIn(filter, kNumberMinimum));
    auto maximum = readDouble(nanoStringIn(filter, kNumberMaximum));
    if (!minimum || !maximum) return std::nullopt;
    bounds.minimum = *minimum;
    bounds.maximum = *maximum;
    return bounds;
  }
  auto value = readDouble(nanoStringIn(filter, kNumberComparisonValue));
  if (!value) return std::nullopt;
  bounds.value = *value;
  // A value equal to the comparison value or one representable step from it is equal.
  bounds.minimum = stepped(*value, -kInfinity, 2);
  bounds.maximum = stepped(*value, kInfinity, 2);
  return bounds;
}

std::optional<PreparedNumberFilter::Bounds<std::int64_t>> PreparedNumberFilter::readIntegers(
    const ProtoNumberFilter& filter) {
  Bounds<std::int64_t> bounds{};
  if (isBetween(filter)) {
    auto minimum = readPlainInteger(nanoStringIn(filter, kNumberMinimum));
    auto maximum = readPlainInteger(nanoStringIn(filter, kNumberMaximum));
    if (!minimum || !maximum) return std::nullopt;
    bounds.minimum = *minimum;
    bounds.maximum = *maximum;
    return bounds;
  }
  auto value = readPlainInteger(nanoStringIn(filter, kNumberComparisonValue));
  if (!value) return std::nullopt;
  bounds.value = *value;
  return bounds;
}

bool PreparedNumberFilter::holds(NumberComparisonType type, const AudienceComparisonValues& values,
                                 const DecimalNumber& value) {
  switch (type) {
    case NumberComparisonType::LessThan: return value.compare(*values.comparisonValue) < 0;
    case NumberComparisonType::GreaterThan: return value.compare(*values.comparisonValue) > 0;
    case NumberComparisonType::Equal: return value.compare(*values.comparisonValue) == 0;
    case NumberComparisonType::Between:
      return values.minComparisonValue->compare(value) <= 0 && value.compare(*values.maxComparisonValue) <= 0;
  }
  return false;
}

bool PreparedNumberFilter::holds(NumberComparisonType type, const Bounds<double>& bounds, double value) {
  switch (type) {
    case NumberComparisonType::LessThan: return value < bounds.value;
    case NumberComparisonType::GreaterThan: return value > bounds.value;
    case NumberComparisonType::Equal: return bounds.minimum < value && value < bounds.maximum;
    case NumberComparisonType::Between: return bounds.minimum <= value && value <= bounds.maximum;
  }
  return false;
}

bool PreparedNumberFilter::holds(NumberComparisonType type, const Bounds<std::int64_t>& bounds, std::int64_t value) {
  switch (type) {
    case NumberComparisonType::LessThan: return value < bounds.value;
    case NumberComparisonType::GreaterThan: return value > bounds.value;
    case NumberComparisonType::Equal: return value == bounds.value;
    case NumberComparisonType::Between: return bounds.minimum <= value && value <= bounds.maximum;
  }
  return false;
}

std::optional<PreparedNumberFilter> PreparedNumberFilter::from(const ProtoNumberFilter& filter) {
  if (!validateNumberFilter(filter, nullptr)) return std::nullopt;
  PreparedNumberFilter prepared;
  prepared.type_ = typeOf(filter);
  prepared.decimals_ = readDecimals(filter, nullptr);
  auto doubles = readDoubles(filter);
  if (!prepared.decimals_.isValid() || !doubles) return std::nullopt;
  prepared.doubles_ = *doubles;
  prepared.integers_ = readIntegers(filter);
  return prepared;
}

bool PreparedNumberFilter::holdsFor(const DecimalNumber& value) const { return holds(type_, decimals_, value); }

bool PreparedNumberFilter::holdsFor(double value) const { return holds(type_, doubles_, value); }

bool PreparedNumberFilter::holdsFor(std::int64_t value) const {
  if (integers_) return holds(type_, *integers_, value);
  return holds(type_, decimals_, DecimalNumber::fromInt64(value));
}

}  // namespace sdk::analytics

