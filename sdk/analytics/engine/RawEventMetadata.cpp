#include "sdk/analytics/engine/RawEventMetadata.h"

#include <algorithm>

#include "sdk/analytics/engine/ConsentSettings.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/IdentitySettings.h"
#include "sdk/analytics/foundation/EnvironmentInfo.h"
#include "sdk/analytics/foundation/NanoAccessors.h"

namespace sdk::analytics {

namespace {

void setIfNonEmpty(ProtoMeasurementBundle& bundle, int field, const std::string& text) {
  if (!text.empty()) nanoSetString(bundle, field, text);
}

void setIfPresent(ProtoMeasurementBundle& bundle, int field, const std::optional<std::int32_t>& number) {
  if (number) nanoSetInt32(bundle, field, *number);
}

}  // namespace

std::shared_ptr<ProtoMeasurementBundle> RawEventMetadata::create(Identity& identity,
                                                                 std::vector<UserAttribute> userAttributes) {
  auto bundle = ProtoMeasurementBundle::make();
  nanoSetString(*bundle, kPlatform, std::string("ios"));
  nanoSetInt32(*bundle, kProtocolVersion, 1);
  nanoSetString(*bundle, kAppID, identity.appID());
  if (!identity.isFromAppStore()) nanoSetString(*bundle, kInstallSource, std::string("manual_install"));
  nanoSetString(*bundle, kAppVersion, identity.appVersion());
  const Identity::Identifiers identifiers = identity.identifiers();
  if (!identifiers.appIDFromVMP.empty()) {
    nanoSetString(*bundle, kVMPAppID, identifiers.appIDFromVMP);
  } else {
    setIfNonEmpty(*bundle, kDeDedAppID, identifiers.appIDFromDeDed);
  }
  nanoSetInt64(*bundle, kLibraryVersion, Identity::analyticsLibraryVersion());
  setIfNonEmpty(*bundle, kInstallationID, identity.coreInstallationID());
  setIfPresent(*bundle, kAppVersionMajor, identity.appVersionMajor());
  setIfPresent(*bundle, kAppVersionMinor, identity.appVersionMinor());
  setIfPresent(*bundle, kAppVersionRelease, identity.appVersionRelease());

  applyIdentifierRule(*bundle, ConsentSettings::consentSignals(),
                      IdentitySettings::current()->gateIDFAOnATTMASEnabled(), identifiers);

  EnvironmentInfo environment = EnvironmentInfo::sharedInstance();
  nanoSetString(*bundle, kDeviceModel, environment.deviceModel);
  nanoSetString(*bundle, kOSVersion, environment.deviceOSVersion);
  nanoSetInt32(*bundle, kTimeZoneOffsetMinutes, static_cast<std::int32_t>(environment.timeZoneOffsetMinutes));
  nanoSetString(*bundle, kLanguage, environment.userDefaultLanguage);

  std::stable_sort(userAttributes.begin(), userAttributes.end(),
                   [](const UserAttribute& a, const UserAttribute& b) { return a.name < b.name; });
  for (const auto& attribute : userAttributes) {
    if (auto message = attribute.protoUserAttribute()) nanoAddMessage(*bundle, kUserAttributes, *message);
  }
  return bundle;
}

void RawEventMetadata::applyIdentifierRule(ProtoMeasurementBundle& bundle,
                                           const std::optional<std::string>& consentSignals,
                                           bool gateIDFAOnATTMASEnabled,
                                           const Identity::Identifiers& identifiers) {
  bool adDenied = false;
  bool analyticsDenied = false;
  if (consentSignals && consentSignals->size() >= 4) {
    nanoSetString(bundle, kConsentSignals, *consentSignals);
    adDenied = (*consentSignals)[2] == '0';
    analyticsDenied = (*consentSignals)[3] == '0';
  } else if (!consentSignals || consentSignals->empty()) {
    nanoClearField(bundle, kConsentSignals);
  }

  bool advertisingIDAllowed = true;
  if (identifiers.iOS14OrAbove) {
    std::uint64_t status = identifiers.appleConsentStatus;
    if (status != Identity::kConsentUnsupported) {
      nanoSetInt32(bundle, kTrackingConsentStatus, static_cast<std::int32_t>(status));
    }
    advertisingIDAllowed = status == Identity::kConsentAuthorized || !gateIDFAOnATTMASEnabled;
  }

  const bool hasLimitedAdTracking = identifiers.hasLimitedAdTracking;
  const std::optional<std::string>& deviceID = identifiers.resettableDeviceID;
  if (hasLimitedAdTracking && advertisingIDAllowed && !adDenied && deviceID && !deviceID->empty()) {
    if (!nanoHasField(bundle, kResettableDeviceID)) nanoSetString(bundle, kResettableDeviceID, deviceID);
    nanoClearField(bundle, kVendorDeviceID);
  } else {
    const std::optional<std::string>& vendorID = identifiers.identifierForVendor;
    if (!vendorID || vendorID->empty() || analyticsDenied) {
      nanoClearField(bundle, kResettableDeviceID);
      nanoClearField(bundle, kVendorDeviceID);
    } else {
      if (!nanoHasField(bundle, kVendorDeviceID)) nanoSetString(bundle, kVendorDeviceID, vendorID);
      nanoClearField(bundle, kResettableDeviceID);
    }
  }

  if (!analyticsDenied && !nanoHasField(bundle, kAppInstanceID)) {
    const std::optional<std::string>& appInstanceID = identifiers.appInstanceID;
    if (appInstanceID && !appInstanceID->empty()) nanoSetString(bundle, kAppInstanceID, appInstanceID);
  }

  if (adDenied) nanoClearField(bundle, kResettableDeviceID);
  if (analyticsDenied) {
    nanoClearField(bundle, kVendorDeviceID);
    nanoClearField(bundle, kAppInstanceID);
  }

  if (hasLimitedAdTracking) nanoSetBool(bundle, kLimitedAdTracking, identifiers.limitedAdTracking);
}

}  // namespace sdk::analytics

