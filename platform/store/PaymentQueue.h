#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/store/Store.h"

namespace platform::store {

class PaymentTransactionObserver {
 public:
  virtual ~PaymentTransactionObserver() = default;
  virtual void paymentQueueUpdatedTransactions(const std::vector<PaymentTransaction>& transactions) = 0;
};

// The queue through which the store reports transactions. There is no store on this platform, so
// nothing is delivered unless something (a test's fake store) calls deliverUpdatedTransactions.
class PaymentQueue {
 public:
  static PaymentQueue& defaultQueue();

  void addTransactionObserver(const std::shared_ptr<PaymentTransactionObserver>& observer);
  void removeTransactionObserver(const std::shared_ptr<PaymentTransactionObserver>& observer);
  // Tells every live observer, on the calling thread.
  void deliverUpdatedTransactions(const std::vector<PaymentTransaction>& transactions);

 private:
  std::mutex mutex_;
  std::vector<std::weak_ptr<PaymentTransactionObserver>> observers_;
};

}  // namespace platform::store
