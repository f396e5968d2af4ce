#include "sdk/installations/SingleOperationPromiseCache.h"

#include "platform/foundation/Exception.h"

namespace sdk::installations {

SingleOperationPromiseCache::SingleOperationPromiseCache(Handler newOperationHandler)
    : newOperationHandler_(std::move(newOperationHandler)) {
  if (!newOperationHandler_) {
    throw platform::foundation::Exception("NSInvalidArgumentException", "`newOperationHandler` must not be `nil`.");
  }
}

sdk::promises::Promise::Ptr SingleOperationPromiseCache::getExistingPendingOrCreateNewPromise() {
  std::lock_guard lock(state_->mutex);
  if (state_->pending) return state_->pending;
  sdk::promises::Promise::Ptr promise = newOperationHandler_();
  state_->pending = promise;
  std::weak_ptr<State> weakState = state_;
  std::weak_ptr<sdk::promises::Promise> settled = promise;
  auto clear = [weakState, settled] {
    auto state = weakState.lock();
    if (!state) return;
    std::lock_guard clearLock(state->mutex);
    if (state->pending == settled.lock()) state->pending.reset();
  };
  promise->observeOnQueue(sdk::promises::Promise::defaultDispatchQueue(), [clear](const platform::foundation::Value&) { clear(); },
                          [clear](const platform::foundation::Error&) { clear(); });
  return promise;
}

sdk::promises::Promise::Ptr SingleOperationPromiseCache::getExistingPendingPromise() {
  std::lock_guard lock(state_->mutex);
  return state_->pending;
}

}  // namespace sdk::installations

