#include "platform/store/ProductsRequest.h"

namespace platform::store {
namespace {

std::mutex& backendMutex() {
  static std::mutex mutex;
  return mutex;
}

ProductsRequest::Backend& backendSlot() {
  static ProductsRequest::Backend backend;
  return backend;
}

}  // namespace

void ProductsRequest::setBackend(Backend backend) {
  std::lock_guard lock(backendMutex());
  backendSlot() = std::move(backend);
}

std::shared_ptr<ProductsRequest> ProductsRequest::make(std::set<std::string> productIdentifiers) {
  if (productIdentifiers.empty()) return nullptr;
  return std::shared_ptr<ProductsRequest>(new ProductsRequest(std::move(productIdentifiers)));
}

void ProductsRequest::setDelegate(std::weak_ptr<ProductsRequestDelegate> delegate) {
  std::lock_guard lock(mutex_);
  delegate_ = std::move(delegate);
}

void ProductsRequest::start() {
  Backend backend;
  {
    std::lock_guard lock(backendMutex());
    backend = backendSlot();
  }
  // The request stays alive until its answer is delivered, as a started store request does.
  auto self = shared_from_this();
  Answer answer = [self](std::optional<ProductsResponse> response, std::optional<foundation::Error> error) {
    std::shared_ptr<ProductsRequestDelegate> delegate;
    {
      std::lock_guard lock(self->mutex_);
      delegate = self->delegate_.lock();
    }
    if (!delegate) return;
    if (response && !error) {
      delegate->productsRequestDidReceiveResponse(*response);
    } else {
      delegate->productsRequestDidFail(error.value_or(foundation::Error::make(kStoreErrorDomain, 0, "No answer")));
    }
  };
  if (!backend) {
    answer(std::nullopt, foundation::Error::make(kStoreErrorDomain, 1, "The store is not available."));
    return;
  }
  backend(identifiers_, std::move(answer));
}

}  // namespace platform::store
