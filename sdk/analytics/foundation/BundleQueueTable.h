#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "sdk/analytics/foundation/MeasurementStatements.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"

namespace sdk::analytics {

// The measurement database's upload queue: bundles stored gzipped, oldest first, each with the count
// of attempts to send it.
class BundleQueueTable : protected MeasurementStatements {
 public:
  using QueuedBundle = std::pair<std::shared_ptr<ProtoMeasurementBundle>, std::int64_t>;

  explicit BundleQueueTable(std::shared_ptr<SqliteStore> store) : MeasurementStatements(std::move(store)) {}

  ErrorOr<void> insertBundle(const ProtoMeasurementBundle& bundle, bool isRealtime);
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

 private:
  // Sets the retry count of the bundles `rowIDs` to the SQL expression `newCount`.
  ErrorOr<void> changeRetryCounters(const std::vector<std::int64_t>& rowIDs, const char* newCount, const char* failure);
};

}  // namespace sdk::analytics
