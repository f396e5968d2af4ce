#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sdk::analytics {

// One purchase item of the app's receipt.
struct InAppPurchaseItem {
  enum Type : std::int64_t { NonConsumable = 0, Consumable = 1, NonRenewingSubscription = 2, AutoRenewableSubscription = 3 };

  std::string productID;
  std::string transactionID;
  std::string originalTransactionID;  // equal to transactionID for a first purchase
  std::optional<std::int64_t> webOrderLineItemID;  // subscription items carry one
  std::int64_t purchaseType = NonConsumable;
  bool freeTrial = false;
  bool introductoryOffer = false;
  std::optional<std::string> purchaseDateIA5String;  // "2026-12-07T10:30:00Z"
  std::optional<std::string> originalPurchaseDateIA5String;
  std::optional<std::string> subscriptionExpirationDateIA5String;
  std::optional<std::string> cancellationDateIA5String;

  bool isFreeTrial() const { return freeTrial; }
  bool isIntroductoryOffer() const { return introductoryOffer; }
};

}  // namespace sdk::analytics

