#pragma once

#include <cstdint>
#include <optional>

#include "sdk/analytics/foundation/DecimalNumber.h"
#include "sdk/analytics/rules/FilterOutcome.h"

namespace sdk::analytics {

class Monitor;
class ProtoNumberFilter;

// The parsed comparison values of one number filter, made fresh for each decimal comparison.
struct AudienceComparisonValues {
  std::optional<DecimalNumber> comparisonValue;
  std::optional<DecimalNumber> minComparisonValue;
  std::optional<DecimalNumber> maxComparisonValue;
  bool valid = false;
  bool isValid() const { return valid; }
};

// Comparison types of a number filter (field 1).
enum class NumberComparisonType : std::uint64_t { LessThan = 1, GreaterThan = 2, Equal = 3, Between = 4 };

// Whether the filter has a known comparison type and the decimal values that type needs; every
// refusal is logged, unless `monitor` is null.
bool validateNumberFilter(const ProtoNumberFilter& filter, Monitor* monitor);
inline bool validateNumberFilter(const ProtoNumberFilter& filter, Monitor& monitor) {
  return validateNumberFilter(filter, &monitor);
}

// Each judges a value against a valid filter; an invalid filter or unparsable comparison values
// give nothing.
FilterOutcome evaluateNumberFilter(const ProtoNumberFilter& filter, const DecimalNumber& value,
                                         Monitor& monitor);
// Equality on doubles admits a value within two representable steps of the comparison value
// (exclusive), so sums such as 0.1 + 0.2 equal 0.3.
FilterOutcome evaluateNumberFilter(const ProtoNumberFilter& filter, double value, Monitor& monitor);
// Integers are compared exactly, as decimals.
FilterOutcome evaluateNumberFilter(const ProtoNumberFilter& filter, std::int64_t value, Monitor& monitor);

}  // namespace sdk::analytics

