#include "sdk/installations/Installations.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Paths.h"
#include "platform/runtime/LoadHooks.h"
#include "sdk/core/LibraryStandInsTestSupport.h"
#include "sdk/installations/InstallationsErrors.h"
#include "sdk/installations/InstallationsTestSupport.h"
#include "sdk/utilities/LoggedLinesTestSupport.h"
#include "testing/ChildProcess.h"

namespace sdk::installations {

namespace {

using ostrel::testing::LoopbackResponse;
using platform::foundation::Dictionary;
using platform::foundation::Exception;
using platform::foundation::Value;

template <class F>
std::string raisedReason(F work) {
  try {
    work();
  } catch (const Exception& e) {
    EXPECT_EQ(e.name(), "com.vurevore.installations");
    return e.reason();
  }
  return "";
}

sdk::core::AppOptions::Ptr optionsWith(Dictionary changes) {
  Dictionary dictionary = ostrel::testing::validOptionsDictionary();
  for (auto& [key, value] : changes) {
    if (value.isNil()) {
      dictionary.erase(key);
    } else {
      dictionary[key] = value;
    }
  }
  return sdk::core::AppOptions::initInternalWithOptionsDictionary(dictionary);
}

TEST(InstallationsOptionsTest, MissingOptionsAndMalformedKeysAreNamedInOneMessage) {
  ostrel::testing::SdkWorld world;
  EXPECT_EQ(raisedReason([] { Installations(optionsWith({{"API_KEY", Value()}, {"PROJECT_ID", ""}}), "app"); }),
            "[Vurevore/Installations][I-FIS008000] Could not configure Vurevore Installations due to invalid "
            "VurevoreApp options. The following parameters are nil or empty: `VurevoreOptions.APIKey`, "
            "`VurevoreOptions.projectID`. If you use VadezeServices-Info.plist please download the most recent version "
            "from the Vurevore Console. If you configure Vurevore in code, please make sure you specify all required "
            "parameters.");
  EXPECT_NE(raisedReason([] { Installations(ostrel::testing::validOptions(), ""); }).find(
                "The following parameters are nil or empty: `VurevoreApp.name`."),
            std::string::npos);
  EXPECT_EQ(raisedReason([] { Installations(optionsWith({{"API_KEY", "Bshort+key-with-38-characters-00000000"}}), "app"); }),
            "[Vurevore/Installations][I-FIS008000] Could not configure Vurevore Installations due to invalid "
            "VurevoreApp options. `VurevoreOptions.APIKey` doesn't match the expected format: API Key length must be 39 "
            "characters, API Key must start with `A`, API Key must contain only base64 url-safe characters "
            "characters. If you use VadezeServices-Info.plist please download the most recent version from the "
            "Vurevore Console. If you configure Vurevore in code, please make sure you specify all required "
            "parameters.");
  EXPECT_EQ(Installations::validateAPIKey(ostrel::testing::kAPIKey), std::vector<std::string>{});
  EXPECT_EQ(Installations::validateAPIKey("A0123456789012345678901234567890123456é"), std::vector<std::string>{})
      << "39 characters (40 bytes), all of them letters or digits";
}

TEST(InstallationsOptionsTest, AnOldInstanceIDLibraryMustKnowTheNewService) {
  using platform::runtime::Class;
  ostrel::testing::SdkWorld world;
  Class* legacy = Class::named("VURInstanceID");
  if (!legacy) {
    legacy = Class::allocateClassPair(Class::root(), "VURInstanceID");
    Class::registerClassPair(legacy);
  }
  if (!legacy->metaclass()->instancesRespondTo("usesVIS")) {
    EXPECT_NE(raisedReason([] { Installations(ostrel::testing::validOptions(), "app"); })
                  .find("Vurevore Instance ID is not compatible with Vurevore 8.x+. Please remove the dependency from "
                        "the app. See the documentation at"),
              std::string::npos);
    legacy->metaclass()->addMethod(platform::runtime::Selector<bool()>{"usesVIS"}, [](platform::runtime::Object&) { return true; });
  }
  EXPECT_EQ(raisedReason([] { Installations(ostrel::testing::validOptions(), "app"); }), "");
}

class InstallationsComponentTest : public ::testing::Test {
 protected:
  InstallationsComponentTest() {
    platform::runtime::runLoadHooks();
    world.server.on("POST", ostrel::testing::installationsPath(), ostrel::testing::createdReply("refresh-secret", "token-secret"));
  }
  Dictionary optionsDictionary(const std::string& serviceURL) {
    Dictionary options = ostrel::testing::validOptionsDictionary();
    options[ServiceClient::kServiceURLOptionKey] = serviceURL;
    return options;
  }

  ostrel::testing::InstallationsWorld world;
};

TEST_F(InstallationsComponentTest, TheDefaultAppsComponentIsMadeAtConfigureWithoutARequest) {
  EXPECT_EQ(raisedReason([] { Installations::installations(); }),
            "The default VurevoreApp instance must be configured before the defaultVurevoreApp instance can be "
            "initialized. One way to ensure this is to call `VurevoreApp.configure()` in the App  Delegate's "
            "`application(_:didFinishLaunchingWithOptions:)` (or the `@main` struct's initializer in SwiftUI).");
  world.sdk.writePlist("VadezeService-Info.plist", Value(optionsDictionary(world.serviceURL())));
  ostrel::testing::registerCrashReporterStandIn();
  const int seenBefore = ostrel::testing::standInCounts().installationsSeen;
  sdk::core::App::configure();
  EXPECT_NE(sdk::core::App::userAgentString().find("vure-install/8.7.0"), std::string::npos);
  EXPECT_EQ(ostrel::testing::standInCounts().installationsSeen, seenBefore + 1)
      << "the crash reporter's eager component found the installations service in its container";
  auto installations = Installations::installations();
  ASSERT_NE(installations, nullptr);
  EXPECT_EQ(Installations::installations(), installations);
  platform::dispatch::MainLoop::runUntilIdle();
  EXPECT_EQ(world.server.requestCount(), 0u);

  std::vector<std::string> ids;
  auto record = [&](std::optional<std::string> id, std::optional<platform::foundation::Error> error) {
    EXPECT_FALSE(error.has_value());
    EXPECT_TRUE(platform::dispatch::MainLoop::isMainThread());
    ids.push_back(id.value_or(""));
  };
  installations->installationIDWithCompletion(record);
  installations->installationIDWithCompletion(record);
  EXPECT_TRUE(ids.empty()) << "never called inside the call";
  ASSERT_TRUE(platform::dispatch::MainLoop::runUntil([&] { return ids.size() == 2; }, 10));
  EXPECT_EQ(ids[0], ids[1]);
  EXPECT_EQ(ids[0].size(), 22u);

  std::optional<AuthTokenResult> token;
  installations->authTokenWithCompletion([&](auto result, auto) { token = result; });
  ASSERT_TRUE(platform::dispatch::MainLoop::runUntil([&] { return token.has_value(); }, 10));
  EXPECT_EQ(token->authToken, "token-secret");
  EXPECT_TRUE(sdk::promises::waitForPromisesWithTimeout(10));
  EXPECT_EQ(world.server.requestCount(), 1u) << "one registration served everything";
}

TEST_F(InstallationsComponentTest, FailuresOfOtherDomainsArriveWrappedAndNoSecretIsLogged) {
  std::string closed;
  {
    ostrel::testing::LoopbackServer gone;
    closed = gone.url("/");
  }
  ostrel::testing::LoggedLines log(sdk::utilities::kLoggerLevelDebug);
  Installations unreachable(sdk::core::AppOptions::initInternalWithOptionsDictionary(optionsDictionary(closed)), "offline");
  std::optional<platform::foundation::Error> failure;
  unreachable.installationIDWithCompletion([](auto, auto) {});
  unreachable.authTokenWithCompletion([&](auto, auto error) { failure = error; });
  ASSERT_TRUE(platform::dispatch::MainLoop::runUntil([&] { return failure.has_value(); }, 20));
  EXPECT_EQ(failure->domain, "com.vurevore.installations");
  EXPECT_EQ(failure->code, 0);
  ASSERT_TRUE(failure->underlyingError().has_value());
  EXPECT_EQ(failure->underlyingError()->domain, "NSURLErrorDomain");

  Installations online(sdk::core::AppOptions::initInternalWithOptionsDictionary(optionsDictionary(world.serviceURL())), "online");
  bool done = false;
  online.authTokenForcingRefresh(false, [&](auto, auto) { done = true; });
  ASSERT_TRUE(platform::dispatch::MainLoop::runUntil([&] { return done; }, 10));
  world.environment.advance(604800);
  world.server.on("POST", "", ostrel::testing::tokenReply("next-token-secret"));
  std::string fid;
  online.installationIDWithCompletion([&](auto id, auto) { fid = id.value_or(""); });
  ASSERT_TRUE(platform::dispatch::MainLoop::runUntil([&] { return !fid.empty(); }, 10));
  world.server.on("POST", ostrel::testing::installationsPath(fid + "/authTokens:generate"), ostrel::testing::tokenReply("next-token-secret"));
  done = false;
  online.authTokenForcingRefresh(true, [&](auto, auto) { done = true; });
  ASSERT_TRUE(platform::dispatch::MainLoop::runUntil([&] { return done; }, 10));
  EXPECT_TRUE(sdk::promises::waitForPromisesWithTimeout(10));

  EXPECT_TRUE(log.contains("I-FIS001001")) << "requests were logged";
  EXPECT_TRUE(log.contains("I-FIS001003"));
  for (const std::string& secret : {std::string(ostrel::testing::kAPIKey), std::string("refresh-secret"),
                                   std::string("token-secret")}) {
    for (const auto& line : log.messages()) EXPECT_EQ(line.find(secret), std::string::npos) << line;
  }
}

// Two launches: the first makes and registers the ID, the second (a new process) finds it.
constexpr const char* kFIDVariable = "VUR_INSTALLATIONS_TEST_FID";
constexpr const char* kRootVariable = "VUR_INSTALLATIONS_TEST_ROOT";

TEST_F(InstallationsComponentTest, SecondLaunchHalf) {
  const char* expected = std::getenv(kFIDVariable);
  if (!expected) GTEST_SKIP() << "runs as a child of the two-launch test";
  platform::foundation::Paths::setRoot(std::getenv(kRootVariable));
  Installations installations(sdk::core::AppOptions::initInternalWithOptionsDictionary(optionsDictionary(world.serviceURL())), "app");
  std::string fid;
  installations.installationIDWithCompletion([&](auto id, auto) { fid = id.value_or("(none)"); });
  ASSERT_TRUE(platform::dispatch::MainLoop::runUntil([&] { return !fid.empty(); }, 10));
  EXPECT_TRUE(sdk::promises::waitForPromisesWithTimeout(10));
  EXPECT_EQ(fid, expected);
  EXPECT_EQ(world.server.requestCount(), 0u);
}

TEST_F(InstallationsComponentTest, TheIDOutlivesTheProcess) {
  std::string fid;
  {
    Installations installations(sdk::core::AppOptions::initInternalWithOptionsDictionary(optionsDictionary(world.serviceURL())), "app");
    installations.installationIDWithCompletion([&](auto id, auto) { fid = id.value_or("(none)"); });
    ASSERT_TRUE(platform::dispatch::MainLoop::runUntil([&] { return !fid.empty(); }, 10));
    EXPECT_TRUE(sdk::promises::waitForPromisesWithTimeout(10));
  }
  ASSERT_EQ(world.server.requestCount(), 1u);
  pid_t child = ostrel::testing::spawnTestChild(
      "InstallationsComponentTest.SecondLaunchHalf",
      {std::string(kFIDVariable) + "=" + fid, std::string(kRootVariable) + "=" + platform::foundation::Paths::root()});
  EXPECT_EQ(ostrel::testing::waitTestChild(child), 0);
}

}  // namespace

}  // namespace sdk::installations

