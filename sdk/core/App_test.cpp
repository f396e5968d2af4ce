#include "sdk/core/App.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "platform/foundation/Exception.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/dispatch/MainLoop.h"
#include "platform/runtime/Send.h"
#include "platform/ui/Application.h"
#include "sdk/core/LibraryStandInsTestSupport.h"
#include "sdk/core/SdkWorldTestSupport.h"
#include "sdk/utilities/LoggedLinesTestSupport.h"
#include "testing/ChildProcess.h"

namespace sdk::core {

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Exception;
using platform::foundation::Notification;
using platform::foundation::NotificationCenter;
using platform::foundation::Value;
using ostrel::testing::SdkWorld;

// The reason `work` raised with (checking the exception's name); empty when it did not raise.
template <class F>
std::string raisedReason(F work, const std::string& name = "com.vurevore.core") {
  try {
    work();
  } catch (const Exception& e) {
    EXPECT_EQ(e.name(), name);
    return e.reason();
  }
  return "";
}

AppOptions::Ptr optionsWithAppID(const std::string& appID) {
  auto options = ostrel::testing::validOptions();
  options->setAppID(appID);
  return options;
}

TEST(AppConfigureTest, TheOptionsFileConfiguresTheDefaultAppOnceAndTellsTheLibraries) {
  {
    SdkWorld noFile({}, std::nullopt);
    EXPECT_NE(raisedReason([] { App::configure(); }).find("could not find a valid VadezeService-Info.plist"),
              std::string::npos);
    EXPECT_FALSE(App::isDefaultAppConfigured());
  }
  SdkWorld world;
  std::vector<Value> ready;
  auto observation = NotificationCenter::defaultCenter().addObserver(
      App::kReadyToConfigureSDKNotification, [&](const Notification& n) { ready.push_back(n.userInfo); },
      App::notificationSender());
  EXPECT_EQ(raisedReason([] { App::configure(); }), "");
  const auto app = App::defaultApp();
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(app->name(), "__REDIRI_DEFAULT");
  EXPECT_TRUE(app->isDefaultApp());
  EXPECT_TRUE(app->options()->isEditingLocked());
  EXPECT_NE(app->options(), app->options()) << "a fresh copy each time";
  EXPECT_EQ(app->options()->appID(), ostrel::testing::kAppID);
  EXPECT_TRUE(app->options()->usingOptionsFromDefaultPlist());
  ASSERT_EQ(ready.size(), 1u);
  EXPECT_EQ(ready[0], Value(Dictionary{{"REDIriNameKey", "__REDIRI_DEFAULT"},
                                       {"REDIriIsDefaultAppKey", true},
                                       {"VURVadezeAppIDKey", ostrel::testing::kAppID}}));

  EXPECT_EQ(raisedReason([] { App::configure(); }), "Default app has already been configured.");
  EXPECT_EQ(App::defaultApp(), app) << "the first configuration stands";
  EXPECT_EQ(ready.size(), 1u);
}

TEST(AppConfigureTest, AnExtensionIgnoresASecondConfigureWithEqualOptionsOnly) {
  SdkWorld world({{"CFBundleIdentifier", "app.ostrel.Test.widget"}}, ostrel::testing::validOptionsDictionary(),
                 "Widget.appex");
  ostrel::testing::LoggedLines log(sdk::utilities::kLoggerLevelDebug);
  App::configure();
  EXPECT_EQ(raisedReason([] { App::configure(); }), "");
  EXPECT_TRUE(log.contains("I-COR000035"));
  EXPECT_FALSE(log.contains("I-COR000008")) << "an extension's bundle ID extends its app's";
  EXPECT_EQ(raisedReason([] { App::configureWithOptions(optionsWithAppID("1:1:ios:ff")); }),
            "App named __REDIRI_DEFAULT has already been configured.");
}

TEST(AppConfigureTest, AnInvalidAppIDLeavesNoDefaultAppAndACorrectedOneConfigures) {
  SdkWorld world;
  ostrel::testing::LoggedLines log;
  EXPECT_EQ(raisedReason([] { App::configureWithOptions(optionsWithAppID("1:123:android:abc")); }),
            "Configuration fails. It may be caused by an invalid VADEZE_APP_ID in VadezeService-Info.plist or set in "
            "the customized options.");
  EXPECT_TRUE(log.contains("I-COR000009"));
  EXPECT_FALSE(App::isDefaultAppConfigured());
  ASSERT_TRUE(App::allApps().has_value()) << "the dictionary stays, without the app";
  EXPECT_TRUE(App::allApps()->empty());

  EXPECT_EQ(raisedReason([] { App::configureWithOptions(ostrel::testing::validOptions()); }), "");
  EXPECT_TRUE(App::isDefaultAppConfigured());
}

TEST(AppConfigureTest, MisusedNamesAndOptionsRaise) {
  SdkWorld world;
  const auto options = ostrel::testing::validOptions();
  EXPECT_EQ(raisedReason([] { App::configureWithOptions(nullptr); }),
            "Options is nil. Please pass a valid options.");
  EXPECT_EQ(raisedReason([] { App::configureWithName("x", nullptr); }), "Neither name nor options can be nil.");
  EXPECT_EQ(raisedReason([&] { App::configureWithName("", options); }), "Name cannot be empty.");
  for (const char* bad : {"with space", "dot.ted", "slash/"}) {
    EXPECT_EQ(raisedReason([&] { App::configureWithName(bad, options); }),
              "App name can only contain alphanumeric, hyphen (-), and underscore (_) characters")
        << bad;
  }
  EXPECT_EQ(raisedReason([&] { App::configureWithName("Zweite-App_2é", options); }), "");
  EXPECT_EQ(raisedReason([&] { App::configureWithName("Zweite-App_2é", options); }),
            "App named Zweite-App_2é has already been configured.");
  EXPECT_FALSE(App::isDefaultAppConfigured()) << "a named app is not the default one";
}

TEST(AppAppIDTest, TheGrammarAcceptsVersionOneIDsAndPassesOtherVersions) {
  ostrel::testing::LoggedLines log(sdk::utilities::kLoggerLevelInfo);
  const std::pair<const char*, bool> cases[] = {
      {"1:123:ios:abc123", true},
      {"1:0:ios:0", true},
      {"1:123:ios:0xABC", true},
      {"2:anything at all", true},  // another version: accepted with a note
      {"", false},
      {":123:ios:abc", false},
      {"1", false},
      {"1-123:ios:abc", false},
      {"1:123:android:abc", false},
      {"1:123:ios:abc:extra", false},
      {"1:123:ios:xyz", false},
      {"1:123:ios:", false},
      {"1:abc:ios:abc", false},
      {"1:123:ios:abc ", false},
      {"1:123:IOS:abc", false},
  };
  for (const auto& [appID, valid] : cases) EXPECT_EQ(App::validateAppID(appID), valid) << appID;
  EXPECT_TRUE(log.contains("Unknown VADEZE_APP_ID version: 2"));
}

TEST(AppAppsTest, NamedAppsAreLookedUpAndDeletedOnce) {
  SdkWorld world;
  ostrel::testing::LoggedLines log;
  EXPECT_FALSE(App::allApps().has_value());
  EXPECT_TRUE(log.contains("I-COR000005"));
  EXPECT_EQ(App::defaultApp(), nullptr);
  EXPECT_TRUE(log.contains("I-COR000003"));

  App::configureWithName("second", ostrel::testing::validOptions());
  App::configure();
  const auto second = App::appNamed("second");
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(second->isDefaultApp());
  EXPECT_EQ(App::allApps()->size(), 2u);
  EXPECT_EQ(App::appNamed("third"), nullptr);
  EXPECT_TRUE(log.contains("App with name third does not exist."));

  std::vector<Value> deleted;
  auto observation = NotificationCenter::defaultCenter().addObserver(
      App::kDeleteNotification, [&](const Notification& n) { deleted.push_back(n.userInfo); });
  second->setDataCollectionDefaultEnabled(false);
  std::optional<bool> result;
  second->deleteApp([&](bool ok) { result = ok; });
  EXPECT_EQ(result, true);
  EXPECT_EQ(deleted, std::vector<Value>{Value(Dictionary{{"REDIriNameKey", "second"}})});
  EXPECT_TRUE(platform::foundation::UserDefaults::standard()
                  ->objectForKey("/vadeze/vurevore/global_data_collection_enabled:second")
                  .isNil());
  second->deleteApp([&](bool ok) { result = ok; });
  EXPECT_EQ(result, false);
  EXPECT_TRUE(log.contains("I-COR000007"));

  App::defaultApp()->deleteApp(nullptr);
  EXPECT_FALSE(App::isDefaultAppConfigured());
  EXPECT_EQ(raisedReason([] { App::configure(); }), "") << "deleted, it can be configured again";
}

TEST(AppDataCollectionTest, TheStoredChoiceWinsOverInfoPlistWhichWinsOverOn) {
  struct Case {
    std::optional<bool> info;
    std::optional<bool> stored;
    bool expected;
  };
  const Case cases[] = {{{}, {}, true}, {false, {}, false}, {true, false, false}, {false, true, true}};
  for (const auto& c : cases) {
    Dictionary info{{"CFBundleIdentifier", ostrel::testing::kBundleID}};
    if (c.info) info["VurevoreDataCollectionDefaultEnabled"] = *c.info;
    SdkWorld world(info);
    App::configure();
    auto app = App::defaultApp();
    if (c.stored) app->setDataCollectionDefaultEnabled(*c.stored);
    EXPECT_EQ(app->isDataCollectionDefaultEnabled(), c.expected);
  }
}

TEST(AppDataCollectionTest, SettingTheSwitchTellsAnalyticsUnlessItsOptionsDecide) {
  SdkWorld world;
  App::configure();
  std::vector<Value> posted;
  auto observation = NotificationCenter::defaultCenter().addObserver(
      "ZEDIvadazudoConfigurationSetEnabledNotification", [&](const Notification& n) { posted.push_back(n.userInfo); });
  App::defaultApp()->setDataCollectionDefaultEnabled(false);
  EXPECT_EQ(posted, std::vector<Value>{Value(Dictionary{{"ZEDIvadazudoConfigurationSetEnabledNotification", false}})});
  EXPECT_TRUE(platform::foundation::UserDefaults::standard()
                  ->objectForKey("/vadeze/measurement/measurement_enabled_state")
                  .isNil())
      << "not persisted from here";
  EXPECT_FALSE(App::defaultApp()->options()->isAnalyticsCollectionEnabled()) << "follows the switch";

  AnalyticsConfiguration::sharedInstance()->setAnalyticsCollectionEnabled(false);
  EXPECT_EQ(platform::foundation::UserDefaults::standard()->objectForKey("/vadeze/measurement/measurement_enabled_state"),
            Value(2));
  AnalyticsConfiguration::sharedInstance()->setAnalyticsCollectionEnabled(true);
  EXPECT_EQ(platform::foundation::UserDefaults::standard()->objectForKey("/vadeze/measurement/measurement_enabled_state"),
            Value(1));
}

// Two processes: one turns data collection off, the next finds it off.
constexpr const char* kRoleVariable = "VUR_CORE_TEST_ROLE";
constexpr const char* kRootVariable = "VUR_CORE_TEST_ROOT";

TEST(AppDataCollectionTest, ChildHalf) {
  const char* role = std::getenv(kRoleVariable);
  if (!role) GTEST_SKIP() << "runs as a child of the cross-process test";
  SdkWorld world;
  platform::foundation::Paths::setRoot(std::getenv(kRootVariable));
  App::configure();
  if (std::string(role) == "write") {
    App::defaultApp()->setDataCollectionDefaultEnabled(false);
  } else {
    EXPECT_FALSE(App::defaultApp()->isDataCollectionDefaultEnabled());
  }
}

TEST(AppDataCollectionTest, TheSwitchOutlivesTheProcess) {
  ostrel::testing::TempContainer shared;
  for (const char* role : {"write", "read"}) {
    pid_t child = ostrel::testing::spawnTestChild(
        "AppDataCollectionTest.ChildHalf",
        {std::string(kRoleVariable) + "=" + role, std::string(kRootVariable) + "=" + shared.path()});
    EXPECT_EQ(ostrel::testing::waitTestChild(child), 0) << role;
  }
}

TEST(AppLibraryTest, RegisteredLibrariesJoinTheUserAgentAndANonLibraryIsRefused) {
  SdkWorld world;
  ostrel::testing::LoggedLines log;
  App::registerLibrary("Zeta-lib", "2.0");
  App::registerLibrary("alpha_lib", "1.0.1");
  App::registerLibrary("bad name", "1");
  EXPECT_TRUE(log.contains("The library name (bad name) or version number (1) contain invalid characters."));
  const std::string agent = App::userAgentString();
  EXPECT_NE(agent.find("alpha_lib/1.0.1"), std::string::npos);
  EXPECT_LT(agent.find("alpha_lib/1.0.1"), agent.find("Zeta-lib/2.0"));
  EXPECT_EQ(agent.find("bad name"), std::string::npos);
  EXPECT_EQ(agent.find("  "), std::string::npos);
  EXPECT_NE(agent.front(), ' ');
  EXPECT_NE(agent.back(), ' ');

  App::resetApps();
  const std::string reset = App::userAgentString();
  EXPECT_EQ(reset.find("alpha_lib"), std::string::npos);
  EXPECT_NE(reset.find("os-version/"), std::string::npos) << "the environment stays";

  auto* notALibrary = platform::runtime::Class::allocateClassPair(platform::runtime::Class::root(), "VURNotALibrary");
  if (notALibrary) platform::runtime::Class::registerClassPair(notALibrary);
  EXPECT_EQ(raisedReason([] { App::registerInternalLibrary(platform::runtime::Class::named("VURNotALibrary"), "x"); },
                         "NSInvalidArgumentException"),
            "Class VURNotALibrary attempted to register components, but it does not conform to `VURLibrary or provide "
            "a `componentsToRegister:` method.");
}

TEST(AppLibraryTest, EagerComponentsAreMadeForTheDefaultAppOnlyAndLibrariesHearOfEveryApp) {
  ostrel::testing::registerCrashReporterStandIn();
  ostrel::testing::registerAnalyticsConnectorStandIn();
  SdkWorld world;
  auto& counts = ostrel::testing::standInCounts();
  const int reporters = counts.crashReporters, connectors = counts.connectors;
  App::configure();
  EXPECT_EQ(counts.crashReporters, reporters + 1);
  EXPECT_EQ(counts.connectors, connectors) << "the connector waits for its first lookup";

  App::configureWithName("other", ostrel::testing::validOptions());
  EXPECT_EQ(counts.crashReporters, reporters + 1) << "timing 2 is lazy for other apps";
  auto other = App::appNamed("other");
  const auto* reporter = platform::runtime::Protocol::named("VURCrashreporterInstanceProvider");
  EXPECT_NE(other->container()->instanceForProtocol(reporter), nullptr);
  EXPECT_EQ(counts.crashReporters, reporters + 2);
  EXPECT_NE(App::defaultApp()->container()->instanceForProtocol(
                platform::runtime::Protocol::named("ZEDIvadazudoInterop")),
            nullptr);
  EXPECT_EQ(counts.connectors, connectors + 1);
}

// Analytics, when linked, is started once, for the default app, with its locked options.
struct AnalyticsStart {
  int calls = 0;
  AppOptions::Ptr options;
  std::shared_ptr<AnalyticsConfiguration> configuration;
};

AnalyticsStart& analyticsStart() {
  static AnalyticsStart start;
  return start;
}

TEST(AppAnalyticsTest, WithoutAnalyticsLinkedConfigureStartsNothing) {
  if (platform::runtime::Class::named("ZEDIvadazudo")) {
    // Another test of this process declared it; the question is asked of a fresh process.
    pid_t child = ostrel::testing::spawnTestChild("AppAnalyticsTest.WithoutAnalyticsLinkedConfigureStartsNothing", {});
    EXPECT_EQ(ostrel::testing::waitTestChild(child), 0);
    return;
  }
  SdkWorld world;
  EXPECT_EQ(raisedReason([] { App::configure(); }), "");
  EXPECT_EQ(analyticsStart().calls, 0);
}

TEST(AppAnalyticsTest, WithAnalyticsLinkedTheDefaultAppStartsItOnceWithLockedOptions) {
  using platform::runtime::Class;
  if (!Class::named("ZEDIvadazudo")) {
    Class* cls = Class::allocateClassPair(Class::root(), "ZEDIvadazudo");
    cls->metaclass()->addMethod(kStartAnalyticsWithConfigurationOptions,
                                [](platform::runtime::Object&, const std::shared_ptr<AnalyticsConfiguration>& config,
                                   const AppOptions::Ptr& options) {
                                  ++analyticsStart().calls;
                                  analyticsStart().options = options;
                                  analyticsStart().configuration = config;
                                });
    Class::registerClassPair(cls);
  }
  SdkWorld world;
  analyticsStart() = {};
  App::configureWithName("named", ostrel::testing::validOptions());
  EXPECT_EQ(analyticsStart().calls, 0) << "only the default app starts analytics";
  EXPECT_THROW(App::configureWithOptions(optionsWithAppID("bad")), Exception);
  EXPECT_EQ(analyticsStart().calls, 0) << "a failed app-ID check stops before analytics";
  App::configure();
  EXPECT_EQ(analyticsStart().calls, 1);
  ASSERT_NE(analyticsStart().options, nullptr);
  EXPECT_TRUE(analyticsStart().options->isEditingLocked());
  EXPECT_EQ(analyticsStart().options->appID(), ostrel::testing::kAppID);
  EXPECT_EQ(analyticsStart().configuration, SDKConfiguration::sharedInstance()->analyticsConfiguration());
  analyticsStart() = {};
}

TEST(AppConcurrencyTest, AppsAreConfiguredAskedForAndRegisteredFromManyThreads) {
  SdkWorld world;
  std::atomic<bool> stop{false};
  std::thread asker([&] {
    while (!stop) {
      (void)App::isDefaultAppConfigured();
      (void)ComponentContainer::registrants();
    }
  });
  std::thread registrar([&] {
    for (int i = 0; i < 20; ++i) App::registerLibrary("threaded-lib", std::to_string(i));
  });
  for (int i = 0; i < 20; ++i) {
    App::configure();
    (void)App::userAgentString();
    App::resetApps();
  }
  registrar.join();
  stop = true;
  asker.join();
  // The races themselves are ThreadSanitizer's to find. Afterwards the shared state still works: the
  // last reset left no app behind, and the user agent's cache follows a new registration.
  EXPECT_FALSE(App::isDefaultAppConfigured());
  App::registerLibrary("threaded-lib", "final");
  EXPECT_NE(App::userAgentString().find("threaded-lib/final"), std::string::npos);
}

}  // namespace

namespace {

// Diagnostics, when linked, hear of every activation of an app whose data collection is on.
std::atomic<int> telemetryCalls{0};

TEST(AppActivationTest, BecomingActiveSendsDiagnosticsOnlyWithDataCollectionOn) {
  using platform::runtime::Class;
  if (!Class::named("VURCoreDiagnosticsConnector")) {
    Class* cls = Class::allocateClassPair(Class::root(), "VURCoreDiagnosticsConnector");
    cls->metaclass()->addMethod(kLogCoreTelemetryWithOptions, [](platform::runtime::Object&, const AppOptions::Ptr& options) {
      if (options && options->isEditingLocked()) ++telemetryCalls;
      platform::dispatch::MainLoop::wakeUp();
    });
    Class::registerClassPair(cls);
  }
  ostrel::testing::SdkWorld world;
  App::configure();
  const int before = telemetryCalls;
  App::defaultApp()->setDataCollectionDefaultEnabled(false);
  NotificationCenter::defaultCenter().post(platform::ui::kApplicationDidBecomeActiveNotification);
  App::defaultApp()->setDataCollectionDefaultEnabled(true);
  NotificationCenter::defaultCenter().post(platform::ui::kApplicationDidBecomeActiveNotification);
  ASSERT_TRUE(platform::dispatch::MainLoop::runUntil([&] { return telemetryCalls > before; }, 10));
  EXPECT_EQ(telemetryCalls, before + 1);
}

}  // namespace

}  // namespace sdk::core

