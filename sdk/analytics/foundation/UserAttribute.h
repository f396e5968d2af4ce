#pragma once

#include <memory>
#include <string>

#include "sdk/analytics/foundation/AnalyticsValue.h"

namespace sdk::analytics {

class ProtoUserAttribute;

// One user property as stored: who set it, its name and value, and when (seconds since 1970).
struct UserAttribute {
  UserAttribute(std::string origin, std::string name, AnalyticsValue value, double lastSetTimestamp)
      : origin(std::move(origin)), name(std::move(name)), value(std::move(value)), lastSetTimestamp(lastSetTimestamp) {}

  std::string origin;
  std::string name;
  AnalyticsValue value;
  double lastSetTimestamp = 0;

  bool isPublic() const { return !name.empty() && name.front() != '_'; }
  // The property as a message (see ProtoConversions.h).
  std::shared_ptr<ProtoUserAttribute> protoUserAttribute() const;
  bool operator==(const UserAttribute&) const = default;
};

}  // namespace sdk::analytics

