#include "sdk/analytics/foundation/PurchaseTables.h"

#include "sdk/analytics/foundation/FoundationMessageCodes.h"

namespace sdk::analytics {

using platform::foundation::ErrorOr;
using platform::foundation::Value;

ErrorOr<bool> PurchaseTables::insertIfNotDuplicatePurchaseFingerprint(const std::string& fingerprint) {
  auto inserted = execute("INSERT OR IGNORE INTO purchases (fingerprint) VALUES (?)", {Value(fingerprint)},
                          messages::kPurchaseFingerprintStoreFailed, "Failed to store purchase fingerprint");
  if (!inserted) return inserted.error();
  return *inserted > 0;
}

ErrorOr<void> PurchaseTables::deletePurchaseFingerprint(const std::string& fingerprint) {
  return run("DELETE FROM purchases WHERE fingerprint = ?", {Value(fingerprint)},
             messages::kPurchaseFingerprintDeletionFailed, "Failed to delete purchase fingerprint");
}

ErrorOr<bool> PurchaseTables::insertIfNotDuplicateSubscriptionID(const std::string& subscriptionID) {
  auto inserted = execute("INSERT OR IGNORE INTO subscriptions (subscription_id) VALUES (?)", {Value(subscriptionID)},
                          messages::kSubscriptionIDStoreFailed, "Failed to store subscription ID");
  if (!inserted) return inserted.error();
  return *inserted > 0;
}

ErrorOr<std::int64_t> PurchaseTables::deleteSubscriptionsOverLimit() {
  return execute(
      "DELETE FROM subscriptions WHERE rowid NOT IN (SELECT rowid FROM subscriptions ORDER BY rowid DESC LIMIT ?)",
      {Value(kMaxSubscriptions)}, messages::kSubscriptionsOverLimitDeletionFailed,
      "Failed to delete subscriptions over the limit");
}

}  // namespace sdk::analytics
