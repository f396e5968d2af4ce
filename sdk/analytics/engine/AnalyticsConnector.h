#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/foundation/ConditionalUserProperty.h"
#include "sdk/core/Component.h"
#include "sdk/core/AnalyticsInterop.h"

namespace platform::dispatch {
class Queue;
}

namespace sdk::analytics {

// The analytics component other SDK libraries find under "ZEDIvadazudoInterop": they log events and
// set user properties under their own origin, manage conditional user properties, and register one
// listener per origin that hears the app's logged events (on the main queue). The lists of
// ConnectorFilter decide what may pass either way.
class AnalyticsConnector final : public platform::runtime::Object,
                                    public sdk::core::AnalyticsInterop {
 public:
  static constexpr platform::runtime::NativeClass<platform::runtime::Object> kRuntimeClass{
      "ZEDIvadazudoConnector", platform::runtime::Image::Sdk};
  static constexpr const char* kLibraryName = "vure-analytics";
  static constexpr const char* kQueueLabel = "com.vadeze.analytics_connector.queue";
  static constexpr double kMaxUserPropertiesTimeout = 10;

  // Registers the library with the core; run by the load hooks.
  static void registerLibrary();
  static std::vector<sdk::core::Component::Ptr> componentsToRegister();
  static std::shared_ptr<platform::dispatch::Queue> queue();

  AnalyticsConnector() : Object(platform::runtime::classOf<AnalyticsConnector>()) {}

  // --- AnalyticsInterop
  void logEventWithOrigin(const std::string& origin, const std::string& name,
                          const std::optional<Dictionary>& parameters) override;
  void setUserPropertyWithOrigin(const std::string& origin, const std::string& name,
                                 const platform::foundation::Value& value) override;
  void getUserPropertiesWithCallback(std::function<void(const Dictionary&)> callback) override;
  std::int64_t maxUserProperties(const std::string& origin) override;
  void setConditionalUserProperty(const Dictionary& property) override;
  platform::foundation::Array conditionalUserProperties(const std::string& origin,
                                                        const std::string& propertyNamePrefix) override;
  void clearConditionalUserProperty(const std::string& userPropertyName, const std::string& origin,
                                    const std::string& clearEventName, const Dictionary& clearEventParameters) override;
  void registerAnalyticsListener(std::shared_ptr<sdk::core::AnalyticsInteropListener> listener,
                                 const std::string& origin) override;
  void unregisterAnalyticsListenerWithOrigin(const std::string& origin) override;

  // Event building: origin, name, timestamp (seconds; now when absent), parameters.
  static std::optional<AnalyticsEvent> eventFromDictionary(const platform::foundation::Value& dictionary);
  static std::optional<AnalyticsEvent> eventWithOrigin(const std::string& origin, const std::string& eventName,
                                                 const Dictionary& params);
  // Known fields in their own types; others are logged and skipped.
  static ConditionalUserProperty conditionalUserPropertyFromDictionary(const Dictionary& fields);
  // Numbers and strings; item arrays are left out.
  static Dictionary simplifiedParametersFromEventParameters(const Parameters& parameters);

 private:
  void handleLoggedEvent(const AnalyticsEvent& event);

  std::mutex mutex_;  // listeners change on any thread and are read on the facade's serial queue
  std::optional<Analytics::ListenerToken> logEventListener_;
  std::map<std::string, std::shared_ptr<sdk::core::AnalyticsInteropListener>> listeners_;
};

}  // namespace sdk::analytics

