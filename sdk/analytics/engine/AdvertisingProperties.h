#pragma once

#include <cstdint>
#include <optional>

#include "platform/foundation/SequenceChecker.h"

namespace sdk::analytics {

class MeasurementEngine;

// The user properties about advertising the engine keeps itself: "_npa" (personalised ads off) from
// the app's choice or the info dictionary's default, and "_lair" once a device advertising ID has
// been seen.
class AdvertisingProperties {
 public:
  explicit AdvertisingProperties(MeasurementEngine& engine) : engine_(engine) {}

  // 1 when personalised ads are off, 0 when on, nothing when neither the app nor its defaults say.
  std::optional<std::int64_t> shouldDisableAdPersonalization();
  void setPersonalizedAdsUserPropertyOnWorkerQueue();
  void setLastAdvertisingIDResetUserPropertyOnWorkerQueue();

 private:
  MeasurementEngine& engine_;
  // Only the engine's worker queue runs this: a debug run stops on a call from anywhere else.
  platform::foundation::SequenceChecker sequenceChecker_;
};

}  // namespace sdk::analytics
