#include "sdk/analytics/engine/reporters/StoreProductsRequest.h"

#include "sdk/analytics/foundation/MeasurementError.h"

namespace sdk::analytics {

using platform::foundation::Error;

void StoreProductsRequest::requestProductsWithProductIdentifiers(const std::set<std::string>& identifiers,
                                                               std::shared_ptr<platform::dispatch::Queue> queue,
                                                               CompletionHandler completionHandler) {
  if (!queue || !completionHandler) return;
  auto request = initWithProductIdentifiers(identifiers);
  if (!request) {
    queue->async([completionHandler] {
      completionHandler(std::nullopt, std::nullopt, measurementErrorWithCode(1, "Invalid product identifiers."));
    });
    return;
  }
  request->requestWithQueue(std::move(queue), std::move(completionHandler));
}

std::shared_ptr<StoreProductsRequest> StoreProductsRequest::initWithProductIdentifiers(const std::set<std::string>& identifiers) {
  auto storeRequest = platform::store::ProductsRequest::make(identifiers);
  if (!storeRequest) return nullptr;
  std::shared_ptr<StoreProductsRequest> request(new StoreProductsRequest());
  request->productsRequest_ = std::move(storeRequest);
  return request;
}

void StoreProductsRequest::requestWithQueue(std::shared_ptr<platform::dispatch::Queue> queue,
                                          CompletionHandler completionHandler) {
  std::shared_ptr<platform::store::ProductsRequest> request;
  {
    std::lock_guard lock(mutex_);
    queue_ = std::move(queue);
    completionHandler_ = std::move(completionHandler);
    self_ = shared_from_this();
    request = productsRequest_;
  }
  if (!request) return;
  request->setDelegate(weak_from_this());
  request->start();
}

std::pair<std::shared_ptr<platform::dispatch::Queue>, StoreProductsRequest::CompletionHandler> StoreProductsRequest::take() {
  std::lock_guard lock(mutex_);
  return {queue_, completionHandler_};
}

void StoreProductsRequest::clearInstance() {
  std::shared_ptr<StoreProductsRequest> self;
  std::lock_guard lock(mutex_);
  productsRequest_.reset();
  completionHandler_ = nullptr;
  queue_.reset();
  self = std::move(self_);  // released after the lock
}

void StoreProductsRequest::productsRequestDidReceiveResponse(const platform::store::ProductsResponse& response) {
  auto [queue, handler] = take();
  if (queue && handler) {
    Products valid;
    for (const auto& product : response.products) {
      if (!product.productIdentifier.empty()) valid.insert_or_assign(product.productIdentifier, product);
    }
    std::set<std::string> invalid(response.invalidProductIdentifiers.begin(), response.invalidProductIdentifiers.end());
    queue->async([handler, valid = std::move(valid), invalid = std::move(invalid)] { handler(valid, invalid, std::nullopt); });
  }
  clearInstance();
}

void StoreProductsRequest::productsRequestDidFail(const Error& error) {
  auto [queue, handler] = take();
  if (queue && handler) queue->async([handler, error] { handler(std::nullopt, std::nullopt, error); });
  clearInstance();
}

}  // namespace sdk::analytics

