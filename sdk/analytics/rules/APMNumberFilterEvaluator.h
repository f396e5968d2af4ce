#pragma once

#include <cstdint>
#include <optional>

#include "sdk/analytics/foundation/APMDecimalNumber.h"
#include "sdk/analytics/rules/APMAudienceFilterResult.h"

class APMMonitor;
class APMPBNumberFilter;

// The parsed comparison values of one number filter, made fresh for each decimal comparison.
struct APMAudienceComparisonValues {
  std::optional<APMDecimalNumber> comparisonValue;
  std::optional<APMDecimalNumber> minComparisonValue;
  std::optional<APMDecimalNumber> maxComparisonValue;
  bool valid = false;
  bool isValid() const { return valid; }
};

namespace sdk::analytics {

// Comparison types of a number filter (field 1).
enum class APMComparisonType : std::uint64_t { LessThan = 1, GreaterThan = 2, Equal = 3, Between = 4 };

// Whether the filter has a known comparison type and the decimal values that type needs; every
// refusal is logged, unless `monitor` is null.
bool APMValidateNumberFilter(const APMPBNumberFilter& filter, APMMonitor* monitor);
inline bool APMValidateNumberFilter(const APMPBNumberFilter& filter, APMMonitor& monitor) {
  return APMValidateNumberFilter(filter, &monitor);
}

// Each judges a value against a valid filter; an invalid filter or unparsable comparison values
// give nothing.
APMFilterOutcome APMEvaluateNumberFilter(const APMPBNumberFilter& filter, const APMDecimalNumber& value,
                                         APMMonitor& monitor);
// Equality on doubles admits a value within two representable steps of the comparison value
// (exclusive), so sums such as 0.1 + 0.2 equal 0.3.
APMFilterOutcome APMEvaluateNumberFilter(const APMPBNumberFilter& filter, double value, APMMonitor& monitor);
// Integers are compared exactly, as decimals.
APMFilterOutcome APMEvaluateNumberFilter(const APMPBNumberFilter& filter, std::int64_t value, APMMonitor& monitor);

}  // namespace sdk::analytics
