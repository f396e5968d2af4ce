#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Value.h"

namespace sdk::analytics {

class MeasurementEngine;

// What the engine asks of the campaign and deep-link reporter, which sits above the engine among the
// automatic reporters. The reporters install the factory at load; without them every call is a no-op.
class CampaignReporting {
 public:
  using Dictionary = platform::foundation::Dictionary;
  using Factory = std::function<std::shared_ptr<CampaignReporting>(std::weak_ptr<MeasurementEngine>)>;

  virtual ~CampaignReporting() = default;

  // A link the app was opened with while running; refused on the worker queue.
  virtual void handleNonFirstOpenEventURL(const std::string& url, double eventTimestampSeconds) = 0;
  // Worker queue: the campaign event of a link (nothing: no link, only the extras). String and number
  // extras go in beside the link's query, which wins on a clash; a number "_cc" of 1 makes it "_cmpx".
  virtual void handleOpenURLOnWorkerQueue(const std::optional<std::string>& url,
                                          std::optional<std::int64_t> clickTimestampMs, double eventTimestampSeconds,
                                          const Dictionary& extraParameters) = 0;
  // Worker queue, at start when no launch link is parked: asks the deep-link service when allowed.
  virtual void requestDeferredDeepLinkIfAllowedOnWorkerQueue() = 0;
  // Worker queue, once the engine has started (no click time) and at first open (the first-open time
  // less a millisecond, so the campaign sorts before the open it led to): the parked launch link.
  virtual void reportParkedLinkOnWorkerQueue(std::optional<std::int64_t> clickTimestampMs) = 0;

  // A reporter working for `engine`; nullptr when the reporters are not linked in.
  static std::shared_ptr<CampaignReporting> create(std::weak_ptr<MeasurementEngine> engine);
  static void setFactory(Factory factory);
};

}  // namespace sdk::analytics

