#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/foundation/SequenceChecker.h"
#include "platform/foundation/Value.h"

namespace sdk::analytics {

class PersistedConfig;

// The parameters the app asks to add to every event it logs, kept whole in the persisted settings in
// the form the app gave them (strings and numbers). Worker queue only.
class DefaultEventParameters {
 public:
  using Dictionary = platform::foundation::Dictionary;

  explicit DefaultEventParameters(std::shared_ptr<PersistedConfig> persistedConfig);

  // The stored defaults overlaid with `parameters` (the event's own win); `parameters` unchanged
  // when nothing is stored.
  Dictionary parametersWithAddedDefaultEventParameters(const Dictionary& parameters) const;

  // Merges `parameters` into the stored defaults: a null value removes its name, nothing at all
  // clears them. Refused names and values are logged and skipped; beyond `maxPublicEventParams`
  // the names that sort last are dropped (error event 26).
  void handleSetDefaultEventParametersOnWorkerQueue(const std::optional<Dictionary>& parameters, bool enabled,
                                                    std::int64_t maxPublicEventParams);

 private:
  std::shared_ptr<PersistedConfig> persistedConfig_;
  // Only the engine's worker queue runs this: a debug run stops on a call from anywhere else.
  platform::foundation::SequenceChecker sequenceChecker_;
};

}  // namespace sdk::analytics

