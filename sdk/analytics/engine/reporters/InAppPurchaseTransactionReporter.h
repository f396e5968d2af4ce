#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Value.h"
#include "platform/store/Store.h"
#include "sdk/analytics/engine/reporters/InAppPurchaseItem.h"
#include "sdk/analytics/engine/reporters/InAppPurchaseProductCache.h"

namespace sdk::analytics {

// Reports purchased transactions that the engine's purchase filter let through as "_iap", "_iapx",
// "_assr" or "_assc".
class InAppPurchaseTransactionReporter : public std::enable_shared_from_this<InAppPurchaseTransactionReporter> {
 public:
  using EventLogger = std::function<void(const std::string& name, const platform::foundation::Dictionary& parameters)>;
  // The purchase items of the app's receipt; there is no receipt on this platform, so by default none.
  using PurchaseItemsSource = std::function<std::vector<InAppPurchaseItem>()>;

  struct Dependencies {
    std::shared_ptr<InAppPurchaseProductCache> productCache;  // the shared cache when empty
    std::shared_ptr<platform::dispatch::Queue> reportQueue;      // the default global queue when empty
    EventLogger logEvent;                                        // the facade's internal events when empty
    PurchaseItemsSource purchaseItems;
  };

  static std::shared_ptr<InAppPurchaseTransactionReporter> sharedInstance();
  static std::shared_ptr<InAppPurchaseTransactionReporter> make(Dependencies dependencies);

  // The MD5 text of a purchased transaction's identifier; nothing (logged) for a missing, empty or
  // all-zero identifier.
  static std::optional<std::string> transactionFingerprint(const platform::store::PaymentTransaction* transaction);

  // Told, once the batch is done, which transactions produced no event (not purchased, no product,
  // parameters incomplete, or the product lookup failed), so their fingerprints can be forgotten.
  using UnreportedCallback = std::function<void(std::vector<platform::store::PaymentTransaction> unreported)>;

  void paymentQueueUpdatedFilteredTransactions(const std::vector<platform::store::PaymentTransaction>& transactions,
                                               UnreportedCallback done = {});
  // The receipt's items are read once per call and travel with it, so reports that overlap on the
  // global queue never see each other's items. Answers the transactions that produced no event.
  std::vector<platform::store::PaymentTransaction> reportTransactionsFromArray(
      const std::vector<platform::store::PaymentTransaction>& transactions);

 private:
  explicit InAppPurchaseTransactionReporter(Dependencies dependencies);

  Dependencies dependencies_;
};

}  // namespace sdk::analytics

