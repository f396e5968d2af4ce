#pragma once

#include <functional>
#include <string>

#include "platform/foundation/Value.h"
#include "platform/runtime/Object.h"

namespace sdk::core {

// One object per (host, key), made on first request and kept with the host for as long as it lives.
class AssociationRegistration {
 public:
  // The object made for `key` on `host`, making it with `creationBlock` when there is none yet (a nil
  // result is not kept). Asking for the same host and key from inside the block raises an exception
  // named "Reentering registeredObjectWithHost:key:creationBlock: not allowed". All hosts share one
  // lock, so blocks must not wait on another thread that asks.
  static platform::foundation::Value registeredObjectWithHost(platform::runtime::Object& host, const std::string& key,
                                                              const std::function<platform::foundation::Value()>& creationBlock);
};

}  // namespace sdk::core

