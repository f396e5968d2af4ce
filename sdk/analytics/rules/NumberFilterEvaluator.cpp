#include "sdk/analytics/rules/NumberFilterEvaluator.h"

#include <string>

#include "sdk/analytics/foundation/AudienceFieldIndices.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/rules/PreparedNumberFilter.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"

namespace sdk::analytics {

namespace {

using namespace audience_fields;

bool hasDecimalText(const ProtoNumberFilter& filter, int index) {
  const std::string* text = nanoStringIn(filter, index);
  return text && isDecimalNumberString(*text);
}

}  // namespace

bool validateNumberFilter(const ProtoNumberFilter& filter, Monitor* monitor) {
  auto refuse = [&](std::int64_t code, const char* message) {
    if (monitor) monitor->logWithLevel(LogLevel::kMonitoredError, code, message, messageLogContext(filter));
    return false;
  };
  if (!nanoHasField(filter, kNumberComparisonType)) return refuse(messages::kNumberFilterHasNoComparisonType, "Number filter has no comparison type");
  auto type = static_cast<std::uint64_t>(nanoGetInt64(filter, kNumberComparisonType));
  if (type == 0) return refuse(messages::kNumberFilterUnknownComparisonType, "Number filter has unknown comparison type");
  if (type <= 3) {
    return hasDecimalText(filter, kNumberComparisonValue) ||
           refuse(messages::kNumberFilterInvalidComparisonValue, "Numeric filter does not have a valid comparison value. Filter");
  }
  if (type == 4) {
    // Both bounds are reported before the filter is refused.
    bool valid = hasDecimalText(filter, kNumberMinimum) ||
                 refuse(messages::kNumberFilterInvalidMinComparisonValue, "Numeric filter does not have a valid min comparison value. Filter");
    return (hasDecimalText(filter, kNumberMaximum) ||
            refuse(messages::kNumberFilterInvalidMaxComparisonValue, "Numeric filter does not have a valid max comparison value. Filter")) &&
           valid;
  }
  return refuse(messages::kNumberFilterRealUnknownComparisonType, "Number filter has a real unknown comparison type");
}

FilterOutcome evaluateNumberFilter(const ProtoNumberFilter& filter, const DecimalNumber& value,
                                         Monitor& monitor) {
  if (!validateNumberFilter(filter, monitor)) return std::nullopt;
  AudienceComparisonValues values = PreparedNumberFilter::readDecimals(filter, &monitor);
  if (!values.isValid()) {
    monitor.logWithLevel(LogLevel::kMonitoredError, messages::kParsedComparisonValuesInvalid,
                         "Parsed decimal number comparison values are not valid. Audience filter will not be "
                         "evaluated. Filter",
                         messageLogContext(filter));
    return std::nullopt;
  }
  return PreparedNumberFilter::holds(PreparedNumberFilter::typeOf(filter), values, value);
}

FilterOutcome evaluateNumberFilter(const ProtoNumberFilter& filter, double value, Monitor& monitor) {
  if (!validateNumberFilter(filter, monitor)) return std::nullopt;
  auto bounds = PreparedNumberFilter::readDoubles(filter);
  if (!bounds) {
    monitor.logWithLevel(LogLevel::kMonitoredError, messages::kNumberFilterInvalid,
                         "Number filter is invalid, the comparison filter is not valid. Audience filter will not be "
                         "evaluated");
    return std::nullopt;
  }
  return PreparedNumberFilter::holds(PreparedNumberFilter::typeOf(filter), *bounds, value);
}

FilterOutcome evaluateNumberFilter(const ProtoNumberFilter& filter, std::int64_t value, Monitor& monitor) {
  if (!validateNumberFilter(filter, monitor)) return std::nullopt;
  if (auto bounds = PreparedNumberFilter::readIntegers(filter)) {
    return PreparedNumberFilter::holds(PreparedNumberFilter::typeOf(filter), *bounds, value);
  }
  return evaluateNumberFilter(filter, DecimalNumber::fromInt64(value), monitor);
}

}  // namespace sdk::analytics

