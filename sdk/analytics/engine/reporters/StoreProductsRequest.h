#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "platform/dispatch/Queue.h"
#include "platform/store/ProductsRequest.h"

namespace sdk::analytics {

// One products request to the store, answered once on the caller's queue.
class StoreProductsRequest : public platform::store::ProductsRequestDelegate,
                           public std::enable_shared_from_this<StoreProductsRequest> {
 public:
  using Products = std::map<std::string, platform::store::Product>;
  using CompletionHandler = std::function<void(std::optional<Products> valid, std::optional<std::set<std::string>> invalid,
                                               std::optional<platform::foundation::Error> error)>;

  // Needs a queue and a handler.
  static void requestProductsWithProductIdentifiers(const std::set<std::string>& identifiers,
                                                    std::shared_ptr<platform::dispatch::Queue> queue,
                                                    CompletionHandler completionHandler);

  static std::shared_ptr<StoreProductsRequest> initWithProductIdentifiers(const std::set<std::string>& identifiers);
  void requestWithQueue(std::shared_ptr<platform::dispatch::Queue> queue, CompletionHandler completionHandler);
  void clearInstance();

  void productsRequestDidReceiveResponse(const platform::store::ProductsResponse& response) override;
  void productsRequestDidFail(const platform::foundation::Error& error) override;

 private:
  StoreProductsRequest() = default;
  // The handler and its queue, taken out so a second answer finds nothing.
  std::pair<std::shared_ptr<platform::dispatch::Queue>, CompletionHandler> take();

  std::mutex mutex_;
  std::shared_ptr<platform::store::ProductsRequest> productsRequest_;
  CompletionHandler completionHandler_;
  std::shared_ptr<platform::dispatch::Queue> queue_;
  // Keeps the object alive until its answer, as the store keeps a started request.
  std::shared_ptr<StoreProductsRequest> self_;
};

}  // namespace sdk::analytics

