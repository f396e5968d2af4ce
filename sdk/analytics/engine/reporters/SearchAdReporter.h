#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Value.h"
#include "platform/store/AdAttributionClient.h"
#include "sdk/analytics/engine/SearchAdReporting.h"

namespace sdk::analytics {

class Alarm;
class PersistedConfig;

// Asks the device's search-ad attribution service, at most once a day and ten times in all, whether
// the app was installed from a search-ad campaign, and reports the first real answer once as "_cmp"
// with source "Apple" and medium "search".
//
// Persisted states: no answer and fewer than ten lookups (the next one is due a day after the last);
// an answer stored (never asked again, no reporter at later starts); ten lookups without an answer
// (never asked again). Within a run the alarm exists from creation until cancelScheduling().
class SearchAdReporter final : public sdk::analytics::SearchAdReporting,
                                  public std::enable_shared_from_this<SearchAdReporter> {
  struct Private {
    explicit Private() = default;
  };

 public:
  static constexpr const char* kAlarmName = "Search Ad campaign report alarm";
  static constexpr std::int64_t kMaxLookups = 10;
  static constexpr double kLookupInterval = 86400;
  // The answer the service gives while it has nothing real to tell.
  static constexpr const char* kPlaceholderCampaignID = "1234567890";
  static constexpr const char* kPlaceholderCampaignName = "CampaignName";

  // nullptr (logged) without a queue or persisted settings, and when no lookup is due ever again.
  static std::shared_ptr<SearchAdReporter> initWithWorkerQueue(std::shared_ptr<platform::dispatch::Queue> queue,
                                                                  std::shared_ptr<PersistedConfig> persistedConfig);
  // Makes the engine create this reporter at start.
  static void installFactory();

  SearchAdReporter(Private, std::shared_ptr<platform::dispatch::Queue> queue,
                      std::shared_ptr<PersistedConfig> persistedConfig);
  ~SearchAdReporter() override;

  void start() override;
  void scheduleSearchAdReport();
  void cancelScheduling();
  void maybeLogIAdCampaignEvent();
  void fetchAttributionDetails();
  void logCampaignEventWithSearchAdCampaign(bool attributed, const std::string& campaign, const std::string& term);
  // The device's attribution service, as it was when the reporter was made; nullptr when there is none.
  std::shared_ptr<platform::store::AdAttributionClient> adClientInstance() const { return client_; }
  void setSearchAdReporterEnabled(bool enabled) override;
  bool isSearchAdReporterEnabled() const;

 private:
  void handleAttributionDetails(const std::optional<platform::foundation::Dictionary>& details,
                                const std::optional<platform::foundation::Error>& error);
  std::shared_ptr<Alarm> alarm() const;

  const std::shared_ptr<PersistedConfig> persistedConfig_;
  const std::shared_ptr<platform::store::AdAttributionClient> client_;
  mutable std::mutex mutex_;
  std::shared_ptr<Alarm> alarm_;  // nullptr once cancelled
  bool enabled_ = false;
  bool started_ = false;  // started with a service to ask
  // Two answers arriving together must not both store and report.
  std::mutex answerMutex_;
};

}  // namespace sdk::analytics

