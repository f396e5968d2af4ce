#include "sdk/analytics/engine/reporters/SearchAdReporter.h"

#include <atomic>

#include "platform/store/AdAttributionClient.h"
#include "sdk/analytics/engine/reporters/ReporterTestSupport.h"
#include "sdk/analytics/foundation/Alarm.h"

namespace sdk::analytics {

namespace {

using namespace ostrel::testing;
using platform::foundation::Dictionary;
using platform::foundation::Value;

// The device's attribution service as a test scripts it: every request is answered at once with the
// scripted details (or error).
class FakeAttributionClient final : public platform::store::AdAttributionClient {
 public:
  void requestAttributionDetails(Completion completion) override {
    ++requests;
    completion(details, error);
  }
  static Dictionary answer(const char* attributed, const char* campaignID, const char* campaign, const char* term) {
    return {{"Version3.1", Value(Dictionary{{"iad-attribution", Value(attributed)},
                                            {"iad-campaign-id", Value(campaignID)},
                                            {"iad-campaign-name", Value(campaign)},
                                            {"iad-keyword", Value(term)}})}};
  }

  std::atomic<int> requests{0};
  std::optional<Dictionary> details;
  std::optional<platform::foundation::Error> error;
};

class SearchAdReporterTest : public ReporterTestBase {
 protected:
  SearchAdReporterTest() { platform::store::AdAttributionClient::setSharedClient(client); }
  ~SearchAdReporterTest() override { platform::store::AdAttributionClient::setSharedClient(nullptr); }

  std::shared_ptr<SearchAdReporter> startReporter() {
    auto reporter = SearchAdReporter::initWithWorkerQueue(worker, persisted);
    if (reporter) {
      worker->sync([&] {
        reporter->setSearchAdReporterEnabled(true);
        reporter->start();
      });
      settle();
    }
    return reporter;
  }
  // Lets the clock run and the worker queue finish what came due.
  void advance(double seconds) {
    environment.advance(seconds);
    settle();
  }
  void settle() { worker->sync([] {}); }

  std::shared_ptr<FakeAttributionClient> client = std::make_shared<FakeAttributionClient>();
  std::shared_ptr<platform::dispatch::Queue> worker = platform::dispatch::Queue::serial("test.worker");
};

TEST_F(SearchAdReporterTest, WithoutAServiceOnlyItsLineIsLogged) {
  platform::store::AdAttributionClient::setSharedClient(nullptr);
  auto reporter = startReporter();
  ASSERT_TRUE(reporter);
  advance(2 * SearchAdReporter::kLookupInterval);
  EXPECT_TRUE(scope.logged(32003));
  EXPECT_FALSE(scope.logged(32006));
  EXPECT_EQ(persisted->searchAdRetryCount(), 0);
  EXPECT_TRUE(host->events().empty());
}

TEST_F(SearchAdReporterTest, AnAttributedInstallIsReportedOnceWithTheClickBeforeTheFirstOpen) {
  persisted->setFirstOpenTimestampMilliseconds(1700000000000);
  client->details = FakeAttributionClient::answer("true", "1234567890", "Spring lenses", "anamorphic");
  auto reporter = startReporter();
  advance(0);  // the first lookup is due at once

  ASSERT_EQ(host->named("_cmp").size(), 1u);
  const auto event = host->named("_cmp").front();
  EXPECT_EQ(event.origin, "auto");
  EXPECT_EQ(event.parameters.at("source"), Value("Apple"));
  EXPECT_EQ(event.parameters.at("medium"), Value("search"));
  EXPECT_EQ(event.parameters.at("campaign"), Value("Spring lenses"));  // the placeholder ID alone is real
  EXPECT_EQ(event.parameters.at("term"), Value("anamorphic"));
  EXPECT_EQ(event.integer("click_timestamp"), 1699999999999);
  EXPECT_EQ(persisted->searchAdCampaignValue(), Value(true));

  // A late second answer is not reported again, and nothing more is asked.
  reporter->logCampaignEventWithSearchAdCampaign(true, "Spring lenses", "");
  EXPECT_TRUE(scope.logged(32008));
  advance(3 * SearchAdReporter::kLookupInterval);
  EXPECT_EQ(client->requests.load(), 1);
  EXPECT_EQ(host->named("_cmp").size(), 1u);

  // At the next start the stored answer means no reporter at all.
  EXPECT_EQ(SearchAdReporter::initWithWorkerQueue(worker, persisted), nullptr);
  EXPECT_TRUE(scope.logged(32002));
}

TEST_F(SearchAdReporterTest, PlaceholdersEmptyAnswersAndErrorsRetryADayLaterUpToTenLookups) {
  client->details = FakeAttributionClient::answer("true", "1234567890", "CampaignName", "");
  const double start = environment.clock()->now();
  auto reporter = startReporter();
  advance(0);
  EXPECT_TRUE(scope.logged(32012));
  EXPECT_EQ(persisted->searchAdRetryCount(), 1);
  EXPECT_DOUBLE_EQ(persisted->lastSearchAdLookUpTimestamp(), start);
  {
    // Reached through the alarm it arms; a fresh reporter made now would wait the same day.
    EXPECT_EQ(client->requests.load(), 1);
    advance(SearchAdReporter::kLookupInterval - 1);
    EXPECT_EQ(client->requests.load(), 1);
    advance(1);
    EXPECT_EQ(client->requests.load(), 2);
  }

  client->details = Dictionary{};
  advance(SearchAdReporter::kLookupInterval);
  client->details.reset();
  client->error = platform::foundation::Error{"test", 7, {}};
  advance(SearchAdReporter::kLookupInterval);
  EXPECT_TRUE(scope.logged(32010));
  EXPECT_EQ(client->requests.load(), 4);

  for (int day = 0; day < 20; ++day) advance(SearchAdReporter::kLookupInterval);
  EXPECT_EQ(client->requests.load(), 10);
  EXPECT_EQ(persisted->searchAdRetryCount(), 10);
  EXPECT_TRUE(scope.logged(32007));
  EXPECT_TRUE(host->events().empty());
  EXPECT_EQ(SearchAdReporter::initWithWorkerQueue(worker, persisted), nullptr);
}

TEST_F(SearchAdReporterTest, TheNextLookupWaitsForTheRestOfTheDay) {
  persisted->setLastSearchAdLookUpTimestamp(environment.clock()->now() - 3 * 3600);
  client->details = FakeAttributionClient::answer("true", "1", "Autumn", "");
  auto reporter = startReporter();
  advance(75600 - 1);
  EXPECT_EQ(client->requests.load(), 0);
  advance(1);
  EXPECT_EQ(client->requests.load(), 1);
}

TEST_F(SearchAdReporterTest, NotAttributedStoresNoAndReportsNothing) {
  client->details = FakeAttributionClient::answer("false", "1", "Autumn", "");
  auto reporter = startReporter();
  advance(0);
  EXPECT_EQ(persisted->searchAdCampaignValue(), Value(false));
  EXPECT_TRUE(host->events().empty());
  EXPECT_EQ(SearchAdReporter::initWithWorkerQueue(worker, persisted), nullptr);
}

TEST_F(SearchAdReporterTest, AFirstOpenOfOneMillisecondGivesNoClickTime) {
  persisted->setFirstOpenTimestampMilliseconds(1);
  auto reporter = SearchAdReporter::initWithWorkerQueue(worker, persisted);
  ASSERT_TRUE(reporter);
  reporter->logCampaignEventWithSearchAdCampaign(true, "", "");
  ASSERT_EQ(host->named("_cmp").size(), 1u);
  EXPECT_FALSE(host->named("_cmp").front().has("click_timestamp"));
  EXPECT_FALSE(host->named("_cmp").front().has("campaign"));
  EXPECT_TRUE(scope.logged(32009));
}

TEST_F(SearchAdReporterTest, SwitchingCollectionOffCancelsTheLookupAndOnAgainRearmsIt) {
  persisted->setLastSearchAdLookUpTimestamp(environment.clock()->now());
  client->details = FakeAttributionClient::answer("true", "1", "Autumn", "");
  auto reporter = startReporter();
  worker->sync([&] { reporter->setSearchAdReporterEnabled(false); });
  advance(2 * SearchAdReporter::kLookupInterval);
  EXPECT_EQ(client->requests.load(), 0);
  worker->sync([&] { reporter->setSearchAdReporterEnabled(true); });
  advance(0);
  EXPECT_EQ(client->requests.load(), 1);
  EXPECT_EQ(host->named("_cmp").size(), 1u);
}

}  // namespace

}  // namespace sdk::analytics

