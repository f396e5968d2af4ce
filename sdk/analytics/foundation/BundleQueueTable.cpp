#include "sdk/analytics/foundation/BundleQueueTable.h"

#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "sdk/analytics/foundation/MeasurementFieldIndices.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/utilities/Gzip.h"

namespace sdk::analytics {

using platform::foundation::Data;
using platform::foundation::ErrorOr;
using platform::foundation::Value;
using measurement_fields::kBundleEndTimestamp;
using measurement_fields::kBundleRetryCount;

namespace {

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

}  // namespace

ErrorOr<void> BundleQueueTable::insertBundle(const ProtoMeasurementBundle& bundle, bool isRealtime) {
  Data bytes = bundle.protoBuffer();
  Data compressed;
  if (!bytes.empty()) {
    auto gzipped = sdk::utilities::Gzip::dataByGzippingData(bytes);
    if (!gzipped.ok())
      return refuse(messages::kBundleInsertFailed, "Failed to compress bundle: " + gzipped.error().localizedDescription());
    compressed = std::move(*gzipped);
  }
  return run("INSERT INTO queue (data, bundle_end_timestamp, realtime) VALUES (?, ?, ?)",
             {Value::data(std::move(compressed)), Value(nanoGetInt64(bundle, kBundleEndTimestamp)),
              Value(std::int64_t{isRealtime})},
             messages::kBundleInsertFailed, "Failed to insert bundle");
}

ErrorOr<std::vector<BundleQueueTable::QueuedBundle>> BundleQueueTable::queryBundlesWithCountLimit(
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
    if (retries >= 1) nanoSetInt32(*bundle, kBundleRetryCount, static_cast<std::int32_t>(retries));
    bundles.emplace_back(std::move(bundle), rowID);
  }
  return bundles;
}

ErrorOr<void> BundleQueueTable::incrementRetryCounterForBundlesWithIDs(const std::vector<std::int64_t>& rowIDs) {
  return changeRetryCounters(rowIDs, "retry_count + 1", "Failed to increment bundle retry counts");
}

ErrorOr<void> BundleQueueTable::decrementRetryCounterForBundlesWithIDs(const std::vector<std::int64_t>& rowIDs) {
  return changeRetryCounters(rowIDs, "MAX(retry_count - 1, 0)", "Failed to decrement bundle retry counts");
}

ErrorOr<void> BundleQueueTable::changeRetryCounters(const std::vector<std::int64_t>& rowIDs, const char* newCount,
                                                       const char* failure) {
  if (rowIDs.empty()) return {};
  return run(std::string("UPDATE queue SET retry_count = ") + newCount + " WHERE rowid IN (" +
                 placeholders(rowIDs.size()) + ")",
             rowIDValues(rowIDs), messages::kBundleRetryCountsIncrementFailed, failure);
}

ErrorOr<void> BundleQueueTable::deleteBundlesWithRowIDs(const std::vector<std::int64_t>& rowIDs) {
  if (rowIDs.empty()) return {};
  return run("DELETE FROM queue WHERE rowid IN (" + placeholders(rowIDs.size()) + ")", rowIDValues(rowIDs),
             messages::kBundlesDeletionFailed, "Failed to delete bundles");
}

ErrorOr<std::optional<std::int64_t>> BundleQueueTable::queryLatestBundleTime() {
  auto rows = query("SELECT MAX(bundle_end_timestamp) AS latest FROM queue", {}, messages::kBundleTimeQueryFailed,
                    "Failed to query bundle time");
  if (!rows) return rows.error();
  if (rows->empty() || !rows->front().at("latest").isNumber()) return std::nullopt;
  return rows->front().at("latest").toInt64();
}

ErrorOr<bool> BundleQueueTable::containsRealtimeBundlesWithError() {
  auto count = scalar("SELECT count(*) FROM queue WHERE realtime = 1", {}, messages::kBundlesExistenceQueryFailed,
                      "Failed to query bundles");
  if (!count) return count.error();
  return *count > 0;
}

ErrorOr<bool> BundleQueueTable::isQueuedBundleTableEmpty() {
  auto any = scalar("SELECT EXISTS (SELECT 1 FROM queue)", {}, messages::kBundlesExistenceQueryFailed,
                    "Failed to query bundles");
  if (!any) return any.error();
  return *any == 0;
}

}  // namespace sdk::analytics
