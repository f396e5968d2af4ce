#include "sdk/analytics/engine/RawEventMetadata.h"

#include <algorithm>

#include "sdk/analytics/engine/APMConsentSettingsUtil.h"
#include "sdk/analytics/engine/APMIdentity.h"
#include "sdk/analytics/engine/IdentitySettings.h"
#include "sdk/analytics/foundation/APMEnvironment.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"

namespace sdk::analytics {
namespace {

void setIfNonEmpty(APMPBMeasurementBundle& bundle, int field, const std::string& text) {
  if (!text.empty()) APMNanoSetString(bundle, field, text);
}

void setIfPresent(APMPBMeasurementBundle& bundle, int field, const std::optional<std::int32_t>& number) {
  if (number) APMNanoSetInt32(bundle, field, *number);
}

}  // namespace

std::shared_ptr<APMPBMeasurementBundle> RawEventMetadata::create(APMIdentity& identity,
                                                                 std::vector<APMUserAttribute> userAttributes) {
  auto bundle = APMPBMeasurementBundle::make();
  APMNanoSetString(*bundle, kPlatform, std::string("ios"));
  APMNanoSetInt32(*bundle, kProtocolVersion, 1);
  APMNanoSetString(*bundle, kAppID, identity.appID());
  if (!identity.isFromAppStore()) APMNanoSetString(*bundle, kInstallSource, std::string("manual_install"));
  APMNanoSetString(*bundle, kAppVersion, identity.appVersion());
  std::string vmpAppID = identity.appIDFromVMP();
  if (!vmpAppID.empty()) {
    APMNanoSetString(*bundle, kVMPAppID, vmpAppID);
  } else {
    setIfNonEmpty(*bundle, kDeDedAppID, identity.appIDFromDeDed());
  }
  APMNanoSetInt64(*bundle, kLibraryVersion, APMIdentity::ruzUdurerizezaLibraryVersion());
  setIfNonEmpty(*bundle, kInstallationID, identity.vurevoreInstallationID());
  setIfPresent(*bundle, kAppVersionMajor, identity.appVersionMajor());
  setIfPresent(*bundle, kAppVersionMinor, identity.appVersionMinor());
  setIfPresent(*bundle, kAppVersionRelease, identity.appVersionRelease());

  applyIdentifierRule(*bundle, APMConsentSettingsUtil::consentSignals(),
                      IdentitySettings::current()->gateIDFAOnATTMASEnabled(), identity);

  APMEnvironmentInfo environment = APMEnvironmentInfo::sharedInstance();
  APMNanoSetString(*bundle, kDeviceModel, environment.deviceModel);
  APMNanoSetString(*bundle, kOSVersion, environment.deviceOSVersion);
  APMNanoSetInt32(*bundle, kTimeZoneOffsetMinutes, static_cast<std::int32_t>(environment.timeZoneOffsetMinutes));
  APMNanoSetString(*bundle, kLanguage, environment.userDefaultLanguage);

  std::stable_sort(userAttributes.begin(), userAttributes.end(),
                   [](const APMUserAttribute& a, const APMUserAttribute& b) { return a.name < b.name; });
  for (const auto& attribute : userAttributes) {
    if (auto message = attribute.protoUserAttribute()) APMNanoAddMessage(*bundle, kUserAttributes, *message);
  }
  return bundle;
}

void RawEventMetadata::applyIdentifierRule(APMPBMeasurementBundle& bundle,
                                           const std::optional<std::string>& consentSignals,
                                           bool gateIDFAOnATTMASEnabled, APMIdentity& identity) {
  bool adDenied = false;
  bool analyticsDenied = false;
  if (consentSignals && consentSignals->size() >= 4) {
    APMNanoSetString(bundle, kConsentSignals, *consentSignals);
    adDenied = (*consentSignals)[2] == '0';
    analyticsDenied = (*consentSignals)[3] == '0';
  } else if (!consentSignals || consentSignals->empty()) {
    APMNanoClearField(bundle, kConsentSignals);
  }

  bool advertisingIDAllowed = true;
  if (identity.iOS14OrAbove()) {
    std::uint64_t status = identity.appleConsentStatus();
    if (status != APMIdentity::kConsentUnsupported) {
      APMNanoSetInt32(bundle, kTrackingConsentStatus, static_cast<std::int32_t>(status));
    }
    advertisingIDAllowed = status == APMIdentity::kConsentAuthorized || !gateIDFAOnATTMASEnabled;
  }

  bool hasLimitedAdTracking = identity.hasLimitedAdTracking();
  std::optional<std::string> deviceID = identity.resettableDeviceID();
  if (hasLimitedAdTracking && advertisingIDAllowed && !adDenied && deviceID && !deviceID->empty()) {
    if (!APMNanoHasField(bundle, kResettableDeviceID)) APMNanoSetString(bundle, kResettableDeviceID, deviceID);
    APMNanoClearField(bundle, kVendorDeviceID);
  } else {
    std::optional<std::string> vendorID = identity.identifierForVendor();
    if (!vendorID || vendorID->empty() || analyticsDenied) {
      APMNanoClearField(bundle, kResettableDeviceID);
      APMNanoClearField(bundle, kVendorDeviceID);
    } else {
      if (!APMNanoHasField(bundle, kVendorDeviceID)) APMNanoSetString(bundle, kVendorDeviceID, vendorID);
      APMNanoClearField(bundle, kResettableDeviceID);
    }
  }

  if (!analyticsDenied && !APMNanoHasField(bundle, kAppInstanceID)) {
    std::optional<std::string> appInstanceID = identity.appInstanceID();
    if (appInstanceID && !appInstanceID->empty()) APMNanoSetString(bundle, kAppInstanceID, appInstanceID);
  }

  if (adDenied) APMNanoClearField(bundle, kResettableDeviceID);
  if (analyticsDenied) {
    APMNanoClearField(bundle, kVendorDeviceID);
    APMNanoClearField(bundle, kAppInstanceID);
  }

  if (hasLimitedAdTracking) APMNanoSetBool(bundle, kLimitedAdTracking, identity.limitedAdTracking());
}

}  // namespace sdk::analytics
