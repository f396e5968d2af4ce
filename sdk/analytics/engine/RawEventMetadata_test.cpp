#include "sdk/analytics/engine/RawEventMetadata.h"

#include <gtest/gtest.h>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/IdentityFacts.h"
#include "platform/foundation/PropertyList.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/IdentityTestSupport.h"
#include "sdk/analytics/engine/MeasurementConfigTestSupport.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/MeasurementFieldIndices.h"
#include "sdk/analytics/foundation/EnvironmentInfo.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Value;
using sdk::analytics::RawEventMetadata;
using ostrel::testing::FakeIdentitySupport;
using ostrel::testing::ScopedIdentitySettings;
using M = RawEventMetadata;
using namespace sdk::analytics::measurement_fields;

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
    EnvironmentInfo::setShared(EnvironmentInfo{"iPhone15,2", "17.4", -300, "fr-CA"});
    platform::foundation::IdentityFacts facts;
    facts.identifierForVendor = kMeasurementVendorID;
    platform::foundation::IdentityFacts::setCurrent(facts);
    support->deviceID = kAdID;
    identity = Identity::initWithPersistedConfig(std::make_shared<PersistedConfig>(), support);
  }
  void TearDown() override {
    platform::foundation::IdentityFacts::reset();
    EnvironmentInfo::setShared(std::nullopt);
    platform::foundation::Bundle::setMainPath(previousBundle);
    ScopedIdentitySettings::uninstall();
  }

  void setConsent(const char* ad, const char* analytics) {
    ConsentSettings::setConsentSettings(
        Dictionary{{"ad_storage", Value(ad)}, {"analytics_storage", Value(analytics)}});
  }

  ostrel::testing::MonitorScope monitor;
  ostrel::testing::MainThreadEnvironment environment;  // the manual clock, put back after the test
  const std::shared_ptr<platform::foundation::ManualClock>& clock = environment.clock();
  std::shared_ptr<ScopedIdentitySettings> settings;
  ostrel::testing::TempContainer container;
  std::string previousBundle;
  std::shared_ptr<FakeIdentitySupport> support = std::make_shared<FakeIdentitySupport>();
  std::shared_ptr<Identity> identity;
};

TEST_F(RawEventMetadataTest, CarriesTheAppDeviceAndIdentity) {
  identity->setAppIDFromDeDed("deded-app");
  identity->setCoreInstallationID(std::string("fid-1"));
  auto bundle = M::create(*identity, {});
  EXPECT_EQ(nanoGetString(*bundle, kBundlePlatform), "ios");
  EXPECT_EQ(nanoGetInt32(*bundle, kBundleProtocolVersion), 1);
  EXPECT_EQ(nanoGetString(*bundle, kBundleAppID), "com.ostrel.app");
  EXPECT_EQ(nanoGetString(*bundle, kBundleInstallSource), "manual_install");
  EXPECT_EQ(nanoGetString(*bundle, kBundleAppVersion), "2.10");
  EXPECT_FALSE(nanoHasField(*bundle, kBundleVMPAppID));
  EXPECT_EQ(nanoGetString(*bundle, kBundleDeDedAppID), "deded-app");
  EXPECT_EQ(nanoGetInt64(*bundle, kBundleLibraryVersion), Identity::analyticsLibraryVersion());
  EXPECT_EQ(nanoGetString(*bundle, kBundleInstallationID), "fid-1");
  EXPECT_EQ(nanoGetInt32(*bundle, kBundleAppVersionMajor), 2);
  EXPECT_EQ(nanoGetInt32(*bundle, kBundleAppVersionMinor), 10);
  EXPECT_EQ(nanoGetInt32(*bundle, kBundleAppVersionRelease), 4);
  EXPECT_EQ(nanoGetString(*bundle, kBundleConsentSignals), "G1--");
  EXPECT_EQ(nanoGetInt32(*bundle, kBundleTrackingConsentStatus), 3);
  EXPECT_EQ(nanoGetString(*bundle, kBundleResettableDeviceID), kAdID);
  EXPECT_FALSE(nanoHasField(*bundle, kBundleVendorDeviceID));
  EXPECT_EQ(nanoGetString(*bundle, kBundleAppInstanceID), identity->appInstanceID());
  EXPECT_TRUE(nanoHasField(*bundle, kBundleLimitedAdTracking));
  EXPECT_FALSE(nanoGetBool(*bundle, kBundleLimitedAdTracking));
  EXPECT_EQ(nanoGetString(*bundle, kBundleDeviceModel), "iPhone15,2");
  EXPECT_EQ(nanoGetString(*bundle, kBundleOSVersion), "17.4");
  EXPECT_EQ(nanoGetInt32(*bundle, kBundleTimeZoneOffsetMinutes), -300);
  EXPECT_EQ(nanoGetString(*bundle, kBundleLanguage), "fr-CA");
  EXPECT_TRUE(nanoGetMessageArray<ProtoUserAttribute>(*bundle, kBundleUserAttributes).empty());
  EXPECT_TRUE(bundle->values(kBundleUserAttributes).empty());
}

TEST_F(RawEventMetadataTest, FingerprintFollowsTheState) {
  UserAttribute plan("app", "plan", AnalyticsValue("pro"), 1700000000);
  UserAttribute id("auto", "_id", AnalyticsValue("user-7"), 1700000001);
  auto first = MeasurementDatabase::metadataFingerprint(*M::create(*identity, {plan, id}));
  EXPECT_EQ(MeasurementDatabase::metadataFingerprint(*M::create(*identity, {plan, id})), first);
  // The store's order may change when a row is replaced; the fingerprint must not.
  EXPECT_EQ(MeasurementDatabase::metadataFingerprint(*M::create(*identity, {id, plan})), first);

  UserAttribute changed("app", "plan", AnalyticsValue("free"), 1700000000);
  EXPECT_NE(MeasurementDatabase::metadataFingerprint(*M::create(*identity, {changed, id})), first);
  auto bundle = M::create(*identity, {plan, id});
  auto attributes = nanoGetMessageArray<ProtoUserAttribute>(*bundle, kBundleUserAttributes);
  ASSERT_EQ(attributes.size(), 2u);
  EXPECT_EQ(nanoGetString(*attributes[0], 1), "_id");

  setConsent("granted", "denied");
  EXPECT_NE(MeasurementDatabase::metadataFingerprint(*M::create(*identity, {plan, id})), first);
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
    auto bundle = ProtoMeasurementBundle::make();
    // Identifiers stored with the event earlier must go when consent says so now.
    nanoSetString(*bundle, kBundleVendorDeviceID, std::string("stale-vendor"));
    nanoSetString(*bundle, kBundleAppInstanceID, std::string("stale-instance"));
    nanoSetString(*bundle, kBundleConsentSignals, std::string("G1--"));
    M::applyIdentifierRule(*bundle, c.signals, c.gate, identity->identifiers());
    EXPECT_EQ(nanoHasField(*bundle, kBundleResettableDeviceID), c.hasAdID) << c.name;
    EXPECT_EQ(nanoHasField(*bundle, kBundleVendorDeviceID), c.hasVendorID) << c.name;
    EXPECT_EQ(nanoHasField(*bundle, kBundleAppInstanceID), c.hasInstanceID) << c.name;
    EXPECT_EQ(nanoGetString(*bundle, kBundleConsentSignals), c.signals) << c.name;
    EXPECT_EQ(nanoGetInt32(*bundle, kBundleTrackingConsentStatus), c.platformStatus == 3 ? 3 : 2) << c.name;
  }
}

TEST_F(RawEventMetadataTest, ShortSignalsDenyNothingAndKeepTheStoredOne) {
  auto bundle = ProtoMeasurementBundle::make();
  nanoSetString(*bundle, kBundleConsentSignals, std::string("G100"));
  M::applyIdentifierRule(*bundle, std::string("G1"), false, identity->identifiers());
  EXPECT_EQ(nanoGetString(*bundle, kBundleConsentSignals), "G100");
  EXPECT_TRUE(nanoHasField(*bundle, kBundleResettableDeviceID));
  EXPECT_TRUE(nanoHasField(*bundle, kBundleAppInstanceID));
  M::applyIdentifierRule(*bundle, std::string(), false, identity->identifiers());
  EXPECT_FALSE(nanoHasField(*bundle, kBundleConsentSignals));
}

TEST_F(RawEventMetadataTest, WithoutAdvertisingSupportNothingOfItIsSent) {
  // What Linux offers: no advertising service; the vendor ID stands in when there is one.
  auto onLinux = Identity::initWithPersistedConfig(std::make_shared<PersistedConfig>());
  auto bundle = M::create(*onLinux, {});
  EXPECT_FALSE(nanoHasField(*bundle, kBundleResettableDeviceID));
  EXPECT_EQ(nanoGetString(*bundle, kBundleVendorDeviceID), kMeasurementVendorID);
  EXPECT_TRUE(nanoHasField(*bundle, kBundleAppInstanceID));
  EXPECT_FALSE(nanoHasField(*bundle, kBundleLimitedAdTracking));
  EXPECT_FALSE(nanoHasField(*bundle, kBundleTrackingConsentStatus));
}

}  // namespace

}  // namespace sdk::analytics

