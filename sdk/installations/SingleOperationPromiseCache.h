#pragma once

#include <functional>
#include <memory>
#include <mutex>

#include "sdk/promises/Promise.h"

namespace sdk::installations {

// Single flight: while one operation is pending, every caller gets its promise; the next call after
// it settles starts a new one.
class SingleOperationPromiseCache {
 public:
  using Handler = std::function<sdk::promises::Promise::Ptr()>;

  // An empty handler raises NSInvalidArgumentException.
  explicit SingleOperationPromiseCache(Handler newOperationHandler);

  sdk::promises::Promise::Ptr getExistingPendingOrCreateNewPromise();
  sdk::promises::Promise::Ptr getExistingPendingPromise();

 private:
  struct State {
    std::mutex mutex;
    sdk::promises::Promise::Ptr pending;
  };

  Handler newOperationHandler_;
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace sdk::installations

