#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/foundation/Error.h"
#include "platform/foundation/ErrorOr.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"

namespace sdk::analytics {

class MeasurementDatabase;
class RemoteConfig;

// Drops events of a bundle by the sampling rate the configuration gives their name: of rate r, one
// in r stays on average and carries "_sr" = r, and the first event of each day (on the account's time
// zone) always stays, marked with "_efs". The state per name lives in its aggregates row, written back
// at the end, so a failed bundling transaction leaves it untouched. Worker queue only.
class EventSampler {
 public:
  using Error = platform::foundation::Error;
  using Events = std::vector<std::shared_ptr<ProtoEvent>>;
  // A uniform integer in [0, bound).
  using RandomSource = std::function<std::int32_t(std::int32_t bound)>;

  // Without a random source, a generator seeded from the system's entropy.
  EventSampler(std::shared_ptr<MeasurementDatabase> database, std::shared_ptr<RemoteConfig> settings,
               RandomSource random = {});

  // The kept events in the given order; the error when the aggregates can't be read or written.
  platform::foundation::ErrorOr<Events> sampleEvents(const Events& events);
  bool canEventBeSampled(const ProtoEvent& event);
  bool isEventBundledAfterRoll(std::int32_t rate);

  static RandomSource systemRandomSource();

 private:
  std::shared_ptr<MeasurementDatabase> database_;
  std::shared_ptr<RemoteConfig> settings_;
  RandomSource random_;
};

}  // namespace sdk::analytics

