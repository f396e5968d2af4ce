#include "sdk/installations/VURInstallationsSingleOperationPromiseCache.h"

#include "platform/foundation/Exception.h"

VURInstallationsSingleOperationPromiseCache::VURInstallationsSingleOperationPromiseCache(Handler newOperationHandler)
    : newOperationHandler_(std::move(newOperationHandler)) {
  if (!newOperationHandler_) {
    throw platform::foundation::Exception("NSInvalidArgumentException", "`newOperationHandler` must not be `nil`.");
  }
}

VBLPromise::Ptr VURInstallationsSingleOperationPromiseCache::getExistingPendingOrCreateNewPromise() {
  std::lock_guard lock(state_->mutex);
  if (state_->pending) return state_->pending;
  VBLPromise::Ptr promise = newOperationHandler_();
  state_->pending = promise;
  std::weak_ptr<State> weakState = state_;
  std::weak_ptr<VBLPromise> settled = promise;
  auto clear = [weakState, settled] {
    auto state = weakState.lock();
    if (!state) return;
    std::lock_guard clearLock(state->mutex);
    if (state->pending == settled.lock()) state->pending.reset();
  };
  promise->observeOnQueue(VBLPromise::defaultDispatchQueue(), [clear](const platform::foundation::Value&) { clear(); },
                          [clear](const platform::foundation::Error&) { clear(); });
  return promise;
}

VBLPromise::Ptr VURInstallationsSingleOperationPromiseCache::getExistingPendingPromise() {
  std::lock_guard lock(state_->mutex);
  return state_->pending;
}
