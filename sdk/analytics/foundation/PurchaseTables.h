#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "sdk/analytics/foundation/MeasurementStatements.h"

namespace sdk::analytics {

// The measurement database's marks of purchases and subscriptions already reported.
class PurchaseTables : protected MeasurementStatements {
 public:
  static constexpr std::int64_t kMaxSubscriptions = 1000;

  explicit PurchaseTables(std::shared_ptr<SqliteStore> store) : MeasurementStatements(std::move(store)) {}

  // True when new (now stored), false when already stored.
  ErrorOr<bool> insertIfNotDuplicatePurchaseFingerprint(const std::string& fingerprint);
  // For a purchase that was let through but could not be reported: a later delivery may report it.
  ErrorOr<void> deletePurchaseFingerprint(const std::string& fingerprint);
  ErrorOr<bool> insertIfNotDuplicateSubscriptionID(const std::string& subscriptionID);
  ErrorOr<std::int64_t> deleteSubscriptionsOverLimit();
};

}  // namespace sdk::analytics
