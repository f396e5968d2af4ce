#pragma once

#include <cstdint>
#include <optional>

#include "sdk/analytics/foundation/APMDecimalNumber.h"
#include "sdk/analytics/rules/APMNumberFilterEvaluator.h"

class APMMonitor;
class APMPBNumberFilter;

namespace sdk::analytics {

// A valid number filter read once: its comparison type and its comparison values as decimals, as
// doubles and, when they are plain whole numbers, as integers. Each comparison answers as
// APMEvaluateNumberFilter does on the message; the readers and comparisons below are the ones it
// uses, so the two cannot drift apart.
class PreparedNumberFilter {
 public:
  // The comparison values of one kind: `value` for less than, greater than and equal, `minimum` and
  // `maximum` for between. For equality on doubles, `minimum` and `maximum` are the open range of
  // values that count as equal.
  template <typename T>
  struct Bounds {
    T value{};
    T minimum{};
    T maximum{};
  };

  // Nothing when the filter is not valid or a comparison value does not read in every form: such a
  // filter answers nothing whatever the value, as its message's evaluation logs. Nothing is logged.
  static std::optional<PreparedNumberFilter> from(const APMPBNumberFilter& filter);

  bool holdsFor(const APMDecimalNumber& value) const;
  bool holdsFor(double value) const;
  bool holdsFor(std::int64_t value) const;

  // The comparison type of a filter that passed validation.
  static APMComparisonType typeOf(const APMPBNumberFilter& filter);
  // Decimal values as APMDecimalNumberFromString reads them; each failure logged when `monitor` is given.
  static APMAudienceComparisonValues readDecimals(const APMPBNumberFilter& filter, APMMonitor* monitor);
  static std::optional<Bounds<double>> readDoubles(const APMPBNumberFilter& filter);
  // Values that are plain integers of at most 18 digits: an integer under test is then compared as an
  // integer, exactly as the decimal comparison would.
  static std::optional<Bounds<std::int64_t>> readIntegers(const APMPBNumberFilter& filter);

  static bool holds(APMComparisonType type, const APMAudienceComparisonValues& values, const APMDecimalNumber& value);
  static bool holds(APMComparisonType type, const Bounds<double>& bounds, double value);
  static bool holds(APMComparisonType type, const Bounds<std::int64_t>& bounds, std::int64_t value);

 private:
  PreparedNumberFilter() = default;

  APMComparisonType type_ = APMComparisonType::LessThan;
  APMAudienceComparisonValues decimals_;
  Bounds<double> doubles_;
  std::optional<Bounds<std::int64_t>> integers_;
};

}  // namespace sdk::analytics
