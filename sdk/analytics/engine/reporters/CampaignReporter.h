#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/SequenceChecker.h"
#include "platform/foundation/Value.h"
#include "sdk/analytics/engine/CampaignReporting.h"

namespace sdk::analytics {

class MeasurementEngine;

// Turns the campaign parameters of the links the app is opened with into the campaign event "_cmp"
// (or "_cmpx" for a parked link that expired), and keeps the "gbraid" click identifier as the user
// property "_gbraid". Links come from the app delegate while the app runs, from the launch itself
// (parked until the engine has started) and from the deferred deep-link service.
//
// Everything in a link is untrusted: values are cut to 100 code points and a click identifier the
// user-property rules refuse is not stored.
class CampaignReporter final : public CampaignReporting, public std::enable_shared_from_this<CampaignReporter> {
 public:
  static constexpr std::size_t kMaxValueLength = 100;
  static constexpr const char* kOpenURLBlockID = "APMMeasurement:388";

  explicit CampaignReporter(std::weak_ptr<MeasurementEngine> engine);

  // Makes the engine use this reporter, and parks the link the app is launched with.
  static void installFactory();
  // The launch options of the did-finish-launching notification: a continued web-browsing activity's
  // page, else the opened URL, is parked for the engine.
  static void handleStoredURLAfterAppLaunchWithNotification(const platform::foundation::Value& userInfo);

  void handleNonFirstOpenEventURL(const std::string& url, double eventTimestampSeconds) override;
  void handleOpenURL(const std::string& url, std::optional<std::int64_t> clickTimestampMs,
                     double eventTimestampSeconds);
  void handleOpenURLOnWorkerQueue(const std::optional<std::string>& url, std::optional<std::int64_t> clickTimestampMs,
                                  double eventTimestampSeconds, const Dictionary& extraParameters) override;
  void requestDeferredDeepLinkIfAllowedOnWorkerQueue() override;
  // Worker queue, once the engine has started: the parked launch link, forgotten and reported with
  // "_cc" = the hour before it was parked, or, past the time to live, as a "(not set)" campaign.
  void reportParkedLinkOnWorkerQueue(std::optional<std::int64_t> clickTimestampMs) override;

  // At least one of the keys that make a campaign has a non-empty value.
  static bool isValidCampaignURLParamDictionary(const std::map<std::string, std::string>& parameters);
  // The ad click identifier may be kept: before the tracking prompt existed, with an advertising
  // identifier, or with tracking authorised.
  bool shouldAllowClickID() const;

 private:
  // Only the engine's worker queue runs the ...OnWorkerQueue functions: a debug run stops on a call from anywhere else.
  platform::foundation::SequenceChecker sequenceChecker_;
  const std::weak_ptr<MeasurementEngine> engine_;
};

}  // namespace sdk::analytics

