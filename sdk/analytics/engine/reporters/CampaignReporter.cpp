#include "sdk/analytics/engine/reporters/CampaignReporter.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <utility>

#include "platform/foundation/Utf8.h"
#include "platform/runtime/LoadHooks.h"
#include "platform/ui/Application.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/AppDelegateInterceptor.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/MeasurementEngine.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/engine/EventHandler.h"
#include "sdk/analytics/engine/MeasurementEventPipeline.h"
#include "sdk/analytics/engine/ParkedCampaignLink.h"
#include "sdk/analytics/engine/reporters/DeferredDeepLink.h"
#include "sdk/analytics/engine/reporters/ReportersMessageCodes.h"
#include "sdk/analytics/foundation/DataTypeValidator.h"
#include "sdk/analytics/foundation/AnalyticsEvent.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NumericUtil.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/QueryString.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/foundation/UserDefaultsSuite.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"
#include "sdk/analytics/foundation/WorkerQueueCheck.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Value;
using platform::foundation::Utf8;

constexpr int kCampaignLoadOrder = 60;
constexpr const char* kLaunchURLKey = "UIApplicationLaunchOptionsURLKey";
constexpr const char* kLaunchActivityDictionaryKey = "UIApplicationLaunchOptionsUserActivityDictionaryKey";
constexpr const char* kLaunchActivityKey = "UIApplicationLaunchOptionsUserActivityKey";

// URL query key -> event parameter.
constexpr std::array<std::pair<const char*, const char*>, 11> kCampaignParameters{{
    {"utm_source", "source"},
    {"utm_medium", "medium"},
    {"utm_campaign", "campaign"},
    {"utm_term", "term"},
    {"utm_content", "content"},
    {"cp1", "cp1"},
    {"aclid", "aclid"},
    {"anid", "anid"},
    {"gclid", "gclid"},
    {"gbraid", "gbraid"},
    {"cis", "_cis"},
}};
constexpr std::array<const char*, 5> kRequiredKeys{"utm_campaign", "gclid", "utm_medium", "utm_source", "gbraid"};

// The query of a link: what lies between "?" and "#".
std::string queryOf(const std::string& url) {
  const std::size_t question = url.find('?');
  if (question == std::string::npos) return {};
  const std::size_t fragment = url.find('#', question);
  return url.substr(question + 1, fragment == std::string::npos ? std::string::npos : fragment - question - 1);
}

// As parameter sanitising cuts public values: the cut text with "..." fills the limit.
std::string cut(const std::string& text) {
  if (Utf8::length(text) <= CampaignReporter::kMaxValueLength) return text;
  return Utf8::substring(text, 0, CampaignReporter::kMaxValueLength - 3) + "...";
}

Value dictionaryValue(const std::map<std::string, std::string>& map) {
  platform::foundation::Dictionary dictionary;
  for (const auto& [key, value] : map) dictionary.emplace(key, Value(value));
  return Value(std::move(dictionary));
}

std::optional<std::string> launchActivityLink(const platform::foundation::Dictionary& options) {
  auto entry = options.find(kLaunchActivityDictionaryKey);
  const auto* activities = entry == options.end() ? nullptr : entry->second.dictionary();
  if (!activities || activities->empty()) return std::nullopt;
  auto found = activities->find(kLaunchActivityKey);
  if (found == activities->end()) return std::nullopt;
  auto box = found->second.objectAs<platform::ui::UserActivityBox>();
  if (!box) return std::nullopt;
  auto link = deepLinkFromUserActivity(&box->activity);
  if (!link || link->empty()) return std::nullopt;
  return link;
}

[[maybe_unused]] const bool campaignReporterRegistered = (platform::runtime::addLoadHook(kCampaignLoadOrder, &CampaignReporter::installFactory), true);

}  // namespace

CampaignReporter::CampaignReporter(std::weak_ptr<MeasurementEngine> engine) : engine_(std::move(engine)) {}

void CampaignReporter::installFactory() {
  static std::once_flag once;
  std::call_once(once, [] {
    CampaignReporting::setFactory([](std::weak_ptr<MeasurementEngine> engine) -> std::shared_ptr<CampaignReporting> {
      return std::make_shared<CampaignReporter>(std::move(engine));
    });
    // Never destroyed: the observation lasts as long as the process.
    static auto* launches = new platform::foundation::NotificationCenter::Observation(
        platform::foundation::NotificationCenter::defaultCenter().addObserver(
            platform::ui::kApplicationDidFinishLaunchingNotification,
            [](const platform::foundation::Notification& notification) {
              if (!notification.userInfo.isNil()) handleStoredURLAfterAppLaunchWithNotification(notification.userInfo);
            }));
    (void)launches;
  });
}

void CampaignReporter::handleStoredURLAfterAppLaunchWithNotification(const Value& userInfo) {
  const auto* options = userInfo.dictionary();
  if (!options) return;
  std::optional<std::string> link = launchActivityLink(*options);
  if (!link) {
    auto url = options->find(kLaunchURLKey);
    if (url != options->end() && url->second.string() && !url->second.string()->empty()) link = *url->second.string();
  }
  if (link) parkCampaignLink(*UserDefaultsSuite::standardUserDefaults(), *link);
}

void CampaignReporter::handleNonFirstOpenEventURL(const std::string& url, double eventTimestampSeconds) {
  auto engine = engine_.lock();
  if (!engine) return;
  if (engine->scheduler()->workerQueue()->isCurrent()) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kOpenURLOnWorkerQueue,
                           "Do not call handleNonFirstOpenOpenURL on the measurement worker queue");
    return;
  }
  handleOpenURL(url, std::nullopt, eventTimestampSeconds);
}

void CampaignReporter::handleOpenURL(const std::string& url, std::optional<std::int64_t> clickTimestampMs,
                                     double eventTimestampSeconds) {
  auto engine = engine_.lock();
  if (!engine || url.empty()) return;
  auto self = shared_from_this();
  engine->scheduler()->scheduleOnWorkerQueueBlockID(kOpenURLBlockID, [self, url, clickTimestampMs,
                                                                      eventTimestampSeconds] {
    self->handleOpenURLOnWorkerQueue(url, clickTimestampMs, eventTimestampSeconds, {});
  });
}

bool CampaignReporter::isValidCampaignURLParamDictionary(const std::map<std::string, std::string>& parameters) {
  return std::any_of(kRequiredKeys.begin(), kRequiredKeys.end(), [&](const char* key) {
    auto found = parameters.find(key);
    return found != parameters.end() && !found->second.empty();
  });
}

bool CampaignReporter::shouldAllowClickID() const {
  auto engine = engine_.lock();
  auto identity = engine ? engine->components().identity() : nullptr;
  if (!identity || !identity->iOS14OrAbove()) return true;
  if (auto deviceID = identity->resettableDeviceID(); deviceID && !deviceID->empty()) return true;
  return identity->appleConsentStatus() == Identity::kConsentAuthorized;
}

void CampaignReporter::handleOpenURLOnWorkerQueue(const std::optional<std::string>& url,
                                                  std::optional<std::int64_t> clickTimestampMs,
                                                  double eventTimestampSeconds, const Dictionary& extraParameters) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "handleOpenURLOnWorkerQueue");
  auto engine = engine_.lock();
  auto pipeline = engine ? engine->components().pipeline() : nullptr;
  if (!pipeline) return;

  std::map<std::string, std::string> linkParameters;
  Parameters numbers;
  for (const auto& [key, value] : extraParameters) {
    if (const std::string* text = value.string()) {
      linkParameters[key] = *text;
    } else if (value.isNumber()) {
      if (auto number = AnalyticsValue::valueFromObject(value)) numbers.insert_or_assign(key, *number);
    }
  }
  for (auto& [key, value] : dictionaryFromQueryString(queryOf(url.value_or("")))) {
    linkParameters[key] = std::move(value);
  }
  if (linkParameters.empty()) {
    monitor()->logWithLevel(LogLevel::kDebug, messages::kDeepLinkQueryEmpty, "Deep Link Web URL query is empty");
    return;
  }
  if (!isValidCampaignURLParamDictionary(linkParameters)) {
    monitor()->logWithLevel(LogLevel::kWarning, messages::kDeepLinkParamsInvalid,
                           "Deep Link does not contain valid required params. URL params",
                           dictionaryValue(linkParameters));
    return;
  }

  Parameters parameters;
  for (const auto& [urlKey, parameter] : kCampaignParameters) {
    auto found = linkParameters.find(urlKey);
    if (found != linkParameters.end() && !found->second.empty()) {
      parameters.insert_or_assign(parameter, AnalyticsValue(cut(found->second)));
    }
  }
  if (!shouldAllowClickID()) parameters.erase("gclid");
  for (const auto& [key, number] : numbers) parameters.insert_or_assign(key, number);
  if (clickTimestampMs) parameters.insert_or_assign("click_timestamp", AnalyticsValue(*clickTimestampMs));

  const double firstOpen = static_cast<double>(engine->persistedConfig()->firstOpenTimestampMilliseconds()) / 1000.0;
  const double timestamp = std::max(firstOpen, eventTimestampSeconds);

  // The click identifier is stored whole, as the click service issued it, when it fits the
  // user-property rules; the event carries it cut like every other campaign value.
  if (auto gbraid = linkParameters.find("gbraid"); gbraid != linkParameters.end() && !gbraid->second.empty()) {
    AnalyticsValue value(gbraid->second);
    if (DataTypeValidator::isValidInternalUserAttributeValue(value, "_gbraid", nullptr)) {
      (void)pipeline->userProperties().setUserPropertyInDatabaseOnWorkerQueue(
          UserAttribute("auto", "_gbraid", value, timestamp), pipeline->userPropertyLimits());
    } else {
      monitor()->logWithLevel(LogLevel::kWarning, messages::kDeepLinkClickIdentifierInvalid,
                             "Deep Link click identifier is not valid and is not stored. Length",
                             Value(static_cast<std::int64_t>(Utf8::length(gbraid->second))));
    }
  }

  auto expired = numbers.find("_cc");
  const bool isExpired = expired != numbers.end() && expired->second.objectValue().isNumber() &&
                         expired->second.objectValue().toDouble() == 1;
  auto event = AnalyticsEvent::create("auto", false, isExpired ? "_cmpx" : "_cmp", timestamp, 0, std::move(parameters));
  if (!event) return;
  pipeline->handler().handleInternalEventOnWorkerQueue(*event);
  Analytics::notifyEventListeners(*event);
}

void CampaignReporter::reportParkedLinkOnWorkerQueue(std::optional<std::int64_t> clickTimestampMs) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "reportParkedLinkOnWorkerQueue");
  auto engine = engine_.lock();
  if (!engine) return;
  auto& defaults = *UserDefaultsSuite::standardUserDefaults();
  auto link = parkedCampaignLink(defaults);
  if (!link) return;
  const double parkedAt = defaults.doubleForKey(kParkedCampaignLinkTimestampKey);
  Dictionary extras;
  if (isParkedCampaignLinkExpired(defaults, engine->components().remoteConfig()->attributionCacheTTLInterval())) {
    link = "(not set)";
    extras = {{"utm_source", Value("(not set)")}, {"utm_medium", Value("(not set)")}, {"_cc", Value(std::int64_t{1})}};
  } else {
    extras = {{"_cc", Value(campaignClickHour(NumericUtil::millisecondsFromSeconds(parkedAt)))}};
  }
  forgetParkedCampaignLink(defaults);
  handleOpenURLOnWorkerQueue(*link, clickTimestampMs, parkedAt, extras);
}

void CampaignReporter::requestDeferredDeepLinkIfAllowedOnWorkerQueue() {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "requestDeferredDeepLinkIfAllowedOnWorkerQueue");
  auto deepLink = std::make_shared<DeferredDeepLink>(engine_, shared_from_this());
  if (deepLink->shouldAllowRequestDeferredDeepLink()) deepLink->requestDeferredDeepLink();
}

}  // namespace sdk::analytics

