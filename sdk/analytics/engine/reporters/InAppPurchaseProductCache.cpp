#include "sdk/analytics/engine/reporters/InAppPurchaseProductCache.h"

namespace sdk::analytics {

std::shared_ptr<InAppPurchaseProductCache> InAppPurchaseProductCache::sharedInstance() {
  static auto instance = std::make_shared<InAppPurchaseProductCache>();
  return instance;
}

InAppPurchaseProductCache::InAppPurchaseProductCache()
    : lockQueue_(platform::dispatch::Queue::serial("com.vadeze.vmp.measurement.iap-cache")) {}

std::optional<platform::store::Product> InAppPurchaseProductCache::cachedProductForProductIdentifier(
    const std::string& identifier) {
  std::optional<platform::store::Product> product;
  lockQueue_->sync([&] {
    if (auto it = validProducts_.find(identifier); it != validProducts_.end()) product = it->second;
  });
  return product;
}

std::size_t InAppPurchaseProductCache::validCount() {
  std::size_t count = 0;
  lockQueue_->sync([&] { count = validProducts_.size(); });
  return count;
}

std::set<std::string> InAppPurchaseProductCache::invalidProductIdentifiers() {
  std::set<std::string> invalid;
  lockQueue_->sync([&] { invalid = invalidProductIdentifiers_; });
  return invalid;
}

void InAppPurchaseProductCache::addAnswer(const std::optional<StoreProductsRequest::Products>& valid,
                                             const std::optional<std::set<std::string>>& invalid) {
  if (valid) {
    for (const auto& [identifier, product] : *valid) {
      validProducts_.insert_or_assign(identifier, product);
      invalidProductIdentifiers_.erase(identifier);
    }
  }
  if (invalid) {
    for (const auto& identifier : *invalid) {
      validProducts_.erase(identifier);
      invalidProductIdentifiers_.insert(identifier);
    }
  }
  if (validProducts_.size() + invalidProductIdentifiers_.size() > kMaxEntries) {
    validProducts_ = valid.value_or(StoreProductsRequest::Products{});
    invalidProductIdentifiers_ = invalid.value_or(std::set<std::string>{});
  }
}

void InAppPurchaseProductCache::requestProductsWithProductIdentifiers(
    const std::set<std::string>& identifiers, std::shared_ptr<platform::dispatch::Queue> queue,
    StoreProductsRequest::CompletionHandler completionHandler) {
  if (!queue || !completionHandler) return;
  auto self = shared_from_this();
  StoreProductsRequest::requestProductsWithProductIdentifiers(
      identifiers, lockQueue_,
      [self, queue, completionHandler](std::optional<StoreProductsRequest::Products> valid,
                                                                std::optional<std::set<std::string>> invalid,
                                                                std::optional<platform::foundation::Error> error) {
        self->addAnswer(valid, invalid);
        queue->async([=] { completionHandler(valid, invalid, error); });
      });
}

}  // namespace sdk::analytics

