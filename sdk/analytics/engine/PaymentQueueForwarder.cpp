#include "sdk/analytics/engine/PaymentQueueForwarder.h"

namespace sdk::analytics::facade {

const std::shared_ptr<PaymentQueueForwarder>& PaymentQueueForwarder::shared() {
  static auto* value = new std::shared_ptr<PaymentQueueForwarder>(std::make_shared<PaymentQueueForwarder>());
  return *value;
}

void PaymentQueueForwarder::observeDefaultQueue() {
  std::call_once(observing_, [] { platform::store::PaymentQueue::defaultQueue().addTransactionObserver(shared()); });
}

void PaymentQueueForwarder::setReporting(Analytics::PurchaseReporting reporting) {
  std::lock_guard lock(mutex_);
  reporting_ = std::move(reporting);
}

Analytics::PurchaseReporting PaymentQueueForwarder::reporting() {
  std::lock_guard lock(mutex_);
  return reporting_;
}

void PaymentQueueForwarder::paymentQueueUpdatedTransactions(
    const std::vector<platform::store::PaymentTransaction>& transactions) {
  Analytics::paymentQueueUpdatedTransactions(transactions);
}

}  // namespace sdk::analytics::facade
