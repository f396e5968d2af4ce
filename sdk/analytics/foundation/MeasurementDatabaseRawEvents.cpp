// Raw events, their metadata and the upload queue.
#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"

#include "sdk/analytics/foundation/MeasurementError.h"
#include "sdk/analytics/foundation/Hashing.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoConversions.h"
#include "sdk/utilities/Gzip.h"

namespace sdk::analytics {

using platform::foundation::ErrorOr;

using platform::foundation::Data;
using platform::foundation::Value;

namespace {

constexpr int kBundleEndIndex = 5;
constexpr int kBundleRetryCountIndex = 35;

std::string placeholders(std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out += i == 0 ? "?" : ", ?";
  return out;
}

std::vector<Value> rowIDValues(const std::vector<std::int64_t>& rowIDs) {
  std::vector<Value> values;
  for (std::int64_t id : rowIDs) values.emplace_back(id);
  return values;
}

const Data* blob(const SqliteStore::Row& row, const char* column) {
  auto found = row.find(column);
  return found == row.end() ? nullptr : found->second.data();
}

}  // namespace

std::int64_t MeasurementDatabase::metadataFingerprint(const ProtoMeasurementBundle& metadata) {
  return md5Low64Bits(metadata.protoBuffer());
}

ErrorOr<std::int64_t> MeasurementDatabase::insertIfNotExistsRawEventMetadata(const ProtoMeasurementBundle& metadata) {
  Data bytes = metadata.protoBuffer();
  const std::int64_t fingerprint = md5Low64Bits(bytes);
  TRY(run("INSERT OR IGNORE INTO raw_events_metadata (metadata_fingerprint, metadata) VALUES (?, ?)",
          {Value(fingerprint), Value::data(std::move(bytes))}, messages::kRawEventMetadataInsertFailed,
          "Failed to insert raw event metadata"));
  return fingerprint;
}

ErrorOr<void> MeasurementDatabase::insertRawEvent(const AnalyticsEvent& event, std::int64_t fingerprint,
                                                  bool isRealtime) {
  return run("INSERT INTO raw_events (name, timestamp, metadata_fingerprint, data, realtime) VALUES (?, ?, ?, ?, ?)",
             {Value(event.name()), Value(event.timestamp()), Value(fingerprint),
              Value::data(makeProtoEvent(event)->protoBuffer()), Value(std::int64_t{isRealtime})},
             messages::kRawEventInsertFailed, "Failed to insert raw event");
}

ErrorOr<std::optional<std::int64_t>> MeasurementDatabase::nextMetadataFingerprintToProcess() {
  auto rows = query("SELECT metadata_fingerprint, MIN(rowid) FROM raw_events", {},
                    messages::kNextMetadataFingerprintQueryFailed, "Failed to query the next metadata fingerprint");
  // An empty table still answers one row, of NULLs: that is "none", not a fingerprint of 0.
  if (!rows) return rows.error();
  if (rows->empty() || !rows->front().at("metadata_fingerprint").isInteger()) return std::nullopt;
  return rows->front().at("metadata_fingerprint").toInt64();
}

ErrorOr<RawEventData> MeasurementDatabase::rawEventDataFromDictionary(const Row& row) {
  const Data* data = blob(row, "data");
  auto message = data ? ProtoEvent::initWithBuffer(*data, nullptr, NanoDecodeBudget::ownData()) : nullptr;
  auto event = message ? eventFromProtoEvent(*message) : std::nullopt;
  if (!event) return measurementErrorWithCode(12033, "Failed to decode raw event");
  auto rowID = row.find("rowid");
  auto fingerprint = row.find("metadata_fingerprint");
  return RawEventData(std::move(*event), rowID == row.end() ? 0 : rowID->second.toInt64(),
                         fingerprint == row.end() ? 0 : fingerprint->second.toInt64());
}

ErrorOr<std::vector<RawEventData>> MeasurementDatabase::rawEventsWithMetadataFingerprint(
    std::int64_t fingerprint, const RawEventFilter& eventFilter) {
  auto rows = query("SELECT rowid, * FROM raw_events WHERE metadata_fingerprint = ? ORDER BY rowid ASC LIMIT ?",
                    {Value(fingerprint), Value(kRawEventReadLimit)}, messages::kRawEventsForMetadataQueryFailed,
                    "Failed to query raw events");
  if (!rows) return rows.error();
  std::vector<RawEventData> accepted;
  for (const Row& row : *rows) {
    auto decoded = rawEventDataFromDictionary(row);
    if (eventFilter && !eventFilter(row, decoded, static_cast<std::int64_t>(accepted.size()))) break;
    if (!decoded) {
      dropUnreadableRow("raw_events", row.at("rowid").toInt64(), "raw event does not decode");
      continue;
    }
    accepted.push_back(std::move(*decoded));
  }
  return accepted;
}

ErrorOr<std::shared_ptr<ProtoMeasurementBundle>> MeasurementDatabase::queryRawEventsMetadataWithFingerprint(
    std::int64_t fingerprint) {
  auto rows = query("SELECT metadata FROM raw_events_metadata WHERE metadata_fingerprint = ?", {Value(fingerprint)},
                    messages::kRawEventMetadataQueryFailed, "Failed to query raw event metadata");
  if (!rows) return rows.error();
  if (rows->empty()) return nullptr;
  const Data* data = blob(rows->front(), "metadata");
  auto bundle = data ? ProtoMeasurementBundle::initWithBuffer(*data, nullptr, NanoDecodeBudget::ownData()) : nullptr;
  if (!bundle) return refuse(messages::kRawEventMetadataQueryFailed, "Stored raw event metadata does not decode");
  return bundle;
}

ErrorOr<bool> MeasurementDatabase::containsRawEventWithMetadataFingerprint(std::int64_t fingerprint) {
  // Asks for the first row only: counting them all read every remaining row of the group.
  auto found = scalar("SELECT EXISTS (SELECT 1 FROM raw_events WHERE metadata_fingerprint = ?)", {Value(fingerprint)},
                      messages::kRawEventForMetadataExistenceQueryFailed, "Failed to query raw events");
  if (!found) return found.error();
  return *found != 0;
}

ErrorOr<void> MeasurementDatabase::deleteRawEventsWithMaxRowID(std::int64_t maxRowID) {
  return run("DELETE FROM raw_events WHERE rowid <= ?", {Value(maxRowID)}, messages::kRawEventsDeletionFailed,
             "Failed to delete raw events");
}

ErrorOr<void> MeasurementDatabase::deleteRawEventMetadataWithMetadataFingerprint(std::int64_t fingerprint) {
  return run("DELETE FROM raw_events_metadata WHERE metadata_fingerprint = ?", {Value(fingerprint)},
             messages::kRawEventMetadataDeletionFailed, "Failed to delete raw event metadata");
}

ErrorOr<std::int64_t> MeasurementDatabase::deleteRawEventsOverAbsoluteLimit() {
  const std::int64_t limit = std::max<std::int64_t>(0, settings_.maxEventsStored());
  // This runs for every stored event. Row IDs are distinct integers, so their span bounds the count:
  // the two ends of the table rule an excess out while the store is below its cap, and past it the
  // kept count says how far.
  auto rows = TRY(query("SELECT (SELECT MAX(rowid) FROM raw_events) - (SELECT MIN(rowid) FROM raw_events) + 1 AS "
                        "span, (SELECT count FROM raw_events_count WHERE id = 1) AS stored",
                        {}, messages::kRawEventsOverLimitDeletionFailed, "Failed to delete raw events over the limit"));
  const std::int64_t span = rows.empty() ? 0 : rows.front().at("span").toInt64();
  if (span <= limit) return std::int64_t{0};
  const Value& kept = rows.front().at("stored");
  // A count the row IDs cannot hold is not believed: counted again, it never deletes a row too many.
  const bool believable = kept.isInteger() && kept.toInt64() >= 0 && kept.toInt64() <= span;
  const std::int64_t stored = believable ? kept.toInt64() : TRY(countRawEvents());
  if (stored <= limit) return std::int64_t{0};
  // The oldest rows, found through the row ID order: at the cap one row, whatever the table holds.
  return execute("DELETE FROM raw_events WHERE rowid <= (SELECT rowid FROM raw_events ORDER BY rowid ASC LIMIT 1 "
                 "OFFSET ?)",
                 {Value(stored - limit - 1)}, messages::kRawEventsOverLimitDeletionFailed,
                 "Failed to delete raw events over the limit");
}

ErrorOr<std::int64_t> MeasurementDatabase::countRawEvents() {
  // A database from before the count, or just reset: counted once, then the triggers keep it.
  TRY(run("INSERT OR REPLACE INTO raw_events_count (id, count) SELECT 1, count(*) FROM raw_events", {},
          messages::kRawEventsOverLimitDeletionFailed, "Failed to count raw events"));
  return scalar("SELECT count FROM raw_events_count WHERE id = 1", {}, messages::kRawEventsOverLimitDeletionFailed,
                "Failed to read the raw event count");
}

ErrorOr<std::optional<double>> MeasurementDatabase::queryLatestRawEventTime() {
  auto rows = query("SELECT MAX(timestamp) AS latest FROM raw_events", {}, messages::kRawEventTimeQueryFailed,
                    "Failed to query raw event time");
  if (!rows) return rows.error();
  if (rows->empty() || !rows->front().at("latest").isNumber()) return std::nullopt;
  return rows->front().at("latest").toDouble();
}

ErrorOr<bool> MeasurementDatabase::containsRealtimeRawEventsWithError() {
  auto any = scalar("SELECT EXISTS (SELECT 1 FROM raw_events WHERE realtime = 1)", {},
                    messages::kRawEventsExistenceQueryFailed, "Failed to query raw events");
  if (!any) return any.error();
  return *any != 0;
}

ErrorOr<bool> MeasurementDatabase::isRawEventsTableEmpty() {
  auto any = scalar("SELECT EXISTS (SELECT 1 FROM raw_events)", {}, messages::kRawEventsExistenceQueryFailed,
                    "Failed to query raw events");
  if (!any) return any.error();
  return *any == 0;
}

ErrorOr<MeasurementDatabase::StoredDataSummary> MeasurementDatabase::storedDataSummary() {
  auto rows = TRY(query("SELECT EXISTS (SELECT 1 FROM queue) AS bundles, EXISTS (SELECT 1 FROM raw_events) AS events, "
                        "(SELECT MAX(timestamp) FROM raw_events) AS latest_event, (SELECT MAX(bundle_end_timestamp) "
                        "FROM queue) AS latest_bundle, EXISTS (SELECT 1 FROM queue WHERE realtime = 1) AS "
                        "realtime_bundles, EXISTS (SELECT 1 FROM raw_events WHERE realtime = 1) AS realtime_events",
                        {}, messages::kStoredDataSummaryQueryFailed, "Failed to query the stored data"));
  StoredDataSummary summary;
  if (rows.empty()) return summary;
  const Row& row = rows.front();
  summary.hasQueuedBundles = row.at("bundles").toBool();
  summary.hasRawEvents = row.at("events").toBool();
  if (row.at("latest_event").isNumber()) summary.latestRawEventTime = row.at("latest_event").toDouble();
  if (row.at("latest_bundle").isNumber()) summary.latestBundleTime = row.at("latest_bundle").toInt64();
  summary.hasRealtimeBundles = row.at("realtime_bundles").toBool();
  summary.hasRealtimeRawEvents = row.at("realtime_events").toBool();
  return summary;
}

ErrorOr<void> MeasurementDatabase::insertBundle(const ProtoMeasurementBundle& bundle, bool isRealtime) {
  Data bytes = bundle.protoBuffer();
  Data compressed;
  if (!bytes.empty()) {
    auto gzipped = sdk::utilities::Gzip::dataByGzippingData(bytes);
    if (!gzipped.ok())
      return refuse(messages::kBundleInsertFailed, "Failed to compress bundle: " + gzipped.error().localizedDescription());
    compressed = std::move(*gzipped);
  }
  return run("INSERT INTO queue (data, bundle_end_timestamp, realtime) VALUES (?, ?, ?)",
             {Value::data(std::move(compressed)), Value(nanoGetInt64(bundle, kBundleEndIndex)),
              Value(std::int64_t{isRealtime})},
             messages::kBundleInsertFailed, "Failed to insert bundle");
}

ErrorOr<std::vector<MeasurementDatabase::QueuedBundle>> MeasurementDatabase::queryBundlesWithCountLimit(
    std::int64_t countLimit, std::int64_t sizeLimit, const std::vector<std::int64_t>& excluding) {
  std::vector<Value> arguments = rowIDValues(excluding);
  arguments.push_back(Value(countLimit));
  auto rows = query("SELECT rowid, data, retry_count FROM queue WHERE rowid NOT IN (" + placeholders(excluding.size()) +
                        ") ORDER BY bundle_end_timestamp ASC LIMIT ?",
                    arguments, messages::kBundlesQueryFailed, "Failed to query bundles");
  if (!rows) return rows.error();
  std::vector<QueuedBundle> bundles;
  std::int64_t totalSize = 0;
  for (const Row& row : *rows) {
    std::int64_t rowID = row.at("rowid").toInt64();
    const Data* data = blob(row, "data");
    Data bytes;
    if (data && !data->empty()) {
      auto inflated = sdk::utilities::Gzip::inflateWithLimit(*data, NanoMessage::kMaxEncodedBytes);
      if (!inflated.ok()) {
        dropUnreadableRow("queue", rowID, "queued bundle does not expand");
        continue;
      }
      bytes = std::move(*inflated);
    }
    auto bundle = ProtoMeasurementBundle::initWithBuffer(bytes, nullptr, NanoDecodeBudget::ownData());
    if (!bundle) {
      dropUnreadableRow("queue", rowID, "queued bundle does not decode");
      continue;
    }
    auto size = static_cast<std::int64_t>(bytes.size());
    if (!bundles.empty() && totalSize + size > sizeLimit) break;  // the first bundle is always taken
    totalSize += size;
    std::int64_t retries = row.at("retry_count").toInt64();
    if (retries >= 1) nanoSetInt32(*bundle, kBundleRetryCountIndex, static_cast<std::int32_t>(retries));
    bundles.emplace_back(std::move(bundle), rowID);
  }
  return bundles;
}

ErrorOr<void> MeasurementDatabase::incrementRetryCounterForBundlesWithIDs(const std::vector<std::int64_t>& rowIDs) {
  return changeRetryCounters(rowIDs, "retry_count + 1", "Failed to increment bundle retry counts");
}

ErrorOr<void> MeasurementDatabase::decrementRetryCounterForBundlesWithIDs(const std::vector<std::int64_t>& rowIDs) {
  return changeRetryCounters(rowIDs, "MAX(retry_count - 1, 0)", "Failed to decrement bundle retry counts");
}

ErrorOr<void> MeasurementDatabase::changeRetryCounters(const std::vector<std::int64_t>& rowIDs, const char* newCount,
                                                       const char* failure) {
  if (rowIDs.empty()) return {};
  return run(std::string("UPDATE queue SET retry_count = ") + newCount + " WHERE rowid IN (" +
                 placeholders(rowIDs.size()) + ")",
             rowIDValues(rowIDs), messages::kBundleRetryCountsIncrementFailed, failure);
}

ErrorOr<void> MeasurementDatabase::deleteBundlesWithRowIDs(const std::vector<std::int64_t>& rowIDs) {
  if (rowIDs.empty()) return {};
  return run("DELETE FROM queue WHERE rowid IN (" + placeholders(rowIDs.size()) + ")", rowIDValues(rowIDs),
             messages::kBundlesDeletionFailed, "Failed to delete bundles");
}

ErrorOr<std::optional<std::int64_t>> MeasurementDatabase::queryLatestBundleTime() {
  auto rows = query("SELECT MAX(bundle_end_timestamp) AS latest FROM queue", {}, messages::kBundleTimeQueryFailed,
                    "Failed to query bundle time");
  if (!rows) return rows.error();
  if (rows->empty() || !rows->front().at("latest").isNumber()) return std::nullopt;
  return rows->front().at("latest").toInt64();
}

ErrorOr<bool> MeasurementDatabase::containsRealtimeBundlesWithError() {
  auto count = scalar("SELECT count(*) FROM queue WHERE realtime = 1", {}, messages::kBundlesExistenceQueryFailed,
                      "Failed to query bundles");
  if (!count) return count.error();
  return *count > 0;
}

ErrorOr<bool> MeasurementDatabase::isQueuedBundleTableEmpty() {
  auto any = scalar("SELECT EXISTS (SELECT 1 FROM queue)", {}, messages::kBundlesExistenceQueryFailed,
                    "Failed to query bundles");
  if (!any) return any.error();
  return *any == 0;
}

}  // namespace sdk::analytics

