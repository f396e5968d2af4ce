#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>

#include "sdk/analytics/engine/reporters/StoreProductsRequest.h"

namespace sdk::analytics {

// The store's products the purchase reporter has asked about, at most 100 valid and invalid together:
// an answer that would make them more replaces them with that answer alone.
class InAppPurchaseProductCache : public std::enable_shared_from_this<InAppPurchaseProductCache> {
 public:
  static constexpr std::size_t kMaxEntries = 100;

  static std::shared_ptr<InAppPurchaseProductCache> sharedInstance();
  InAppPurchaseProductCache();

  std::optional<platform::store::Product> cachedProductForProductIdentifier(const std::string& identifier);
  // Nothing happens without a queue or a handler; the handler gets the answer as received.
  void requestProductsWithProductIdentifiers(const std::set<std::string>& identifiers,
                                             std::shared_ptr<platform::dispatch::Queue> queue,
                                             StoreProductsRequest::CompletionHandler completionHandler);

  std::size_t validCount();
  std::set<std::string> invalidProductIdentifiers();

 private:
  void addAnswer(const std::optional<StoreProductsRequest::Products>& valid, const std::optional<std::set<std::string>>& invalid);

  std::shared_ptr<platform::dispatch::Queue> lockQueue_;
  // Touched only on lockQueue_.
  StoreProductsRequest::Products validProducts_;
  std::set<std::string> invalidProductIdentifiers_;
};

}  // namespace sdk::analytics

