#include "sdk/analytics/engine/VersionUpdateReport.h"

#include "sdk/analytics/engine/Analytics.h"

namespace sdk::analytics {

void reportVersionChange(const std::string& current, std::string stored,
                         const std::function<void(const std::string&)>& store, const char* eventName,
                         const char* parameterName) {
  if (current == stored) return;
  store(current);
  if (stored.empty()) return;
  Analytics::logInternalEventWithOrigin("auto", eventName,
                                           {{parameterName, platform::foundation::Value(stored)}});
}

}  // namespace sdk::analytics

