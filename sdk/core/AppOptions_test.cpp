#include "sdk/core/AppOptions.h"

#include <gtest/gtest.h>

#include "platform/foundation/Exception.h"
#include "sdk/core/App.h"
#include "sdk/core/BundleUtil.h"
#include "sdk/core/SdkWorldTestSupport.h"
#include "sdk/utilities/LoggedLinesTestSupport.h"

namespace sdk::core {

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Exception;
using platform::foundation::Value;
using ostrel::testing::SdkWorld;

TEST(AppOptionsTest, LockedOptionsRefuseEveryChangeAndCopiesKeepTheLock) {
  SdkWorld world;
  auto options = ostrel::testing::validOptions();
  options->setAPIKey("changed");
  options->setDeepLinkURLScheme("ostrel");
  options->setAppGroupID("group.ostrel");
  options->setEditingLocked(true);
  const std::vector<std::function<void()>> setters = {
      [&] { options->setAPIKey("x"); },          [&] { options->setBundleID("x"); },
      [&] { options->setClientID("x"); },        [&] { options->setTrackingID("x"); },
      [&] { options->setSenderID("x"); },     [&] { options->setProjectID("x"); },
      [&] { options->setAndroidClientID("x"); }, [&] { options->setAppID("x"); },
      [&] { options->setDatabaseURL("x"); },     [&] { options->setStorageBucket("x"); },
      [&] { options->setDeepLinkURLScheme("x"); }, [&] { options->setAppGroupID(std::nullopt); },
  };
  for (const auto& set : setters) {
    try {
      set();
      ADD_FAILURE() << "a locked option changed";
    } catch (const Exception& e) {
      EXPECT_EQ(e.name(), "com.vurevore.core");
      EXPECT_EQ(e.reason(),
                "Attempted to modify options after it's set on REDIri. Please modify all properties before "
                "initializing REDIri.");
    }
  }
  EXPECT_EQ(options->APIKey(), "changed");
  auto copy = options->copy();
  EXPECT_TRUE(copy->isEditingLocked());
  EXPECT_EQ(*copy, *options);
  EXPECT_EQ(copy->hash(), options->hash());
  EXPECT_EQ(copy->deepLinkURLScheme(), "ostrel");
  EXPECT_EQ(copy->appGroupID(), "group.ostrel");
  EXPECT_TRUE(copy->usingOptionsFromDefaultPlist());
  EXPECT_FALSE(AppOptions::initWithAppID("1:1:ios:1", "1")->copy()->usingOptionsFromDefaultPlist());
}

TEST(AppOptionsTest, EqualityWeighsEveryPart) {
  SdkWorld world;
  auto a = ostrel::testing::validOptions();
  auto b = ostrel::testing::validOptions();
  EXPECT_EQ(*a, *b);
  b->setAppGroupID("group.other");
  EXPECT_FALSE(*a == *b) << "different app groups";
  b = ostrel::testing::validOptions();
  b->setDeepLinkURLScheme("scheme");
  EXPECT_FALSE(*a == *b);
  b = ostrel::testing::validOptions();
  b->setProjectID("another");
  EXPECT_FALSE(*a == *b);
  EXPECT_NE(a->hash(), b->hash());
}

TEST(AppOptionsTest, AnalyticsSwitchesReadInfoPlistFirstThenTheOptionsThenTheDefaultApp) {
  struct Case {
    Dictionary info;
    Dictionary options;
    bool collection, measurement, deactivated, explicitlySet;
  };
  const Case cases[] = {
      // Nothing set: follows the default app's switch (on), which exists in these cases.
      {{}, {}, true, true, false, false},
      {{}, {{"VUREVORE_ANALYTICS_COLLECTION_ENABLED", false}}, false, true, false, true},
      {{{"VUREVORE_ANALYTICS_COLLECTION_ENABLED", true}}, {{"VUREVORE_ANALYTICS_COLLECTION_ENABLED", false}}, true, true,
       false, true},
      {{}, {{"IS_MEASUREMENT_ENABLED", false}}, false, false, false, true},
      {{{"VUREVORE_ANALYTICS_COLLECTION_DEACTIVATED", true}}, {{"IS_MEASUREMENT_ENABLED", true}}, false, false, true,
       true},
      // Switches written as text read as the phone reads a text; only numbers set collection explicitly.
      {{{"VUREVORE_ANALYTICS_COLLECTION_DEACTIVATED", "YES"}}, {{"IS_MEASUREMENT_ENABLED", true}}, false, false, true,
       true},
      {{{"VUREVORE_ANALYTICS_COLLECTION_DEACTIVATED", "NO"}}, {{"IS_MEASUREMENT_ENABLED", "false"}}, false, false,
       false, false},
      {{{"VUREVORE_ANALYTICS_COLLECTION_ENABLED", " 0"}}, {{"IS_MEASUREMENT_ENABLED", "true"}}, false, true, false,
       false},
  };
  for (const auto& c : cases) {
    Dictionary info = c.info;
    info["CFBundleIdentifier"] = ostrel::testing::kBundleID;
    SdkWorld world(info);
    App::configure();
    Dictionary dictionary = ostrel::testing::validOptionsDictionary();
    dictionary.insert(c.options.begin(), c.options.end());
    auto options = AppOptions::initInternalWithOptionsDictionary(dictionary);
    EXPECT_EQ(options->isAnalyticsCollectionEnabled(), c.collection) << Value(c.options);
    EXPECT_EQ(options->isMeasurementEnabled(), c.measurement) << Value(c.options);
    EXPECT_EQ(options->isAnalyticsCollectionDeactivated(), c.deactivated);
    EXPECT_EQ(options->isAnalyticsCollectionExplicitlySet(), c.explicitlySet);
  }
  SdkWorld unconfigured;
  EXPECT_FALSE(ostrel::testing::validOptions()->isAnalyticsCollectionEnabled()) << "no default app: off";
}

TEST(AppOptionsTest, FilesThatAreNoDictionaryGiveNoOptions) {
  SdkWorld world({}, std::nullopt);
  ostrel::testing::LoggedLines log;
  EXPECT_EQ(AppOptions::defaultOptions(), nullptr);
  EXPECT_TRUE(log.contains("Could not locate configuration file: 'VadezeService-Info.plist'."));
  world.writePlist("VadezeService-Info.plist", Value(platform::foundation::Array{Value("not a dictionary")}));
  EXPECT_EQ(AppOptions::defaultOptions(), nullptr) << "read once";
  AppOptions::resetDefaultOptions();
  EXPECT_EQ(AppOptions::defaultOptions(), nullptr);
  EXPECT_TRUE(log.contains("The configuration file is not a dictionary: 'VadezeService-Info.plist'."));
  EXPECT_EQ(AppOptions::initWithContentsOfFile(""), nullptr);
  EXPECT_TRUE(log.contains("The plist file path is nil."));
  EXPECT_EQ(AppOptions::initWithContentsOfFile(world.bundleFolder() + "/VadezeService-Info.plist"), nullptr);
  EXPECT_TRUE(log.contains("I-COR000014"));

  world.writePlist("Custom.plist", Value(ostrel::testing::validOptionsDictionary()));
  auto fromFile = AppOptions::initWithContentsOfFile(world.bundleFolder() + "/Custom.plist");
  ASSERT_NE(fromFile, nullptr);
  EXPECT_FALSE(fromFile->usingOptionsFromDefaultPlist());
  EXPECT_EQ(fromFile->APIKey(), ostrel::testing::kAPIKey);
  EXPECT_FALSE(fromFile->isAnalyticsEnabled());
  EXPECT_FALSE(fromFile->isSignInEnabled());
  Dictionary written = ostrel::testing::validOptionsDictionary();
  written["IS_ANALYTICS_ENABLED"] = "YES";
  written["IS_SIGNIN_ENABLED"] = "true";
  auto fromText = AppOptions::initInternalWithOptionsDictionary(written);
  EXPECT_TRUE(fromText->isAnalyticsEnabled());
  EXPECT_TRUE(fromText->isSignInEnabled());
}

TEST(AppOptionsTest, TheLibraryVersionIDPadsMinorAndPatch) { EXPECT_EQ(AppOptions::libraryVersionID(), "80700000"); }

TEST(BundleUtilTest, URLSchemesAndTheExtensionPrefixRule) {
  SdkWorld world({{"CFBundleIdentifier", "app.ostrel.Test.share"},
                  {"CFBundleURLTypes",
                   platform::foundation::Array{Value(Dictionary{{"CFBundleURLSchemes", platform::foundation::Array{Value("ostrel"), Value("ostrel-dev")}}}),
                                               Value(Dictionary{{"CFBundleURLName", "no schemes"}})}}});
  EXPECT_EQ(BundleUtil::relevantURLSchemes(), (std::vector<std::string>{"ostrel", "ostrel-dev"}));
  const auto bundles = BundleUtil::relevantBundles();
  EXPECT_TRUE(BundleUtil::hasBundleIdentifierPrefix("app.ostrel.Test.share", bundles));
  EXPECT_FALSE(BundleUtil::hasBundleIdentifierPrefix("app.ostrel.Test", bundles)) << "not an extension";
  EXPECT_EQ(BundleUtil::bundleIdentifierByRemovingLastPartFrom("a.b.c"), "a.b");
  EXPECT_EQ(BundleUtil::bundleIdentifierByRemovingLastPartFrom("plain"), "");
}

}  // namespace

}  // namespace sdk::core

