#include "platform/dispatch/Queue.h"
#include "platform/foundation/Utf8.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/AnalyticsState.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/IdentitySettings.h"
#include "sdk/analytics/foundation/DataTypeValidator.h"
#include "sdk/analytics/foundation/ErrorEvent.h"
#include "sdk/analytics/foundation/PersistedConfig.h"

namespace sdk::analytics {

using facade::state;

namespace {

constexpr const char* kAllowPersonalizedAds = "allow_personalized_ads";
constexpr std::size_t kUserPropertyNameLimit = 24;

// Error event 15 for a reserved name, 6 for any other refusal; false when refused.
bool checkPublicUserPropertyName(const std::string& name) {
  int failureCode = 0;
  if (DataTypeValidator::isValidPublicUserAttributeName(name, &failureCode)) return true;
  const std::int64_t code =
      failureCode == 4 ? kErrorCodeUserPropertyNameIsReserved : kErrorCodeInvalidUserPropertyName;
  logErrorEventWithValue(code, name, kUserPropertyNameLimit, platform::foundation::Value(name));
  return false;
}

void setAllowPersonalizedAds(const platform::foundation::Value& value) {
  std::optional<bool> allow;
  if (!value.isNil() && !value.isNull()) allow = value.toBool();
  Analytics::queueOperationWithBlock([allow] {
    const bool enabled = state().enabled.load();
    if (!enabled) {
      facade::monitor()->logWithLevel(LogLevel::kDebug, messages::kPersonalizedAdsChangedWhileDisabled,
                                      "Personalized Ads property changed while Analytics is disabled");
    }
    PersistedConfig::sharedInstance()->setAllowPersonalizedAds(allow ? platform::foundation::Value(*allow ? 1 : 0)
                                                                          : platform::foundation::Value());
    if (!enabled) return;
    auto engine = facade::engine();
    if (!engine) return;
    const auto wanted = engine->shouldDisableAdPersonalization();
    UserAttribute npa("auto", "_npa", AnalyticsValue(std::int64_t{wanted.value_or(0)}), facade::now());
    if (wanted) {
      engine->setUserAttribute(npa);
    } else {
      engine->removeUserAttribute(npa);
    }
  });
}

}  // namespace

void Analytics::setUserPropertyString(const Value& value, const std::string& name) {
  if (name == kAllowPersonalizedAds) {
    setAllowPersonalizedAds(value);
    return;
  }
  if (value.isNil()) {
    removeUserAttributeForName(name);
    return;
  }
  if (!checkPublicUserPropertyName(name)) return;
  if (!value.isString()) {
    facade::monitor()->logWithLevel(LogLevel::kError, messages::kUserPropertyNotString,
                                    "User property must be NSString. Value", value);
    return;
  }
  int failureCode = 0;
  if (!DataTypeValidator::isValidPublicUserAttributeValue(AnalyticsValue(*value.string()), &failureCode)) {
    if (failureCode == 2) {
      logErrorEventWithValue(kErrorCodeUserPropertyValueTooLong, name, kUserPropertyNameLimit, value);
    }
    return;
  }
  sharedInstance().setInternalUserProperty(value, name, "app");
}

void Analytics::setUserID(const Value& userID) {
  if (userID.isNil()) {
    removeInternalUserAttributeForName("_id");
    if (sdk::analytics::IdentitySettings::current()->lastAdvertisingIDResetFeatureEnabled()) {
      removeInternalUserAttributeForName("_lair");
    }
    return;
  }
  if (!userID.isString()) {
    facade::monitor()->logWithLevel(LogLevel::kError, messages::kUserIDNotString, "User ID must be NSString. User ID",
                                    userID);
    return;
  }
  sharedInstance().setInternalUserProperty(userID, "_id", "app");
}

void Analytics::removeUserAttributeForName(const std::string& name) {
  if (!DataTypeValidator::isValidPublicUserAttributeName(name, nullptr)) return;
  removeInternalUserAttributeForName(name);
}

// GCC 12 reports a string inside a variant as unset here, in libstdc++'s own code, which it is not.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
void Analytics::setUserAttributeNumber(const Value& number, const std::string& name) {
  if (!checkPublicUserPropertyName(name)) return;
  if (!number.isNumber()) return;
  const AnalyticsValue value = number.isReal() ? AnalyticsValue(number.toDouble()) : AnalyticsValue(number.toInt64());
  const UserAttribute attribute("auto", name, value, facade::now());
  queueOperationWithBlock([attribute] {
    if (auto engine = facade::engine()) engine->setUserAttribute(attribute);
  });
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

void Analytics::setInternalUserProperty(const Value& value, const std::string& name, const std::string& origin) {
  int failureCode = 0;
  if (!DataTypeValidator::isValidInternalUserAttributeName(name, &failureCode)) {
    logErrorEventWithValue(kErrorCodeInvalidUserPropertyName, name, kUserPropertyNameLimit, Value(name));
    return;
  }
  const std::size_t originLength = platform::foundation::Utf8::length(origin);
  if (originLength < 1 || originLength > 32) {
    facade::monitor()->logWithLevel(LogLevel::kSilentError, messages::kUserPropertyOriginInvalid,
                                    "Unable to set user property. Origin is invalid. Origin, name", Value(origin),
                                    Value(name));
    return;
  }
  if (value.isNil()) {
    removeInternalUserAttributeForName(name);
    return;
  }
  const auto attributeValue = AnalyticsValue::valueFromObject(value);
  if (!attributeValue) return;
  if (!DataTypeValidator::isValidInternalUserAttributeValue(*attributeValue, name, &failureCode)) {
    if (failureCode == 2) {
      logErrorEventWithValue(kErrorCodeUserPropertyValueTooLong, name, kUserPropertyNameLimit,
                                Value(attributeValue->isString() ? attributeValue->stringValue()
                                                                 : attributeValue->description()));
    }
    return;
  }
  const UserAttribute attribute(origin, name, *attributeValue, facade::now());
  queueOperationWithBlock([attribute] {
    if (auto engine = facade::engine()) engine->setUserAttribute(attribute);
  });
}

void Analytics::removeInternalUserAttributeForName(const std::string& name) {
  const UserAttribute attribute("", name, AnalyticsValue(0.0), facade::now());
  queueOperationWithBlock([attribute] {
    if (auto engine = facade::engine()) engine->removeUserAttribute(attribute);
  });
}

void Analytics::userPropertiesIncludingInternal(bool includingInternal,
                                                   const std::shared_ptr<platform::dispatch::Queue>& queue,
                                                   std::function<void(const Dictionary&)> callback) {
  queueOperationWithBlock([includingInternal, queue, callback = std::move(callback)] {
    if (!callback) {
      facade::monitor()->logWithLevel(LogLevel::kSilentError, messages::kUserPropertiesQueryCallbackMissing,
                                      "Analytics userProperties callback cannot be nil");
      return;
    }
    if (!queue) {
      facade::monitor()->logWithLevel(LogLevel::kSilentError, messages::kUserPropertiesQueryQueueMissing,
                                      "Cannot query for Analytics user properties. Queue cannot be nil");
      platform::dispatch::Queue::main()->async([callback] { callback({}); });
      return;
    }
    auto engine = facade::engine();
    if (!state().enabled.load() || !engine) {
      facade::monitor()->logWithLevel(LogLevel::kSilentWarning, messages::kUserPropertiesQueryWhileDisabled,
                                      "Cannot query for public user properties when Analytics is disabled");
      queue->async([callback] { callback({}); });
      return;
    }
    engine->userPropertiesIncludingInternal(includingInternal, [queue, callback](const Dictionary& properties) {
      queue->async([callback, properties] { callback(properties); });
    });
  });
}

void Analytics::maxUserPropertiesForOrigin(const std::string& origin,
                                              const std::shared_ptr<platform::dispatch::Queue>& queue,
                                              std::function<void(std::int64_t)> callback) {
  if (origin.empty()) {
    facade::monitor()->logWithLevel(
        LogLevel::kSilentError, messages::kMaxUserPropertiesQueryOriginEmpty,
        "Cannot query Analytics for max user properties. Origin must be a non-empty string");
    return;
  }
  if (!queue) {
    facade::monitor()->logWithLevel(LogLevel::kSilentError, messages::kMaxUserPropertiesQueryQueueMissing,
                                    "Cannot query Analytics for max user properties. Queue cannot be nil. Origin",
                                    Value(origin));
    return;
  }
  if (!callback) {
    facade::monitor()->logWithLevel(
        LogLevel::kSilentError, messages::kMaxUserPropertiesQueryCallbackMissing,
        "Cannot query Analytics for max user properties. MaxUserProperties callback cannot be nil. Origin",
        Value(origin));
    return;
  }
  queueOperationWithBlock([origin, queue, callback = std::move(callback)] {
    auto engine = facade::engine();
    if (!engine) return;
    engine->maxUserPropertiesForOrigin(origin, [queue, callback](std::int64_t count) {
      queue->async([callback, count] { callback(count); });
    });
  });
}

}  // namespace sdk::analytics

