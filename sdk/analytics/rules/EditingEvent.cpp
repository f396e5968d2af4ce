#include "sdk/analytics/rules/EditingEvent.h"

#include <cmath>

namespace sdk::analytics {

platform::foundation::Value EditingEvent::parameterForName(const std::string& key) const {
  auto it = parameters.find(key);
  return it == parameters.end() ? platform::foundation::Value() : it->second;
}

void EditingEvent::setParameter(const platform::foundation::Value& value, const std::string& key) {
  if (value.isNil()) parameters.erase(key);
  else parameters[key] = value;
}

bool EditingEvent::isEqualToEvent(const EditingEvent& other) const {
  if (this == &other) return true;
  return std::fabs(timestamp - other.timestamp) < 2.220446049250313e-16 && name == other.name &&
         parameters == other.parameters;
}

}  // namespace sdk::analytics

