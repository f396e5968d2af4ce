#include "sdk/analytics/engine/LifetimeValueRecorder.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <cmath>
#include <limits>
#include <optional>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Utf8.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/AnalyticsEvent.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NameChecks.h"
#include "sdk/analytics/foundation/NumericUtil.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"

namespace sdk::analytics {

using platform::foundation::Error;
using platform::foundation::Value;

using sdk::analytics::monitor;

namespace {

constexpr const char* kPrefix = "_ltv_";
const AnalyticsValue* eventParameter(const AnalyticsEvent& event, const char* name) {
  auto found = event.parameters().find(name);
  return found == event.parameters().end() ? nullptr : &found->second;
}

std::string upperCased(const std::string& text) {
  std::string out;
  icu::UnicodeString::fromUTF8(text).toUpper(icu::Locale::getRoot()).toUTF8String(out);
  return out;
}

// The event's amount in micros, or nothing (logged) when the value can't be one.
std::optional<std::int64_t> amountInMicros(const AnalyticsEvent& event, const AnalyticsValue& value) {
  // Ecommerce events carry currency units; "_iap" carries micros already.
  bool ecommerce = LifetimeValueRecorder::isEcommercePurchaseEvent(event);
  if (value.isInt64() && !ecommerce) return value.int64Value();
  double micros = ecommerce ? std::round(value.doubleValue() * 1000000.0) : std::trunc(value.doubleValue());
  if (!std::isfinite(micros) || micros >= NumericUtil::kInt64Bound || micros < -NumericUtil::kInt64Bound) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kTransactionValueOutOfBounds,
                           "Cannot record transaction with value that is out of bounds", value.objectValue());
    return std::nullopt;
  }
  auto amount = static_cast<std::int64_t>(micros);
  if (event.name() == "refund") {
    // -2^63 has no positive counterpart.
    if (amount == std::numeric_limits<std::int64_t>::min()) {
      monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kTransactionValueOutOfBounds,
                             "Cannot record transaction with value that is out of bounds", value.objectValue());
      return std::nullopt;
    }
    amount = -amount;
  }
  return amount;
}

}  // namespace

bool LifetimeValueRecorder::isPurchaseEvent(const AnalyticsEvent& event) {
  return event.name() == "_iap" || isEcommercePurchaseEvent(event);
}

bool LifetimeValueRecorder::isEcommercePurchaseEvent(const AnalyticsEvent& event) {
  const std::string& name = event.name();
  return name == "ecommerce_purchase" || name == "purchase" || name == "refund";
}

bool LifetimeValueRecorder::recordLifetimeValueToDatabase(MeasurementDatabase& database, const AnalyticsEvent& event,
                                                             std::int64_t maxTrackedCurrencies) {
  if (!isPurchaseEvent(event)) return true;
  const AnalyticsValue* currency = eventParameter(event, "currency");
  if (!currency || !currency->isString() || platform::foundation::Utf8::length(currency->stringValue()) != 3) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kTransactionCurrencyInvalid,
                           "Cannot record transaction with invalid currency code",
                           currency ? currency->objectValue() : Value());
    return true;
  }
  const AnalyticsValue* value = eventParameter(event, "value");
  if (!value || !(value->isDouble() || value->isInt64())) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kTransactionValueInvalid,
                           "Cannot record transaction with invalid transaction value",
                           value ? value->objectValue() : Value());
    return true;
  }
  auto amount = amountInMicros(event, *value);
  if (!amount) return true;

  std::string name = kPrefix + upperCased(currency->stringValue());
  auto tracked = database.allLifetimeValueUserAttributes();
  if (!tracked) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kLifetimeValuePropertiesQueryFailed,
                           "Failed to query all Lifetime Value User properties. Error",
                           Value(tracked.error().localizedDescription()));
    return false;
  }
  std::int64_t total = *amount;
  bool known = false;
  for (const auto& attribute : *tracked) {
    if (attribute.name != name) continue;
    known = true;
    if (__builtin_add_overflow(attribute.value.int64Value(), *amount, &total)) {
      monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kTransactionValueOutOfBounds,
                             "Cannot record transaction with value that is out of bounds", Value(name),
                             attribute.value.objectValue(), value->objectValue());
      return true;
    }
    break;
  }
  if (!known && static_cast<std::int64_t>(tracked->size()) >= maxTrackedCurrencies) {
    const std::string& oldest = tracked->back().name;
    if (auto result = database.deleteUserAttributeWithName(oldest); !result) {
      monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kLifetimeValuePropertyDeletionFailed,
                             "Unable to delete Lifetime Value User property. Name, error",
                             Value(userPropertyNameForDisplay(oldest)), Value(result.error().localizedDescription()));
      return false;
    }
  }
  UserAttribute attribute("auto", name, AnalyticsValue(total), platform::foundation::Clock::current()->now());
  if (auto result = database.updateUserAttribute(attribute); !result) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kLifetimeValuePropertyUpsertFailed,
                           "Unable to upsert Lifetime Value User Attribute in database. Name, error", Value(name),
                           Value(result.error().localizedDescription()));
    return false;
  }
  monitor()->logWithLevel(LogLevel::kDebug, messages::kLifetimeValueUpdated,
                         "Lifetime value has been updated in database", Value(name), Value(total));
  return true;
}

}  // namespace sdk::analytics

