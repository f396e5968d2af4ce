#include "sdk/analytics/foundation/ConditionalPropertyTable.h"

#include <cmath>

#include "sdk/analytics/foundation/EngineShortcuts.h"
#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "sdk/analytics/foundation/ProtoConversions.h"

namespace sdk::analytics {

using platform::foundation::ErrorOr;
using platform::foundation::Data;
using platform::foundation::Value;
using sdk::analytics::now;

namespace {

constexpr const char* kColumns =
    "name, origin, value, creation_timestamp, active, trigger_timeout, triggered_timestamp, time_to_live, "
    "trigger_event_name, timed_out_event, triggered_event, expired_event";

// Events are stored as messages; the origin travels in "_o" unless the event already carries one.
Value storedEvent(const std::optional<AnalyticsEvent>& event) {
  if (!event) return Value::null();
  Parameters parameters = event->parameters();
  parameters.emplace("_o", AnalyticsValue(event->origin()));
  return Value::data(makeProtoEvent(event->copyWithParameters(std::move(parameters)))->protoBuffer());
}

std::optional<AnalyticsEvent> eventFromColumn(const Value& column) {
  const Data* data = column.data();
  auto message = data ? ProtoEvent::initWithBuffer(*data, nullptr, NanoDecodeBudget::ownData()) : nullptr;
  return message ? eventFromProtoEvent(*message) : std::nullopt;
}

ConditionalUserProperty propertyFromRow(const SqliteStore::Row& row) {
  ConditionalUserProperty p;
  p.name = row.at("name").toString();
  p.origin = row.at("origin").toString();
  if (auto value = MeasurementStatements::valueFromColumn(row.at("value"))) p.value = std::move(*value);
  p.creationTimestamp = row.at("creation_timestamp").toDouble();
  p.active = row.at("active").toBool();
  p.triggerTimeout = row.at("trigger_timeout").toDouble();
  p.triggeredTimestamp = row.at("triggered_timestamp").toDouble();
  p.timeToLive = row.at("time_to_live").toDouble();
  p.triggerEventName = row.at("trigger_event_name").toString();
  p.timedOutEvent = eventFromColumn(row.at("timed_out_event"));
  p.triggeredEvent = eventFromColumn(row.at("triggered_event"));
  p.expiredEvent = eventFromColumn(row.at("expired_event"));
  return p;
}

// LIKE treats "%" and "_" as wildcards, and names are full of underscores: match them literally.
std::string escapedForLike(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '%' || c == '_') out += '\\';
    out += c;
  }
  return out;
}

}  // namespace

ErrorOr<bool> ConditionalPropertyTable::containsConditionalUserProperties() {
  auto any = scalar("SELECT EXISTS (SELECT 1 FROM conditional_properties)", {},
                    messages::kConditionalUserPropertiesReadFailed, "Failed to query conditional user properties");
  if (!any) return any.error();
  return *any != 0;
}

ErrorOr<std::vector<ConditionalUserProperty>> ConditionalPropertyTable::conditionalUserProperties(
    const std::string& condition, const std::vector<Value>& params) {
  auto rows =
      query(std::string("SELECT ") + kColumns + " FROM conditional_properties" +
                (condition.empty() ? "" : " WHERE " + condition) + " ORDER BY rowid",
            params, messages::kConditionalUserPropertiesReadFailed, "Failed to read conditional user properties");
  if (!rows) return rows.error();
  std::vector<ConditionalUserProperty> properties;
  for (const Row& row : *rows) properties.push_back(propertyFromRow(row));
  return properties;
}

ErrorOr<std::optional<ConditionalUserProperty>> ConditionalPropertyTable::conditionalUserPropertyWithName(
    const std::string& name) {
  auto properties = conditionalUserProperties("name = ?", {Value(name)});
  if (!properties) return properties.error();
  if (properties->empty()) return std::nullopt;
  return properties->front();
}

ErrorOr<void> ConditionalPropertyTable::updateConditionalUserProperty(const ConditionalUserProperty& p) {
  if (p.name.empty() || p.origin.empty() || !p.value) {
    return refuse(messages::kConditionalUserPropertyInvalid,
                  "Conditional user property must have a name, an origin and a value");
  }
  // A NaN would pass every range check and be stored as NULL: the row would then never trigger, time
  // out or expire, and hold one of the limited places for ever.
  for (double time : {p.triggerTimeout, p.timeToLive, p.creationTimestamp, p.triggeredTimestamp}) {
    if (!std::isfinite(time))
      return refuse(messages::kConditionalUserPropertyInvalid,
                    "Conditional user property times must be finite numbers");
  }
  return inTransaction([&]() -> ErrorOr<void> {
    auto exists = scalar("SELECT count(*) FROM conditional_properties WHERE name = ?", {Value(p.name)},
                         messages::kConditionalUserPropertyQueryFailed, "Failed to query conditional user property");
    if (!exists) return exists.error();
    if (*exists == 0) {
      auto count = scalar("SELECT count(*) FROM conditional_properties", {},
                          messages::kConditionalUserPropertyQueryFailed, "Failed to count conditional user properties");
      if (!count) return count.error();
      if (*count >= kMaxConditionalUserProperties)
        return refuse(messages::kDataTypeTableFull, "Failed to insert data type. Table is full");
    }
    return run(std::string("INSERT OR REPLACE INTO conditional_properties (") + kColumns +
                   ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
               {Value(p.name), Value(p.origin), columnValue(*p.value), Value(p.creationTimestamp),
                Value(std::int64_t{p.active}), Value(p.triggerTimeout), Value(p.triggeredTimestamp),
                Value(p.timeToLive), Value(p.triggerEventName), storedEvent(p.timedOutEvent),
                storedEvent(p.triggeredEvent), storedEvent(p.expiredEvent)},
               messages::kConditionalUserPropertyStoreFailed, "Failed to store conditional user property");
  });
}

ErrorOr<void> ConditionalPropertyTable::deleteConditionalUserPropertyWithName(const std::string& name) {
  return run("DELETE FROM conditional_properties WHERE name = ?", {Value(name)},
             messages::kConditionalUserPropertyDeletionFailed, "Failed to delete conditional user property");
}

ErrorOr<std::vector<ConditionalUserProperty>> ConditionalPropertyTable::timedOutConditionalUserPropertiesWithError() {
  return conditionalUserProperties("active=0 and abs(? - creation_timestamp) > trigger_timeout", {Value(now())});
}

ErrorOr<std::vector<ConditionalUserProperty>> ConditionalPropertyTable::expiredConditionalUserPropertiesWithError() {
  return conditionalUserProperties("active=1 and abs(? - triggered_timestamp) > time_to_live", {Value(now())});
}

ErrorOr<std::vector<ConditionalUserProperty>> ConditionalPropertyTable::triggeredConditionalUserPropertiesWithEventName(
    const std::string& eventName) {
  if (eventName.empty()) {
    return refuse(messages::kTriggeredConditionalPropertiesEventNameEmpty,
                  "Received nil/empty event name for querying triggered conditional user properties");
  }
  return conditionalUserProperties(
      "active=0 and trigger_event_name=? and abs(? - creation_timestamp) <= trigger_timeout",
      {Value(eventName), Value(now())});
}

ErrorOr<std::vector<ConditionalUserProperty>> ConditionalPropertyTable::conditionalUserPropertiesWithPrefix(
    const std::optional<std::string>& prefix, const std::optional<std::string>& origin) {
  std::string condition;
  std::vector<Value> params;
  if (prefix && !prefix->empty()) {
    condition = "name LIKE ? || '%' ESCAPE '\\'";
    params.emplace_back(escapedForLike(*prefix));
  }
  if (origin && !origin->empty()) {
    condition += std::string(condition.empty() ? "" : " AND ") + "origin LIKE ? ESCAPE '\\'";
    params.emplace_back(escapedForLike(*origin));
  }
  return conditionalUserProperties(condition, params);
}

}  // namespace sdk::analytics
