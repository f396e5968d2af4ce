#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "platform/foundation/Error.h"
#include "platform/foundation/Value.h"

namespace platform::store {

// The device's search-ad attribution service: asked whether the app was installed from a search-ad
// campaign, it answers a dictionary of attribution details keyed by version, each a dictionary of
// "iad-..." entries. There is no such service on this platform, so sharedClient() is nullptr unless
// something (a test's fake service) installs one.
class AdAttributionClient {
 public:
  using Completion = std::function<void(const std::optional<foundation::Dictionary>& attributionDetails,
                                        const std::optional<foundation::Error>& error)>;

  virtual ~AdAttributionClient() = default;

  // The completion may run on any thread, at once or later.
  virtual void requestAttributionDetails(Completion completion) = 0;

  static std::shared_ptr<AdAttributionClient> sharedClient();
  static void setSharedClient(std::shared_ptr<AdAttributionClient> client);
};

}  // namespace platform::store
