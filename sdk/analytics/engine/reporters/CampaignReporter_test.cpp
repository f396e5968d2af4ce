#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/analytics/engine/reporters/CampaignReporter.h"

#include "platform/foundation/SystemFacts.h"
#include "platform/foundation/Utf8.h"
#include "platform/ui/Application.h"
#include "sdk/analytics/engine/ParkedCampaignLink.h"
#include "sdk/analytics/engine/reporters/CampaignTestSupport.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/foundation/UserDefaultsSuite.h"

namespace sdk::analytics {

namespace {

using namespace ostrel::testing;
using platform::foundation::Dictionary;
using platform::foundation::Value;
using sdk::analytics::CampaignReporter;

class CampaignReporterTest : public CampaignEngineTest {
 protected:
  void SetUp() override {
    startEngine();
    reporter = std::make_shared<CampaignReporter>(engine);
  }

  // The campaign step as the engine runs it for an opened link.
  void open(const std::string& url, const Dictionary& extras = {}, std::optional<std::int64_t> click = std::nullopt) {
    onWorker([&] { reporter->handleOpenURLOnWorkerQueue(url, click, environment.clock()->now(), extras); });
  }
  std::optional<AnalyticsEvent> onlyCampaign() {
    auto events = storedEvents("_cmp");
    EXPECT_EQ(events.size(), 1u);
    if (events.size() != 1) return std::nullopt;
    return events.front();
  }
  static std::string text(const AnalyticsEvent& event, const std::string& name) {
    auto found = event.parameters().find(name);
    return found == event.parameters().end() ? "<none>" : found->second.stringValue();
  }

  std::shared_ptr<CampaignReporter> reporter;
};

TEST_F(CampaignReporterTest, OnlyLinksWithARequiredKeyAreCampaigns) {
  open("ostrel://open?utm_content=poster");
  EXPECT_TRUE(scope.logged(23001));
  open("ostrel://open");
  EXPECT_TRUE(scope.logged(23000));
  EXPECT_TRUE(storedEvents("_cmp").empty());

  open("ostrel://open?utm_content=poster&utm_source=festival&unknown=x#frame");
  auto event = onlyCampaign();
  ASSERT_TRUE(event);
  EXPECT_FALSE(event->isPublic());
  EXPECT_EQ(text(*event, "source"), "festival");
  EXPECT_EQ(text(*event, "content"), "poster");
  EXPECT_FALSE(event->parameters().contains("unknown"));
}

TEST_F(CampaignReporterTest, TheQueryWinsOverExtrasAndNumbersAndClickTimeGoIn) {
  persisted->setFirstOpenTimestampMilliseconds(static_cast<std::int64_t>(environment.clock()->now() * 1000) + 5000);
  open("ostrel://open?utm_source=query&utm_medium=",
       {{"utm_source", Value("extra")}, {"utm_campaign", Value("winter")}, {"_cc", Value(std::int64_t{7})},
        {"ignored", Value(Dictionary{})}},
       1699990000000);
  auto event = onlyCampaign();
  ASSERT_TRUE(event);
  EXPECT_EQ(text(*event, "source"), "query");
  EXPECT_EQ(text(*event, "campaign"), "winter");
  EXPECT_FALSE(event->parameters().contains("medium"));  // empty values are left out
  EXPECT_EQ(event->parameters().at("_cc").int64Value(), 7);
  EXPECT_EQ(event->parameters().at("click_timestamp").int64Value(), 1699990000000);
  // Opened before the first open was recorded: the event keeps to the first-open time.
  EXPECT_DOUBLE_EQ(event->timestamp(), environment.clock()->now() + 5);
}

TEST_F(CampaignReporterTest, ClickIdentifiers) {
  auto facts = platform::foundation::SystemFacts::current();
  facts.systemVersion = "17.4";  // a system with the tracking prompt
  platform::foundation::ScopedSystemFacts withPrompt(facts);
  support->deviceID.reset();
  support->status = Identity::kConsentDenied;
  startEngine();
  reporter = std::make_shared<CampaignReporter>(engine);
  open("ostrel://open?gclid=G1&gbraid=B1&utm_source=ads");
  auto event = onlyCampaign();
  ASSERT_TRUE(event);
  EXPECT_FALSE(event->parameters().contains("gclid"));
  EXPECT_EQ(text(*event, "gbraid"), "B1");
  auto stored = ostrel::testing::succeeded(engine->database()->userAttributeWithName("_gbraid"));
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->value.stringValue(), "B1");
  EXPECT_EQ(stored->origin, "auto");

  support->status = Identity::kConsentAuthorized;
  startEngine();
  reporter = std::make_shared<CampaignReporter>(engine);
  open("ostrel://open?gclid=G2");
  ASSERT_EQ(storedEvents("_cmp").size(), 2u);
  EXPECT_EQ(text(storedEvents("_cmp").back(), "gclid"), "G2");
}

TEST_F(CampaignReporterTest, UntrustedValuesAreCutAndAnOversizedClickIdentifierIsNotStored) {
  std::string longCampaign;
  for (int i = 0; i < 150; ++i) longCampaign += "\xC3\xA9";  // "é", two bytes each
  const std::string longClick(300, 'b');
  open("ostrel://open?utm_campaign=" + longCampaign + "&gbraid=" + longClick);
  auto event = onlyCampaign();
  ASSERT_TRUE(event);
  const std::string campaign = text(*event, "campaign");
  EXPECT_EQ(platform::foundation::Utf8::length(campaign), 100u);
  EXPECT_EQ(campaign.substr(campaign.size() - 3), "...");
  EXPECT_EQ(text(*event, "gbraid"), std::string(97, 'b') + "...");
  EXPECT_FALSE(ostrel::testing::succeeded(engine->database()->userAttributeWithName("_gbraid")));
  EXPECT_TRUE(scope.logged(23205));
}

TEST_F(CampaignReporterTest, LinksOpenedWhileRunningComeThroughTheWorkerQueueOnly) {
  onWorker([&] { reporter->handleNonFirstOpenEventURL("ostrel://open?utm_source=mail", 1); });
  settle();
  EXPECT_TRUE(scope.logged(23163));
  EXPECT_TRUE(storedEvents("_cmp").empty());

  engine->handleNonFirstOpenEventURL("ostrel://open?utm_source=mail", environment.clock()->now());
  settle();
  auto event = onlyCampaign();
  ASSERT_TRUE(event);
  EXPECT_EQ(text(*event, "source"), "mail");
}

TEST_F(CampaignReporterTest, AParkedLinkIsReportedOnceWithTheHourBeforeItWasParked) {
  auto& defaults = *UserDefaultsSuite::standardUserDefaults();
  environment.advance(1000);  // from 22:13:20 to 22:30:00 UTC
  sdk::analytics::parkCampaignLink(defaults, "ostrel://open?utm_source=poster");
  environment.advance(600);
  onWorker([&] { reporter->reportParkedLinkOnWorkerQueue(std::nullopt); });
  onWorker([&] { reporter->reportParkedLinkOnWorkerQueue(std::nullopt); });  // forgotten: nothing more
  auto event = onlyCampaign();
  ASSERT_TRUE(event);
  EXPECT_EQ(event->parameters().at("_cc").int64Value(), 1699995600000);  // 21:00:00
  EXPECT_EQ(text(*event, "source"), "poster");
  EXPECT_FALSE(sdk::analytics::parkedCampaignLink(defaults));
}

TEST_F(CampaignReporterTest, AnExpiredParkedLinkIsReportedAsNotSet) {
  auto& defaults = *UserDefaultsSuite::standardUserDefaults();
  sdk::analytics::parkCampaignLink(defaults, "ostrel://open?utm_source=poster");
  environment.advance(engine->components().remoteConfig()->attributionCacheTTLInterval() + 1);
  onWorker([&] { reporter->reportParkedLinkOnWorkerQueue(1700000000000 - 1); });
  auto expired = storedEvents("_cmpx");
  ASSERT_EQ(expired.size(), 1u);
  EXPECT_EQ(text(expired.front(), "source"), "(not set)");
  EXPECT_EQ(text(expired.front(), "medium"), "(not set)");
  EXPECT_EQ(expired.front().parameters().at("_cc").int64Value(), 1);
  EXPECT_EQ(expired.front().parameters().at("click_timestamp").int64Value(), 1700000000000 - 1);
  EXPECT_TRUE(storedEvents("_cmp").empty());
}

TEST(ParkedCampaignLink, LaunchLinksAreParkedUntilTheyExpire) {
  TempContainer container;
  MainThreadEnvironment environment;
  CampaignReporter::installFactory();
  auto& defaults = *UserDefaultsSuite::standardUserDefaults();
  sdk::analytics::forgetParkedCampaignLink(defaults);

  // A continued web-browsing activity wins over the plain URL of the same launch.
  platform::ui::UserActivity activity{"NSUserActivityTypeBrowsingWeb", "https://ostrel.example/p?utm_source=web", {}};
  Dictionary launch{
      {"UIApplicationLaunchOptionsURLKey", Value("ostrel://open?utm_source=scheme")},
      {"UIApplicationLaunchOptionsUserActivityDictionaryKey",
       Value(Dictionary{{"UIApplicationLaunchOptionsUserActivityKey",
                         Value(std::make_shared<platform::ui::UserActivityBox>(activity))}})}};
  platform::foundation::NotificationCenter::defaultCenter().post(platform::ui::kApplicationDidFinishLaunchingNotification,
                                                                 Value(launch));
  EXPECT_EQ(sdk::analytics::parkedCampaignLink(defaults), "https://ostrel.example/p?utm_source=web");
  launch.erase("UIApplicationLaunchOptionsUserActivityDictionaryKey");
  CampaignReporter::handleStoredURLAfterAppLaunchWithNotification(Value(launch));
  EXPECT_EQ(sdk::analytics::parkedCampaignLink(defaults), "ostrel://open?utm_source=scheme");

  EXPECT_FALSE(sdk::analytics::forgetParkedCampaignLinkIfExpired(defaults, 86400));
  environment.advance(86401);
  EXPECT_TRUE(sdk::analytics::isParkedCampaignLinkExpired(defaults, 86400));
  EXPECT_TRUE(sdk::analytics::forgetParkedCampaignLinkIfExpired(defaults, 86400));
  EXPECT_FALSE(sdk::analytics::parkedCampaignLink(defaults));

  // 10:30:00 gives 09:00:00; an exact hour still goes back a whole hour.
  EXPECT_EQ(sdk::analytics::campaignClickHour(37800000), 32400000);
  EXPECT_EQ(sdk::analytics::campaignClickHour(36000000), 32400000);
}

}  // namespace

}  // namespace sdk::analytics

