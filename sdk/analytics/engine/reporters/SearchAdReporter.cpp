#include "sdk/analytics/engine/reporters/SearchAdReporter.h"

#include <cmath>
#include <cstdint>

#include "platform/foundation/Clock.h"
#include "platform/runtime/LoadHooks.h"
#include "sdk/analytics/engine/reporters/ReporterHost.h"
#include "sdk/analytics/engine/reporters/ReportersMessageCodes.h"
#include "sdk/analytics/foundation/Alarm.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"

namespace sdk::analytics {

using platform::foundation::Dictionary;
using platform::foundation::Value;

using sdk::analytics::monitor;
using sdk::analytics::now;

namespace {

constexpr int kSearchAdLoadOrder = 60;

// The service answers flags as text ("true") or as numbers: text reads as the phone's string-to-bool
// does, true when its first significant character is Y, T or a digit 1-9.
bool flagValue(const Value& value) {
  if (value.isNumber()) return value.toBool();
  const std::string* text = value.string();
  if (!text) return false;
  std::size_t at = text->find_first_not_of(" \t\n\r");
  if (at == std::string::npos) return false;
  if ((*text)[at] == '+' || (*text)[at] == '-') ++at;
  while (at < text->size() && (*text)[at] == '0') ++at;
  if (at >= text->size()) return false;
  const char c = (*text)[at];
  return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

std::string textValue(const Dictionary& dictionary, const char* key) {
  auto found = dictionary.find(key);
  if (found == dictionary.end()) return {};
  if (const std::string* text = found->second.string()) return *text;
  return found->second.isNumber() ? found->second.description() : std::string();
}

[[maybe_unused]] const bool searchAdReporterRegistered = (platform::runtime::addLoadHook(kSearchAdLoadOrder, &SearchAdReporter::installFactory), true);

}  // namespace

std::shared_ptr<SearchAdReporter> SearchAdReporter::initWithWorkerQueue(
    std::shared_ptr<platform::dispatch::Queue> queue, std::shared_ptr<PersistedConfig> persistedConfig) {
  if (!queue) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kSearchAdReporterWithoutQueue,
                           "Cannot init Search Ad reporter. Queue must be provided");
    return nullptr;
  }
  if (!persistedConfig) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kSearchAdReporterWithoutConfig,
                           "Cannot init Search Ad reporter. Persisted config must be provided");
    return nullptr;
  }
  if (persistedConfig->searchAdRetryCount() > kMaxLookups - 1) return nullptr;
  if (persistedConfig->searchAdCampaignValue().isNumber()) {
    monitor()->logWithLevel(LogLevel::kDebug, messages::kSearchAdAlreadyReportedNotStarting,
                           "Search Ad campaign attribution was already reported. Do not start Search Ad Reporter.");
    return nullptr;
  }
  return std::make_shared<SearchAdReporter>(Private{}, std::move(queue), std::move(persistedConfig));
}

void SearchAdReporter::installFactory() {
  sdk::analytics::SearchAdReporting::setFactory(
      [](std::shared_ptr<platform::dispatch::Queue> queue, std::shared_ptr<PersistedConfig> persisted) {
        return std::static_pointer_cast<sdk::analytics::SearchAdReporting>(
            initWithWorkerQueue(std::move(queue), std::move(persisted)));
      });
}

SearchAdReporter::SearchAdReporter(Private, std::shared_ptr<platform::dispatch::Queue> queue,
                                         std::shared_ptr<PersistedConfig> persistedConfig)
    : persistedConfig_(std::move(persistedConfig)),
      client_(platform::store::AdAttributionClient::sharedClient()),
      alarm_(std::make_shared<Alarm>(std::move(queue), kAlarmName)) {}

SearchAdReporter::~SearchAdReporter() { cancelScheduling(); }

std::shared_ptr<Alarm> SearchAdReporter::alarm() const {
  std::lock_guard lock(mutex_);
  return alarm_;
}

void SearchAdReporter::setSearchAdReporterEnabled(bool enabled) {
  bool switchedBackOn;
  {
    std::lock_guard lock(mutex_);
    switchedBackOn = enabled && !enabled_ && started_;
    enabled_ = enabled;
  }
  // Collection switched back on after start: the lookup that switching off cancelled is due again.
  if (switchedBackOn) {
    scheduleSearchAdReport();
  } else if (auto pending = alarm(); pending && !enabled) {
    pending->cancel();
  }
}

bool SearchAdReporter::isSearchAdReporterEnabled() const {
  std::lock_guard lock(mutex_);
  return enabled_;
}

void SearchAdReporter::start() {
  if (!client_) {
    monitor()->logWithLevel(LogLevel::kDebug, messages::kAdFrameworkNotLinked,
                           "iAd framework is not linked. Search Ad Attribution Reporter is disabled.");
    return;
  }
  {
    std::lock_guard lock(mutex_);
    started_ = true;
  }
  scheduleSearchAdReport();
}

void SearchAdReporter::scheduleSearchAdReport() {
  auto pending = alarm();
  if (!pending) {
    monitor()->logWithLevel(LogLevel::kSilentWarning, messages::kSearchAdAlarmAlreadyCanceled,
                           "Search Ad Campaign attribution alarm is already canceled");
    return;
  }
  if (!isSearchAdReporterEnabled()) {
    pending->cancel();
    return;
  }
  if (persistedConfig_->searchAdCampaignValue().isNumber()) {
    monitor()->logWithLevel(LogLevel::kDebug, messages::kSearchAdAlreadyReportedNotScheduled,
                           "Search Ad report not scheduled. Search Ad campaign attribution was already reported.");
    cancelScheduling();
    return;
  }
  if (pending->scheduledTimestamp()) {
    monitor()->logWithLevel(LogLevel::kSilentWarning, messages::kSearchAdAlarmAlreadyScheduled,
                           "Search Ad Campaign attribution alarm is already scheduled");
    return;
  }
  if (persistedConfig_->searchAdRetryCount() >= kMaxLookups) {
    monitor()->logWithLevel(LogLevel::kSilentWarning, messages::kSearchAdRetriesExceeded,
                           "Search Ad Campaign attribution exceeds the max number of retries. Do not schedule again.");
    cancelScheduling();
    return;
  }
  monitor()->logWithLevel(LogLevel::kDebug, messages::kSearchAdTimerScheduling, "Scheduling Search Ad Report timer");
  // More than a day since the last lookup (or none yet) makes the delay negative: the lookup runs now.
  const double delay = kLookupInterval - std::fabs(now() - persistedConfig_->lastSearchAdLookUpTimestamp());
  std::weak_ptr<SearchAdReporter> weak = weak_from_this();
  pending->runAfterDelay(delay, [weak] {
    if (auto self = weak.lock()) self->maybeLogIAdCampaignEvent();
  });
}

void SearchAdReporter::cancelScheduling() {
  std::shared_ptr<Alarm> dropped;
  {
    std::lock_guard lock(mutex_);
    dropped = std::move(alarm_);
  }
  if (dropped) dropped->cancel();
}

void SearchAdReporter::maybeLogIAdCampaignEvent() {
  if (!client_) return;
  persistedConfig_->setLastSearchAdLookUpTimestamp(now());
  fetchAttributionDetails();
  scheduleSearchAdReport();
}

void SearchAdReporter::fetchAttributionDetails() {
  if (!client_) return;
  // Counted before asking: a lookup that never answers still uses up one of the ten.
  persistedConfig_->setSearchAdRetryCount(persistedConfig_->searchAdRetryCount() + 1);
  std::weak_ptr<SearchAdReporter> weak = weak_from_this();
  client_->requestAttributionDetails([weak](const std::optional<Dictionary>& details,
                                            const std::optional<platform::foundation::Error>& error) {
    if (auto self = weak.lock()) self->handleAttributionDetails(details, error);
  });
}

void SearchAdReporter::handleAttributionDetails(const std::optional<Dictionary>& details,
                                                   const std::optional<platform::foundation::Error>& error) {
  if (error) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kSearchAdRequestFailed,
                           "Cannot send request for Search Ad campaign attribution. Error",
                           Value(error->description()));
    scheduleSearchAdReport();
    return;
  }
  if (!details) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kSearchAdDetailsEmpty,
                           "Cannot get Search Ad campaign attribution. Search Ad details are empty");
    scheduleSearchAdReport();
    return;
  }
  const Dictionary* answer = details->empty() ? nullptr : details->begin()->second.dictionary();
  if (!answer || answer->empty()) {
    scheduleSearchAdReport();
    return;
  }
  const bool attributed = answer->contains("iad-attribution") && flagValue(answer->at("iad-attribution"));
  const std::string campaign = textValue(*answer, "iad-campaign-name");
  const std::string term = textValue(*answer, "iad-keyword");
  if (textValue(*answer, "iad-campaign-id") == kPlaceholderCampaignID && campaign == kPlaceholderCampaignName) {
    monitor()->logWithLevel(LogLevel::kSilentError, messages::kSearchAdDummyData,
                           "Search Ad Reporter returns dummy data. Will retry next time.");
    scheduleSearchAdReport();
    return;
  }
  logCampaignEventWithSearchAdCampaign(attributed, campaign, term);
  cancelScheduling();
}

void SearchAdReporter::logCampaignEventWithSearchAdCampaign(bool attributed, const std::string& campaign,
                                                               const std::string& term) {
  Dictionary parameters;
  {
    std::lock_guard lock(answerMutex_);
    if (persistedConfig_->searchAdCampaignValue().isNumber()) {
      monitor()->logWithLevel(LogLevel::kSilentWarning, messages::kSearchAdCampaignAlreadyTracked,
                             "Search Ad Campaign is already tracked");
      return;
    }
    persistedConfig_->setSearchAdCampaignValue(Value(attributed));
  }
  if (!attributed) return;
  parameters.emplace("source", Value("Apple"));
  parameters.emplace("medium", Value("search"));
  if (!campaign.empty()) parameters.emplace("campaign", Value(campaign));
  if (!term.empty()) parameters.emplace("term", Value(term));
  if (const std::int64_t firstOpen = persistedConfig_->firstOpenTimestampMilliseconds(); firstOpen >= 2) {
    parameters.emplace("click_timestamp", Value(firstOpen - 1));
  } else {
    monitor()->logWithLevel(LogLevel::kSilentWarning, messages::kSearchAdWithoutClickTimestamp,
                           "Search Ad Campaign does not have click_timestamp.");
  }
  sdk::analytics::ReporterHost::current()->logInternalEvent("auto", "_cmp", parameters, std::nullopt);
}

}  // namespace sdk::analytics

