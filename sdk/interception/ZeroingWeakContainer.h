#pragma once

#include <memory>

#include "platform/runtime/Object.h"

namespace sdk::interception {

// Holds a delegate interceptor without keeping it alive. SDK components register themselves and may go
// away without unregistering; their entry then reads empty and is dropped at the next delivery.
class ZeroingWeakContainer {
 public:
  ZeroingWeakContainer() = default;
  explicit ZeroingWeakContainer(const std::shared_ptr<platform::runtime::Object>& interceptor)
      : object(interceptor) {}

  std::weak_ptr<platform::runtime::Object> object;
};

// Scene-delegate interceptors live in a table of their own, held the same way.
using SceneZeroingWeakContainer = ZeroingWeakContainer;

}  // namespace sdk::interception

