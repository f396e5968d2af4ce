#include "sdk/analytics/engine/reporters/InAppPurchaseEventParameters.h"

#include <cmath>
#include <ctime>
#include <limits>

#include "sdk/analytics/engine/reporters/ReportersMessageCodes.h"
#include "sdk/analytics/foundation/DecimalNumber.h"
#include "sdk/analytics/foundation/Hashing.h"
#include "sdk/analytics/foundation/Monitor.h"

namespace sdk::analytics {

using platform::foundation::Value;
using platform::store::DiscountPaymentMode;
using platform::store::PaymentTransaction;
using platform::store::Product;

namespace {

void verbose(std::int64_t code, const std::string& message) { Monitor::shared()->logWithLevel(LogLevel::kVerbose, code, message); }

bool isSet(const Parameters& parameters, const std::string& key) {
  auto it = parameters.find(key);
  return it != parameters.end() && it->second.isInt64() && it->second.int64Value() == 1;
}

void flag(Parameters& parameters, const std::string& key) { parameters.insert_or_assign(key, AnalyticsValue(std::int64_t{1})); }

// Missing IDs give -1, which is no fingerprint at all: it must not enter the de-duplication table,
// where it would swallow every later purchase whose IDs are missing too.
void addFingerprint(Parameters& parameters, const InAppPurchaseItem& item, bool withLineItem) {
  std::int64_t fingerprint = purchaseItemFingerprint(
      item.originalTransactionID, withLineItem ? item.webOrderLineItemID : std::nullopt, item.productID);
  if (fingerprint != -1) parameters.insert_or_assign("_did", AnalyticsValue(fingerprint));
}

std::string transactionIdentifier(const PaymentTransaction* transaction) {
  return transaction && transaction->transactionIdentifier ? *transaction->transactionIdentifier : std::string();
}

void classify(Parameters& parameters, const PaymentTransaction& transaction,
              const std::vector<InAppPurchaseItem>& items) {
  std::string t = transactionIdentifier(&transaction);
  std::string o = transactionIdentifier(transaction.originalTransaction.get());
  if (t.empty()) verbose(messages::kTransactionIDEmpty, "Transaction ID cannot be nil or empty.");
  if (items.empty()) {
    flag(parameters, "invalid");
    return;
  }
  const InAppPurchaseItem& item = items.back();
  if (item.purchaseType == InAppPurchaseItem::NonConsumable && !t.empty() && !o.empty() && t != o) {
    verbose(messages::kRestoredNonConsumableInvalid,
            "Restore/repurchase of non-consumable item will be reported as invalid");
    flag(parameters, "invalid");
    return;
  }
  bool subscription = item.purchaseType == InAppPurchaseItem::NonRenewingSubscription ||
                      item.purchaseType == InAppPurchaseItem::AutoRenewableSubscription ||
                      item.webOrderLineItemID.has_value();
  bool same = item.transactionID == item.originalTransactionID;
  if (!subscription && items.size() == 1) {
    if (same) {
      if (item.purchaseType == InAppPurchaseItem::Consumable) {
        verbose(messages::kConsumableItemReported, "Transaction of consumable item will be reported");
      } else {
        verbose(messages::kNonConsumableItemReported, "Transaction of non-consumable item will be reported");
      }
      addFingerprint(parameters, item, false);
    } else {
      verbose(messages::kMismatchedTransactionIDsInvalid,
              "Transaction with mismatched transaction ID and original transaction ID will be reported as consumable");
    }
    return;
  }
  auto transactionSecond = static_cast<std::int64_t>(std::floor(transaction.transactionDate));
  std::vector<const InAppPurchaseItem*> ofDate;
  for (const auto& candidate : items) {
    if (candidate.purchaseDateIA5String &&
        purchaseItemDateSeconds(*candidate.purchaseDateIA5String) == transactionSecond) {
      ofDate.push_back(&candidate);
    }
  }
  if (ofDate.empty()) {
    // Several items of a product that is no subscription, none of the transaction's date, leave
    // nothing to classify by: that is an invalid report, never a renewal.
    flag(parameters, "invalid");
    if (subscription) flag(parameters, "subscription");
    return;
  }
  if (ofDate.size() >= 2) {
    Monitor::shared()->logWithLevel(
        LogLevel::kVerbose, messages::kDuplicateTransactionDateInvalid,
        "Subscription transaction with duplicate transaction date will be reported as invalid", Value(item.productID),
        Value(static_cast<std::int64_t>(ofDate.size())));
    flag(parameters, "invalid");
    flag(parameters, "subscription");
    return;
  }
  const InAppPurchaseItem& it = *ofDate.front();
  if (item.purchaseType == InAppPurchaseItem::NonRenewingSubscription) {
    flag(parameters, "subscription");
    addFingerprint(parameters, it, false);
    verbose(messages::kNonRenewingSubscriptionReported, "Transaction of non-renewing subscription will be reported");
    return;
  }
  if (it.originalTransactionID == it.transactionID) flag(parameters, "subscription");
  addFingerprint(parameters, it, true);
  if (!it.isFreeTrial() && !it.isIntroductoryOffer()) {
    verbose(messages::kAutoRenewableSubscriptionReported,
            "Transaction of auto-renewable subscription will be reported");
    markSubscriptionRenewalOrConversion(parameters, items, it);
    return;
  }
  if (it.isFreeTrial()) {
    flag(parameters, "free_trial");
    if (!t.empty() && !o.empty() && t != o) {
      verbose(messages::kFreeTrialRepurchaseInvalid,
              "Repurchase of free-trial auto-renewable subscription will be reported as invalid");
      flag(parameters, "invalid");
      return;
    }
    verbose(messages::kFreeTrialSubscriptionReported,
            "Transaction of free-trial auto-renewable subscription will be reported");
  } else {
    flag(parameters, "price_is_discounted");
    markSubscriptionRenewalOrConversion(parameters, items, it);
    verbose(messages::kIntroductoryOfferReported, "Transaction of introductory offer will be reported");
  }
  verbose(messages::kSubscriptionRenewalReported, "Transaction of auto-renewable subscription renewal will be reported");
}

void applyFreeTrialPricing(Parameters& parameters) {
  if (auto price = parameters.find("price"); price != parameters.end()) {
    parameters.insert_or_assign("original_price", price->second);
  }
  flag(parameters, "price_is_discounted");
  parameters.insert_or_assign("price", AnalyticsValue(std::int64_t{0}));
  parameters.insert_or_assign("value", AnalyticsValue(std::int64_t{0}));
}

void applyDiscountPricing(Parameters& parameters, const Product& product, std::int64_t quantity) {
  if (isSet(parameters, "free_trial")) {
    applyFreeTrialPricing(parameters);
    return;
  }
  if (!isSet(parameters, "price_is_discounted") || !product.introductoryPrice) return;
  const auto& discount = *product.introductoryPrice;
  if (discount.paymentMode == DiscountPaymentMode::FreeTrial) {
    applyFreeTrialPricing(parameters);
    return;
  }
  if (!discount.price) return;
  auto price = purchaseValueMicros(*discount.price, 1);
  if (!price) return;
  if (auto list = parameters.find("price"); list != parameters.end()) {
    parameters.insert_or_assign("original_price", list->second);
  }
  parameters.insert_or_assign("price", AnalyticsValue(*price));
  if (quantity != 0) {
    if (auto value = purchaseValueMicros(*discount.price, quantity)) parameters.insert_or_assign("value", AnalyticsValue(*value));
  }
}

}  // namespace

std::optional<Parameters> inAppPurchaseEventParameters(const Product* product, const PaymentTransaction* transaction,
                                                             const std::vector<InAppPurchaseItem>& purchaseItems) {
  if (!product) {
    verbose(messages::kTransactionWithoutProduct, "IAP Transaction cannot be created from nil product");
    return std::nullopt;
  }
  if (product->productIdentifier.empty()) {
    verbose(messages::kTransactionWithoutProductID, "IAP Transaction cannot be created from empty or nil product ID");
    return std::nullopt;
  }
  if (!transaction) {
    verbose(messages::kTransactionFromNilTransaction, "IAP Transaction cannot be created from nil transaction");
    return std::nullopt;
  }
  Parameters parameters;
  parameters.emplace("product_id", AnalyticsValue(product->productIdentifier));
  std::int64_t quantity = transaction->payment.quantity;
  if (product->price) {
    if (auto price = purchaseValueMicros(*product->price, 1)) {
      parameters.emplace("price", AnalyticsValue(*price));
      if (quantity != 0) {
        if (auto value = purchaseValueMicros(*product->price, quantity)) parameters.emplace("value", AnalyticsValue(*value));
        parameters.emplace("quantity", AnalyticsValue(quantity));
      }
    }
  }
  if (product->currencyCode && !product->currencyCode->empty()) {
    parameters.emplace("currency", AnalyticsValue(*product->currencyCode));
  }
  if (product->localizedTitle && !product->localizedTitle->empty()) {
    parameters.emplace("product_name", AnalyticsValue(*product->localizedTitle));
  }

  std::vector<InAppPurchaseItem> ofProduct;
  for (const auto& item : purchaseItems) {
    if (item.productID == product->productIdentifier) ofProduct.push_back(item);
  }
  classify(parameters, *transaction, ofProduct);
  applyDiscountPricing(parameters, *product, quantity);

  for (const char* required : {"price", "value", "currency", "product_id"}) {
    if (!parameters.contains(required)) return std::nullopt;
  }
  return parameters;
}

std::int64_t purchaseItemFingerprint(const std::string& originalTransactionID,
                                        const std::optional<std::int64_t>& webOrderLineItemID,
                                        const std::string& productID) {
  if (originalTransactionID.empty() || productID.empty()) return -1;
  std::string text = originalTransactionID;
  if (webOrderLineItemID) text += std::to_string(*webOrderLineItemID);
  text += productID;
  return md5Low64Bits(std::string_view(text));
}

std::optional<std::int64_t> purchaseValueMicros(const std::string& price, std::int64_t quantity) {
  auto decimal = DecimalNumber::parse(price);
  if (!decimal) return std::nullopt;
  double micros = decimal->multipliedBy(DecimalNumber::fromInt64(quantity))
                      .multipliedBy(DecimalNumber::fromInt64(1000000))
                      .doubleValue();
  // A value no int64 holds is no amount of money anyone paid.
  if (!(std::fabs(micros) < 9.2e18)) return std::nullopt;
  return static_cast<std::int64_t>(micros);
}

void markSubscriptionRenewalOrConversion(Parameters& parameters, const std::vector<InAppPurchaseItem>& items,
                                            const InAppPurchaseItem& item) {
  if (items.empty() || item.originalTransactionID == item.transactionID) return;
  const InAppPurchaseItem* previous = nullptr;
  for (std::size_t k = 1; k < items.size(); ++k) {
    if (&items[k] == &item) previous = &items[k - 1];
  }
  flag(parameters, previous && previous->isFreeTrial() ? "sub_convert" : "sub_renew");
}

std::optional<std::int64_t> purchaseItemDateSeconds(const std::string& text) {
  std::tm tm{};
  int consumed = 0;
  if (text.size() != 20 || std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2dZ%n", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                                       &tm.tm_hour, &tm.tm_min, &tm.tm_sec, &consumed) != 6 ||
      consumed != 20) {
    return std::nullopt;
  }
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  return static_cast<std::int64_t>(timegm(&tm));
}

}  // namespace sdk::analytics

