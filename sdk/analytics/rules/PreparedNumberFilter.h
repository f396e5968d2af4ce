#pragma once

#include <cstdint>
#include <optional>

#include "sdk/analytics/foundation/DecimalNumber.h"
#include "sdk/analytics/rules/NumberFilterEvaluator.h"

namespace sdk::analytics {

class Monitor;
class ProtoNumberFilter;

// A valid number filter read once: its comparison type and its comparison values as decimals, as
// doubles and, when they are plain whole numbers, as integers. Each comparison answers as
// evaluateNumberFilter does on the message; the readers and comparisons below are the ones it
// uses, so the two cannot drift apart.
class PreparedNumberFilter {
 public:
  // The comparison values of one kind: `value` for less than, greater than and equal, `minimum` and
  // `maximum` for between. For equality on doubles, `minimum` and `maximum` are the open range of
  // values that count as equal.
  // Value-initialised where declared (`Bounds<T> bounds{}`), not by member initialisers: clang cannot
  // generate code for a member initialiser of a class template nested in a class that names it in a
  // member before it is complete (the fuzz build's compiler).
  template <typename T>
  struct Bounds {
    T value;
    T minimum;
    T maximum;
  };

  // Nothing when the filter is not valid or a comparison value does not read in every form: such a
  // filter answers nothing whatever the value, as its message's evaluation logs. Nothing is logged.
  static std::optional<PreparedNumberFilter> from(const ProtoNumberFilter& filter);

  bool holdsFor(const DecimalNumber& value) const;
  bool holdsFor(double value) const;
  bool holdsFor(std::int64_t value) const;

  // The comparison type of a filter that passed validation.
  static NumberComparisonType typeOf(const ProtoNumberFilter& filter);
  // Decimal values as decimalNumberFromString reads them; each failure logged when `monitor` is given.
  static AudienceComparisonValues readDecimals(const ProtoNumberFilter& filter, Monitor* monitor);
  static std::optional<Bounds<double>> readDoubles(const ProtoNumberFilter& filter);
  // Values that are plain integers of at most 18 digits: an integer under test is then compared as an
  // integer, exactly as the decimal comparison would.
  static std::optional<Bounds<std::int64_t>> readIntegers(const ProtoNumberFilter& filter);

  static bool holds(NumberComparisonType type, const AudienceComparisonValues& values, const DecimalNumber& value);
  static bool holds(NumberComparisonType type, const Bounds<double>& bounds, double value);
  static bool holds(NumberComparisonType type, const Bounds<std::int64_t>& bounds, std::int64_t value);

 private:
  PreparedNumberFilter() = default;

  NumberComparisonType type_ = NumberComparisonType::LessThan;
  AudienceComparisonValues decimals_;
  Bounds<double> doubles_{};
  std::optional<Bounds<std::int64_t>> integers_;
};

}  // namespace sdk::analytics

