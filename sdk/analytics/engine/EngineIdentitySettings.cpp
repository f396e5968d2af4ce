#include "sdk/analytics/engine/EngineIdentitySettings.h"

#include "sdk/analytics/engine/APMMeasurement.h"
#include "sdk/analytics/engine/APMRemoteConfig.h"

namespace sdk::analytics {

bool EngineIdentitySettings::isConsentSettingsEnabled() const {
  return APMMeasurement::remoteConfig()->isConsentSettingsEnabled();
}
bool EngineIdentitySettings::isConsentSettings3PEnabled() const {
  return APMMeasurement::remoteConfig()->isConsentSettings3PEnabled();
}
bool EngineIdentitySettings::nonBlockingAppInstanceIDEnabled() const {
  return APMMeasurement::remoteConfig()->nonBlockingAppInstanceIDEnabled();
}
double EngineIdentitySettings::adIDCacheTime() const { return APMMeasurement::remoteConfig()->adIDCacheTime(); }
bool EngineIdentitySettings::gateIDFAOnATTMASEnabled() const {
  return APMMeasurement::remoteConfig()->gateIDFAOnATTMASEnabled();
}
bool EngineIdentitySettings::lastAdvertisingIDResetFeatureEnabled() const {
  return APMMeasurement::remoteConfig()->lastAdvertisingIDResetFeatureEnabled();
}

}  // namespace sdk::analytics
