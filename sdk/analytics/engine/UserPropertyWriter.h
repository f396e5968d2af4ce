#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/SequenceChecker.h"
#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/UserAttribute.h"

namespace sdk::analytics {

class MeasurementDatabase;

// Writes, removes and reads user properties in the measurement database under their limits: at most
// `maxPublicUserProperties` public ones and 25 per other origin; replacing a value is never
// limited. Worker queue only.
class UserPropertyWriter {
 public:
  static constexpr std::int64_t kMaxUserPropertiesPerOrigin = 25;

  struct Limits {
    std::int64_t maxPublicUserProperties = 25;
    // A new user ID makes the last advertising-ID reset property stale.
    bool lastAdvertisingIDResetFeatureEnabled = true;
  };

  explicit UserPropertyWriter(std::shared_ptr<MeasurementDatabase> database);

  void setUserAttributeOnWorkerQueue(const UserAttribute& attribute, bool enabled, const Limits& limits);
  [[nodiscard]] bool setUserPropertyInDatabaseOnWorkerQueue(const UserAttribute& attribute, const Limits& limits);
  void removeUserAttributeOnWorkerQueue(const UserAttribute& attribute, bool enabled);

  std::optional<UserAttribute> userAttributeWithName(const std::string& name);
  // Name to string, double or integer value; public ones only unless `includingInternal`.
  platform::foundation::Dictionary userPropertiesIncludingInternal(bool includingInternal);

 private:
  std::shared_ptr<MeasurementDatabase> database_;
  // Only the engine's worker queue runs this: a debug run stops on a call from anywhere else.
  platform::foundation::SequenceChecker sequenceChecker_;
};

}  // namespace sdk::analytics

