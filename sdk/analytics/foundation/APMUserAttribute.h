#pragma once

#include <memory>
#include <string>

#include "sdk/analytics/foundation/APMValue.h"

class APMPBUserAttribute;

// One user property as stored: who set it, its name and value, and when (seconds since 1970).
struct APMUserAttribute {
  APMUserAttribute(std::string origin, std::string name, APMValue value, double lastSetTimestamp)
      : origin(std::move(origin)), name(std::move(name)), value(std::move(value)), lastSetTimestamp(lastSetTimestamp) {}

  std::string origin;
  std::string name;
  APMValue value;
  double lastSetTimestamp = 0;

  bool isPublic() const { return !name.empty() && name.front() != '_'; }
  // The property as a message (see APMProtoConversions.h).
  std::shared_ptr<APMPBUserAttribute> protoUserAttribute() const;
  bool operator==(const APMUserAttribute&) const = default;
};
