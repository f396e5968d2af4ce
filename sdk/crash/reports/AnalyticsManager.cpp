#include "sdk/crash/reports/AnalyticsManager.h"

#include <cmath>

#include "platform/foundation/Json.h"
#include "platform/foundation/SaturatedInt64.h"
#include "sdk/core/CoreLogger.h"
#include "sdk/crash/reports/CrashMessageCodes.h"

namespace sdk::crash {

namespace {

constexpr const char* kService = "[Vurevore/Crashreporter]";

using platform::foundation::Value;

// What JSON can carry: strings, booleans, finite numbers, and arrays and maps of them.
bool isValidJSONObject(const Value& value) {
  switch (value.type()) {
    case Value::Type::String:
    case Value::Type::Bool:
    case Value::Type::Integer:
    case Value::Type::Null:
      return true;
    case Value::Type::Real:
      return std::isfinite(value.toDouble());
    case Value::Type::Array:
      for (const Value& element : *value.array()) {
        if (!isValidJSONObject(element)) return false;
      }
      return true;
    case Value::Type::Dictionary:
      for (const auto& [key, element] : *value.dictionary()) {
        if (!isValidJSONObject(element)) return false;
      }
      return true;
    default:
      return false;
  }
}

}  // namespace

AnalyticsManager::AnalyticsManager(std::shared_ptr<sdk::core::AnalyticsInterop> analytics,
                                             std::shared_ptr<BreadcrumbLog> breadcrumbs)
    : analytics_(std::move(analytics)), breadcrumbs_(std::move(breadcrumbs)) {}

void AnalyticsManager::registerAnalyticsListener() {
  std::call_once(registration_, [this] {
    if (!analytics_) {
      sdk::core::coreLogWarning(kService, messages::kAnalyticsNotDetected,
                 "Analytics was not detected: crash-free statistics and breadcrumbs will not be reported");
      return;
    }
    analytics_->registerAnalyticsListener(shared_from_this(), kListenerOrigin);
    sdk::core::coreLogDebug(kService, messages::kAnalyticsListenerRegistered, "Registered the analytics listener");
  });
}

void AnalyticsManager::messageTriggered(const std::string& name, const platform::foundation::Dictionary& parameters) {
  const Value message(platform::foundation::Dictionary{{"name", Value(name)}, {"parameters", Value(parameters)}});
  platform::foundation::Error error;
  const std::string json = isValidJSONObject(message) ? platform::foundation::Json::serialize(message, false, &error) : "";
  if (json.empty() || !error.domain.empty()) {
    sdk::core::coreLogWarning(kService, messages::kBreadcrumbNotValidJSON, "Dropped an analytics breadcrumb that is not valid JSON: %@", name);
    return;
  }
  if (breadcrumbs_) breadcrumbs_->append(kBreadcrumbPrefix + json);
}

void AnalyticsManager::logCrashWithTimeStamp(double timestamp,
                                                  const std::shared_ptr<sdk::core::AnalyticsInterop>& analytics) {
  if (!analytics) return;
  const auto milliseconds = platform::foundation::saturatedInt64(std::round(timestamp * 1000));
  analytics->logEventWithOrigin(kListenerOrigin, "_ae",
                                platform::foundation::Dictionary{{"timestamp", Value(milliseconds)},
                                                                 {"fatal", Value(std::int64_t{1})}});
}

}  // namespace sdk::crash

