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
#include "platform/foundation/ErrorOr.h"
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
// properties. Every operation that fails logs a line and returns its error (measurement domain); a
// look-up that finds nothing is not a failure but an empty result.
//
// Rows that can no longer be read (a raw event or queued bundle that does not decode or gunzip) are
// deleted with a data-loss log line as they are met, so one bad row cannot stop the pipeline.
class MeasurementDatabase {
 public:
  using Error = platform::foundation::Error;
  template <typename T>
  using ErrorOr = platform::foundation::ErrorOr<T>;
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
  static ErrorOr<std::shared_ptr<MeasurementDatabase>> initWithDatabaseName(
      const std::string& name, std::shared_ptr<PersistedConfig> persistedConfig);
  // The same at an explicit path.
  static ErrorOr<std::shared_ptr<MeasurementDatabase>> initWithDatabasePath(
      const std::string& path, std::shared_ptr<PersistedConfig> persistedConfig);
  // The latest time the database file at `path` holds for an event (waiting to be bundled, bundled
  // and queued, or the last time each event name fired) that is not after `bound`; nothing when there is
  // none or the file cannot be read. Read only, with a connection of its own that it closes: it may run
  // before the database is opened.
  static std::optional<double> latestEventTimeInFile(const std::string& path, double bound);

  void setSettings(Settings settings) { settings_ = std::move(settings); }
  const std::string& databasePath() const { return store_->databasePath(); }
  SqliteStore& store() { return *store_; }

  // --- life and transactions
  ErrorOr<void> reset();
  // The number of stale rows deleted (0 when the interval has not passed since the last look).
  ErrorOr<std::int64_t> maybeDeleteStaleData();
  // Commits when the block returns true; rolls back when it returns false or throws (rethrown).
  // Nests: an inner transaction joins the outer one as a savepoint.
  [[nodiscard]] bool performTransaction(const std::function<bool()>& block);
  // As performTransaction, but the commit reaches the disk with the next flushLog() (or the next
  // commit made with performTransaction), so that a run of commits shares one flush.
  [[nodiscard]] bool performTransactionFlushedLater(const std::function<bool()>& block);
  // Makes every commit so far durable; a failure is logged and the next flush tries again.
  void flushLog();

  // --- user attributes
  ErrorOr<bool> containsUserAttributeWithName(const std::string& name);
  ErrorOr<std::optional<UserAttribute>> userAttributeWithName(const std::string& name);
  ErrorOr<void> updateUserAttribute(const UserAttribute& attribute);
  ErrorOr<void> deleteUserAttributeWithName(const std::string& name);
  ErrorOr<std::int64_t> publicUserAttributeCount();
  ErrorOr<std::int64_t> userAttributeCountForOrigin(const std::string& origin);
  ErrorOr<std::vector<UserAttribute>> userAttributesIncludingInternal(bool includingInternal);
  ErrorOr<std::vector<UserAttribute>> allLifetimeValueUserAttributes();

  // --- event counters
  // Nothing, without an error, when the name has no row.
  ErrorOr<std::optional<EventAggregates>> eventAggregatesWithName(const std::string& name);
  ErrorOr<void> updateEventAggregates(const EventAggregates& aggregates);
  ErrorOr<std::vector<EventAggregates>> allEventAggregates();
  ErrorOr<void> clearCurrentSessionCounts();
  ErrorOr<std::int64_t> publicEventCount();
  ErrorOr<DailyCounts> dailyCounts();
  ErrorOr<void> updateDailyCounts(const DailyCounts& counts);

  // --- raw events and their metadata
  // The fingerprint a metadata bundle is stored under: the low 64 bits of the MD5 of its encoding.
  static std::int64_t metadataFingerprint(const ProtoMeasurementBundle& metadata);
  // Answers the fingerprint the metadata is stored under.
  ErrorOr<std::int64_t> insertIfNotExistsRawEventMetadata(const ProtoMeasurementBundle& metadata);
  ErrorOr<void> insertRawEvent(const AnalyticsEvent& event, std::int64_t metadataFingerprint, bool isRealtime);
  // The fingerprint of the oldest raw event; nothing (without an error) when there is none.
  ErrorOr<std::optional<std::int64_t>> nextMetadataFingerprintToProcess();
  // Offered each row in row order with what it decodes to and the number of rows accepted so far;
  // the first refusal ends the list. A row that does not decode is never accepted: once the filter
  // has seen it, it is deleted, so that it cannot hold back every event stored after it.
  using RawEventFilter =
      std::function<bool(const Row& row, const ErrorOr<RawEventData>& decoded, std::int64_t acceptedCount)>;
  ErrorOr<std::vector<RawEventData>> rawEventsWithMetadataFingerprint(std::int64_t fingerprint,
                                                                      const RawEventFilter& eventFilter);
  static ErrorOr<RawEventData> rawEventDataFromDictionary(const Row& row);
  ErrorOr<std::shared_ptr<ProtoMeasurementBundle>> queryRawEventsMetadataWithFingerprint(std::int64_t fingerprint);
  ErrorOr<bool> containsRawEventWithMetadataFingerprint(std::int64_t fingerprint);
  ErrorOr<void> deleteRawEventsWithMaxRowID(std::int64_t maxRowID);
  ErrorOr<void> deleteRawEventMetadataWithMetadataFingerprint(std::int64_t fingerprint);
  ErrorOr<std::int64_t> deleteRawEventsOverAbsoluteLimit();
  // Seconds since 1970; nothing without an error when there are no raw events.
  ErrorOr<std::optional<double>> queryLatestRawEventTime();
  ErrorOr<bool> containsRealtimeRawEventsWithError();
  ErrorOr<bool> isRawEventsTableEmpty();

  // What the upload schedule asks of the stored data after every event, in one read of the database
  // instead of one for each question (the questions themselves are above and below).
  struct StoredDataSummary {
    bool hasQueuedBundles = false;
    bool hasRawEvents = false;
    std::optional<double> latestRawEventTime;      // seconds since 1970
    std::optional<std::int64_t> latestBundleTime;  // milliseconds since 1970
    bool hasRealtimeBundles = false;
    bool hasRealtimeRawEvents = false;
  };
  ErrorOr<StoredDataSummary> storedDataSummary();

  // --- bundle queue
  ErrorOr<void> insertBundle(const ProtoMeasurementBundle& bundle, bool isRealtime);
  using QueuedBundle = std::pair<std::shared_ptr<ProtoMeasurementBundle>, std::int64_t>;
  // The oldest queued bundles, up to both limits, leaving out the rows of `excluding` (a batch in flight).
  ErrorOr<std::vector<QueuedBundle>> queryBundlesWithCountLimit(std::int64_t countLimit, std::int64_t sizeLimit,
                                                                const std::vector<std::int64_t>& excluding = {});
  ErrorOr<void> incrementRetryCounterForBundlesWithIDs(const std::vector<std::int64_t>& rowIDs);
  // Takes back an increment (never below 0): for an attempt counted before it went that never left.
  ErrorOr<void> decrementRetryCounterForBundlesWithIDs(const std::vector<std::int64_t>& rowIDs);
  ErrorOr<void> deleteBundlesWithRowIDs(const std::vector<std::int64_t>& rowIDs);
  // Milliseconds since 1970; nothing without an error when the queue is empty.
  ErrorOr<std::optional<std::int64_t>> queryLatestBundleTime();
  ErrorOr<bool> containsRealtimeBundlesWithError();
  ErrorOr<bool> isQueuedBundleTableEmpty();

  // --- purchases and subscriptions: true when new (now stored), false when already stored
  ErrorOr<bool> insertIfNotDuplicatePurchaseFingerprint(const std::string& fingerprint);
  // For a purchase that was let through but could not be reported: a later delivery may report it.
  ErrorOr<void> deletePurchaseFingerprint(const std::string& fingerprint);
  ErrorOr<bool> insertIfNotDuplicateSubscriptionID(const std::string& subscriptionID);
  ErrorOr<std::int64_t> deleteSubscriptionsOverLimit();

  // --- app metadata and remote configuration
  ErrorOr<AppMetadata> queryAppMetadata();
  ErrorOr<void> updateAppMetadata(const AppMetadata& metadata);
  ErrorOr<void> updateRemoteConfig(const ProtoMeasurementConfig& config);
  // Nothing when none is stored (error untouched) or on failure (error set).
  ErrorOr<std::shared_ptr<ProtoMeasurementConfig>> queryMeasurementConfigWithError();
  ErrorOr<double> lastRemoteConfigUpdateTimestamp();
  ErrorOr<void> updateRemoteConfigSuccessfulTimestamp(double timestamp);

  // --- audience filters and results
  ErrorOr<std::vector<StoredEventFilter>> eventFiltersForEventName(const std::string& eventName);
  ErrorOr<std::vector<StoredPropertyFilter>> propertyFiltersForPropertyName(const std::string& propertyName);
  ErrorOr<std::optional<StoredFilterResults>> filterResultForAudienceID(std::int32_t audienceID);
  ErrorOr<std::map<std::int32_t, StoredFilterResults>> allFilterResults();
  ErrorOr<std::vector<std::int32_t>> allAudienceIDs();
  ErrorOr<std::map<std::int32_t, std::vector<std::int32_t>>> allSessionScopedFilters();
  ErrorOr<void> updateFilterResults(const std::vector<StoredFilterResults>& results);
  // Where the next walk over the filters of `name` starts; nothing when no walk left any.
  ErrorOr<std::optional<AudienceWalkStart>> audienceWalkStart(AudienceFilterKind kind, const std::string& name);
  // What one walk over the filters of `name` judged (`results`, may be empty) and where the next
  // starts, saved together.
  ErrorOr<void> updateFilterResultsAndWalkStart(const std::vector<StoredFilterResults>& results, AudienceFilterKind kind,
                                                const std::string& name, const AudienceWalkStart& start);
  ErrorOr<void> deleteFilterResults(const std::vector<StoredFilterResults>& results);
  ErrorOr<void> updateEventFilters(const std::vector<StoredEventFilter>& filters);
  ErrorOr<void> updatePropertyFilters(const std::vector<StoredPropertyFilter>& filters);
  ErrorOr<void> deleteAllEventFilters();
  ErrorOr<void> deleteAllPropertyFilters();
  // Changes whenever the stored event or property filters may have changed: written or deleted
  // through this database, reset, or put back by a rollback. Readers that keep decoded filters
  // between events read them again when it moves.
  std::uint64_t audienceFiltersVersion() const;

  // --- conditional user properties (times are seconds since 1970)
  ErrorOr<bool> containsConditionalUserProperties();
  ErrorOr<std::optional<ConditionalUserProperty>> conditionalUserPropertyWithName(const std::string& name);
  ErrorOr<void> updateConditionalUserProperty(const ConditionalUserProperty& property);
  ErrorOr<void> deleteConditionalUserPropertyWithName(const std::string& name);
  ErrorOr<std::vector<ConditionalUserProperty>> timedOutConditionalUserPropertiesWithError();
  ErrorOr<std::vector<ConditionalUserProperty>> expiredConditionalUserPropertiesWithError();
  ErrorOr<std::vector<ConditionalUserProperty>> triggeredConditionalUserPropertiesWithEventName(
      const std::string& eventName);
  ErrorOr<std::vector<ConditionalUserProperty>> conditionalUserPropertiesWithPrefix(
      const std::optional<std::string>& prefix, const std::optional<std::string>& origin);

 private:
  MeasurementDatabase(std::shared_ptr<SqliteStore> store, std::shared_ptr<PersistedConfig> persistedConfig);
  ErrorOr<void> ensureSchema();
  ErrorOr<void> ensureTablesAndIndexes();

  // Runs a query or statement; a failure is logged with `code` and `what` and returned.
  ErrorOr<std::vector<Row>> query(const std::string& sql, const std::vector<platform::foundation::Value>& params,
                                  std::int64_t code, const char* what);
  ErrorOr<std::int64_t> execute(const std::string& sql, const std::vector<platform::foundation::Value>& params,
                                std::int64_t code, const char* what);
  // The single integer of "SELECT count(...)"-like queries.
  ErrorOr<std::int64_t> scalar(const std::string& sql, const std::vector<platform::foundation::Value>& params,
                               std::int64_t code, const char* what);
  // Sets the retry count of the bundles `rowIDs` to the SQL expression `newCount`.
  ErrorOr<void> changeRetryCounters(const std::vector<std::int64_t>& rowIDs, const char* newCount, const char* failure);
  // Statements whose count of changed rows nobody reads.
  ErrorOr<void> run(const std::string& sql, const std::vector<platform::foundation::Value>& params, std::int64_t code,
                    const char* what);
  // Logs `description` under `code` and makes it the error.
  Error refuse(std::int64_t code, const std::string& description);
  // performTransaction with the store's error, logged.
  ErrorOr<void> transaction(const std::function<bool()>& block);
  // Runs `step` in a transaction that is undone when the step fails; the step's own error is the one
  // returned, else the transaction's.
  ErrorOr<void> inTransaction(const std::function<ErrorOr<void>()>& step);
  void dropUnreadableRow(const char* table, std::int64_t rowID, const std::string& reason);
  // Counts the raw events into the kept count (read the whole table) and answers it.
  ErrorOr<std::int64_t> countRawEvents();
  ErrorOr<std::vector<ConditionalUserProperty>> conditionalUserProperties(
      const std::string& condition, const std::vector<platform::foundation::Value>& params);

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

