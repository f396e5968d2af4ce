#include "sdk/analytics/foundation/UserAttributeTable.h"

#include "sdk/analytics/foundation/FoundationMessageCodes.h"

namespace sdk::analytics {

using platform::foundation::ErrorOr;
using platform::foundation::Value;

namespace {

std::optional<UserAttribute> attributeFromRow(const SqliteStore::Row& row) {
  auto value = MeasurementStatements::valueFromColumn(row.at("value"));
  if (!value) return std::nullopt;
  return UserAttribute(row.at("origin").toString(), row.at("name").toString(), std::move(*value),
                          row.at("set_timestamp").toDouble());
}

std::vector<UserAttribute> attributesFromRows(const std::vector<SqliteStore::Row>& rows) {
  std::vector<UserAttribute> attributes;
  for (const auto& row : rows) {
    if (auto attribute = attributeFromRow(row)) attributes.push_back(std::move(*attribute));
  }
  return attributes;
}

}  // namespace

ErrorOr<bool> UserAttributeTable::containsUserAttributeWithName(const std::string& name) {
  auto count = scalar("SELECT count(*) FROM user_attributes WHERE name = ?", {Value(name)},
                      messages::kUserPropertyQueryFailed, "Failed to query user property");
  if (!count) return count.error();
  return *count > 0;
}

ErrorOr<std::optional<UserAttribute>> UserAttributeTable::userAttributeWithName(const std::string& name) {
  auto rows = query("SELECT * FROM user_attributes WHERE name = ?", {Value(name)}, messages::kUserPropertyQueryFailed,
                    "Failed to query user property");
  if (!rows) return rows.error();
  if (rows->empty()) return std::nullopt;
  return attributeFromRow(rows->front());
}

ErrorOr<void> UserAttributeTable::updateUserAttribute(const UserAttribute& attribute) {
  if (attribute.name.empty() || attribute.origin.empty()) {
    return refuse(messages::kUserPropertyUpdateFailed, "User property must have a name and an origin");
  }
  return run("INSERT OR REPLACE INTO user_attributes (name, origin, set_timestamp, value) VALUES (?, ?, ?, ?)",
             {Value(attribute.name), Value(attribute.origin), Value(attribute.lastSetTimestamp),
              columnValue(attribute.value)},
             messages::kUserPropertyUpdateFailed, "Failed to update user property");
}

ErrorOr<void> UserAttributeTable::deleteUserAttributeWithName(const std::string& name) {
  return run("DELETE FROM user_attributes WHERE name = ?", {Value(name)}, messages::kUserPropertyDeletionFailed,
             "Failed to delete user property");
}

ErrorOr<std::int64_t> UserAttributeTable::publicUserAttributeCount() {
  return scalar("SELECT count(*) FROM user_attributes WHERE substr(name, 1, 1) != '_'", {},
                messages::kUserPropertyCountFailed, "Failed to count user properties");
}

ErrorOr<std::int64_t> UserAttributeTable::userAttributeCountForOrigin(const std::string& origin) {
  return scalar("SELECT count(*) FROM user_attributes WHERE origin = ?", {Value(origin)},
                messages::kUserPropertyCountFailed, "Failed to count user properties");
}

ErrorOr<std::vector<UserAttribute>> UserAttributeTable::userAttributesIncludingInternal(bool includingInternal) {
  auto rows = query(includingInternal ? "SELECT * FROM user_attributes ORDER BY rowid"
                                      : "SELECT * FROM user_attributes WHERE substr(name, 1, 1) != '_' ORDER BY rowid",
                    {}, messages::kUserPropertiesReadFailed, "Failed to read user properties");
  if (!rows) return rows.error();
  return attributesFromRows(*rows);
}

ErrorOr<std::vector<UserAttribute>> UserAttributeTable::allLifetimeValueUserAttributes() {
  auto rows = query("SELECT * FROM user_attributes WHERE substr(name, 1, 5) = '_ltv_' ORDER BY set_timestamp DESC", {},
                    messages::kUserPropertiesReadFailed, "Failed to read lifetime value user properties");
  if (!rows) return rows.error();
  return attributesFromRows(*rows);
}

}  // namespace sdk::analytics
