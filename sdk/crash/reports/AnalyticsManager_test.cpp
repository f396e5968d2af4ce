#include "sdk/crash/reports/AnalyticsManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/foundation/Json.h"
#include "platform/log/Log.h"
#include "sdk/core/ComponentContainer.h"
#include "sdk/core/CoreLogger.h"
#include "sdk/utilities/Logger.h"
#include "sdk/crash/reports/CrashReporter.h"
#include "testing/TempContainer.h"

namespace sdk::crash {

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Value;

// Analytics as the crash reporter reaches it, recording the calls.
class RecordingAnalytics : public sdk::core::AnalyticsInterop {
 public:
  void logEventWithOrigin(const std::string& origin, const std::string& name,
                          const std::optional<Dictionary>& parameters) override {
    logged.push_back({origin, name, parameters.value_or(Dictionary{})});
  }
  void setUserPropertyWithOrigin(const std::string&, const std::string&, const Value&) override {}
  void getUserPropertiesWithCallback(std::function<void(const Dictionary&)>) override {}
  std::int64_t maxUserProperties(const std::string&) override { return 25; }
  void setConditionalUserProperty(const Dictionary&) override {}
  platform::foundation::Array conditionalUserProperties(const std::string&, const std::string&) override { return {}; }
  void clearConditionalUserProperty(const std::string&, const std::string&, const std::string&,
                                    const Dictionary&) override {}
  void registerAnalyticsListener(std::shared_ptr<sdk::core::AnalyticsInteropListener> listener,
                                 const std::string& origin) override {
    registrations.emplace_back(std::move(listener), origin);
  }
  void unregisterAnalyticsListenerWithOrigin(const std::string&) override {}

  struct Logged {
    std::string origin;
    std::string name;
    Dictionary parameters;
  };
  std::vector<Logged> logged;
  std::vector<std::pair<std::shared_ptr<sdk::core::AnalyticsInteropListener>, std::string>> registrations;
};

class CrashAnalyticsTest : public ::testing::Test {
 protected:
  void SetUp() override { sdk::core::resetCoreLoggerForTesting(); }
  // The connector keeps its listeners as the manager keeps the connector: both live for the process.
  void TearDown() override { analytics->registrations.clear(); }

  ostrel::testing::TempContainer container;
  platform::log::CapturedLines console;
  std::shared_ptr<RecordingAnalytics> analytics = std::make_shared<RecordingAnalytics>();
  std::shared_ptr<BreadcrumbLog> breadcrumbs = std::make_shared<BreadcrumbLog>();
};

TEST_F(CrashAnalyticsTest, EventsBecomeJSONBreadcrumbLines) {
  auto manager = std::make_shared<AnalyticsManager>(analytics, breadcrumbs);
  manager->registerAnalyticsListener();
  manager->registerAnalyticsListener();
  ASSERT_EQ(analytics->registrations.size(), 1u) << "once per manager";
  EXPECT_EQ(analytics->registrations[0].second, "clx");

  auto& listener = *analytics->registrations[0].first;
  listener.messageTriggered("level_up", {{"level", Value(3)}, {"hero", Value("Ada \"the\" first")}});
  listener.messageTriggered("bad", {{"ratio", Value(std::numeric_limits<double>::quiet_NaN())}});
  listener.messageTriggered("multi", {{"text", Value("two\nlines")}});

  const auto lines = BreadcrumbLog(breadcrumbs->path()).lines();
  ASSERT_EQ(lines.size(), 2u) << "the event that is not valid JSON is dropped";
  sdk::utilities::flushLogger();
  EXPECT_TRUE(console.contains("I-CRR000006"));
  for (const auto& line : lines) {
    ASSERT_TRUE(line.starts_with("$A$:")) << line;
    platform::foundation::Error error;
    const Value parsed = platform::foundation::Json::parse(line.substr(4), &error);
    ASSERT_TRUE(error.domain.empty()) << line;
    EXPECT_TRUE(parsed["parameters"].isDictionary());
  }
  EXPECT_EQ(platform::foundation::Json::parse(lines[0].substr(4))["parameters"]["hero"], Value("Ada \"the\" first"));
  EXPECT_EQ(platform::foundation::Json::parse(lines[1].substr(4))["parameters"]["text"], Value("two\nlines"));
}

TEST_F(CrashAnalyticsTest, TheCrashEventCarriesMillisecondsRounded) {
  AnalyticsManager::logCrashWithTimeStamp(1700000000.1235, analytics);
  AnalyticsManager::logCrashWithTimeStamp(1700000000.1234, nullptr);
  ASSERT_EQ(analytics->logged.size(), 1u);
  const auto& crash = analytics->logged[0];
  EXPECT_EQ(crash.origin, "clx");
  EXPECT_EQ(crash.name, "_ae");
  EXPECT_EQ(crash.parameters.at("timestamp"), Value(std::int64_t{1700000000124}));
  EXPECT_EQ(crash.parameters.at("fatal"), Value(1));
}

TEST_F(CrashAnalyticsTest, WithoutAnalyticsItSaysSoOnceAndDoesNothingElse) {
  // A container offering nothing: no analytics linked.
  sdk::core::ComponentContainer empty(nullptr, {});
  auto reporter = std::make_shared<CrashReporter>(empty, breadcrumbs);
  reporter->analyticsManager()->registerAnalyticsListener();
  sdk::utilities::flushLogger();
  std::size_t mentions = 0;
  for (const auto& line : console.lines()) mentions += line.message.find("I-CRR000004") != std::string::npos;
  EXPECT_EQ(mentions, 1u);
  EXPECT_FALSE(reporter->analytics());
  EXPECT_FALSE(reporter->hasInstallations());
  EXPECT_TRUE(breadcrumbs->lines().empty());
}

TEST_F(CrashAnalyticsTest, TheBreadcrumbLogKeepsTheNewestLinesAcrossLaunches) {
  for (int i = 0; i < 70; ++i) breadcrumbs->append("line " + std::to_string(i));
  breadcrumbs->append(std::string(10000, 'x'));
  const auto reopened = BreadcrumbLog(breadcrumbs->path()).lines();
  ASSERT_EQ(reopened.size(), BreadcrumbLog::kMaxLines);
  EXPECT_EQ(reopened.front(), "line 7");
  EXPECT_LE(reopened.back().size(), BreadcrumbLog::kMaxLineBytes);
}

TEST_F(CrashAnalyticsTest, OnlyTheDefaultAppGetsAReporter) {
  auto components = CrashReporter::componentsToRegister();
  ASSERT_EQ(components.size(), 1u);
  EXPECT_EQ(components[0]->instantiationTiming(), sdk::core::kInstantiationTimingEagerInDefaultApp);
  sdk::core::ComponentContainer noApp(nullptr, {});
  bool cacheable = false;
  EXPECT_FALSE(components[0]->creationBlock()(noApp, &cacheable));
}

}  // namespace

}  // namespace sdk::crash

