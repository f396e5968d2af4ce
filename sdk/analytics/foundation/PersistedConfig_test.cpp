#include "sdk/analytics/foundation/PersistedConfig.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "sdk/analytics/foundation/EnvironmentInfo.h"
#include "sdk/analytics/foundation/KeychainWrapper.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/IdentityFacts.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/TimeWitnesses.h"
#include "sdk/analytics/foundation/UserDefaultsSuite.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/log/Log.h"
#include "platform/security/Keychain.h"
#include "testing/ChildProcess.h"
#include "testing/FileContents.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Value;

constexpr const char* kRoleVariable = "APM_PERSISTED_CONFIG_CHILD";

void writeEverything(PersistedConfig& config) {
  config.setMeasurementEnabledState(2);
  config.setLoadTimestampValue(1700000000.5);
  config.setAppIDFromVMP("1:123:ios:abc");
  config.setAppIDFromDeDed("deded");
  config.setAppInstanceID(std::string("instance"));
  config.setHashedResettableDeviceID(std::string("hash"));
  config.setShouldSetLastAdvertisingIDResetUserProperty(true);
  config.setFirstOpenTimestampMilliseconds(1700000000123);
  config.setAppVersion("2.1");
  config.setOSVersion("17.4");
  config.setAllowPersonalizedAds(Value(false));
  config.setSessionNumber(7);
  config.setLastSessionActivityClockTime(1700000100.25);
  config.setDefaultEventParameters(Dictionary{{"plan", Value("pro")}});
  config.setFeatureRollouts(Value(platform::foundation::Array{Value("r1")}));
  config.setUnmatchedFirstOpenWithoutIDFA(true);
  config.setLastSuccessfulUploadTimestamp(1.5);
  config.setLastFailedUploadTimestamp(2.5);
  config.setLastBackoffTimestamp(3.5);
  config.setConfigServerLastModifiedString("Tue, 01 Dec 2026 10:00:00 GMT");
  config.setLastMonitorDataSampledTimestamp(4.5);
  config.setSearchAdCampaignValue(Value(1));
  config.setLastSearchAdLookUpTimestamp(5.5);
  config.setSearchAdRetryCount(3);
  config.setDeferredDeepLinkRetrievalComplete(Value(true));
  config.setDeferredDeepLinkRetryCount(2);
}

void expectEverything(PersistedConfig& config) {
  EXPECT_EQ(config.measurementEnabledState(), 2);
  EXPECT_EQ(config.loadTimestampValue(), 1700000000.5);
  EXPECT_EQ(config.appIDFromVMP(), "1:123:ios:abc");
  EXPECT_EQ(config.appIDFromDeDed(), "deded");
  EXPECT_EQ(config.appInstanceID(), "instance");
  EXPECT_EQ(config.hashedResettableDeviceID(), "hash");
  EXPECT_TRUE(config.shouldSetLastAdvertisingIDResetUserProperty());
  EXPECT_EQ(config.firstOpenTimestampMilliseconds(), 1700000000123);
  EXPECT_EQ(config.appVersion(), "2.1");
  EXPECT_EQ(config.osVersion(), "17.4");
  EXPECT_EQ(config.allowPersonalizedAds(), Value(false));
  EXPECT_EQ(config.sessionNumber(), 7);
  EXPECT_EQ(config.lastSessionActivityClockTime(), 1700000100.25);
  EXPECT_EQ(config.defaultEventParameters(), (Dictionary{{"plan", Value("pro")}}));
  EXPECT_EQ(config.featureRollouts(), Value(platform::foundation::Array{Value("r1")}));
  EXPECT_TRUE(config.unmatchedFirstOpenWithoutIDFA());
  EXPECT_EQ(config.lastSuccessfulUploadTimestamp(), 1.5);
  EXPECT_EQ(config.lastFailedUploadTimestamp(), 2.5);
  EXPECT_EQ(config.lastBackoffTimestamp(), 3.5);
  EXPECT_EQ(config.configServerLastModifiedString(), "Tue, 01 Dec 2026 10:00:00 GMT");
  EXPECT_EQ(config.lastMonitorDataSampledTimestamp(), 4.5);
  EXPECT_EQ(config.searchAdCampaignValue(), Value(1));
  EXPECT_EQ(config.lastSearchAdLookUpTimestamp(), 5.5);
  EXPECT_EQ(config.searchAdRetryCount(), 3);
  EXPECT_EQ(config.deferredDeepLinkRetrievalComplete(), Value(true));
  EXPECT_EQ(config.deferredDeepLinkRetryCount(), 2);
}

TEST(PersistedConfigTest, AbsentValuesReadAsZeroOrNothing) {
  ostrel::testing::TempContainer container;
  PersistedConfig config;
  EXPECT_EQ(config.measurementEnabledState(), 0);
  EXPECT_FALSE(config.loadTimestampValue());
  EXPECT_EQ(config.appIDFromVMP(), "");
  EXPECT_FALSE(config.appInstanceID());
  EXPECT_TRUE(config.allowPersonalizedAds().isNil());
  EXPECT_FALSE(config.defaultEventParameters());
  EXPECT_EQ(config.firstOpenTimestampMilliseconds(), 0);
}

TEST(PersistedConfigTest, ValuesPersistAcrossInstancesAndClear) {
  ostrel::testing::TempContainer container;
  {
    PersistedConfig config;
    writeEverything(config);
    config.synchronizeToDisk();
  }
  PersistedConfig again;
  expectEverything(again);

  again.setSearchAdCampaignValue(Value("yes"));  // not a number: ignored
  EXPECT_EQ(again.searchAdCampaignValue(), Value(1));
  again.setAllowPersonalizedAds(Value("no"));
  EXPECT_EQ(again.allowPersonalizedAds(), Value(false));
  again.setAllowPersonalizedAds(Value());
  EXPECT_TRUE(again.allowPersonalizedAds().isNil());

  UserDefaultsSuite other(PersistedConfig::kSuiteName);
  other.setObject(Value("kept"), "someone else's key");
  again.clearValues();
  EXPECT_EQ(again.measurementEnabledState(), 0);
  EXPECT_FALSE(again.appInstanceID());
  EXPECT_EQ(other.objectForKey("someone else's key"), Value("kept"));
}

// The times the engine keeps witness how far the container's time has gone, for a start whose own
// record of it is lost: the latest of them, as the container's witnesses report it.
TEST(PersistedConfigTest, ItsLatestTimeWitnessesTheContainersTime) {
  ostrel::testing::TempContainer container;
  PersistedConfig config;
  EXPECT_FALSE(config.latestTimeKept(1e300));
  EXPECT_FALSE(platform::foundation::TimeWitnesses::latestNotAfter(1e300));
  config.setFirstOpenTimestampMilliseconds(1796688000500);
  config.setLastSessionActivityClockTime(1796693400);
  config.setLastSuccessfulUploadTimestamp(1796693460.25);
  config.setLastFailedUploadTimestamp(0);
  EXPECT_EQ(config.latestTimeKept(1e300), 1796693460.25);
  EXPECT_EQ(config.latestTimeKept(1796693459), 1796693400) << "a time past the bound, from a wrong clock";
  config.synchronizeToDisk();
  EXPECT_EQ(platform::foundation::TimeWitnesses::latestNotAfter(1e300), 1796693460.25);
  EXPECT_EQ(platform::foundation::TimeWitnesses::latestNotAfter(1796693400), 1796693400) << "bounded";
}

TEST(PersistedConfigChild, Write) {
  if (!std::getenv(kRoleVariable)) GTEST_SKIP() << "runs only as a child process";
  PersistedConfig config;
  writeEverything(config);
  // No synchronizeToDisk: the write-behind or the release must carry the values to disk.
}

TEST(PersistedConfigTest, ValuesWrittenByOneProcessAreReadByTheNext) {
  ostrel::testing::TempContainer container;
  pid_t child = ostrel::testing::spawnTestChild(
      "PersistedConfigChild.Write", {std::string(kRoleVariable) + "=1", "OSTREL_HOME=" + container.path()});
  ASSERT_EQ(ostrel::testing::waitTestChild(child), 0);
  PersistedConfig config;
  expectEverything(config);
}

TEST(PersistedConfigTest, MidnightOffsetIsDrawnOnceAndKept) {
  ostrel::testing::TempContainer container;
  double offset;
  {
    PersistedConfig config;
    offset = config.midnightOffset();
    EXPECT_GE(offset, 0);
    EXPECT_LT(offset, 86400);
    EXPECT_DOUBLE_EQ(offset * 1000, std::round(offset * 1000));  // millisecond grain
    EXPECT_EQ(config.midnightOffset(), offset);
    config.synchronizeToDisk();
  }
  PersistedConfig again;
  EXPECT_EQ(again.midnightOffset(), offset);
}

TEST(UserDefaultsTest, KindsStayDistinct) {
  ostrel::testing::TempContainer container;
  UserDefaultsSuite defaults("APMAnalyticsSuiteName");
  defaults.setInteger(3, "int");
  defaults.setDouble(3.5, "double");
  defaults.setBool(true, "bool");
  defaults.synchronize();
  UserDefaultsSuite again("APMAnalyticsSuiteName");
  EXPECT_TRUE(again.objectForKey("int").isInteger());
  EXPECT_TRUE(again.objectForKey("double").isReal());
  EXPECT_TRUE(again.objectForKey("bool").isBool());
  EXPECT_EQ(again.doubleForKey("double"), 3.5);
  again.removeObjectForKey("int");
  EXPECT_TRUE(again.objectForKey("int").isNil());
  EXPECT_EQ(again.integerForKey("missing"), 0);
  EXPECT_FALSE(again.boolForKey("missing"));
}

TEST(KeychainWrapperTest, UpsertAndRead) {
  ostrel::testing::TempContainer container;
  EXPECT_FALSE(KeychainWrapper::keychainValueWithIdentifier("_pfo", "com.example.app"));
  EXPECT_TRUE(KeychainWrapper::upsertKeychainValue("1", "_pfo", "com.example.app"));
  EXPECT_TRUE(KeychainWrapper::upsertKeychainValue("2", "_pfo", "com.example.app"));
  EXPECT_EQ(KeychainWrapper::keychainValueWithIdentifier("_pfo", "com.example.app"), "2");
  EXPECT_FALSE(KeychainWrapper::keychainValueWithIdentifier("_pfo", "com.example.other"));
}

// Any damage to the item's file: the write that follows keeps the file aside, names it and stores the
// fresh value, once; a second damage keeps its own copy beside the first.
TEST(KeychainWrapperTest, ADamagedItemIsKeptAsideAndTheFreshValueStored) {
  ostrel::testing::TempContainer container;
  platform::log::CapturedLines log;
  ASSERT_TRUE(KeychainWrapper::upsertKeychainValue("1", "_pfo", "com.example.app"));
  const auto itemFiles = [] {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(platform::security::Keychain::folder())) {
      if (entry.path().extension() == ".item") files.push_back(entry.path().string());
    }
    return files;
  };
  const auto files = itemFiles();
  ASSERT_EQ(files.size(), 1u);
  for (const std::string& damage : {std::string("bplist00 torn"), std::string()}) {
    ASSERT_TRUE(platform::foundation::AtomicFile::writeAtomically(files[0], damage, 0600).ok());
    log.clear();
    EXPECT_FALSE(KeychainWrapper::keychainValueWithIdentifier("_pfo", "com.example.app"));
    EXPECT_TRUE(KeychainWrapper::upsertKeychainValue("2", "_pfo", "com.example.app"));
    EXPECT_EQ(KeychainWrapper::keychainValueWithIdentifier("_pfo", "com.example.app"), "2");
    const auto kept = ostrel::testing::damagedCopiesOf(files[0]);
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(ostrel::testing::contentsOf(kept.back()), damage);
    EXPECT_TRUE(log.contains("kept as " + kept.back()));
    EXPECT_FALSE(log.contains("Unable to store keychain value"));
  }
  EXPECT_EQ(ostrel::testing::damagedCopiesOf(files[0]).size(), 2u);
  EXPECT_EQ(itemFiles().size(), 1u);
}

TEST(EnvironmentTest, FactsAreInjectableAndAbsentByDefault) {
  EnvironmentInfo machine = EnvironmentInfo::sharedInstance();
  EXPECT_FALSE(machine.userDefaultLanguage.empty());
  EnvironmentInfo::setShared(EnvironmentInfo{"iPhone15,2", "17.4", -300, "fr-CA"});
  EXPECT_EQ(EnvironmentInfo::sharedInstance().timeZoneOffsetMinutes, -300);
  EnvironmentInfo::setShared(std::nullopt);

  PlatformIdentitySupport identity = PlatformIdentitySupport::sharedInstance();
  EXPECT_FALSE(identity.hasAppDataConsentStatus);
  EXPECT_EQ(identity.appDataConsentStatus, PlatformIdentitySupport::kUnknownConsentStatus);
  EXPECT_FALSE(identity.resettableDeviceID);
  platform::foundation::IdentityFacts facts;
  facts.advertisingServicePresent = true;
  facts.advertisingTrackingEnabled = false;
  facts.advertisingIdentifier = "6D92078A-8246-4BA4-AE5B-76104861E7DC";
  facts.trackingAuthorizationServicePresent = true;
  facts.trackingAuthorizationStatus = 2;
  platform::foundation::ScopedIdentityFacts scoped(facts);
  identity = PlatformIdentitySupport::sharedInstance();
  EXPECT_TRUE(identity.hasLimitedAdTracking);
  EXPECT_TRUE(identity.limitedAdTracking);
  EXPECT_EQ(identity.resettableDeviceID, "6D92078A-8246-4BA4-AE5B-76104861E7DC");
  EXPECT_TRUE(identity.hasAppDataConsentStatus);
  EXPECT_EQ(identity.appDataConsentStatus, 2u);
}

TEST(EnvironmentTest, OptionsFileInTheMainBundle) {
  ostrel::testing::TempContainer container;
  std::string previous = platform::foundation::Bundle::setMainPath(container.path());
  EXPECT_EQ(InfoPlistFileUtil::serviceInfoPlistPath(), "");
  EXPECT_TRUE(InfoPlistFileUtil::dictionaryFromServiceInfoPlist().isNil());
  std::string path = container.pathFor("VadezeService-Info.plist");
  ASSERT_TRUE(platform::foundation::PropertyList::writeFile(path, Value(Dictionary{{"APP_ID", Value("1:2:ios:3")}}),
                                                            platform::foundation::PropertyList::Format::Xml));
  EXPECT_EQ(InfoPlistFileUtil::serviceInfoPlistPath(), path);
  EXPECT_EQ(InfoPlistFileUtil::dictionaryFromServiceInfoPlist()["APP_ID"], Value("1:2:ios:3"));
  platform::foundation::Bundle::setMainPath(previous);
}

}  // namespace

}  // namespace sdk::analytics

