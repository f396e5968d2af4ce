#include "sdk/analytics/engine/LifetimeValueRecorder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/AnalyticsEvent.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Error;

class LifetimeValueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    database = ostrel::testing::succeeded(MeasurementDatabase::initWithDatabaseName(
        MeasurementDatabase::kDatabaseName, std::make_shared<PersistedConfig>()));
    ASSERT_TRUE(database);
  }

  static AnalyticsEvent event(const std::string& name, Parameters parameters) {
    return *AnalyticsEvent::create("app", name.front() != '_', name, 1, 0, std::move(parameters));
  }
  static AnalyticsEvent purchase(const std::string& name, AnalyticsValue value, const std::string& currency = "USD") {
    return event(name, {{"currency", AnalyticsValue(currency)}, {"value", std::move(value)}});
  }
  bool record(const AnalyticsEvent& e, std::int64_t maxCurrencies = 4) {
    return LifetimeValueRecorder::recordLifetimeValueToDatabase(*database, e, maxCurrencies);
  }
  std::optional<std::int64_t> total(const std::string& name) {
    auto attribute = ostrel::testing::succeeded(database->userAttributeWithName(name));
    if (!attribute) return std::nullopt;
    EXPECT_TRUE(attribute->value.isInt64());
    EXPECT_EQ(attribute->origin, "auto");
    return attribute->value.int64Value();
  }

  ostrel::testing::MonitorScope scope;
  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  std::shared_ptr<MeasurementDatabase> database;
};

TEST_F(LifetimeValueTest, PurchaseEventsAreTheIapAndTheEcommerceOnes) {
  for (auto [name, purchase, ecommerce] : {std::tuple{"_iap", true, false}, {"purchase", true, true},
                                           {"ecommerce_purchase", true, true}, {"refund", true, true},
                                           {"add_to_cart", false, false}, {"_f", false, false}}) {
    auto e = event(name, {});
    EXPECT_EQ(LifetimeValueRecorder::isPurchaseEvent(e), purchase) << name;
    EXPECT_EQ(LifetimeValueRecorder::isEcommercePurchaseEvent(e), ecommerce) << name;
  }
}

TEST_F(LifetimeValueTest, AmountsAddUpInMicrosPerUpperCaseCurrency) {
  ASSERT_TRUE(record(purchase("purchase", AnalyticsValue(9.99), "usd")));
  EXPECT_EQ(total("_ltv_USD"), 9990000);
  ASSERT_TRUE(record(purchase("ecommerce_purchase", AnalyticsValue(std::int64_t{2}))));
  EXPECT_EQ(total("_ltv_USD"), 11990000);
  ASSERT_TRUE(record(purchase("refund", AnalyticsValue(std::int64_t{5}))));
  EXPECT_EQ(total("_ltv_USD"), 6990000);
  // In-app purchases carry micros already; a double is cut, not rounded.
  ASSERT_TRUE(record(purchase("_iap", AnalyticsValue(std::int64_t{1980000}), "EUR")));
  ASSERT_TRUE(record(purchase("_iap", AnalyticsValue(10.9), "EUR")));
  EXPECT_EQ(total("_ltv_EUR"), 1980010);
  // Events that aren't purchases leave everything alone.
  ASSERT_TRUE(record(purchase("add_to_cart", AnalyticsValue(1.0), "GBP")));
  EXPECT_FALSE(total("_ltv_GBP"));
}

TEST_F(LifetimeValueTest, UnusableCurrencyOrValueKeepsTotalsAndTheEvent) {
  ASSERT_TRUE(record(purchase("purchase", AnalyticsValue(1.0))));
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  struct Case {
    AnalyticsEvent event;
    std::int64_t code;
  };
  std::vector<Case> cases{
      {purchase("purchase", AnalyticsValue(1.0), "US"), 22000},
      {purchase("purchase", AnalyticsValue(1.0), "USDX"), 22000},
      {event("purchase", {{"currency", AnalyticsValue(std::int64_t{840})}, {"value", AnalyticsValue(1.0)}}), 22000},
      {event("purchase", {{"value", AnalyticsValue(1.0)}}), 22000},
      {purchase("purchase", AnalyticsValue("1.0")), 22001},
      {event("purchase", {{"currency", AnalyticsValue("USD")}}), 22001},
      // Far beyond what micros can hold, and the values no amount can be.
      {purchase("purchase", AnalyticsValue(1e13)), 22002},
      {purchase("refund", AnalyticsValue(-1e13)), 22002},
      {purchase("purchase", AnalyticsValue(nan)), 22002},
      {purchase("_iap", AnalyticsValue(inf)), 22002},
      {purchase("_iap", AnalyticsValue(-inf)), 22002},
      {purchase("_iap", AnalyticsValue(9.3e18)), 22002},
  };
  for (const auto& c : cases) {
    ostrel::testing::MonitorScope local;
    EXPECT_TRUE(record(c.event)) << c.event.name() << " " << c.code;
    EXPECT_TRUE(local.logged(c.code)) << c.code;
    EXPECT_EQ(total("_ltv_USD"), 1000000);
  }
}

TEST_F(LifetimeValueTest, ARunningTotalThatWouldOverflowKeepsTheOldTotal) {
  const auto max = std::numeric_limits<std::int64_t>::max();
  ASSERT_TRUE(record(purchase("_iap", AnalyticsValue(max - 10))));
  ASSERT_TRUE(record(purchase("_iap", AnalyticsValue(std::int64_t{11}))));
  EXPECT_TRUE(scope.logged(22002));
  EXPECT_EQ(total("_ltv_USD"), max - 10);
  ASSERT_TRUE(record(purchase("_iap", AnalyticsValue(std::int64_t{10}))));
  EXPECT_EQ(total("_ltv_USD"), max);
}

TEST_F(LifetimeValueTest, ANewCurrencyBeyondTheLimitEvictsTheLeastRecentlySet) {
  for (const char* currency : {"USD", "EUR", "GBP", "JPY"}) {
    ASSERT_TRUE(record(purchase("purchase", AnalyticsValue(1.0), currency)));
    environment.advance(1);
  }
  // Setting USD again makes EUR the oldest.
  ASSERT_TRUE(record(purchase("purchase", AnalyticsValue(1.0), "USD")));
  environment.advance(1);
  ASSERT_TRUE(record(purchase("purchase", AnalyticsValue(1.0), "CHF")));
  EXPECT_FALSE(total("_ltv_EUR"));
  for (const char* kept : {"_ltv_USD", "_ltv_GBP", "_ltv_JPY", "_ltv_CHF"}) EXPECT_TRUE(total(kept)) << kept;
  EXPECT_EQ(total("_ltv_USD"), 2000000);

  // A lower limit from the settings evicts on the next new currency too.
  environment.advance(1);
  ASSERT_TRUE(record(purchase("purchase", AnalyticsValue(1.0), "AUD"), 1));
  EXPECT_FALSE(total("_ltv_GBP"));
  EXPECT_TRUE(total("_ltv_AUD"));
}

TEST_F(LifetimeValueTest, DatabaseFailuresAnswerFalse) {
  ASSERT_TRUE(record(purchase("purchase", AnalyticsValue(1.0))));
  ASSERT_TRUE(ostrel::testing::succeeded(database->store().executeStatement("DROP TABLE user_attributes", {})));
  EXPECT_FALSE(record(purchase("purchase", AnalyticsValue(1.0))));
  EXPECT_TRUE(scope.logged(22003));
}

}  // namespace

}  // namespace sdk::analytics

