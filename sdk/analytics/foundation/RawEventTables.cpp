#include "sdk/analytics/foundation/RawEventTables.h"

#include <algorithm>

#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "sdk/analytics/foundation/Hashing.h"
#include "sdk/analytics/foundation/MeasurementError.h"
#include "sdk/analytics/foundation/ProtoConversions.h"

namespace sdk::analytics {

using platform::foundation::Data;
using platform::foundation::ErrorOr;
using platform::foundation::Value;

std::int64_t RawEventTables::metadataFingerprint(const ProtoMeasurementBundle& metadata) {
  return md5Low64Bits(metadata.protoBuffer());
}

ErrorOr<std::int64_t> RawEventTables::insertIfNotExistsRawEventMetadata(const ProtoMeasurementBundle& metadata) {
  Data bytes = metadata.protoBuffer();
  const std::int64_t fingerprint = md5Low64Bits(bytes);
  TRY(run("INSERT OR IGNORE INTO raw_events_metadata (metadata_fingerprint, metadata) VALUES (?, ?)",
          {Value(fingerprint), Value::data(std::move(bytes))}, messages::kRawEventMetadataInsertFailed,
          "Failed to insert raw event metadata"));
  return fingerprint;
}

ErrorOr<void> RawEventTables::insertRawEvent(const AnalyticsEvent& event, std::int64_t fingerprint,
                                                  bool isRealtime) {
  return run("INSERT INTO raw_events (name, timestamp, metadata_fingerprint, data, realtime) VALUES (?, ?, ?, ?, ?)",
             {Value(event.name()), Value(event.timestamp()), Value(fingerprint),
              Value::data(makeProtoEvent(event)->protoBuffer()), Value(std::int64_t{isRealtime})},
             messages::kRawEventInsertFailed, "Failed to insert raw event");
}

ErrorOr<std::optional<std::int64_t>> RawEventTables::nextMetadataFingerprintToProcess() {
  auto rows = query("SELECT metadata_fingerprint, MIN(rowid) FROM raw_events", {},
                    messages::kNextMetadataFingerprintQueryFailed, "Failed to query the next metadata fingerprint");
  // An empty table still answers one row, of NULLs: that is "none", not a fingerprint of 0.
  if (!rows) return rows.error();
  if (rows->empty() || !rows->front().at("metadata_fingerprint").isInteger()) return std::nullopt;
  return rows->front().at("metadata_fingerprint").toInt64();
}

ErrorOr<RawEventData> RawEventTables::rawEventDataFromDictionary(const Row& row) {
  const Data* data = blob(row, "data");
  auto message = data ? ProtoEvent::initWithBuffer(*data, nullptr, NanoDecodeBudget::ownData()) : nullptr;
  auto event = message ? eventFromProtoEvent(*message) : std::nullopt;
  if (!event) return measurementErrorWithCode(12033, "Failed to decode raw event");
  auto rowID = row.find("rowid");
  auto fingerprint = row.find("metadata_fingerprint");
  return RawEventData(std::move(*event), rowID == row.end() ? 0 : rowID->second.toInt64(),
                         fingerprint == row.end() ? 0 : fingerprint->second.toInt64());
}

ErrorOr<std::vector<RawEventData>> RawEventTables::rawEventsWithMetadataFingerprint(
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

ErrorOr<std::shared_ptr<ProtoMeasurementBundle>> RawEventTables::queryRawEventsMetadataWithFingerprint(
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

ErrorOr<bool> RawEventTables::containsRawEventWithMetadataFingerprint(std::int64_t fingerprint) {
  // Asks for the first row only: counting them all read every remaining row of the group.
  auto found = scalar("SELECT EXISTS (SELECT 1 FROM raw_events WHERE metadata_fingerprint = ?)", {Value(fingerprint)},
                      messages::kRawEventForMetadataExistenceQueryFailed, "Failed to query raw events");
  if (!found) return found.error();
  return *found != 0;
}

ErrorOr<void> RawEventTables::deleteRawEventsWithMaxRowID(std::int64_t maxRowID) {
  return run("DELETE FROM raw_events WHERE rowid <= ?", {Value(maxRowID)}, messages::kRawEventsDeletionFailed,
             "Failed to delete raw events");
}

ErrorOr<void> RawEventTables::deleteRawEventMetadataWithMetadataFingerprint(std::int64_t fingerprint) {
  return run("DELETE FROM raw_events_metadata WHERE metadata_fingerprint = ?", {Value(fingerprint)},
             messages::kRawEventMetadataDeletionFailed, "Failed to delete raw event metadata");
}

ErrorOr<std::int64_t> RawEventTables::deleteRawEventsOverAbsoluteLimit() {
  const std::int64_t limit = std::max<std::int64_t>(0, maxEventsStored_());
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

ErrorOr<std::int64_t> RawEventTables::countRawEvents() {
  // A database from before the count, or just reset: counted once, then the triggers keep it.
  TRY(run("INSERT OR REPLACE INTO raw_events_count (id, count) SELECT 1, count(*) FROM raw_events", {},
          messages::kRawEventsOverLimitDeletionFailed, "Failed to count raw events"));
  return scalar("SELECT count FROM raw_events_count WHERE id = 1", {}, messages::kRawEventsOverLimitDeletionFailed,
                "Failed to read the raw event count");
}

ErrorOr<std::optional<double>> RawEventTables::queryLatestRawEventTime() {
  auto rows = query("SELECT MAX(timestamp) AS latest FROM raw_events", {}, messages::kRawEventTimeQueryFailed,
                    "Failed to query raw event time");
  if (!rows) return rows.error();
  if (rows->empty() || !rows->front().at("latest").isNumber()) return std::nullopt;
  return rows->front().at("latest").toDouble();
}

ErrorOr<bool> RawEventTables::containsRealtimeRawEventsWithError() {
  auto any = scalar("SELECT EXISTS (SELECT 1 FROM raw_events WHERE realtime = 1)", {},
                    messages::kRawEventsExistenceQueryFailed, "Failed to query raw events");
  if (!any) return any.error();
  return *any != 0;
}

ErrorOr<bool> RawEventTables::isRawEventsTableEmpty() {
  auto any = scalar("SELECT EXISTS (SELECT 1 FROM raw_events)", {}, messages::kRawEventsExistenceQueryFailed,
                    "Failed to query raw events");
  if (!any) return any.error();
  return *any == 0;
}

}  // namespace sdk::analytics
