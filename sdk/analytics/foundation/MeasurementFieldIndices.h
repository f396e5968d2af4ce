#pragma once

#include <array>

#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "sdk/analytics/foundation/ProtoProgramMessages.h"
#include "sdk/analytics/foundation/detail/NanoFields.h"

// The fields of the measurement messages (ProtoMeasurementMessages.h), in one home for every file that builds, reads,
// stores or sends them. Each message has its schema, the fields in index order with their wire tags and kinds, from
// which its descriptor is made, and the names the code reaches the fields by. The accessors take the index; the wire
// carries the tag, and the two differ wherever a field came late. A static_assert ties every name to the wire tag of
// its slot, so a name that points at the wrong slot, or a row slipped into the middle of a schema, fails the build
// instead of moving a value to another field on the wire.
//
// Adding a field: its row at the end of the schema (an index is never reused, a reserved one keeps its place), its
// name with the next index, and the assert beside the others; then the one setter that fills it.
namespace sdk::analytics::measurement_fields {

using detail::tagAt;

// The schemas sit in a namespace of their own, so a file that takes in the names takes in none of their shorthands.
namespace schema {
using namespace sdk::analytics::detail;
using K = NanoFieldKind;
}  // namespace schema

// ProtoMeasurementBatch: what one upload carries.
namespace schema {
inline constexpr std::array kBatch{
    repeatedMessage(1, &ProtoMeasurementBundle::descriptor),  // 0
};
}  // namespace schema
inline constexpr int kBatchBundles = 0;
static_assert(tagAt(schema::kBatch, kBatchBundles) == 1);

// ProtoMeasurementBundle: a group of events with the app, device and identity state they were logged under.
namespace schema {
inline constexpr std::array kBundle{
    single(1, K::Int32),                                              // 0
    repeatedMessage(2, &ProtoEvent::descriptor),                      // 1
    repeatedMessage(3, &ProtoUserAttribute::descriptor),              // 2
    single(4, K::Int64),                                              // 3
    single(5, K::Int64),                                              // 4
    single(6, K::Int64),                                              // 5
    single(26, K::Int64),                                             // 6
    single(7, K::Int64),                                              // 7
    single(8, K::String),                                             // 8
    single(9, K::String),                                             // 9
    single(10, K::String),                                            // 10
    single(11, K::String),                                            // 11
    single(12, K::Int32),                                             // 12
    single(13, K::String),                                            // 13
    single(14, K::String),                                            // 14
    reserved(),                                                       // 15
    single(16, K::String),                                            // 16
    single(17, K::Int64),                                             // 17
    single(18, K::Int64),                                             // 18
    single(19, K::String),                                            // 19
    single(27, K::String),                                            // 20
    single(20, K::Bool),                                              // 21
    single(21, K::String),                                            // 22
    reserved(),                                                       // 23
    single(23, K::Int32),                                             // 24
    single(24, K::String),                                            // 25
    single(25, K::String),                                            // 26
    reserved(),                                                       // 27
    repeatedMessage(29, &ProtoAudienceLeafFilterResult::descriptor),  // 28
    single(30, K::String),                                            // 29
    single(31, K::Int32),                                             // 30
    single(32, K::Int32),                                             // 31
    single(33, K::Int32),                                             // 32
    reserved(),                                                       // 33
    single(35, K::Int64),                                             // 34
    single(39, K::Int32),                                             // 35
    single(41, K::String),                                            // 36
    repeated(45, K::UInt64),                                          // 37
    single(47, K::Int64),                                             // 38
    reserved(),                                                       // 39
    single(52, K::String),                                            // 40
    single(53, K::UInt32),                                            // 41
    reserved(),                                                       // 42
    reserved(),                                                       // 43
    reserved(),                                                       // 44
    reserved(),                                                       // 45
};
}  // namespace schema
inline constexpr int kBundleProtocolVersion = 0;
inline constexpr int kBundleEvents = 1;
inline constexpr int kBundleUserAttributes = 2;
inline constexpr int kBundleUploadTimestamp = 3;
inline constexpr int kBundleStartTimestamp = 4;
inline constexpr int kBundleEndTimestamp = 5;
inline constexpr int kBundlePreviousStartTimestamp = 6;
inline constexpr int kBundlePreviousEndTimestamp = 7;
inline constexpr int kBundlePlatform = 8;
inline constexpr int kBundleOSVersion = 9;
inline constexpr int kBundleDeviceModel = 10;
inline constexpr int kBundleLanguage = 11;
inline constexpr int kBundleTimeZoneOffsetMinutes = 12;
inline constexpr int kBundleInstallSource = 13;
inline constexpr int kBundleAppID = 14;
inline constexpr int kBundleAppVersion = 16;
inline constexpr int kBundleLibraryVersion = 17;
inline constexpr int kBundleLibraryVersionAtUpload = 18;
inline constexpr int kBundleResettableDeviceID = 19;
inline constexpr int kBundleVendorDeviceID = 20;
inline constexpr int kBundleLimitedAdTracking = 21;
inline constexpr int kBundleAppInstanceID = 22;
inline constexpr int kBundleIndex = 24;
inline constexpr int kBundleMonitoringData = 25;
inline constexpr int kBundleVMPAppID = 26;  // the app ID the console knows the app by
inline constexpr int kBundleAudienceResults = 28;
inline constexpr int kBundleInstallationID = 29;
inline constexpr int kBundleAppVersionMajor = 30;
inline constexpr int kBundleAppVersionMinor = 31;
inline constexpr int kBundleAppVersionRelease = 32;
inline constexpr int kBundleConfigVersion = 34;
inline constexpr int kBundleRetryCount = 35;
inline constexpr int kBundleDeDedAppID = 36;
inline constexpr int kBundleExperimentIDs = 37;
inline constexpr int kBundleChecksum = 38;
inline constexpr int kBundleConsentSignals = 40;
inline constexpr int kBundleTrackingConsentStatus = 41;
static_assert(tagAt(schema::kBundle, kBundleProtocolVersion) == 1);
static_assert(tagAt(schema::kBundle, kBundleEvents) == 2);
static_assert(tagAt(schema::kBundle, kBundleUserAttributes) == 3);
static_assert(tagAt(schema::kBundle, kBundleUploadTimestamp) == 4);
static_assert(tagAt(schema::kBundle, kBundleStartTimestamp) == 5);
static_assert(tagAt(schema::kBundle, kBundleEndTimestamp) == 6);
static_assert(tagAt(schema::kBundle, kBundlePreviousStartTimestamp) == 26);
static_assert(tagAt(schema::kBundle, kBundlePreviousEndTimestamp) == 7);
static_assert(tagAt(schema::kBundle, kBundlePlatform) == 8);
static_assert(tagAt(schema::kBundle, kBundleOSVersion) == 9);
static_assert(tagAt(schema::kBundle, kBundleDeviceModel) == 10);
static_assert(tagAt(schema::kBundle, kBundleLanguage) == 11);
static_assert(tagAt(schema::kBundle, kBundleTimeZoneOffsetMinutes) == 12);
static_assert(tagAt(schema::kBundle, kBundleInstallSource) == 13);
static_assert(tagAt(schema::kBundle, kBundleAppID) == 14);
static_assert(tagAt(schema::kBundle, kBundleAppVersion) == 16);
static_assert(tagAt(schema::kBundle, kBundleLibraryVersion) == 17);
static_assert(tagAt(schema::kBundle, kBundleLibraryVersionAtUpload) == 18);
static_assert(tagAt(schema::kBundle, kBundleResettableDeviceID) == 19);
static_assert(tagAt(schema::kBundle, kBundleVendorDeviceID) == 27);
static_assert(tagAt(schema::kBundle, kBundleLimitedAdTracking) == 20);
static_assert(tagAt(schema::kBundle, kBundleAppInstanceID) == 21);
static_assert(tagAt(schema::kBundle, kBundleIndex) == 23);
static_assert(tagAt(schema::kBundle, kBundleMonitoringData) == 24);
static_assert(tagAt(schema::kBundle, kBundleVMPAppID) == 25);
static_assert(tagAt(schema::kBundle, kBundleAudienceResults) == 29);
static_assert(tagAt(schema::kBundle, kBundleInstallationID) == 30);
static_assert(tagAt(schema::kBundle, kBundleAppVersionMajor) == 31);
static_assert(tagAt(schema::kBundle, kBundleAppVersionMinor) == 32);
static_assert(tagAt(schema::kBundle, kBundleAppVersionRelease) == 33);
static_assert(tagAt(schema::kBundle, kBundleConfigVersion) == 35);
static_assert(tagAt(schema::kBundle, kBundleRetryCount) == 39);
static_assert(tagAt(schema::kBundle, kBundleDeDedAppID) == 41);
static_assert(tagAt(schema::kBundle, kBundleExperimentIDs) == 45);
static_assert(tagAt(schema::kBundle, kBundleChecksum) == 47);
static_assert(tagAt(schema::kBundle, kBundleConsentSignals) == 52);
static_assert(tagAt(schema::kBundle, kBundleTrackingConsentStatus) == 53);

// ProtoEvent: one logged event.
namespace schema {
inline constexpr std::array kEvent{
    repeatedMessage(1, &ProtoEventParam::descriptor),  // 0
    single(2, K::String),                              // 1
    single(3, K::Int64),                               // 2
    single(4, K::Int64),                               // 3
};
}  // namespace schema
inline constexpr int kEventParams = 0;
inline constexpr int kEventName = 1;
inline constexpr int kEventTimestamp = 2;
inline constexpr int kEventPreviousTimestamp = 3;
static_assert(tagAt(schema::kEvent, kEventParams) == 1);
static_assert(tagAt(schema::kEvent, kEventName) == 2);
static_assert(tagAt(schema::kEvent, kEventTimestamp) == 3);
static_assert(tagAt(schema::kEvent, kEventPreviousTimestamp) == 4);

// ProtoEventParam: one parameter of an event. An item-array parameter holds its items as unnamed parameters, each of
// whose own items field holds that item's parameters. The float is read but never written.
namespace schema {
inline constexpr std::array kParam{
    single(1, K::String),                              // 0
    single(2, K::String),                              // 1
    single(3, K::Int64),                               // 2
    single(4, K::Float),                               // 3
    single(5, K::Double),                              // 4
    repeatedMessage(6, &ProtoEventParam::descriptor),  // 5
};
}  // namespace schema
inline constexpr int kParamName = 0;
inline constexpr int kParamString = 1;
inline constexpr int kParamInteger = 2;
inline constexpr int kParamFloat = 3;
inline constexpr int kParamDouble = 4;
inline constexpr int kParamItems = 5;
static_assert(tagAt(schema::kParam, kParamName) == 1);
static_assert(tagAt(schema::kParam, kParamString) == 2);
static_assert(tagAt(schema::kParam, kParamInteger) == 3);
static_assert(tagAt(schema::kParam, kParamFloat) == 4);
static_assert(tagAt(schema::kParam, kParamDouble) == 5);
static_assert(tagAt(schema::kParam, kParamItems) == 6);

// ProtoUserAttribute: one user property as a bundle carries it. The float is neither read nor written.
namespace schema {
inline constexpr std::array kAttribute{
    single(1, K::Int64),   // 0
    single(2, K::String),  // 1
    single(3, K::String),  // 2
    single(4, K::Int64),   // 3
    single(5, K::Float),   // 4
    single(6, K::Double),  // 5
};
}  // namespace schema
inline constexpr int kAttributeSetTimestamp = 0;
inline constexpr int kAttributeName = 1;
inline constexpr int kAttributeString = 2;
inline constexpr int kAttributeInteger = 3;
inline constexpr int kAttributeFloat = 4;
inline constexpr int kAttributeDouble = 5;
static_assert(tagAt(schema::kAttribute, kAttributeSetTimestamp) == 1);
static_assert(tagAt(schema::kAttribute, kAttributeName) == 2);
static_assert(tagAt(schema::kAttribute, kAttributeString) == 3);
static_assert(tagAt(schema::kAttribute, kAttributeInteger) == 4);
static_assert(tagAt(schema::kAttribute, kAttributeFloat) == 5);
static_assert(tagAt(schema::kAttribute, kAttributeDouble) == 6);

// ProtoMeasurementConfig: the remote measurement configuration.
namespace schema {
inline constexpr std::array kConfig{
    single(1, K::Int64),                                // 0
    single(2, K::String),                               // 1
    reserved(),                                         // 2
    repeatedMessage(4, &ProtoSetting::descriptor),      // 3
    repeatedMessage(5, &ProtoEventConfig::descriptor),  // 4
    repeatedMessage(6, &ProtoAudience::descriptor),     // 5
    single(7, K::String),                               // 6
    reserved(),                                         // 7
    repeatedMessage(9, &ProtoProgram::descriptor),      // 8
};
}  // namespace schema
inline constexpr int kConfigVersion = 0;
inline constexpr int kConfigAppID = 1;
inline constexpr int kConfigSettings = 3;
inline constexpr int kConfigEventConfigs = 4;
inline constexpr int kConfigAudiences = 5;
inline constexpr int kConfigDeDedAppID = 6;
inline constexpr int kConfigPrograms = 8;
static_assert(tagAt(schema::kConfig, kConfigVersion) == 1);
static_assert(tagAt(schema::kConfig, kConfigAppID) == 2);
static_assert(tagAt(schema::kConfig, kConfigSettings) == 4);
static_assert(tagAt(schema::kConfig, kConfigEventConfigs) == 5);
static_assert(tagAt(schema::kConfig, kConfigAudiences) == 6);
static_assert(tagAt(schema::kConfig, kConfigDeDedAppID) == 7);
static_assert(tagAt(schema::kConfig, kConfigPrograms) == 9);

// ProtoSetting: one name and value of the configuration.
namespace schema {
inline constexpr std::array kSetting{
    single(1, K::String),  // 0
    single(2, K::String),  // 1
};
}  // namespace schema
inline constexpr int kSettingName = 0;
inline constexpr int kSettingValue = 1;
static_assert(tagAt(schema::kSetting, kSettingName) == 1);
static_assert(tagAt(schema::kSetting, kSettingValue) == 2);

// ProtoEventConfig: what the configuration says of one event name.
namespace schema {
inline constexpr std::array kEventConfig{
    single(1, K::String),  // 0
    single(2, K::Bool),    // 1
    single(3, K::Bool),    // 2
    single(4, K::Int32),   // 3
};
}  // namespace schema
inline constexpr int kEventConfigName = 0;
inline constexpr int kEventConfigBlocked = 1;
inline constexpr int kEventConfigConversion = 2;
inline constexpr int kEventConfigSamplingRate = 3;
static_assert(tagAt(schema::kEventConfig, kEventConfigName) == 1);
static_assert(tagAt(schema::kEventConfig, kEventConfigBlocked) == 2);
static_assert(tagAt(schema::kEventConfig, kEventConfigConversion) == 3);
static_assert(tagAt(schema::kEventConfig, kEventConfigSamplingRate) == 4);

}  // namespace sdk::analytics::measurement_fields
