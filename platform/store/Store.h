#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Error.h"

namespace platform::store {

// How a discounted first period is paid.
enum class DiscountPaymentMode { PayAsYouGo = 0, PayUpFront = 1, FreeTrial = 2 };

// A discounted introductory price of a product.
struct ProductDiscount {
  std::optional<std::string> price;  // decimal text, "0.49"
  DiscountPaymentMode paymentMode = DiscountPaymentMode::PayAsYouGo;
};

// A product as the store describes it. Prices are decimal text so that no binary rounding touches
// money before it is counted.
struct Product {
  std::string productIdentifier;
  std::optional<std::string> localizedTitle;
  std::optional<std::string> price;         // decimal text, "0.99"
  std::optional<std::string> currencyCode;  // of the price locale, "EUR"
  std::optional<ProductDiscount> introductoryPrice;
};

struct Payment {
  std::string productIdentifier;
  std::int64_t quantity = 1;
};

enum class TransactionState { Purchasing = 0, Purchased = 1, Failed = 2, Restored = 3, Deferred = 4 };

struct PaymentTransaction {
  TransactionState transactionState = TransactionState::Purchasing;
  std::optional<std::string> transactionIdentifier;
  double transactionDate = 0;  // seconds since 1970
  Payment payment;
  std::shared_ptr<const PaymentTransaction> originalTransaction;
  std::optional<foundation::Error> error;
};

inline constexpr const char* kStoreErrorDomain = "platform.store";

}  // namespace platform::store
