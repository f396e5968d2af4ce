#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/store/Store.h"
#include "sdk/analytics/engine/reporters/InAppPurchaseItem.h"
#include "sdk/analytics/foundation/AnalyticsValue.h"

namespace sdk::analytics {

// The parameters of the purchase event for one transaction of `product`, classified by the receipt's
// purchase items; nothing when the product or transaction is missing or a required key ("price",
// "value", "currency", "product_id") could not be given.
std::optional<Parameters> inAppPurchaseEventParameters(const platform::store::Product* product,
                                                             const platform::store::PaymentTransaction* transaction,
                                                             const std::vector<InAppPurchaseItem>& purchaseItems);

// The de-duplication fingerprint of a purchase item; -1 when the original transaction ID or the
// product ID is empty.
std::int64_t purchaseItemFingerprint(const std::string& originalTransactionID,
                                        const std::optional<std::int64_t>& webOrderLineItemID,
                                        const std::string& productID);

// quantity × price in micros, counted in decimal and truncated; nothing for a price that is not a
// decimal number.
std::optional<std::int64_t> purchaseValueMicros(const std::string& price, std::int64_t quantity);

// Marks a renewal ("sub_renew") or a conversion from a free trial ("sub_convert") of `item`.
void markSubscriptionRenewalOrConversion(Parameters& parameters, const std::vector<InAppPurchaseItem>& items,
                                            const InAppPurchaseItem& item);

// Seconds since 1970 of a receipt date "YYYY-MM-DDTHH:MM:SSZ"; nothing for any other text.
std::optional<std::int64_t> purchaseItemDateSeconds(const std::string& text);

}  // namespace sdk::analytics

