#include "sdk/analytics/engine/RawEventMetadata.h"

#include <algorithm>

#include "sdk/analytics/engine/ConsentSettings.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/IdentitySettings.h"
#include "sdk/analytics/foundation/EnvironmentInfo.h"
#include "sdk/analytics/foundation/MeasurementFieldIndices.h"
#include "sdk/analytics/foundation/NanoAccessors.h"

namespace sdk::analytics {

using namespace sdk::analytics::measurement_fields;

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
  nanoSetString(*bundle, kBundlePlatform, std::string("ios"));
  nanoSetInt32(*bundle, kBundleProtocolVersion, 1);
  nanoSetString(*bundle, kBundleAppID, identity.appID());
  if (!identity.isFromAppStore()) nanoSetString(*bundle, kBundleInstallSource, std::string("manual_install"));
  nanoSetString(*bundle, kBundleAppVersion, identity.appVersion());
  const Identity::Identifiers identifiers = identity.identifiers();
  if (!identifiers.appIDFromVMP.empty()) {
    nanoSetString(*bundle, kBundleVMPAppID, identifiers.appIDFromVMP);
  } else {
    setIfNonEmpty(*bundle, kBundleDeDedAppID, identifiers.appIDFromDeDed);
  }
  nanoSetInt64(*bundle, kBundleLibraryVersion, Identity::analyticsLibraryVersion());
  setIfNonEmpty(*bundle, kBundleInstallationID, identity.coreInstallationID());
  setIfPresent(*bundle, kBundleAppVersionMajor, identity.appVersionMajor());
  setIfPresent(*bundle, kBundleAppVersionMinor, identity.appVersionMinor());
  setIfPresent(*bundle, kBundleAppVersionRelease, identity.appVersionRelease());

  applyIdentifierRule(*bundle, ConsentSettings::consentSignals(),
                      IdentitySettings::current()->gateIDFAOnATTMASEnabled(), identifiers);

  EnvironmentInfo environment = EnvironmentInfo::sharedInstance();
  nanoSetString(*bundle, kBundleDeviceModel, environment.deviceModel);
  nanoSetString(*bundle, kBundleOSVersion, environment.deviceOSVersion);
  nanoSetInt32(*bundle, kBundleTimeZoneOffsetMinutes, static_cast<std::int32_t>(environment.timeZoneOffsetMinutes));
  nanoSetString(*bundle, kBundleLanguage, environment.userDefaultLanguage);

  std::stable_sort(userAttributes.begin(), userAttributes.end(),
                   [](const UserAttribute& a, const UserAttribute& b) { return a.name < b.name; });
  for (const auto& attribute : userAttributes) {
    if (auto message = attribute.protoUserAttribute()) nanoAddMessage(*bundle, kBundleUserAttributes, *message);
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
    nanoSetString(bundle, kBundleConsentSignals, *consentSignals);
    adDenied = (*consentSignals)[2] == '0';
    analyticsDenied = (*consentSignals)[3] == '0';
  } else if (!consentSignals || consentSignals->empty()) {
    nanoClearField(bundle, kBundleConsentSignals);
  }

  bool advertisingIDAllowed = true;
  if (identifiers.iOS14OrAbove) {
    std::uint64_t status = identifiers.appleConsentStatus;
    if (status != Identity::kConsentUnsupported) {
      nanoSetInt32(bundle, kBundleTrackingConsentStatus, static_cast<std::int32_t>(status));
    }
    advertisingIDAllowed = status == Identity::kConsentAuthorized || !gateIDFAOnATTMASEnabled;
  }

  const bool hasLimitedAdTracking = identifiers.hasLimitedAdTracking;
  const std::optional<std::string>& deviceID = identifiers.resettableDeviceID;
  if (hasLimitedAdTracking && advertisingIDAllowed && !adDenied && deviceID && !deviceID->empty()) {
    if (!nanoHasField(bundle, kBundleResettableDeviceID)) nanoSetString(bundle, kBundleResettableDeviceID, deviceID);
    nanoClearField(bundle, kBundleVendorDeviceID);
  } else {
    const std::optional<std::string>& vendorID = identifiers.identifierForVendor;
    if (!vendorID || vendorID->empty() || analyticsDenied) {
      nanoClearField(bundle, kBundleResettableDeviceID);
      nanoClearField(bundle, kBundleVendorDeviceID);
    } else {
      if (!nanoHasField(bundle, kBundleVendorDeviceID)) nanoSetString(bundle, kBundleVendorDeviceID, vendorID);
      nanoClearField(bundle, kBundleResettableDeviceID);
    }
  }

  if (!analyticsDenied && !nanoHasField(bundle, kBundleAppInstanceID)) {
    const std::optional<std::string>& appInstanceID = identifiers.appInstanceID;
    if (appInstanceID && !appInstanceID->empty()) nanoSetString(bundle, kBundleAppInstanceID, appInstanceID);
  }

  if (adDenied) nanoClearField(bundle, kBundleResettableDeviceID);
  if (analyticsDenied) {
    nanoClearField(bundle, kBundleVendorDeviceID);
    nanoClearField(bundle, kBundleAppInstanceID);
  }

  if (hasLimitedAdTracking) nanoSetBool(bundle, kBundleLimitedAdTracking, identifiers.limitedAdTracking);
}

}  // namespace sdk::analytics

