#pragma once

#include <functional>
#include <memory>
#include <mutex>

#include "sdk/promises/VBLPromise.h"

// Single flight: while one operation is pending, every caller gets its promise; the next call after
// it settles starts a new one.
class VURInstallationsSingleOperationPromiseCache {
 public:
  using Handler = std::function<VBLPromise::Ptr()>;

  // An empty handler raises NSInvalidArgumentException.
  explicit VURInstallationsSingleOperationPromiseCache(Handler newOperationHandler);

  VBLPromise::Ptr getExistingPendingOrCreateNewPromise();
  VBLPromise::Ptr getExistingPendingPromise();

 private:
  struct State {
    std::mutex mutex;
    VBLPromise::Ptr pending;
  };

  Handler newOperationHandler_;
  std::shared_ptr<State> state_ = std::make_shared<State>();
};
