#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Value.h"
#include "sdk/analytics/engine/LoggedEventRouter.h"
#include "sdk/analytics/foundation/UserAttribute.h"
#include "sdk/analytics/foundation/AnalyticsValue.h"

namespace sdk::analytics {

// The facade's name for the engine's interceptor type.
using LogEventInterceptor = EventInterceptor;

// What the analytics facade asks of the measurement engine. Every call comes from the facade's serial
// queue; the engine moves the work onto its worker queue and answers queries on a global queue.
class FacadeEngine {
 public:
  using Dictionary = platform::foundation::Dictionary;

  virtual ~FacadeEngine() = default;

  // One logged event with the facade's view of the switch at the time of the call.
  virtual void logEvent(const LoggedEvent& event) = 0;

  virtual void setEnabled(bool enabled) = 0;
  virtual bool wasEnabledDuringInitialization() const = 0;
  virtual bool didInitializeComponents() const = 0;
  virtual void setSessionTimeoutInterval(double seconds) = 0;

  // Nothing clears every default.
  virtual void setDefaultEventParameters(const std::optional<Dictionary>& parameters) = 0;
  virtual void setUserAttribute(const UserAttribute& attribute) = 0;
  virtual void removeUserAttribute(const UserAttribute& attribute) = 0;
  virtual void userPropertiesIncludingInternal(bool includingInternal,
                                               std::function<void(const Dictionary&)> callback) = 0;
  virtual void maxUserPropertiesForOrigin(const std::string& origin, std::function<void(std::int64_t)> callback) = 0;
  // The "_npa" value the stored choice asks for; nothing when no choice is known.
  virtual std::optional<std::int64_t> shouldDisableAdPersonalization() = 0;

  // Waits for the engine's worker queue.
  [[nodiscard]] virtual bool resetAnalyticsDataWithAppInstanceID(const std::optional<std::string>& appInstanceID) = 0;
  virtual void handleNonFirstOpenEventURL(const std::string& url, double timestamp) = 0;
};

// How the facade creates and finds the engine. The engine installs itself here when its library is
// linked; without it the facade's start creates nothing and events are dropped.
struct FacadeEngineAccess {
  std::function<void(const std::string& appID, bool isAnalyticsCollectionEnabled,
                     bool isAnalyticsCollectionDeactivated, const std::vector<std::string>& safelistedEvents)>
      initializeSharedInstance;
  std::function<std::shared_ptr<FacadeEngine>()> sharedInstance;
};

}  // namespace sdk::analytics

