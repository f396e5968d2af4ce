#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Value.h"

namespace sdk::analytics {

// Where the automatic reporters send what they measure: events and internal user properties through
// the analytics facade, and whether the app is in the foreground. Tests put a recording host in force.
class ReporterHost {
 public:
  using Dictionary = platform::foundation::Dictionary;
  using Value = platform::foundation::Value;

  virtual ~ReporterHost() = default;

  // An internal event; without a timestamp the facade stamps it when it takes it.
  virtual void logInternalEvent(const std::string& origin, const std::string& name, const Dictionary& parameters,
                                std::optional<double> timestamp) = 0;
  // Nil removes the property.
  virtual void setInternalUserProperty(const Value& value, const std::string& name, const std::string& origin) = 0;
  virtual bool isAppActive() = 0;

  // The host in force: the installed one, else the facade.
  static std::shared_ptr<ReporterHost> current();
  // nullptr puts the facade back.
  static void setCurrent(std::shared_ptr<ReporterHost> host);
};

}  // namespace sdk::analytics

