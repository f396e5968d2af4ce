#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/foundation/Error.h"
#include "sdk/analytics/foundation/AppMetadata.h"
#include "sdk/analytics/foundation/AudienceRecords.h"
#include "sdk/analytics/foundation/ConditionalUserProperty.h"
#include "sdk/analytics/foundation/DailyCounts.h"
#include "sdk/analytics/foundation/EventAggregates.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "sdk/analytics/foundation/RawEventData.h"
#include "sdk/analytics/foundation/SqliteStore.h"
#include "sdk/analytics/foundation/UserAttribute.h"

namespace sdk::analytics {

class PersistedConfig;

// The measurement database: one SQLite file in the measurement folder holding user properties, event
// counters, raw events and their metadata, the upload queue, purchase and subscription marks, app
// metadata, the remote configuration, audience filters and results, and conditional user
// properties. Every operation reports failure through its error out-parameter (measurement domain)
// and a log line, answering false or nothing.
//
// Rows that can no longer be read (a raw event or queued bundle that does not decode or gunzip) are
// deleted with a data-loss log line as they are met, so one bad row cannot stop the pipeline.
class MeasurementDatabase {
 public:
  using Error = platform::foundation::Error;
  using Row = SqliteStore::Row;

  static constexpr const char* kDatabaseName = "vadeze-app-measurement.sql";
  static constexpr std::int64_t kRawEventReadLimit = 1000;
  static constexpr std::int64_t kMaxSubscriptions = 1000;
  static constexpr std::int64_t kMaxConditionalUserProperties = 1000;

  // The measurement settings the database obeys; the engine installs readers of its own settings.
  struct Settings {
    std::function<std::int64_t()> maxEventsStored = [] { return std::int64_t{100000}; };
    // How often stale data is looked for, and how long a row may wait before it is stale (seconds).
    std::function<double()> staleDataDeletionInterval = [] { return 86400.0; };
    std::function<double()> maxQueueTime = [] { return 2419200.0; };
  };

  // Opens (or makes) the database `name` in the measurement folder.
  static std::shared_ptr<MeasurementDatabase> initWithDatabaseName(const std::string& name,
                                                           std::shared_ptr<PersistedConfig> persistedConfig,
                                                           Error* error);
  // The same at an explicit path.
  static std::shared_ptr<MeasurementDatabase> initWithDatabasePath(const std::string& path,
                                                           std::shared_ptr<PersistedConfig> persistedConfig,
                                                           Error* error);

  void setSettings(Settings settings) { settings_ = std::move(settings); }
  const std::string& databasePath() const { return store_->databasePath(); }
  SqliteStore& store() { return *store_; }

  // --- life and transactions
  [[nodiscard]] bool reset(Error* error);
  // The number of stale rows deleted (0 when the interval has not passed since the last look).
  std::optional<std::int64_t> maybeDeleteStaleData(Error* error);
  // Commits when the block returns true; rolls back when it returns false or throws (rethrown).
  // Nests: an inner transaction joins the outer one as a savepoint.
  [[nodiscard]] bool performTransaction(const std::function<bool()>& block);

  // --- user attributes
  std::optional<bool> containsUserAttributeWithName(const std::string& name, Error* error);
  std::optional<UserAttribute> userAttributeWithName(const std::string& name, Error* error);
  [[nodiscard]] bool updateUserAttribute(const UserAttribute& attribute, Error* error);
  [[nodiscard]] bool deleteUserAttributeWithName(const std::string& name, Error* error);
  std::optional<std::int64_t> publicUserAttributeCount(Error* error);
  std::optional<std::int64_t> userAttributeCountForOrigin(const std::string& origin, Error* error);
  std::optional<std::vector<UserAttribute>> userAttributesIncludingInternal(bool includingInternal, Error* error);
  std::optional<std::vector<UserAttribute>> allLifetimeValueUserAttributes(Error* error);

  // --- event counters
  // Nothing, without an error, when the name has no row.
  std::optional<EventAggregates> eventAggregatesWithName(const std::string& name, Error* error);
  [[nodiscard]] bool updateEventAggregates(const EventAggregates& aggregates, Error* error);
  std::optional<std::vector<EventAggregates>> allEventAggregates(Error* error);
  [[nodiscard]] bool clearCurrentSessionCounts(Error* error);
  std::optional<std::int64_t> publicEventCount(Error* error);
  std::optional<DailyCounts> dailyCounts(Error* error);
  [[nodiscard]] bool updateDailyCounts(const DailyCounts& counts, Error* error);

  // --- raw events and their metadata
  // The fingerprint a metadata bundle is stored under: the low 64 bits of the MD5 of its encoding.
  static std::int64_t metadataFingerprint(const ProtoMeasurementBundle& metadata);
  [[nodiscard]] bool insertIfNotExistsRawEventMetadata(const ProtoMeasurementBundle& metadata, Error* error);
  [[nodiscard]] bool insertRawEvent(const AnalyticsEvent& event, std::int64_t metadataFingerprint, bool isRealtime,
                                    Error* error);
  // The fingerprint of the oldest raw event; nothing (without an error) when there is none.
  std::optional<std::int64_t> nextMetadataFingerprintToProcess(Error* error);
  using RawEventFilter = std::function<bool(const Row& row, std::int64_t acceptedCount)>;
  std::optional<std::vector<RawEventData>> rawEventsWithMetadataFingerprint(std::int64_t fingerprint, Error* error,
                                                                               const RawEventFilter& eventFilter);
  static std::optional<RawEventData> rawEventDataFromDictionary(const Row& row, Error* error);
  std::shared_ptr<ProtoMeasurementBundle> queryRawEventsMetadataWithFingerprint(std::int64_t fingerprint, Error* error);
  std::optional<bool> containsRawEventWithMetadataFingerprint(std::int64_t fingerprint, Error* error);
  [[nodiscard]] bool deleteRawEventsWithMaxRowID(std::int64_t maxRowID, Error* error);
  [[nodiscard]] bool deleteRawEventMetadataWithMetadataFingerprint(std::int64_t fingerprint, Error* error);
  std::optional<std::int64_t> deleteRawEventsOverAbsoluteLimit(Error* error);
  // Seconds since 1970; nothing without an error when there are no raw events.
  std::optional<double> queryLatestRawEventTime(Error* error);
  std::optional<bool> containsRealtimeRawEventsWithError(Error* error);
  std::optional<bool> isRawEventsTableEmpty(Error* error);

  // --- bundle queue
  [[nodiscard]] bool insertBundle(const ProtoMeasurementBundle& bundle, bool isRealtime, Error* error);
  using QueuedBundle = std::pair<std::shared_ptr<ProtoMeasurementBundle>, std::int64_t>;
  std::optional<std::vector<QueuedBundle>> queryBundlesWithCountLimit(std::int64_t countLimit, std::int64_t sizeLimit,
                                                                      Error* error);
  [[nodiscard]] bool incrementRetryCounterForBundlesWithIDs(const std::vector<std::int64_t>& rowIDs, Error* error);
  [[nodiscard]] bool deleteBundlesWithRowIDs(const std::vector<std::int64_t>& rowIDs, Error* error);
  // Milliseconds since 1970; nothing without an error when the queue is empty.
  std::optional<std::int64_t> queryLatestBundleTime(Error* error);
  std::optional<bool> containsRealtimeBundlesWithError(Error* error);
  std::optional<bool> isQueuedBundleTableEmpty(Error* error);

  // --- purchases and subscriptions: true when new (now stored), false when already stored
  std::optional<bool> insertIfNotDuplicatePurchaseFingerprint(const std::string& fingerprint, Error* error);
  // For a purchase that was let through but could not be reported: a later delivery may report it.
  [[nodiscard]] bool deletePurchaseFingerprint(const std::string& fingerprint, Error* error);
  std::optional<bool> insertIfNotDuplicateSubscriptionID(const std::string& subscriptionID, Error* error);
  std::optional<std::int64_t> deleteSubscriptionsOverLimit(Error* error);

  // --- app metadata and remote configuration
  std::optional<AppMetadata> queryAppMetadata(Error* error);
  [[nodiscard]] bool updateAppMetadata(const AppMetadata& metadata, Error* error);
  [[nodiscard]] bool updateRemoteConfig(const ProtoMeasurementConfig& config, Error* error);
  // Nothing when none is stored (error untouched) or on failure (error set).
  std::shared_ptr<ProtoMeasurementConfig> queryMeasurementConfigWithError(Error* error);
  std::optional<double> lastRemoteConfigUpdateTimestamp(Error* error);
  [[nodiscard]] bool updateRemoteConfigSuccessfulTimestamp(double timestamp, Error* error);

  // --- audience filters and results
  std::optional<std::vector<StoredEventFilter>> eventFiltersForEventName(const std::string& eventName, Error* error);
  std::optional<std::vector<StoredPropertyFilter>> propertyFiltersForPropertyName(const std::string& propertyName,
                                                                               Error* error);
  std::optional<StoredFilterResults> filterResultForAudienceID(std::int32_t audienceID, Error* error);
  std::optional<std::map<std::int32_t, StoredFilterResults>> allFilterResults(Error* error);
  std::optional<std::vector<std::int32_t>> allAudienceIDs(Error* error);
  std::optional<std::map<std::int32_t, std::vector<std::int32_t>>> allSessionScopedFilters(Error* error);
  [[nodiscard]] bool updateFilterResults(const std::vector<StoredFilterResults>& results, Error* error);
  [[nodiscard]] bool deleteFilterResults(const std::vector<StoredFilterResults>& results, Error* error);
  [[nodiscard]] bool updateEventFilters(const std::vector<StoredEventFilter>& filters, Error* error);
  [[nodiscard]] bool updatePropertyFilters(const std::vector<StoredPropertyFilter>& filters, Error* error);
  [[nodiscard]] bool deleteAllEventFilters(Error* error);
  [[nodiscard]] bool deleteAllPropertyFilters(Error* error);
  // Changes whenever the stored event or property filters may have changed: written or deleted
  // through this database, reset, or put back by a rollback. Readers that keep decoded filters
  // between events read them again when it moves.
  std::uint64_t audienceFiltersVersion() const;

  // --- conditional user properties (times are seconds since 1970)
  std::optional<ConditionalUserProperty> conditionalUserPropertyWithName(const std::string& name, Error* error);
  [[nodiscard]] bool updateConditionalUserProperty(const ConditionalUserProperty& property, Error* error);
  [[nodiscard]] bool deleteConditionalUserPropertyWithName(const std::string& name, Error* error);
  std::optional<std::vector<ConditionalUserProperty>> timedOutConditionalUserPropertiesWithError(Error* error);
  std::optional<std::vector<ConditionalUserProperty>> expiredConditionalUserPropertiesWithError(Error* error);
  std::optional<std::vector<ConditionalUserProperty>> triggeredConditionalUserPropertiesWithEventName(
      const std::string& eventName, Error* error);
  std::optional<std::vector<ConditionalUserProperty>> conditionalUserPropertiesWithPrefix(
      const std::optional<std::string>& prefix, const std::optional<std::string>& origin, Error* error);

 private:
  MeasurementDatabase(std::shared_ptr<SqliteStore> store, std::shared_ptr<PersistedConfig> persistedConfig);
  bool ensureSchema(Error* error);
  bool ensureTablesAndIndexes(Error* error);

  // Runs a query or statement; a failure is logged with `code` and `what` and reported through `error`.
  std::optional<std::vector<Row>> query(const std::string& sql, const std::vector<platform::foundation::Value>& params,
                                        std::int64_t code, const char* what, Error* error);
  std::optional<std::int64_t> execute(const std::string& sql, const std::vector<platform::foundation::Value>& params,
                                      std::int64_t code, const char* what, Error* error);
  // The single integer of "SELECT count(...)"-like queries.
  std::optional<std::int64_t> scalar(const std::string& sql, const std::vector<platform::foundation::Value>& params,
                                     std::int64_t code, const char* what, Error* error);
  bool refuse(std::int64_t code, const std::string& description, Error* error);
  void dropUnreadableRow(const char* table, std::int64_t rowID, const std::string& reason);
  std::optional<std::vector<ConditionalUserProperty>> conditionalUserProperties(
      const std::string& condition, const std::vector<platform::foundation::Value>& params, Error* error);

  // Moves audienceFiltersVersion once the statements that change the filters have run, so a reader
  // that reads the version before the filters never keeps new filters under an old version.
  struct FiltersChange {
    std::atomic<std::uint64_t>& writes;
    ~FiltersChange() { writes.fetch_add(1, std::memory_order_relaxed); }
  };

  std::shared_ptr<SqliteStore> store_;
  std::shared_ptr<PersistedConfig> persistedConfig_;
  Settings settings_;
  std::atomic<std::uint64_t> filterWrites_{0};
};

}  // namespace sdk::analytics

