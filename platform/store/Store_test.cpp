#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "platform/store/PaymentQueue.h"
#include "platform/store/ProductsRequest.h"

using namespace platform::store;
using platform::foundation::Error;

namespace {

struct RecordingDelegate : ProductsRequestDelegate {
  std::optional<ProductsResponse> response;
  std::optional<Error> error;
  void productsRequestDidReceiveResponse(const ProductsResponse& r) override { response = r; }
  void productsRequestDidFail(const Error& e) override { error = e; }
};

struct RecordingObserver : PaymentTransactionObserver {
  int batches = 0;
  void paymentQueueUpdatedTransactions(const std::vector<PaymentTransaction>&) override { ++batches; }
};

}  // namespace

TEST(ProductsRequest, WithoutAStoreEveryRequestFailsInsteadOfWaiting) {
  ProductsRequest::setBackend(nullptr);
  EXPECT_EQ(ProductsRequest::make({}), nullptr);
  auto delegate = std::make_shared<RecordingDelegate>();
  auto request = ProductsRequest::make({"a"});
  request->setDelegate(delegate);
  request->start();
  ASSERT_TRUE(delegate->error);
  EXPECT_EQ(delegate->error->domain, kStoreErrorDomain);
  EXPECT_FALSE(delegate->response);
}

TEST(ProductsRequest, KeepsItselfAliveUntilALateAnswerFromAnotherThread) {
  ProductsRequest::Answer pending;
  ProductsRequest::setBackend([&](const std::set<std::string>& ids, ProductsRequest::Answer answer) {
    EXPECT_EQ(ids, (std::set<std::string>{"a", "b"}));
    pending = std::move(answer);
  });
  auto delegate = std::make_shared<RecordingDelegate>();
  {
    auto request = ProductsRequest::make({"a", "b"});
    request->setDelegate(delegate);
    request->start();
  }
  std::thread([&] { Product a; a.productIdentifier = "a"; pending(ProductsResponse{{a}, {"b"}}, std::nullopt); }).join();
  ASSERT_TRUE(delegate->response);
  EXPECT_EQ(delegate->response->products.at(0).productIdentifier, "a");
  EXPECT_EQ(delegate->response->invalidProductIdentifiers, std::vector<std::string>{"b"});
  ProductsRequest::setBackend(nullptr);
}

TEST(PaymentQueue, DeliversToLiveObserversOnly) {
  auto kept = std::make_shared<RecordingObserver>();
  auto removed = std::make_shared<RecordingObserver>();
  auto dropped = std::make_shared<RecordingObserver>();
  auto& queue = PaymentQueue::defaultQueue();
  queue.addTransactionObserver(kept);
  queue.addTransactionObserver(removed);
  queue.addTransactionObserver(dropped);
  queue.removeTransactionObserver(removed);
  dropped.reset();
  queue.deliverUpdatedTransactions({PaymentTransaction{}});
  EXPECT_EQ(kept->batches, 1);
  EXPECT_EQ(removed->batches, 0);
  queue.removeTransactionObserver(kept);
}
