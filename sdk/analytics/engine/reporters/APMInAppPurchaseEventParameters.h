#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/store/Store.h"
#include "sdk/analytics/engine/reporters/APMInAppPurchaseItem.h"
#include "sdk/analytics/foundation/APMValue.h"

// The parameters of the purchase event for one transaction of `product`, classified by the receipt's
// purchase items; nothing when the product or transaction is missing or a required key ("price",
// "value", "currency", "product_id") could not be given.
std::optional<APMParameters> APMInAppPurchaseEventParameters(const platform::store::Product* product,
                                                             const platform::store::PaymentTransaction* transaction,
                                                             const std::vector<APMInAppPurchaseItem>& purchaseItems);

// The de-duplication fingerprint of a purchase item; -1 when the original transaction ID or the
// product ID is empty.
std::int64_t APMPurchaseItemFingerprint(const std::string& originalTransactionID,
                                        const std::optional<std::int64_t>& webOrderLineItemID,
                                        const std::string& productID);

// quantity × price in micros, counted in decimal and truncated; nothing for a price that is not a
// decimal number.
std::optional<std::int64_t> APMPurchaseValueMicros(const std::string& price, std::int64_t quantity);

// Marks a renewal ("sub_renew") or a conversion from a free trial ("sub_convert") of `item`.
void APMMarkSubscriptionRenewalOrConversion(APMParameters& parameters, const std::vector<APMInAppPurchaseItem>& items,
                                            const APMInAppPurchaseItem& item);

// Seconds since 1970 of a receipt date "YYYY-MM-DDTHH:MM:SSZ"; nothing for any other text.
std::optional<std::int64_t> APMPurchaseItemDateSeconds(const std::string& text);
