#include "platform/store/PaymentQueue.h"

#include <algorithm>

namespace platform::store {

PaymentQueue& PaymentQueue::defaultQueue() {
  static PaymentQueue queue;
  return queue;
}

void PaymentQueue::addTransactionObserver(const std::shared_ptr<PaymentTransactionObserver>& observer) {
  std::lock_guard lock(mutex_);
  observers_.push_back(observer);
}

void PaymentQueue::removeTransactionObserver(const std::shared_ptr<PaymentTransactionObserver>& observer) {
  std::lock_guard lock(mutex_);
  std::erase_if(observers_, [&](const auto& weak) {
    auto strong = weak.lock();
    return !strong || strong == observer;
  });
}

void PaymentQueue::deliverUpdatedTransactions(const std::vector<PaymentTransaction>& transactions) {
  std::vector<std::shared_ptr<PaymentTransactionObserver>> live;
  {
    std::lock_guard lock(mutex_);
    for (const auto& weak : observers_) {
      if (auto strong = weak.lock()) live.push_back(strong);
    }
  }
  for (const auto& observer : live) observer->paymentQueueUpdatedTransactions(transactions);
}

}  // namespace platform::store
