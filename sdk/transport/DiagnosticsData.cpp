#include "sdk/transport/DiagnosticsData.h"

#include "sdk/core/App.h"

namespace sdk::transport {

void DiagnosticsData::insertValue(platform::foundation::Value value, const std::string& key) {
  if (key.empty()) return;
  if (value.isNil()) {
    diagnosticObjects_.erase(key);
  } else {
    diagnosticObjects_[key] = std::move(value);
  }
}

const platform::foundation::Dictionary& DiagnosticsData::diagnosticObjects() {
  if (!diagnosticObjects_.count(kDiagnosticsIsDataCollectionDefaultEnabledKey)) {
    auto app = sdk::core::App::defaultAppIfConfigured();
    diagnosticObjects_[kDiagnosticsIsDataCollectionDefaultEnabledKey] = app ? app->isDataCollectionDefaultEnabled() : false;
  }
  if (!diagnosticObjects_.count(kDiagnosticsUserAgentKey)) {
    diagnosticObjects_[kDiagnosticsUserAgentKey] = sdk::core::App::userAgentString();
  }
  if (!diagnosticObjects_.count(kDiagnosticsAllAppsCountKey)) {
    auto apps = sdk::core::App::allApps();
    diagnosticObjects_[kDiagnosticsAllAppsCountKey] = static_cast<std::int64_t>(apps ? apps->size() : 0);
  }
  return diagnosticObjects_;
}

}  // namespace sdk::transport

