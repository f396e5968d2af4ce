#include "sdk/analytics/engine/RawEventMetadata.h"

#include <gtest/gtest.h>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/IdentityFacts.h"
#include "platform/foundation/PropertyList.h"
#include "sdk/analytics/engine/APMIdentity.h"
#include "sdk/analytics/engine/IdentityTestSupport.h"
#include "sdk/analytics/engine/MeasurementConfigTestSupport.h"
#include "sdk/analytics/foundation/APMDatabase.h"
#include "sdk/analytics/foundation/APMEnvironment.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPersistedConfig.h"
#include "sdk/analytics/foundation/APMTestSupport.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Value;
using sdk::analytics::RawEventMetadata;
using ostrel::testing::FakeIdentitySupport;
using ostrel::testing::ScopedIdentitySettings;
using M = RawEventMetadata;

constexpr const char* kAdID = "6D92078A-8246-4BA4-AE5B-76104861E7DC";
using ostrel::testing::kMeasurementVendorID;

class RawEventMetadataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings = ScopedIdentitySettings::install();
    previousBundle = platform::foundation::Bundle::setMainPath(container.path());
    Dictionary info{{"CFBundleIdentifier", Value("com.ostrel.app")},
                    {"CFBundleShortVersionString", Value("2.10")},
                    {"CFBundleVersion", Value("2.10.4")}};
    ASSERT_TRUE(platform::foundation::PropertyList::writeFile(container.pathFor("Info.plist"), Value(info),
                                                              platform::foundation::PropertyList::Format::Xml));
    APMEnvironmentInfo::setShared(APMEnvironmentInfo{"iPhone15,2", "17.4", -300, "fr-CA"});
    platform::foundation::IdentityFacts facts;
    facts.identifierForVendor = kMeasurementVendorID;
    platform::foundation::IdentityFacts::setCurrent(facts);
    support->deviceID = kAdID;
    identity = APMIdentity::initWithPersistedConfig(std::make_shared<APMPersistedConfig>(), support);
  }
  void TearDown() override {
    platform::foundation::IdentityFacts::reset();
    APMEnvironmentInfo::setShared(std::nullopt);
    platform::foundation::Bundle::setMainPath(previousBundle);
    ScopedIdentitySettings::uninstall();
  }

  void setConsent(const char* ad, const char* analytics) {
    APMConsentSettingsUtil::setConsentSettings(
        Dictionary{{"ad_storage", Value(ad)}, {"analytics_storage", Value(analytics)}});
  }

  ostrel::testing::MonitorScope monitor;
  ostrel::testing::MainThreadEnvironment environment;  // the manual clock, put back after the test
  const std::shared_ptr<platform::foundation::ManualClock>& clock = environment.clock();
  std::shared_ptr<ScopedIdentitySettings> settings;
  ostrel::testing::TempContainer container;
  std::string previousBundle;
  std::shared_ptr<FakeIdentitySupport> support = std::make_shared<FakeIdentitySupport>();
  std::shared_ptr<APMIdentity> identity;
};

TEST_F(RawEventMetadataTest, CarriesTheAppDeviceAndIdentity) {
  identity->setAppIDFromDeDed("deded-app");
  identity->setVurevoreInstallationID(std::string("fid-1"));
  auto bundle = M::create(*identity, {});
  EXPECT_EQ(APMNanoGetString(*bundle, M::kPlatform), "ios");
  EXPECT_EQ(APMNanoGetInt32(*bundle, M::kProtocolVersion), 1);
  EXPECT_EQ(APMNanoGetString(*bundle, M::kAppID), "com.ostrel.app");
  EXPECT_EQ(APMNanoGetString(*bundle, M::kInstallSource), "manual_install");
  EXPECT_EQ(APMNanoGetString(*bundle, M::kAppVersion), "2.10");
  EXPECT_FALSE(APMNanoHasField(*bundle, M::kVMPAppID));
  EXPECT_EQ(APMNanoGetString(*bundle, M::kDeDedAppID), "deded-app");
  EXPECT_EQ(APMNanoGetInt64(*bundle, M::kLibraryVersion), APMIdentity::ruzUdurerizezaLibraryVersion());
  EXPECT_EQ(APMNanoGetString(*bundle, M::kInstallationID), "fid-1");
  EXPECT_EQ(APMNanoGetInt32(*bundle, M::kAppVersionMajor), 2);
  EXPECT_EQ(APMNanoGetInt32(*bundle, M::kAppVersionMinor), 10);
  EXPECT_EQ(APMNanoGetInt32(*bundle, M::kAppVersionRelease), 4);
  EXPECT_EQ(APMNanoGetString(*bundle, M::kConsentSignals), "G1--");
  EXPECT_EQ(APMNanoGetInt32(*bundle, M::kTrackingConsentStatus), 3);
  EXPECT_EQ(APMNanoGetString(*bundle, M::kResettableDeviceID), kAdID);
  EXPECT_FALSE(APMNanoHasField(*bundle, M::kVendorDeviceID));
  EXPECT_EQ(APMNanoGetString(*bundle, M::kAppInstanceID), identity->appInstanceID());
  EXPECT_TRUE(APMNanoHasField(*bundle, M::kLimitedAdTracking));
  EXPECT_FALSE(APMNanoGetBool(*bundle, M::kLimitedAdTracking));
  EXPECT_EQ(APMNanoGetString(*bundle, M::kDeviceModel), "iPhone15,2");
  EXPECT_EQ(APMNanoGetString(*bundle, M::kOSVersion), "17.4");
  EXPECT_EQ(APMNanoGetInt32(*bundle, M::kTimeZoneOffsetMinutes), -300);
  EXPECT_EQ(APMNanoGetString(*bundle, M::kLanguage), "fr-CA");
  EXPECT_TRUE(APMNanoGetMessageArray<APMPBUserAttribute>(*bundle, M::kUserAttributes).empty());
  EXPECT_TRUE(bundle->values(M::kUserAttributes).empty());
}

TEST_F(RawEventMetadataTest, FingerprintFollowsTheState) {
  APMUserAttribute plan("app", "plan", APMValue("pro"), 1700000000);
  APMUserAttribute id("auto", "_id", APMValue("user-7"), 1700000001);
  auto first = APMDatabase::metadataFingerprint(*M::create(*identity, {plan, id}));
  EXPECT_EQ(APMDatabase::metadataFingerprint(*M::create(*identity, {plan, id})), first);
  // The store's order may change when a row is replaced; the fingerprint must not.
  EXPECT_EQ(APMDatabase::metadataFingerprint(*M::create(*identity, {id, plan})), first);

  APMUserAttribute changed("app", "plan", APMValue("free"), 1700000000);
  EXPECT_NE(APMDatabase::metadataFingerprint(*M::create(*identity, {changed, id})), first);
  auto bundle = M::create(*identity, {plan, id});
  auto attributes = APMNanoGetMessageArray<APMPBUserAttribute>(*bundle, M::kUserAttributes);
  ASSERT_EQ(attributes.size(), 2u);
  EXPECT_EQ(APMNanoGetString(*attributes[0], 1), "_id");

  setConsent("granted", "denied");
  EXPECT_NE(APMDatabase::metadataFingerprint(*M::create(*identity, {plan, id})), first);
}

TEST_F(RawEventMetadataTest, RuleFollowsConsentAndTheGate) {
  struct Case {
    const char* name;
    std::optional<std::string> signals;
    bool gate;
    std::uint64_t platformStatus;
    bool hasAdID;
    bool hasVendorID;
    bool hasInstanceID;
  } cases[] = {
      {"all granted", "G111", false, 3, true, false, true},
      {"analytics denied", "G110", false, 3, true, false, false},
      {"ad denied", "G101", false, 3, false, true, true},
      {"both denied", "G100", false, 3, false, false, false},
      {"gate closed", "G111", true, 2, false, true, true},
      {"gate open when authorised", "G111", true, 3, true, false, true},
      {"no signals", std::nullopt, false, 3, true, false, true},
  };
  for (const auto& c : cases) {
    support->status = c.platformStatus;
    // The identity follows the same consent and gate the signals describe.
    settings->attGate = c.gate;
    bool adDenied = c.signals && (*c.signals)[2] == '0';
    bool analyticsDenied = c.signals && (*c.signals)[3] == '0';
    setConsent(adDenied ? "denied" : "granted", analyticsDenied ? "denied" : "granted");
    clock->advance(5);  // past the identity's cache time, so it reads the new status
    auto bundle = APMPBMeasurementBundle::make();
    // Identifiers stored with the event earlier must go when consent says so now.
    APMNanoSetString(*bundle, M::kVendorDeviceID, std::string("stale-vendor"));
    APMNanoSetString(*bundle, M::kAppInstanceID, std::string("stale-instance"));
    APMNanoSetString(*bundle, M::kConsentSignals, std::string("G1--"));
    M::applyIdentifierRule(*bundle, c.signals, c.gate, *identity);
    EXPECT_EQ(APMNanoHasField(*bundle, M::kResettableDeviceID), c.hasAdID) << c.name;
    EXPECT_EQ(APMNanoHasField(*bundle, M::kVendorDeviceID), c.hasVendorID) << c.name;
    EXPECT_EQ(APMNanoHasField(*bundle, M::kAppInstanceID), c.hasInstanceID) << c.name;
    EXPECT_EQ(APMNanoGetString(*bundle, M::kConsentSignals), c.signals) << c.name;
    EXPECT_EQ(APMNanoGetInt32(*bundle, M::kTrackingConsentStatus), c.platformStatus == 3 ? 3 : 2) << c.name;
  }
}

TEST_F(RawEventMetadataTest, ShortSignalsDenyNothingAndKeepTheStoredOne) {
  auto bundle = APMPBMeasurementBundle::make();
  APMNanoSetString(*bundle, M::kConsentSignals, std::string("G100"));
  M::applyIdentifierRule(*bundle, std::string("G1"), false, *identity);
  EXPECT_EQ(APMNanoGetString(*bundle, M::kConsentSignals), "G100");
  EXPECT_TRUE(APMNanoHasField(*bundle, M::kResettableDeviceID));
  EXPECT_TRUE(APMNanoHasField(*bundle, M::kAppInstanceID));
  M::applyIdentifierRule(*bundle, std::string(), false, *identity);
  EXPECT_FALSE(APMNanoHasField(*bundle, M::kConsentSignals));
}

TEST_F(RawEventMetadataTest, WithoutAdvertisingSupportNothingOfItIsSent) {
  // What Linux offers: no advertising service; the vendor ID stands in when there is one.
  auto onLinux = APMIdentity::initWithPersistedConfig(std::make_shared<APMPersistedConfig>());
  auto bundle = M::create(*onLinux, {});
  EXPECT_FALSE(APMNanoHasField(*bundle, M::kResettableDeviceID));
  EXPECT_EQ(APMNanoGetString(*bundle, M::kVendorDeviceID), kMeasurementVendorID);
  EXPECT_TRUE(APMNanoHasField(*bundle, M::kAppInstanceID));
  EXPECT_FALSE(APMNanoHasField(*bundle, M::kLimitedAdTracking));
  EXPECT_FALSE(APMNanoHasField(*bundle, M::kTrackingConsentStatus));
}

}  // namespace
