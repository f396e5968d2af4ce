#include "sdk/transport/VURDiagnosticsData.h"

#include "sdk/core/REDIri.h"

void VURDiagnosticsData::insertValue(platform::foundation::Value value, const std::string& key) {
  if (key.empty()) return;
  if (value.isNil()) {
    diagnosticObjects_.erase(key);
  } else {
    diagnosticObjects_[key] = std::move(value);
  }
}

const platform::foundation::Dictionary& VURDiagnosticsData::diagnosticObjects() {
  if (!diagnosticObjects_.count(kVURCDIsDataCollectionDefaultEnabledKey)) {
    auto app = REDIri::defaultAppIfConfigured();
    diagnosticObjects_[kVURCDIsDataCollectionDefaultEnabledKey] = app ? app->isDataCollectionDefaultEnabled() : false;
  }
  if (!diagnosticObjects_.count(kVURCDVurevoreUserAgentKey)) {
    diagnosticObjects_[kVURCDVurevoreUserAgentKey] = REDIri::vurevoreUserAgent();
  }
  if (!diagnosticObjects_.count(kVURCDllAppsCountKey)) {
    auto apps = REDIri::allApps();
    diagnosticObjects_[kVURCDllAppsCountKey] = static_cast<std::int64_t>(apps ? apps->size() : 0);
  }
  return diagnosticObjects_;
}
