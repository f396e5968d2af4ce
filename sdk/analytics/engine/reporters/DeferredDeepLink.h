#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Error.h"
#include "platform/foundation/Value.h"
#include "platform/net/URLRequest.h"

namespace sdk::analytics {

class MeasurementEngine;

class CampaignReporter;

// The deferred deep link of a fresh install: at each start, until the service has answered once or
// the retry limit is met, the engine asks the deep-link service for the link the user followed
// before installing. A link in the answer is handed to the app delegate's open-URL method on the main
// thread, as if the system had opened it, and then reported as a campaign with "_cis" = "ddp".
//
// The answer is untrusted: bodies above kMaxResponseBytes or nested deeper than kMaxJsonDepth are
// refused before they are parsed.
class DeferredDeepLink : public std::enable_shared_from_this<DeferredDeepLink> {
 public:
  static constexpr const char* kPath = "/pagead/conversion/app/deeplink";
  static constexpr const char* kEnabledInfoKey = "VADEZE_ANALYTICS_DEFERRED_DEEP_LINK_ENABLED";
  static constexpr const char* kDebugArgument = "-DebugDeferredDeepLink";
  static constexpr const char* kDeliveryBlockID = "APMMeasurement:310";
  static constexpr std::size_t kMaxResponseBytes = 64 * 1024;
  static constexpr int kMaxJsonDepth = 16;

  DeferredDeepLink(std::weak_ptr<MeasurementEngine> engine, std::shared_ptr<CampaignReporter> campaigns);

  // Worker queue. Marks retrieval complete once the retry limit is met.
  bool shouldAllowRequestDeferredDeepLink();
  // Worker queue: one GET; the answer comes back on the worker queue while the engine lives.
  void requestDeferredDeepLink();
  // The answer's object when its "deeplink" is a URL; nothing otherwise (logged where it matters).
  static std::optional<platform::foundation::Dictionary> deepLinkInfoFromResponseData(const std::string& body);
  void handleDeferredDeepLinkInfo(const platform::foundation::Dictionary& info);
  // Main thread: false when the app delegate has no open-URL method with options.
  [[nodiscard]] static bool sendDeepLinkURLToAppDelegateOnMainThread(const std::string& url,
                                                                     const platform::foundation::Value& options);

 private:
  std::string requestURL(MeasurementEngine& engine) const;
  void handleResponse(MeasurementEngine& engine, const std::optional<platform::net::HTTPURLResponse>& response,
                      const std::optional<platform::foundation::Data>& data,
                      const std::optional<platform::foundation::Error>& error);

  const std::weak_ptr<MeasurementEngine> engine_;
  const std::shared_ptr<CampaignReporter> campaigns_;
};

}  // namespace sdk::analytics

