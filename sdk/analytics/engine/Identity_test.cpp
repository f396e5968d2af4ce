#include "sdk/analytics/engine/Identity.h"

#include <gtest/gtest.h>

#include <regex>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/IdentityFacts.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/SystemFacts.h"
#include "sdk/analytics/engine/DefaultIdentitySupport.h"
#include "sdk/analytics/engine/IdentityTestSupport.h"
#include "sdk/analytics/foundation/Hashing.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Dictionary;
using platform::foundation::IdentityFacts;
using platform::foundation::Value;
using ostrel::testing::FakeIdentitySupport;
using ostrel::testing::ScopedIdentitySettings;

constexpr const char* kFirstAdID = "6D92078A-8246-4BA4-AE5B-76104861E7DC";
constexpr const char* kSecondAdID = "0F8FAD5B-D9CB-469F-A165-70867728950E";

bool isAppInstanceID(const std::optional<std::string>& id) {
  return id && std::regex_match(*id, std::regex("[0-9A-Fa-f]{32}"));
}

class IdentityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings = ScopedIdentitySettings::install();
    previousBundle = platform::foundation::Bundle::setMainPath(container.path());
    writeInfo({});
    config = std::make_shared<PersistedConfig>();
  }
  void TearDown() override {
    platform::foundation::Bundle::setMainPath(previousBundle);
    ScopedIdentitySettings::uninstall();
  }

  void writeInfo(Dictionary extra) {
    Dictionary info{{"CFBundleIdentifier", Value("com.ostrel.app")},
                    {"CFBundleShortVersionString", Value("2.10")},
                    {"CFBundleVersion", Value("2.10b3")}};
    for (auto& [key, value] : extra) info[key] = value;
    ASSERT_TRUE(platform::foundation::PropertyList::writeFile(container.pathFor("Info.plist"), Value(info),
                                                              platform::foundation::PropertyList::Format::Xml));
  }

  std::shared_ptr<Identity> launch(std::shared_ptr<IdentitySupport> support = nullptr) {
    // Each launch reads the bundle afresh, as a new process would.
    platform::foundation::Bundle::setMainPath(container.pathFor("elsewhere"));
    (void)platform::foundation::Bundle::main();
    platform::foundation::Bundle::setMainPath(container.path());
    return Identity::initWithPersistedConfig(config, std::move(support));
  }

  ostrel::testing::MonitorScope monitor;
  ostrel::testing::MainThreadEnvironment environment;  // the manual clock, put back after the test
  const std::shared_ptr<platform::foundation::ManualClock>& clock = environment.clock();
  std::shared_ptr<ScopedIdentitySettings> settings;
  ostrel::testing::TempContainer container;
  std::string previousBundle;
  std::shared_ptr<PersistedConfig> config;
};

TEST_F(IdentityTest, NewAdvertisingIDRotatesTheAppInstanceID) {
  IdentityFacts facts;
  facts.advertisingServicePresent = true;
  facts.advertisingTrackingEnabled = true;
  facts.advertisingIdentifier = kFirstAdID;
  platform::foundation::ScopedIdentityFacts scoped(facts);

  auto identity = launch();
  auto first = identity->appInstanceID();
  EXPECT_TRUE(isAppInstanceID(first)) << first.value_or("none");
  EXPECT_EQ(identity->hashedResettableDeviceID(), md5HexString(kFirstAdID));
  EXPECT_EQ(identity->resettableDeviceID(), kFirstAdID);
  EXPECT_FALSE(identity->shouldSetLastAdvertisingIDResetUserProperty());

  // The same advertising ID at the next launch keeps everything.
  EXPECT_EQ(launch()->appInstanceID(), first);

  facts.advertisingIdentifier = kSecondAdID;
  IdentityFacts::setCurrent(facts);
  auto relaunched = launch();
  auto second = relaunched->appInstanceID();
  EXPECT_TRUE(isAppInstanceID(second));
  EXPECT_NE(second, first);
  EXPECT_EQ(relaunched->hashedResettableDeviceID(), md5HexString(kSecondAdID));
  EXPECT_TRUE(relaunched->shouldSetLastAdvertisingIDResetUserProperty());
}

TEST_F(IdentityTest, ZeroAdvertisingIDIsNeitherHashedNorCached) {
  auto support = std::make_shared<FakeIdentitySupport>();
  support->deviceID = kFirstAdID;
  auto identity = launch(support);
  EXPECT_EQ(identity->resettableDeviceID(), kFirstAdID);

  clock->advance(5);
  support->deviceID = DefaultIdentitySupport::kZeroDeviceID;
  EXPECT_EQ(identity->resettableDeviceID(), std::nullopt);
  EXPECT_EQ(identity->hashedResettableDeviceID(), md5HexString(kFirstAdID));
}

TEST_F(IdentityTest, DeniedStorageKeepsNothing) {
  auto support = std::make_shared<FakeIdentitySupport>();
  support->deviceID = kFirstAdID;
  ConsentSettings::setConsentSettings(Dictionary{{"analytics_storage", Value("denied")}});
  auto identity = launch(support);
  EXPECT_EQ(identity->appInstanceID(), std::nullopt);
  EXPECT_EQ(config->appInstanceID(), std::nullopt);
  EXPECT_EQ(identity->hashedResettableDeviceID(), md5HexString(kFirstAdID));

  // Granting again gives an ID; denying again removes it.
  ConsentSettings::setConsentSettings(std::nullopt);
  clock->advance(5);
  EXPECT_TRUE(isAppInstanceID(identity->appInstanceID()));
  ConsentSettings::setConsentSettings(Dictionary{{"analytics_storage", Value("denied")}});
  EXPECT_EQ(identity->appInstanceID(), std::nullopt);
  EXPECT_EQ(config->appInstanceID(), std::nullopt);

  ConsentSettings::setConsentSettings(Dictionary{{"ad_storage", Value("denied")}});
  clock->advance(5);
  EXPECT_EQ(identity->hashedResettableDeviceID(), std::nullopt);
  EXPECT_EQ(identity->resettableDeviceID(), std::nullopt);
}

TEST_F(IdentityTest, RefreshStandsForTheCacheTime) {
  auto support = std::make_shared<FakeIdentitySupport>();
  support->deviceID = kFirstAdID;
  settings->cacheTime = 10;
  auto identity = launch(support);
  (void)identity->resettableDeviceID();
  (void)identity->limitedAdTracking();
  (void)identity->appleConsentStatus();
  EXPECT_EQ(support->reads, 1);
  clock->advance(9.5);
  (void)identity->appInstanceID();
  EXPECT_EQ(support->reads, 1);
  clock->advance(1);
  (void)identity->appInstanceID();
  EXPECT_EQ(support->reads, 2);
}

TEST_F(IdentityTest, TrackingStatusAndTheGate) {
  struct Case {
    bool present;
    bool hasStatus;
    std::uint64_t platformStatus;
    bool gate;
    std::uint64_t expected;
    bool idUsed;
  } cases[] = {
      {true, true, 0, false, Identity::kConsentNotDetermined, true},
      {true, true, 1, false, Identity::kConsentRestricted, true},
      {true, true, 2, true, Identity::kConsentDenied, false},
      {true, true, 3, true, Identity::kConsentAuthorized, true},
      {true, true, 7, false, Identity::kConsentUnavailable, true},
      {true, false, 0, true, Identity::kConsentUnavailable, false},
      {false, true, 3, true, Identity::kConsentUnsupported, true},
  };
  for (const auto& c : cases) {
    auto support = std::make_shared<FakeIdentitySupport>();
    support->present = c.present;
    support->hasStatus = c.hasStatus;
    support->status = c.platformStatus;
    support->deviceID = kFirstAdID;
    settings->attGate = c.gate;
    auto identity = launch(support);
    EXPECT_EQ(identity->appleConsentStatus(), c.expected) << c.platformStatus;
    EXPECT_EQ(identity->resettableDeviceID().has_value(), c.idUsed) << c.platformStatus;
    clock->advance(5);
  }

  platform::foundation::SystemFacts older = platform::foundation::SystemFacts::current();
  older.systemVersion = "13.7";
  platform::foundation::ScopedSystemFacts scoped(older);
  auto support = std::make_shared<FakeIdentitySupport>();
  support->status = 2;
  support->deviceID = kFirstAdID;
  settings->attGate = true;
  auto identity = launch(support);
  EXPECT_EQ(identity->appleConsentStatus(), Identity::kConsentUnsupported);
  EXPECT_EQ(identity->resettableDeviceID(), kFirstAdID);
}

TEST_F(IdentityTest, OnLinuxNothingIsPresent) {
  platform::foundation::IdentityFacts::reset();
  auto identity = launch();
  EXPECT_FALSE(identity->hasLimitedAdTracking());
  EXPECT_EQ(identity->appleConsentStatus(), Identity::kConsentUnsupported);
  EXPECT_EQ(identity->resettableDeviceID(), std::nullopt);
  EXPECT_EQ(identity->identifierForVendor(), std::nullopt);
  EXPECT_TRUE(isAppInstanceID(identity->appInstanceID()));
  EXPECT_TRUE(DefaultIdentitySupport::sharedInstance()->limitedAdTracking());
  EXPECT_EQ(DefaultIdentitySupport::sharedInstance()->appDataConsentStatus(), ~std::uint64_t{0});
}

TEST_F(IdentityTest, VendorIDOnlyWithoutAnAdvertisingID) {
  IdentityFacts facts;
  facts.identifierForVendor = "E621E1F8-C36C-495A-93FC-0C247A3E6E5F";
  platform::foundation::ScopedIdentityFacts scoped(facts);
  auto support = std::make_shared<FakeIdentitySupport>();
  support->deviceID = kFirstAdID;
  auto identity = launch(support);
  EXPECT_EQ(identity->identifierForVendor(), std::nullopt);

  support->deviceID.reset();
  auto without = launch(support);
  EXPECT_EQ(without->identifierForVendor(), facts.identifierForVendor);
  ConsentSettings::setConsentSettings(Dictionary{{"analytics_storage", Value("denied")}});
  EXPECT_EQ(without->identifierForVendor(), std::nullopt);
  ConsentSettings::setConsentSettings(std::nullopt);

  writeInfo({{Identity::kIDFVCollectionEnabledKey, Value(false)}});
  EXPECT_EQ(launch(support)->identifierForVendor(), std::nullopt);
}

// The metadata reads everything at once; each value must be the one its own getter gives, under
// every consent, gate and collection setting.
TEST_F(IdentityTest, OneReadOfTheIdentifiersAgreesWithEachGetter) {
  IdentityFacts facts;
  facts.identifierForVendor = "E621E1F8-C36C-495A-93FC-0C247A3E6E5F";
  platform::foundation::ScopedIdentityFacts scoped(facts);
  struct Case {
    const char* what;
    std::optional<std::string> adID;
    const char* consent;
    bool gate;
    bool vendorCollection;
  } cases[] = {
      {"advertising ID", kFirstAdID, nullptr, false, true},
      {"none: the vendor ID", std::nullopt, nullptr, false, true},
      {"vendor collection off", std::nullopt, nullptr, false, false},
      {"analytics storage denied", std::nullopt, "analytics_storage", false, true},
      {"ad storage denied", kFirstAdID, "ad_storage", false, true},
      {"the gate closed", kFirstAdID, nullptr, true, true},
  };
  for (const auto& c : cases) {
    writeInfo({{Identity::kIDFVCollectionEnabledKey, Value(c.vendorCollection)}});
    ConsentSettings::setConsentSettings(c.consent ? std::optional(Dictionary{{c.consent, Value("denied")}})
                                                  : std::nullopt);
    settings->attGate = c.gate;
    auto support = std::make_shared<FakeIdentitySupport>();
    support->deviceID = c.adID;
    support->status = 2;
    auto identity = launch(support);
    identity->setAppIDFromDeDed("deded-1");
    const Identity::Identifiers read = identity->identifiers();
    EXPECT_EQ(read.appIDFromVMP, identity->appIDFromVMP()) << c.what;
    EXPECT_EQ(read.appIDFromDeDed, "deded-1") << c.what;
    EXPECT_EQ(read.iOS14OrAbove, identity->iOS14OrAbove()) << c.what;
    EXPECT_EQ(read.appleConsentStatus, identity->appleConsentStatus()) << c.what;
    EXPECT_EQ(read.hasLimitedAdTracking, identity->hasLimitedAdTracking()) << c.what;
    EXPECT_EQ(read.limitedAdTracking, identity->limitedAdTracking()) << c.what;
    EXPECT_EQ(read.resettableDeviceID, identity->resettableDeviceID()) << c.what;
    EXPECT_EQ(read.identifierForVendor, identity->identifierForVendor()) << c.what;
    EXPECT_EQ(read.appInstanceID, identity->appInstanceID()) << c.what;
    clock->advance(5);
  }
  ConsentSettings::setConsentSettings(std::nullopt);
}

TEST_F(IdentityTest, ARefreshWaitedForIsDoneWhenItReturns) {
  auto support = std::make_shared<FakeIdentitySupport>();
  support->deviceID = kFirstAdID;
  auto identity = launch(support);
  const auto first = identity->appInstanceID();
  clock->advance(5);
  support->deviceID = kSecondAdID;
  identity->updateIdentifiersAndWait();
  // Read past the identity's queue: the new advertising ID has already replaced the app instance ID.
  EXPECT_EQ(config->hashedResettableDeviceID(), md5HexString(kSecondAdID));
  EXPECT_NE(config->appInstanceID(), first);
  EXPECT_TRUE(isAppInstanceID(config->appInstanceID()));
}

TEST_F(IdentityTest, BundleFactsAndAppIDs) {
  ASSERT_TRUE(platform::foundation::PropertyList::writeFile(
      container.pathFor("VadezeService-Info.plist"), Value(Dictionary{{"VADEZE_APP_ID", Value("1:23:ios:ab")}}),
      platform::foundation::PropertyList::Format::Xml));
  auto identity = launch();
  EXPECT_EQ(identity->appID(), "com.ostrel.app");
  EXPECT_EQ(identity->appVersion(), "2.10");
  EXPECT_EQ(identity->appVersionMajor(), 2);
  EXPECT_EQ(identity->appVersionMinor(), 103);
  EXPECT_EQ(identity->appVersionRelease(), std::nullopt);
  EXPECT_EQ(identity->appIDFromVMP(), "1:23:ios:ab");
  EXPECT_EQ(identity->appIDFromDeDed(), "");

  identity->setAppIDFromVMP("");
  EXPECT_TRUE(monitor.logged(20005));
  identity->setAppIDFromVMP("1:23:ios:cd");
  identity->setAppIDFromVMP("1:23:ios:ef");
  identity->setAppIDFromDeDed("deded-1");
  identity->setAppIDFromDeDed("deded-2");
  EXPECT_EQ(identity->appIDFromVMP(), "1:23:ios:cd");
  EXPECT_EQ(identity->appIDFromDeDed(), "deded-1");

  EXPECT_EQ(Identity::initWithPersistedConfig(nullptr), nullptr);
  EXPECT_TRUE(monitor.logged(20004));
}

TEST_F(IdentityTest, FailedInstallationFetchKeepsTheKnownID) {
  auto identity = launch();
  EXPECT_EQ(identity->coreInstallationID(), "");
  identity->setCoreInstallationID(std::string("fid-1"));
  identity->setCoreInstallationID(std::nullopt);
  identity->setCoreInstallationID(std::string());
  EXPECT_EQ(identity->coreInstallationID(), "fid-1");
  identity->setCoreInstallationID(std::string("fid-2"));
  EXPECT_EQ(identity->coreInstallationID(), "fid-2");
}

TEST(IdentityVersionTest, NumericFieldsAndLibraryVersion) {
  struct Case {
    const char* version;
    std::vector<std::int32_t> fields;
    bool logs;
  } cases[] = {
      {"2.10b3", {2, 103}, true}, {"1..2", {1, 2}, false},       {"abc", {0}, true},
      {"", {}, false},             {"4.5.6.7", {4, 5, 6, 7}, false}, {"99999999999.1", {0, 1}, false},
  };
  for (const auto& c : cases) {
    ostrel::testing::MonitorScope fresh;
    EXPECT_EQ(Identity::numericFieldsFromAppVersionNumeric(c.version), c.fields) << c.version;
    EXPECT_EQ(fresh.logged(20002), c.logs) << c.version;
  }
  EXPECT_EQ(Identity::libraryVersionFromString("80700000"), 80700);
  EXPECT_EQ(Identity::libraryVersionFromString("123"), 0);
  EXPECT_GT(Identity::analyticsLibraryVersion(), 0);
  EXPECT_EQ(Identity::randomAppInstanceID().size(), 32u);
  EXPECT_NE(Identity::randomAppInstanceID(), Identity::randomAppInstanceID());
}

}  // namespace

}  // namespace sdk::analytics

