#pragma once

#include <functional>
#include <map>
#include <string>
#include <memory>
#include <vector>

#include "platform/foundation/SequenceChecker.h"
#include "platform/dispatch/Queue.h"
#include "platform/store/Store.h"

namespace sdk::analytics {

class MeasurementHost;

// Lets each purchase be reported once. A purchased transaction's fingerprint is claimed in the
// measurement database before it is reported, so a second delivery of the same transaction (the store
// repeats unfinished ones) is dropped even while the first report is still under way; a transaction
// whose report produced no event gives its claim back, so a later delivery reports it after all.
// Transactions without a fingerprint are always let through.
class PurchaseFilter : public std::enable_shared_from_this<PurchaseFilter> {
 public:
  static constexpr const char* kFilterBlockID = "APMMeasurement:3488";
  using Callback = std::function<void(std::vector<platform::store::PaymentTransaction> kept)>;

  // `callbackQueue`: where the kept transactions go; the default global queue when empty.
  explicit PurchaseFilter(std::weak_ptr<MeasurementHost> engine,
                          std::shared_ptr<platform::dispatch::Queue> callbackQueue = nullptr);

  // Makes the facade send each batch through the shared engine's filter to the purchase reporter.
  static void installPurchaseReporting();

  // On the worker queue: the purchased transactions not reported before, in input order.
  void filterPurchaseTransactions(std::vector<platform::store::PaymentTransaction> transactions, Callback callback);
  // On the worker queue: gives back the claims of transactions that were not reported.
  void releaseUnreportedTransactions(std::vector<platform::store::PaymentTransaction> unreported);

 private:
  // Only the engine's worker queue runs the ...OnWorkerQueue functions: a debug run stops on a call from anywhere else.
  platform::foundation::SequenceChecker sequenceChecker_;
  std::vector<platform::store::PaymentTransaction> filterOnWorkerQueue(
      const std::vector<platform::store::PaymentTransaction>& transactions);

  const std::weak_ptr<MeasurementHost> engine_;
  // Worker queue only: transaction identifier -> the fingerprint this filter claimed for it.
  std::map<std::string, std::string> claimed_;
  const std::shared_ptr<platform::dispatch::Queue> callbackQueue_;
};

}  // namespace sdk::analytics

