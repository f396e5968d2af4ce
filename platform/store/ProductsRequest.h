#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/store/Store.h"

namespace platform::store {

struct ProductsResponse {
  std::vector<Product> products;
  std::vector<std::string> invalidProductIdentifiers;
};

class ProductsRequestDelegate {
 public:
  virtual ~ProductsRequestDelegate() = default;
  virtual void productsRequestDidReceiveResponse(const ProductsResponse& response) = 0;
  virtual void productsRequestDidFail(const foundation::Error& error) = 0;
};

// Asks the store about products. The store is a backend installed process-wide; without one (there is
// no store on this platform) every request fails with an error, so callers never wait forever.
class ProductsRequest : public std::enable_shared_from_this<ProductsRequest> {
 public:
  using Answer = std::function<void(std::optional<ProductsResponse>, std::optional<foundation::Error>)>;
  // Answers the identifiers through `answer`, now or later, from any thread.
  using Backend = std::function<void(const std::set<std::string>& identifiers, Answer answer)>;

  static void setBackend(Backend backend);

  // Nothing for an empty set of identifiers.
  static std::shared_ptr<ProductsRequest> make(std::set<std::string> productIdentifiers);

  void setDelegate(std::weak_ptr<ProductsRequestDelegate> delegate);
  void start();
  const std::set<std::string>& productIdentifiers() const { return identifiers_; }

 private:
  explicit ProductsRequest(std::set<std::string> identifiers) : identifiers_(std::move(identifiers)) {}

  std::set<std::string> identifiers_;
  std::mutex mutex_;
  std::weak_ptr<ProductsRequestDelegate> delegate_;
};

}  // namespace platform::store
