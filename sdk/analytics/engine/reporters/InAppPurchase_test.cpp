#include <gtest/gtest.h>

#include <mutex>
#include <thread>

#include "platform/dispatch/Queue.h"
#include "platform/store/ProductsRequest.h"
#include "sdk/analytics/engine/LifetimeValueRecorder.h"
#include "sdk/analytics/engine/reporters/InAppPurchaseEventParameters.h"
#include "sdk/analytics/engine/reporters/InAppPurchaseTransactionReporter.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/AnalyticsEvent.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

using platform::foundation::Dictionary;
using platform::foundation::Error;
using platform::foundation::Value;
using namespace platform::store;

namespace {

constexpr double kDate = 1765103400;  // 2025-12-07T10:30:00Z
constexpr const char* kDateText = "2025-12-07T10:30:00Z";

Product product(const std::string& id, std::optional<std::string> price = "0.99",
                std::optional<std::string> currency = "EUR") {
  Product p;
  p.productIdentifier = id;
  p.localizedTitle = "Title of " + id;
  p.price = std::move(price);
  p.currencyCode = std::move(currency);
  return p;
}

PaymentTransaction purchase(const std::string& productID, std::string id, std::int64_t quantity = 1,
                            std::optional<std::string> originalID = std::nullopt) {
  PaymentTransaction t;
  t.transactionState = TransactionState::Purchased;
  t.transactionIdentifier = id;
  t.transactionDate = kDate;
  t.payment = {productID, quantity};
  if (originalID) {
    auto original = std::make_shared<PaymentTransaction>();
    original->transactionIdentifier = *originalID;
    t.originalTransaction = original;
  }
  return t;
}

InAppPurchaseItem item(const std::string& productID, std::int64_t type, std::string id, std::string originalID,
                          std::optional<std::string> date = kDateText) {
  InAppPurchaseItem i;
  i.productID = productID;
  i.purchaseType = type;
  i.transactionID = std::move(id);
  i.originalTransactionID = std::move(originalID);
  i.purchaseDateIA5String = std::move(date);
  if (type == InAppPurchaseItem::AutoRenewableSubscription) i.webOrderLineItemID = 7;
  return i;
}

struct LoggedEvent {
  std::string name;
  Dictionary parameters;
};

// A store that answers from a table and counts what it was asked.
class FakeStore {
 public:
  FakeStore() {
    ProductsRequest::setBackend([this](const std::set<std::string>& ids, ProductsRequest::Answer answer) {
      ProductsResponse response;
      {
        std::lock_guard lock(mutex_);
        ++requests;
        if (failing) {
          answer(std::nullopt, Error::make("store", 5, "offline"));
          return;
        }
        for (const auto& id : ids) {
          if (auto it = products.find(id); it != products.end()) {
            response.products.push_back(it->second);
          } else {
            response.invalidProductIdentifiers.push_back(id);
          }
        }
      }
      answer(response, std::nullopt);
    });
  }
  ~FakeStore() { ProductsRequest::setBackend(nullptr); }

  std::mutex mutex_;
  std::map<std::string, Product> products;
  bool failing = false;
  int requests = 0;
};

class InAppPurchaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reporter = InAppPurchaseTransactionReporter::make(
        {cache, queue,
         [this](const std::string& name, const Dictionary& parameters) {
           std::lock_guard lock(mutex);
           events.push_back({name, parameters});
         },
         [this] { return items; }});
  }

  // Runs the batch and waits for the reports queued for it (the answer hops through the cache's
  // queue before it lands on the report queue).
  std::vector<LoggedEvent> report(const std::vector<PaymentTransaction>& transactions) {
    reporter->paymentQueueUpdatedFilteredTransactions(transactions);
    for (int k = 0; k < 3; ++k) {
      cache->validCount();
      queue->sync([] {});
    }
    std::lock_guard lock(mutex);
    return std::exchange(events, {});
  }

  ostrel::testing::MonitorScope scope{{"-APMAnalyticsVerboseLoggingEnabled"}};
  FakeStore store;
  std::shared_ptr<InAppPurchaseProductCache> cache = std::make_shared<InAppPurchaseProductCache>();
  std::shared_ptr<platform::dispatch::Queue> queue = platform::dispatch::Queue::serial("reports");
  std::vector<InAppPurchaseItem> items;
  std::shared_ptr<InAppPurchaseTransactionReporter> reporter;
  std::mutex mutex;
  std::vector<LoggedEvent> events;
};

}  // namespace

TEST_F(InAppPurchaseTest, ConsumablePurchaseIsReportedInMicrosAndCountsTowardsLifetimeValue) {
  store.products["coins"] = product("coins");
  items = {item("coins", InAppPurchaseItem::Consumable, "t1", "t1")};
  auto logged = report({purchase("coins", "t1", 2)});
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_EQ(logged[0].name, "_iap");
  const Dictionary& p = logged[0].parameters;
  EXPECT_EQ(p.at("price"), Value(std::int64_t{990000}));
  EXPECT_EQ(p.at("value"), Value(std::int64_t{1980000}));
  EXPECT_EQ(p.at("quantity"), Value(std::int64_t{2}));
  EXPECT_EQ(p.at("currency"), Value("EUR"));
  EXPECT_EQ(p.at("product_id"), Value("coins"));
  EXPECT_EQ(p.at("product_name"), Value("Title of coins"));
  EXPECT_EQ(p.at("_did"), Value(purchaseItemFingerprint("t1", std::nullopt, "coins")));
  EXPECT_TRUE(scope.logged(40021));

  // The engine's lifetime value takes the micros as they are.
  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  auto database = ostrel::testing::succeeded(MeasurementDatabase::initWithDatabaseName(
      MeasurementDatabase::kDatabaseName, std::make_shared<PersistedConfig>()));
  ASSERT_TRUE(database);
  Parameters parameters;
  for (const auto& [key, value] : p) parameters.emplace(key, *AnalyticsValue::valueFromObject(value));
  auto event = AnalyticsEvent::create("auto", false, "_iap", 1, 0, parameters);
  ASSERT_TRUE(LifetimeValueRecorder::recordLifetimeValueToDatabase(*database, *event, 4));
  auto total = ostrel::testing::succeeded(database->userAttributeWithName("_ltv_EUR"));
  ASSERT_TRUE(total);
  EXPECT_EQ(total->value, AnalyticsValue(std::int64_t{1980000}));
}

TEST_F(InAppPurchaseTest, RequiredKeysDecideWhetherThereIsAnEvent) {
  store.products["nocurrency"] = product("nocurrency", "0.99", std::nullopt);
  store.products["noprice"] = product("noprice", std::nullopt);
  store.products["free"] = product("free", "0");
  items = {item("nocurrency", 1, "a", "a"), item("noprice", 1, "b", "b"), item("free", 1, "c", "c")};
  auto logged = report({purchase("nocurrency", "a"), purchase("noprice", "b"), purchase("free", "c", 0),
                        purchase("", "d"), purchase("unknown", "e")});
  EXPECT_TRUE(logged.empty()) << logged.size();
  // A zero quantity leaves no "value", which the event needs.
  EXPECT_TRUE(scope.logged(40026));  // the unknown product
}

TEST(InAppPurchaseFingerprint, TransactionIdentifiers) {
  ostrel::testing::MonitorScope scope;
  auto fp = [](std::optional<std::string> id, TransactionState state = TransactionState::Purchased) {
    PaymentTransaction t;
    t.transactionState = state;
    t.transactionIdentifier = std::move(id);
    return InAppPurchaseTransactionReporter::transactionFingerprint(&t);
  };
  EXPECT_EQ(fp("1000000123"), "afccd9bcc0e95ca4e2f2f0a95a2f0087");
  EXPECT_NE(fp("1000000123"), fp("1000000124"));
  EXPECT_FALSE(fp("1", TransactionState::Restored));
  EXPECT_FALSE(InAppPurchaseTransactionReporter::transactionFingerprint(nullptr));
  EXPECT_TRUE(scope.logged(21014));
  EXPECT_FALSE(fp(std::nullopt));
  EXPECT_TRUE(scope.logged(21015));
  EXPECT_FALSE(fp(""));
  EXPECT_TRUE(scope.logged(21016));
  EXPECT_FALSE(fp("0000-0000"));
  EXPECT_TRUE(scope.logged(21017));
  EXPECT_TRUE(fp("0000-0001"));
}

TEST_F(InAppPurchaseTest, SubscriptionsByTheirItems) {
  Product monthly = product("monthly", "4.99", "USD");
  monthly.introductoryPrice = ProductDiscount{"0.99", DiscountPaymentMode::PayAsYouGo};
  store.products["monthly"] = monthly;
  auto trial = item("monthly", 3, "s1", "s1", "2025-11-07T10:30:00Z");
  trial.freeTrial = true;
  auto paid = item("monthly", 3, "s1", "s1", "2025-11-07T10:30:00Z");
  auto renewal = item("monthly", 3, "s2", "s1");

  items = {trial};
  items[0].purchaseDateIA5String = kDateText;
  auto logged = report({purchase("monthly", "s1")});
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_EQ(logged[0].name, "_iap");
  EXPECT_EQ(logged[0].parameters.at("free_trial"), Value(std::int64_t{1}));
  EXPECT_EQ(logged[0].parameters.at("price_is_discounted"), Value(std::int64_t{1}));
  EXPECT_EQ(logged[0].parameters.at("original_price"), Value(std::int64_t{4990000}));
  EXPECT_EQ(logged[0].parameters.at("price"), Value(std::int64_t{0}));
  EXPECT_EQ(logged[0].parameters.at("value"), Value(std::int64_t{0}));
  EXPECT_EQ(logged[0].parameters.at("subscription"), Value(std::int64_t{1}));

  struct Case {
    InAppPurchaseItem before;
    const char* name;
  };
  for (const Case& c : {Case{trial, "_assc"}, Case{paid, "_assr"}}) {
    items = {c.before, renewal};
    logged = report({purchase("monthly", "s2", 1, "s1")});
    ASSERT_EQ(logged.size(), 1u) << c.name;
    EXPECT_EQ(logged[0].name, c.name);
    EXPECT_FALSE(logged[0].parameters.contains("sub_renew"));
    EXPECT_FALSE(logged[0].parameters.contains("sub_convert"));
    EXPECT_FALSE(logged[0].parameters.contains("subscription")) << "a renewal is not a new subscription";
    EXPECT_EQ(logged[0].parameters.at("_did"), Value(purchaseItemFingerprint("s1", 7, "monthly")));
  }

  // An introductory period is priced at the discount, the list price kept beside it.
  auto intro = item("monthly", 3, "s3", "s3");
  intro.introductoryOffer = true;
  items = {intro};
  logged = report({purchase("monthly", "s3", 2)});
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_EQ(logged[0].parameters.at("price"), Value(std::int64_t{990000}));
  EXPECT_EQ(logged[0].parameters.at("original_price"), Value(std::int64_t{4990000}));
  EXPECT_EQ(logged[0].parameters.at("value"), Value(std::int64_t{1980000}));
}

// The verbose lines a reader follows a subscription period by: a discounted period (free trial or
// introductory offer) is told as such and then as a period of the subscription, whether it is the
// first or a renewal; a plain period is told once.
TEST_F(InAppPurchaseTest, EachSubscriptionPeriodIsToldWhatItIs) {
  const Product monthly = product("monthly", "4.99", "USD");
  auto trial = item("monthly", 3, "s1", "s1");
  trial.freeTrial = true;
  auto intro = item("monthly", 3, "s1", "s1");
  intro.introductoryOffer = true;
  const struct {
    const char* label;
    InAppPurchaseItem period;
    std::vector<std::int64_t> told;
    std::vector<std::int64_t> untold;
  } cases[] = {
      {"free trial", trial, {40009, 40010}, {40008, 40018}},
      {"introductory offer", intro, {40018, 40010}, {40008, 40009}},
      {"plain period", item("monthly", 3, "s1", "s1"), {40008}, {40009, 40010, 40018}},
  };
  for (const auto& c : cases) {
    ostrel::testing::MonitorScope scope{{"-APMAnalyticsVerboseLoggingEnabled"}};
    const PaymentTransaction transaction = purchase("monthly", "s1");
    ASSERT_TRUE(inAppPurchaseEventParameters(&monthly, &transaction, {c.period})) << c.label;
    for (std::int64_t code : c.told) EXPECT_TRUE(scope.logged(code)) << c.label << " " << code;
    for (std::int64_t code : c.untold) EXPECT_FALSE(scope.logged(code)) << c.label << " " << code;
  }
}

TEST_F(InAppPurchaseTest, InvalidClassificationsAreReportedAsIapx) {
  store.products["sword"] = product("sword");
  store.products["weekly"] = product("weekly");
  struct Case {
    const char* label;
    std::vector<InAppPurchaseItem> items;
    PaymentTransaction transaction;
    bool subscription;
  };
  std::vector<Case> cases{
      {"no item", {}, purchase("sword", "x1"), false},
      {"restored non-consumable", {item("sword", 0, "x1", "x1")}, purchase("sword", "x2", 1, "x1"), false},
      {"two non-subscription items, none of the date",
       {item("sword", 1, "a", "a", "2020-01-01T00:00:00Z"), item("sword", 1, "b", "b", "2021-01-01T00:00:00Z")},
       purchase("sword", "c"), false},
      {"subscription without an item of the date", {item("weekly", 3, "w", "w", "2020-01-01T00:00:00Z")},
       purchase("weekly", "w"), true},
      {"two subscription items of the date", {item("weekly", 3, "w1", "w1"), item("weekly", 3, "w2", "w1")},
       purchase("weekly", "w2", 1, "w1"), true},
  };
  for (const auto& c : cases) {
    items = c.items;
    auto logged = report({c.transaction});
    ASSERT_EQ(logged.size(), 1u) << c.label;
    EXPECT_EQ(logged[0].name, "_iapx") << c.label;
    EXPECT_FALSE(logged[0].parameters.contains("invalid")) << c.label;
    EXPECT_EQ(logged[0].parameters.contains("subscription"), c.subscription) << c.label;
    EXPECT_FALSE(logged[0].parameters.contains("_did")) << c.label;
  }
}

TEST_F(InAppPurchaseTest, MissingIdentifiersGiveNoFingerprint) {
  EXPECT_EQ(purchaseItemFingerprint("", std::nullopt, "p"), -1);
  EXPECT_EQ(purchaseItemFingerprint("o", 3, ""), -1);
  EXPECT_NE(purchaseItemFingerprint("o", 3, "p"), purchaseItemFingerprint("o", std::nullopt, "p"));
  store.products["weekly"] = product("weekly");
  items = {item("weekly", 3, "", "")};
  auto logged = report({purchase("weekly", "w1"), purchase("weekly", "w2")});
  ASSERT_EQ(logged.size(), 2u);
  for (const auto& e : logged) {
    EXPECT_EQ(e.name, "_iap");
    EXPECT_FALSE(e.parameters.contains("_did"));
  }
}

// GCC 12 reports an overlapping copy inside libstdc++'s own string code here, which it cannot make.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
TEST_F(InAppPurchaseTest, CacheIsResetToTheAnswerThatWouldOverfillIt) {
  std::set<std::string> first;
  for (int k = 0; k < 100; ++k) {
    std::string id = "p" + std::to_string(k);
    if (k < 60) store.products[id] = product(id);
    first.insert(id);
  }
  auto done = platform::dispatch::Queue::serial("answers");
  int answers = 0;
  auto count = [&](auto, auto, auto) { ++answers; };
  cache->requestProductsWithProductIdentifiers(first, done, count);
  cache->validCount();
  done->sync([] {});
  EXPECT_EQ(cache->validCount(), 60u);
  EXPECT_EQ(cache->invalidProductIdentifiers().size(), 40u);
  // Asking again changes nothing in size.
  cache->requestProductsWithProductIdentifiers({"p1", "p70"}, done, count);
  cache->validCount();
  EXPECT_EQ(cache->validCount() + cache->invalidProductIdentifiers().size(), 100u);

  store.products["new"] = product("new");
  cache->requestProductsWithProductIdentifiers({"new", "p1"}, done, count);
  cache->validCount();
  done->sync([] {});
  EXPECT_EQ(answers, 3);
  EXPECT_EQ(cache->validCount(), 2u);
  EXPECT_TRUE(cache->cachedProductForProductIdentifier("new"));
  EXPECT_FALSE(cache->cachedProductForProductIdentifier("p2"));
  EXPECT_TRUE(cache->invalidProductIdentifiers().empty());
  // Without a queue or a handler nothing is asked.
  int before = store.requests;
  cache->requestProductsWithProductIdentifiers({"x"}, nullptr, count);
  cache->requestProductsWithProductIdentifiers({"x"}, done, nullptr);
  EXPECT_EQ(store.requests, before);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

TEST_F(InAppPurchaseTest, AFailedProductLookupDropsTheBatchAndACachedProductIsNotAskedFor) {
  store.failing = true;
  store.products["coins"] = product("coins");
  items = {item("coins", 1, "t1", "t1")};
  EXPECT_TRUE(report({purchase("coins", "t1")}).empty());
  EXPECT_TRUE(scope.logged(21027));

  store.failing = false;
  EXPECT_EQ(report({purchase("coins", "t1")}).size(), 1u);
  int asked = store.requests;
  EXPECT_EQ(report({purchase("coins", "t2"), PaymentTransaction{}}).size(), 1u);
  EXPECT_EQ(store.requests, asked);
}

TEST_F(InAppPurchaseTest, OverlappingReportsKeepTheirOwnItems) {
  store.products["a"] = product("a");
  store.products["b"] = product("b");
  reporter = InAppPurchaseTransactionReporter::make(
      {cache, platform::dispatch::Queue::global(),
       [this](const std::string& name, const Dictionary& parameters) {
         std::lock_guard lock(mutex);
         events.push_back({name, parameters});
       },
       [] { return std::vector<InAppPurchaseItem>{item("a", 1, "ta", "ta"), item("b", 1, "tb", "tb")}; }});
  cache->requestProductsWithProductIdentifiers({"a", "b"}, queue, [](auto, auto, auto) {});
  cache->validCount();
  std::vector<std::thread> threads;
  for (int k = 0; k < 8; ++k) {
    threads.emplace_back([&, k] { reporter->reportTransactionsFromArray({purchase(k % 2 ? "a" : "b", k % 2 ? "ta" : "tb")}); });
  }
  for (auto& t : threads) t.join();
  std::lock_guard lock(mutex);
  ASSERT_EQ(events.size(), 8u);
  for (const auto& e : events) EXPECT_EQ(e.name, "_iap");
}

}  // namespace sdk::analytics

