#pragma once

#include <optional>
#include <set>
#include <string>

#include "platform/foundation/Value.h"

namespace sdk::analytics {

// The allow and block lists that decide what other SDK libraries may pass into analytics through the
// connector, and which of the app's events they may hear.
class ConnectorFilter {
 public:
  static const std::set<std::string>& allowedListenerOrigins();
  static const std::set<std::string>& blocklistedOrigins();
  static const std::set<std::string>& blocklistedEventNames();
  static const std::set<std::string>& blocklistedParameters();
  static const std::set<std::string>& blocklistedUserProperties();
  static const std::set<std::string>& hiddenEventNames();

  static bool isOriginAllowed(const std::string& origin);
  // "app", or "app+" followed by anything.
  static bool isAppOrigin(const std::string& origin);
  static bool isListenerOriginAllowed(const std::string& origin);
  static bool isEventNameAllowedForListeners(const std::string& name);
  static bool shouldLogEventWithName(const std::string& name,
                                     const std::optional<platform::foundation::Dictionary>& parameters);
  static bool isUserPropertyAllowed(const std::string& name, const std::string& origin);
};

}  // namespace sdk::analytics

