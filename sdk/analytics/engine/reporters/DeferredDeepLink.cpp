#include "sdk/analytics/engine/reporters/DeferredDeepLink.h"

#include <algorithm>
#include <cctype>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/ProcessArguments.h"
#include "platform/runtime/Send.h"
#include "platform/ui/Application.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/MeasurementEngine.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/engine/MeasurementUploader.h"
#include "sdk/analytics/engine/reporters/CampaignReporter.h"
#include "sdk/analytics/engine/reporters/ReportersMessageCodes.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/QueryString.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/foundation/ServiceURL.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Value;

// The command line warns of single-dash words nobody reads; this one is read.
[[maybe_unused]] const bool deferredDeepLinkSwitchDeclared =
    (platform::foundation::declareLaunchArguments({DeferredDeepLink::kDebugArgument}), true);

// How deeply arrays and objects nest, strings skipped; stops counting past `limit`.
int nestingDepth(std::string_view text, int limit) {
  int depth = 0;
  int deepest = 0;
  bool inString = false;
  for (std::size_t i = 0; i < text.size() && deepest <= limit; ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      deepest = std::max(deepest, ++depth);
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return deepest;
}

// A scheme ("name:") and something after it, without spaces or control characters.
bool formsURL(const std::string& text) {
  const std::size_t colon = text.find(':');
  if (colon == 0 || colon == std::string::npos || colon + 1 == text.size()) return false;
  if (!std::isalpha(static_cast<unsigned char>(text[0]))) return false;
  for (std::size_t i = 1; i < colon; ++i) {
    const char c = text[i];
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return false;
  }
  return std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == 0x7f; });
}

bool isSuccess(const std::optional<platform::net::HTTPURLResponse>& response,
               const std::optional<platform::foundation::Error>& error) {
  if (error || !response) return false;
  const auto status = response->statusCode;
  return status == 200 || status == 304 || status == 204;
}

}  // namespace

DeferredDeepLink::DeferredDeepLink(std::weak_ptr<MeasurementEngine> engine, std::shared_ptr<CampaignReporter> campaigns)
    : engine_(std::move(engine)), campaigns_(std::move(campaigns)) {}

bool DeferredDeepLink::shouldAllowRequestDeferredDeepLink() {
  auto engine = engine_.lock();
  if (!engine) return false;
  auto settings = engine->components().remoteConfig();
  auto persisted = engine->persistedConfig();
  auto identity = engine->components().identity();
  if (!settings || !persisted || !identity) return false;
  if (!settings->isDeferredDeepLinkEnabled()) {
    monitor()->logWithLevel(LogLevel::kSilentWarning, messages::kDeferredDeepLinkDisabled,
                           "Deferred Deep Link feature disabled");
    return false;
  }
  const Value& enabled = platform::foundation::Bundle::main()->objectForInfoDictionaryKey(kEnabledInfoKey);
  if (!enabled.isNumber() || !enabled.toBool()) return false;
  if (!persisted->deferredDeepLinkRetrievalComplete().isNil()) {
    monitor()->logWithLevel(LogLevel::kDebug, messages::kDeferredDeepLinkAlreadyRetrieved,
                           "Already retrieved Deferred Deep Link. Skipping");
    return false;
  }
  if (persisted->deferredDeepLinkRetryCount() >= settings->maxDeferredDeepLinkRetryCount()) {
    monitor()->logWithLevel(LogLevel::kWarning, messages::kDeferredDeepLinkRetryLimitReached,
                           "Failed to retrieve Deferred Deep Link. Reached retry limit");
    persisted->setDeferredDeepLinkRetrievalComplete(Value(std::int64_t{1}));
    return false;
  }
  if (!identity->hasLimitedAdTracking() || identity->limitedAdTracking()) {
    monitor()->logWithLevel(LogLevel::kWarning, messages::kDeferredDeepLinkWithoutAdvertisingID,
                           "IDFA unavailable to retrieve Deferred Deep Link. Skipping");
    return false;
  }
  monitor()->logWithLevel(LogLevel::kDebug, messages::kDeferredDeepLinkEnabled, "Deferred Deep Link feature enabled");
  return true;
}

std::string DeferredDeepLink::requestURL(MeasurementEngine& engine) const {
  const std::string base = serviceBaseURL();
  auto identity = engine.components().identity();
  if (base.empty() || !identity) return {};
  std::string url = base + kPath + "?" +
                    platform::foundation::format(
                        "sdk_version=%@&rdid=%@&id_type=idfa&bundleid=%@&retry=%@",
                        std::to_string(Identity::analyticsLibraryVersion()),
                        percentEncoded(identity->resettableDeviceID().value_or("")),
                        percentEncoded(identity->appID()),
                        std::to_string(engine.persistedConfig()->deferredDeepLinkRetryCount()));
  const auto arguments = platform::foundation::processArguments();
  if (!identity->isFromAppStore() && std::find(arguments.begin(), arguments.end(), kDebugArgument) != arguments.end()) {
    url += "&ddl_test=1";
  }
  return url;
}

void DeferredDeepLink::requestDeferredDeepLink() {
  auto engine = engine_.lock();
  auto network = engine ? engine->network() : nullptr;
  auto uploader = engine ? engine->components().uploader() : nullptr;
  const std::string url = engine ? requestURL(*engine) : std::string();
  if (url.empty() || !network || !uploader) {
    monitor()->logWithLevel(LogLevel::kWarning, messages::kDeferredDeepLinkURLInvalid,
                           "URL to retrieve Deferred Deep Link is invalid");
    return;
  }
  uploader->setIsNetworkRequestPending(true);
  network->setTimeoutInterval(engine->components().remoteConfig()->networkTimeout());
  std::weak_ptr<MeasurementEngine> weakEngine = engine_;
  auto self = shared_from_this();
  (void)network->getURL(url, {}, engine->scheduler()->workerQueue(), uploader->shouldUseBackgroundSession(),
                        [weakEngine, self](std::optional<platform::net::HTTPURLResponse> response,
                                           std::optional<platform::foundation::Data> data,
                                           std::optional<platform::foundation::Error> error) {
                          if (auto engine = weakEngine.lock()) self->handleResponse(*engine, response, data, error);
                        });
}

void DeferredDeepLink::handleResponse(MeasurementEngine& engine,
                                      const std::optional<platform::net::HTTPURLResponse>& response,
                                      const std::optional<platform::foundation::Data>& data,
                                      const std::optional<platform::foundation::Error>& error) {
  auto uploader = engine.components().uploader();
  if (uploader) uploader->setIsNetworkRequestPending(false);
  auto persisted = engine.persistedConfig();
  if (!isSuccess(response, error)) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kDeferredDeepLinkFetchFailed,
                           "Failed to retrieve Deferred Deep Link. Will retry on next launch. Code, error",
                           Value(response ? response->statusCode : std::int64_t{0}),
                           Value(error ? error->description() : std::string()));
    persisted->setDeferredDeepLinkRetryCount(persisted->deferredDeepLinkRetryCount() + 1);
    if (uploader) uploader->updateSchedule();
    return;
  }
  persisted->setDeferredDeepLinkRetrievalComplete(Value(std::int64_t{0}));
  const std::string body = data ? std::string(data->begin(), data->end()) : std::string();
  if (auto info = deepLinkInfoFromResponseData(body)) {
    monitor()->logWithLevel(LogLevel::kDebug, messages::kDeferredDeepLinkRetrieved,
                           "Successfully retrieved Deferred Deep Link");
    handleDeferredDeepLinkInfo(*info);
  } else if (uploader) {
    uploader->updateSchedule();
  }
}

std::optional<Dictionary> DeferredDeepLink::deepLinkInfoFromResponseData(const std::string& body) {
  if (body.empty()) {
    monitor()->logWithLevel(LogLevel::kVerbose, messages::kDeferredDeepLinkResponseEmpty,
                           "Deferred Deep Link response is empty");
    return std::nullopt;
  }
  const char* refusal = body.size() > kMaxResponseBytes                  ? "response too large"
                        : nestingDepth(body, kMaxJsonDepth) > kMaxJsonDepth ? "response nested too deeply"
                                                                             : nullptr;
  platform::foundation::Error parseError;
  const Value parsed = refusal ? Value() : platform::foundation::Json::parse(body, &parseError);
  if (parsed.isNil()) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kDeferredDeepLinkParseFailed,
                           "Failed to parse Deferred Deep Link from JSON. Error",
                           Value(refusal ? std::string(refusal) : parseError.description()));
    return std::nullopt;
  }
  const Dictionary* object = parsed.dictionary();
  if (!object || object->empty()) return std::nullopt;
  auto link = object->find("deeplink");
  if (link == object->end() || !link->second.string() || !formsURL(*link->second.string())) return std::nullopt;
  return *object;
}

void DeferredDeepLink::handleDeferredDeepLinkInfo(const Dictionary& info) {
  auto link = info.find("deeplink");
  if (link == info.end() || !link->second.string() || !formsURL(*link->second.string())) return;
  const std::string url = *link->second.string();
  Dictionary extras{{"cis", Value("ddp")}};
  for (const char* key : {"gclid", "gbraid"}) {
    if (auto found = info.find(key); found != info.end() && found->second.string()) extras.emplace(key, found->second);
  }
  Value options;
  if (auto timestamp = info.find("timestamp"); timestamp != info.end() && !timestamp->second.isNull()) {
    options = Value(Dictionary{{"timestamp", timestamp->second}});
  }
  monitor()->logWithLevel(LogLevel::kVerbose, messages::kDeferredDeepLinkSent,
                         "Sending Deferred Deep Link to app delegate");
  const double noted = platform::foundation::Clock::current()->now();
  std::weak_ptr<MeasurementEngine> weakEngine = engine_;
  auto campaigns = campaigns_;
  platform::dispatch::Queue::main()->async([weakEngine, campaigns, url, options, extras, noted] {
    if (!sendDeepLinkURLToAppDelegateOnMainThread(url, options)) {
      monitor()->logWithLevel(LogLevel::kWarning, messages::kDeferredDeepLinkHandlerMissing,
                             "App delegate not configured to handle Deferred Deep Link");
      return;
    }
    auto engine = weakEngine.lock();
    if (!engine) return;
    engine->scheduler()->scheduleOnWorkerQueueBlockID(kDeliveryBlockID, [campaigns, url, noted, extras] {
      campaigns->handleOpenURLOnWorkerQueue(url, std::nullopt, noted, extras);
    });
  });
}

bool DeferredDeepLink::sendDeepLinkURLToAppDelegateOnMainThread(const std::string& url, const Value& options) {
  auto application = platform::ui::Application::sharedApplication();
  auto delegate = application ? application->delegate() : nullptr;
  if (!delegate || !platform::runtime::respondsTo(delegate, platform::ui::kApplicationOpenURLOptions)) return false;
  (void)platform::runtime::send(delegate, platform::ui::kApplicationOpenURLOptions, *application, url, options);
  return true;
}

}  // namespace sdk::analytics

