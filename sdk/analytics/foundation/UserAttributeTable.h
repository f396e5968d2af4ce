#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sdk/analytics/foundation/MeasurementStatements.h"
#include "sdk/analytics/foundation/UserAttribute.h"

namespace sdk::analytics {

// The measurement database's user properties, one row a name.
class UserAttributeTable : protected MeasurementStatements {
 public:
  explicit UserAttributeTable(std::shared_ptr<SqliteStore> store) : MeasurementStatements(std::move(store)) {}

  ErrorOr<bool> containsUserAttributeWithName(const std::string& name);
  ErrorOr<std::optional<UserAttribute>> userAttributeWithName(const std::string& name);
  ErrorOr<void> updateUserAttribute(const UserAttribute& attribute);
  ErrorOr<void> deleteUserAttributeWithName(const std::string& name);
  ErrorOr<std::int64_t> publicUserAttributeCount();
  ErrorOr<std::int64_t> userAttributeCountForOrigin(const std::string& origin);
  ErrorOr<std::vector<UserAttribute>> userAttributesIncludingInternal(bool includingInternal);
  ErrorOr<std::vector<UserAttribute>> allLifetimeValueUserAttributes();
};

}  // namespace sdk::analytics
