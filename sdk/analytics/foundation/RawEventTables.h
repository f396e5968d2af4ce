#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "sdk/analytics/foundation/AnalyticsEvent.h"
#include "sdk/analytics/foundation/MeasurementStatements.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "sdk/analytics/foundation/RawEventData.h"

namespace sdk::analytics {

// The measurement database's raw events waiting to be bundled, the metadata each group of them
// shares, and the count of them the storage cap reads.
class RawEventTables : protected MeasurementStatements {
 public:
  static constexpr std::int64_t kRawEventReadLimit = 1000;

  // `maxEventsStored`: the cap on stored raw events, read before each insert.
  RawEventTables(std::shared_ptr<SqliteStore> store, std::function<std::int64_t()> maxEventsStored)
      : MeasurementStatements(std::move(store)), maxEventsStored_(std::move(maxEventsStored)) {}

  void setMaxEventsStored(std::function<std::int64_t()> maxEventsStored) {
    maxEventsStored_ = std::move(maxEventsStored);
  }

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

 private:
  // Counts the raw events into the kept count (read the whole table) and answers it.
  ErrorOr<std::int64_t> countRawEvents();

  std::function<std::int64_t()> maxEventsStored_;
};

}  // namespace sdk::analytics
