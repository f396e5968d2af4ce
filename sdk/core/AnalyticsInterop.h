#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Value.h"
#include "platform/runtime/Protocol.h"

// What other SDK libraries may ask of analytics, found in an app's component container under the
// protocol "ZEDIvadazudoInterop". It sits beside the container so that a library below analytics (the
// crash reporter) can use analytics when it is linked, and do without it when it is not.

namespace sdk::core {

// Receives the app's logged events that the connector passes on, always on the main queue.
class AnalyticsInteropListener {
 public:
  virtual ~AnalyticsInteropListener() = default;
  // Parameters are plain numbers and strings.
  virtual void messageTriggered(const std::string& name, const platform::foundation::Dictionary& parameters) = 0;
};

class AnalyticsInterop {
 public:
  using Dictionary = platform::foundation::Dictionary;

  virtual ~AnalyticsInterop() = default;

  static const platform::runtime::Protocol* protocol() {
    static const auto* interop = platform::runtime::Protocol::obtain("ZEDIvadazudoInterop");
    return interop;
  }

  virtual void logEventWithOrigin(const std::string& origin, const std::string& name,
                                  const std::optional<Dictionary>& parameters) = 0;
  virtual void setUserPropertyWithOrigin(const std::string& origin, const std::string& name,
                                         const platform::foundation::Value& value) = 0;
  // Public properties only; the callback runs on the connector's queue.
  virtual void getUserPropertiesWithCallback(std::function<void(const Dictionary&)> callback) = 0;
  // Blocks for at most 10 seconds; 0 when no answer came in time.
  virtual std::int64_t maxUserProperties(const std::string& origin) = 0;
  virtual void setConditionalUserProperty(const Dictionary& property) = 0;
  // {"name", "value"} for each property with a name and a string value.
  virtual platform::foundation::Array conditionalUserProperties(const std::string& origin,
                                                                const std::string& propertyNamePrefix) = 0;
  virtual void clearConditionalUserProperty(const std::string& userPropertyName, const std::string& origin,
                                            const std::string& clearEventName,
                                            const Dictionary& clearEventParameters) = 0;
  // One listener per allowed origin; a second registration for an origin replaces the first.
  virtual void registerAnalyticsListener(std::shared_ptr<AnalyticsInteropListener> listener,
                                         const std::string& origin) = 0;
  virtual void unregisterAnalyticsListenerWithOrigin(const std::string& origin) = 0;
};

}  // namespace sdk::core

