#pragma once

#include <optional>
#include <string>

#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/AnalyticsValue.h"

namespace sdk::analytics {

// What the facade needs of the screen-view reporter, which sits above the engine and installs itself
// with the facade: the current screen, logged screen views, and whether the app is in the foreground.
class ScreenViewReporting {
 public:
  virtual ~ScreenViewReporting() = default;

  // "_sn", "_sc" and "_si" of the screen on display; empty when none is known.
  virtual Parameters screenParameters() = 0;
  // A "screen_view" the app logged itself (seconds since 1970).
  virtual void trackScreenWithParameters(const platform::foundation::Dictionary& parameters, double timestamp) = 0;
  // Main thread only.
  virtual void setScreenName(const std::optional<std::string>& screenName,
                             const std::optional<std::string>& screenClass) = 0;
  virtual bool isAppActive() = 0;
};

}  // namespace sdk::analytics

