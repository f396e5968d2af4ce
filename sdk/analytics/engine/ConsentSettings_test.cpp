#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/analytics/engine/ConsentSettings.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/PropertyList.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/engine/IdentityTestSupport.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Value;
using ostrel::testing::ScopedIdentitySettings;
using Consent = ConsentSettings;

class ConsentTest : public ::testing::Test {
 protected:
  void SetUp() override { settings = ScopedIdentitySettings::install(); }
  void TearDown() override { ScopedIdentitySettings::uninstall(); }
  std::shared_ptr<ScopedIdentitySettings> settings;
};

TEST_F(ConsentTest, SignalsSpellEachStorage) {
  EXPECT_EQ(Consent::consentSignals(), "G1--");
  EXPECT_FALSE(Consent::isAdStorageDenied());
  EXPECT_FALSE(Consent::isAnalyticsStorageDenied());

  struct Case {
    Dictionary settings;
    const char* signals;
    bool adDenied;
    bool analyticsDenied;
  } cases[] = {
      {{{"ad_storage", Value("denied")}}, "G10-", true, false},
      {{{"ad_storage", Value("granted")}, {"analytics_storage", Value("granted")}}, "G111", false, false},
      {{{"ad_storage", Value("DENIED")}, {"analytics_storage", Value("Denied")}}, "G100", true, true},
      {{{"ad_storage", Value(0)}, {"analytics_storage", Value("maybe")}}, "G1--", false, false},
      {{{"analytics_storage", Value("denied")}}, "G1-0", false, true},
  };
  for (const auto& c : cases) {
    Consent::setConsentSettings(c.settings);
    EXPECT_EQ(Consent::consentSignals(), c.signals);
    EXPECT_EQ(Consent::isAdStorageDenied(), c.adDenied) << c.signals;
    EXPECT_EQ(Consent::isAnalyticsStorageDenied(), c.analyticsDenied) << c.signals;
  }
}

TEST_F(ConsentTest, RemoteSwitchesSilenceConsent) {
  Consent::setConsentSettings(Dictionary{{"ad_storage", Value("denied")}, {"analytics_storage", Value("denied")}});
  settings->consent3PEnabled = false;
  EXPECT_FALSE(Consent::consentSignals());
  EXPECT_TRUE(Consent::isAdStorageDenied());

  settings->consent3PEnabled = true;
  settings->consentEnabled = false;
  EXPECT_FALSE(Consent::consentSignals());
  EXPECT_FALSE(Consent::isAdStorageDenied());
  EXPECT_FALSE(Consent::isAnalyticsStorageDenied());
  EXPECT_FALSE(Consent::didWithdrawPreviousConsent(Value(Dictionary{})));
}

TEST_F(ConsentTest, SourcePriorityAndClearing) {
  // What the facade does: a setting replaces the current one only from a source that wins or ties.
  auto apply = [](const Dictionary& settings, std::int64_t source) {
    if (!Consent::isConsentSourceHigherPriority(source)) return false;
    Consent::setConsentSettings(settings);
    Consent::setConsentSource(source);
    return true;
  };
  EXPECT_TRUE(apply({{"ad_storage", Value("granted")}}, Consent::kSourceInternal));
  EXPECT_TRUE(apply({{"ad_storage", Value("denied")}}, Consent::kSourcePublic));
  EXPECT_FALSE(apply({{"ad_storage", Value("granted")}}, Consent::kSourceInternal));
  EXPECT_TRUE(Consent::isAdStorageDenied());
  EXPECT_EQ(Consent::consentSource(), Consent::kSourcePublic);
  EXPECT_TRUE(apply({{"analytics_storage", Value("granted")}}, Consent::kSourcePublic));

  Consent::setConsentSettings(std::nullopt);
  EXPECT_EQ(Consent::consentSource(), Consent::kSourceNone);
  EXPECT_FALSE(Consent::consentSettings());
  EXPECT_TRUE(apply({{"ad_storage", Value("granted")}}, Consent::kSourceInternalStored));
}

TEST_F(ConsentTest, UpdateMergesOverCurrentSettings) {
  Consent::setConsentSettings(Dictionary{{"ad_storage", Value("granted")}, {"analytics_storage", Value("granted")}});
  Consent::updateSettings({{"analytics_storage", Value("denied")}});
  Dictionary expected{{"ad_storage", Value("granted")}, {"analytics_storage", Value("denied")}};
  EXPECT_EQ(Consent::consentSettings(), expected);
  EXPECT_EQ(Consent::description(), "ad_storage is granted. analytics_storage is denied.");
  Consent::setConsentSettings(std::nullopt);
  EXPECT_EQ(Consent::description(), "ad_storage is granted. analytics_storage is granted.");
}

TEST_F(ConsentTest, WithdrawalIsANewDenial) {
  struct Case {
    Value previous;
    std::optional<Dictionary> current;
    bool withdrawn;
  } cases[] = {
      {Value(Dictionary{{"analytics_storage", Value("granted")}}), Dictionary{{"analytics_storage", Value("denied")}},
       true},
      {Value(Dictionary{{"analytics_storage", Value("denied")}}), Dictionary{{"analytics_storage", Value("granted")}},
       false},
      {Value(), Dictionary{{"ad_storage", Value("DENIED")}}, true},
      {Value(Dictionary{{"ad_storage", Value("denied")}}), Dictionary{{"ad_storage", Value("denied")}}, false},
      {Value("not a dictionary"), Dictionary{{"ad_storage", Value("denied")}}, false},
      {Value(Dictionary{}), std::nullopt, false},
      {Value(Dictionary{{"ad_storage", Value("denied")}}),
       Dictionary{{"ad_storage", Value("denied")}, {"analytics_storage", Value("denied")}}, true},
  };
  for (const auto& c : cases) {
    Consent::setConsentSettings(c.current);
    EXPECT_EQ(Consent::didWithdrawPreviousConsent(c.previous), c.withdrawn) << c.previous.description();
  }
}

TEST_F(ConsentTest, DefaultsComeFromTheInfoPlist) {
  ostrel::testing::TempContainer container;
  std::string previous = platform::foundation::Bundle::setMainPath(container.path());
  Dictionary info{{Consent::kDefaultAllowAdStorageKey, Value(false)},
                  {Consent::kDefaultAllowAnalyticsStorageKey, Value("YES")}};
  ASSERT_TRUE(platform::foundation::PropertyList::writeFile(container.pathFor("Info.plist"), Value(info),
                                                            platform::foundation::PropertyList::Format::Xml));
  EXPECT_EQ(Consent::consentSettingsFromPlist(), (Dictionary{{"ad_storage", Value("denied")}}));
  platform::foundation::Bundle::setMainPath(previous);

  Value anyDictionary(Dictionary{{"ad_storage", Value(7)}, {"other", Value("x")}});
  EXPECT_EQ(Consent::consentSettingsFromDictionary(anyDictionary), (Dictionary{{"ad_storage", Value(7)}}));
}

// GCC 12 reports an overlapping copy inside libstdc++'s own string code here, which it cannot make.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
TEST_F(ConsentTest, WritesFromManyThreadsAreSeenInOrder) {
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([i] {
      for (int n = 0; n < 50; ++n) {
        std::string key = "k" + std::to_string(i);
        Consent::updateSettings({{key, Value(n)}});
        auto seen = Consent::consentSettings();
        ASSERT_TRUE(seen);
        EXPECT_EQ((*seen)[key], Value(n));
        (void)Consent::isAdStorageDenied();
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(Consent::consentSettings()->size(), 4u);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

TEST(ConsentRemoteConfigTest, TheEngineSettingsDecide) {
  ostrel::testing::TempContainer container;
  ConsentSettings::setConsentSettings(Dictionary{{"ad_storage", Value("denied")}});
  // Before the engine installs its settings the defaults answer: consent on, signals on.
  EXPECT_TRUE(Consent::isAdStorageDenied());
  EXPECT_EQ(Consent::consentSignals(), "G10-");
  EXPECT_EQ(sdk::analytics::IdentitySettings::current()->adIDCacheTime(), 1);

  auto database = ostrel::testing::succeeded(MeasurementDatabase::initWithDatabaseName(
      MeasurementDatabase::kDatabaseName, std::make_shared<PersistedConfig>()));
  ASSERT_TRUE(database);
  // The engine makes its settings on its worker queue, where they read what is stored.
  std::shared_ptr<RemoteConfig> remoteConfig;
  platform::dispatch::Queue::serial("test.worker")->sync(
      [&] { remoteConfig = RemoteConfig::initWithAppID("1:23:ios:ab", database); });
  ASSERT_TRUE(remoteConfig);
  auto configuration = ProtoMeasurementConfig::make();
  nanoSetString(*configuration, 1, std::string("1:23:ios:ab"));
  for (auto [name, value] : {std::pair{"measurement.api.consent_settings", "0"},
                             std::pair{"measurement.ad_id_cache_time", "60000"}}) {
    auto setting = ProtoSetting::make();
    nanoSetString(*setting, 0, std::string(name));
    nanoSetString(*setting, 1, std::string(value));
    nanoAddMessage(*configuration, 3, *setting);
  }
  remoteConfig->parseRemoteConfigFromMeasurementConfig(*configuration);
  sdk::analytics::IdentitySettings::setCurrent(sdk::analytics::IdentitySettings::fromRemoteConfig(remoteConfig));
  EXPECT_FALSE(Consent::isAdStorageDenied());
  EXPECT_FALSE(Consent::consentSignals());
  EXPECT_EQ(sdk::analytics::IdentitySettings::current()->adIDCacheTime(), 60);
  ScopedIdentitySettings::uninstall();
}

}  // namespace

}  // namespace sdk::analytics

