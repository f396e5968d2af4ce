// The store's transactions: the facade observes the default payment queue from start and hands each
// batch, in order with everything else, to the purchase reporting the automatic reporters install.
#include <mutex>

#include "platform/store/PaymentQueue.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/AnalyticsState.h"

namespace sdk::analytics {

using facade::state;

namespace {

class PaymentQueueForwarder final : public platform::store::PaymentTransactionObserver {
 public:
  void paymentQueueUpdatedTransactions(const std::vector<platform::store::PaymentTransaction>& transactions) override {
    Analytics::paymentQueueUpdatedTransactions(transactions);
  }
};

// Process-wide and never destroyed, like the payment queue itself: the reporters install their side
// once at load, and a late batch may still arrive while the process exits.
struct PaymentWiring {
  std::mutex mutex;
  Analytics::PurchaseReporting reporting;
  std::once_flag observing;
  std::shared_ptr<PaymentQueueForwarder> forwarder = std::make_shared<PaymentQueueForwarder>();
};

PaymentWiring& wiring() {
  static auto* value = new PaymentWiring;
  return *value;
}

}  // namespace

void Analytics::observePaymentQueue() {
  auto& w = wiring();
  std::call_once(w.observing, [&w] { platform::store::PaymentQueue::defaultQueue().addTransactionObserver(w.forwarder); });
}

void Analytics::paymentQueueUpdatedTransactions(const std::vector<platform::store::PaymentTransaction>& transactions) {
  queueOperationWithBlock([transactions] {
    PurchaseReporting reporting;
    {
      std::lock_guard lock(wiring().mutex);
      reporting = wiring().reporting;
    }
    if (state().enabled.load() && reporting) reporting(transactions);
  });
}

void Analytics::setPurchaseReporting(PurchaseReporting reporting) {
  std::lock_guard lock(wiring().mutex);
  wiring().reporting = std::move(reporting);
}

}  // namespace sdk::analytics

