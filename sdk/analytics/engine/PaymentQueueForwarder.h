#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "platform/store/PaymentQueue.h"
#include "sdk/analytics/engine/Analytics.h"

namespace sdk::analytics::facade {

// The facade observes the default payment queue from start and hands each batch, in order with
// everything else, to the purchase reporting the automatic reporters install. Process-wide and never
// destroyed, like the payment queue itself: the reporters install their side once at load, and a late
// batch may still arrive while the process exits.
class PaymentQueueForwarder final : public platform::store::PaymentTransactionObserver {
 public:
  static const std::shared_ptr<PaymentQueueForwarder>& shared();

  // Once per process.
  void observeDefaultQueue();
  void setReporting(Analytics::PurchaseReporting reporting);
  Analytics::PurchaseReporting reporting();

  void paymentQueueUpdatedTransactions(const std::vector<platform::store::PaymentTransaction>& transactions) override;

 private:
  std::mutex mutex_;
  Analytics::PurchaseReporting reporting_;
  std::once_flag observing_;
};

}  // namespace sdk::analytics::facade
