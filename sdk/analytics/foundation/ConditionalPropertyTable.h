#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sdk/analytics/foundation/ConditionalUserProperty.h"
#include "sdk/analytics/foundation/MeasurementStatements.h"

namespace sdk::analytics {

// The measurement database's conditional user properties (times are seconds since 1970).
class ConditionalPropertyTable : protected MeasurementStatements {
 public:
  static constexpr std::int64_t kMaxConditionalUserProperties = 1000;

  explicit ConditionalPropertyTable(std::shared_ptr<SqliteStore> store) : MeasurementStatements(std::move(store)) {}

  ErrorOr<bool> containsConditionalUserProperties();
  ErrorOr<std::optional<ConditionalUserProperty>> conditionalUserPropertyWithName(const std::string& name);
  ErrorOr<void> updateConditionalUserProperty(const ConditionalUserProperty& property);
  ErrorOr<void> deleteConditionalUserPropertyWithName(const std::string& name);
  ErrorOr<std::vector<ConditionalUserProperty>> timedOutConditionalUserPropertiesWithError();
  ErrorOr<std::vector<ConditionalUserProperty>> expiredConditionalUserPropertiesWithError();
  ErrorOr<std::vector<ConditionalUserProperty>> triggeredConditionalUserPropertiesWithEventName(
      const std::string& eventName);
  ErrorOr<std::vector<ConditionalUserProperty>> conditionalUserPropertiesWithPrefix(
      const std::optional<std::string>& prefix, const std::optional<std::string>& origin);

 private:
  ErrorOr<std::vector<ConditionalUserProperty>> conditionalUserProperties(const std::string& condition,
                                                                          const std::vector<Value>& params);
};

}  // namespace sdk::analytics
