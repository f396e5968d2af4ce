#include "sdk/analytics/engine/reporters/PurchaseFilter.h"

#include <atomic>
#include <mutex>

#include "platform/store/ProductsRequest.h"
#include "sdk/analytics/engine/reporters/InAppPurchaseTransactionReporter.h"
#include "sdk/analytics/engine/reporters/CampaignTestSupport.h"

namespace sdk::analytics {

namespace {

using namespace ostrel::testing;
using platform::foundation::Dictionary;
using platform::foundation::Error;
using platform::store::PaymentTransaction;
using platform::store::ProductsRequest;
using platform::store::ProductsResponse;
using platform::store::TransactionState;

PaymentTransaction transaction(const std::string& id, TransactionState state = TransactionState::Purchased) {
  PaymentTransaction t;
  t.transactionState = state;
  t.transactionIdentifier = id;
  t.transactionDate = 1765103400;
  t.payment = {"coins", 1};
  return t;
}

// The engine's purchase filter in front of the purchase reporter, as the facade chains them, over a
// store whose product lookups a test can make fail.
class PurchaseFilterTest : public CampaignEngineTest {
 protected:
  void SetUp() override {
    startEngine();
    ProductsRequest::setBackend([this](const std::set<std::string>&, ProductsRequest::Answer answer) {
      if (storeOffline) return answer(std::nullopt, Error::make("store", 5, "offline"));
      platform::store::Product coins;
      coins.productIdentifier = "coins";
      coins.price = "0.99";
      coins.currencyCode = "EUR";
      ProductsResponse response;
      response.products.push_back(coins);
      answer(response, std::nullopt);
    });
    reporter = InAppPurchaseTransactionReporter::make(
        {std::make_shared<InAppPurchaseProductCache>(), reports,
         [this](const std::string& name, const Dictionary&) {
           std::lock_guard lock(mutex);
           events.push_back(name);
         },
         {}});
    filter = std::make_shared<sdk::analytics::PurchaseFilter>(engine, reports);
  }
  void TearDown() override { ProductsRequest::setBackend(nullptr); }

  // One batch through filter and reporter; answers what the filter let through.
  std::size_t deliver(std::vector<PaymentTransaction> batch) {
    std::atomic<bool> done{false};
    std::size_t kept = 0;
    filter->filterPurchaseTransactions(std::move(batch), [&](std::vector<PaymentTransaction> through) {
      kept = through.size();
      reporter->paymentQueueUpdatedFilteredTransactions(through, [&](std::vector<PaymentTransaction> unreported) {
        filter->releaseUnreportedTransactions(std::move(unreported));
        done = true;
      });
    });
    EXPECT_TRUE(spinUntil([&] { return done.load(); }));
    settle();
    return kept;
  }
  std::vector<std::string> reported() {
    std::lock_guard lock(mutex);
    return events;
  }

  std::atomic<bool> storeOffline{false};
  std::shared_ptr<platform::dispatch::Queue> reports = platform::dispatch::Queue::serial("reports");
  std::shared_ptr<InAppPurchaseTransactionReporter> reporter;
  std::shared_ptr<sdk::analytics::PurchaseFilter> filter;
  std::mutex mutex;
  std::vector<std::string> events;
};

TEST_F(PurchaseFilterTest, EachPurchaseIsReportedOnce) {
  EXPECT_EQ(deliver({transaction("t1"), transaction("t2", TransactionState::Failed), transaction("t1")}), 1u);
  EXPECT_TRUE(scope.logged(23141));
  EXPECT_EQ(deliver({transaction("t1")}), 0u);
  EXPECT_EQ(reported().size(), 1u);

  // Without a usable identifier there is nothing to recognise a repeat by: always let through.
  EXPECT_EQ(deliver({transaction("0000-0000"), transaction("0000-0000")}), 2u);
  EXPECT_TRUE(scope.logged(23139));
  EXPECT_EQ(reported().size(), 3u);
}

TEST_F(PurchaseFilterTest, APurchaseWhoseReportFailedIsReportedWhenDeliveredAgain) {
  storeOffline = true;
  EXPECT_EQ(deliver({transaction("t1")}), 1u);
  EXPECT_TRUE(scope.logged(21027));
  EXPECT_TRUE(reported().empty());

  storeOffline = false;
  EXPECT_EQ(deliver({transaction("t1")}), 1u);
  EXPECT_EQ(reported(), std::vector<std::string>{"_iapx"});  // no receipt here: no purchase item
  EXPECT_EQ(deliver({transaction("t1")}), 0u);
}

}  // namespace

}  // namespace sdk::analytics

