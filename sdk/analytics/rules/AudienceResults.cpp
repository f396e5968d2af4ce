#include "sdk/analytics/rules/AudienceResults.h"

#include <algorithm>
#include <set>

#include "sdk/analytics/foundation/AudienceFieldIndices.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/rules/ResultWords.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"

namespace sdk::analytics {

using platform::foundation::Error;
using platform::foundation::Value;
using namespace sdk::analytics;
using namespace sdk::analytics::audience_fields;

namespace {

std::shared_ptr<ProtoResultData> decodeResults(const platform::foundation::Data& data) {
  if (data.empty()) return nullptr;
  return ProtoResultData::initWithBuffer(data);
}

bool anyBitSet(const ResultWords& words) {
  return std::any_of(words.begin(), words.end(), [](std::uint64_t word) { return word != 0; });
}

// Keeps only the timestamp messages whose filter is not in `cleared`.
template <typename Message>
void dropTimestamps(ProtoResultData& data, int index, const std::set<std::int32_t>& cleared) {
  auto elements = nanoGetMessageArray<Message>(data, index);
  std::erase_if(elements, [&](const auto& element) {
    return cleared.contains(nanoGetInt32(*element, kTimestampFilterID));
  });
  nanoSetMessageArray(data, index, elements);
}

}  // namespace

AudienceResults::AudienceResults(std::shared_ptr<MeasurementDatabase> database, std::shared_ptr<Monitor> monitor)
    : database_(std::move(database)), monitor_(std::move(monitor)) {}

bool AudienceResults::isFilterResult(const std::optional<StoredFilterResults>& result, std::int32_t filterID,
                                     Monitor& monitor) {
  if (!result || result->currentResults.empty()) return false;
  auto data = decodeResults(result->currentResults);
  ResultWords status = data ? getResultWords(*data, kResultStatus) : ResultWords{};
  ResultWords results = data ? getResultWords(*data, kResults) : ResultWords{};
  if (status.empty() || results.empty()) {
    monitor.logWithLevel(LogLevel::kSilentError, messages::kResultMissingStatusOrResults,
                         "Audience filter result is non-nil and is missing status or results array. Audience result "
                         "will not be bundled. Audience ID, result data",
                         Value(result->audienceID), Value::data(result->currentResults));
    return false;
  }
  return resultBit(status, filterID) && resultBit(results, filterID);
}

StoredFilterResults AudienceResults::updatedFilterResultWithFilterID(
    std::int32_t filterID, std::int32_t audienceID, const std::optional<StoredFilterResults>& currentFilterResult,
    std::optional<bool> newEvaluationResult, const AudienceTimestampsCache& audienceTimestampsCache) {
  ResultWords status, results;
  if (currentFilterResult) {
    if (auto stored = decodeResults(currentFilterResult->currentResults)) {
      status = getResultWords(*stored, kResultStatus);
      results = getResultWords(*stored, kResults);
    }
  }
  // Both lists keep one length, whatever a damaged row held.
  std::size_t length = std::max(status.size(), results.size());
  if (filterID >= 0) length = std::max(length, static_cast<std::size_t>(filterID) / 64 + 1);
  status.resize(length, 0);
  results.resize(length, 0);
  setResultBit(status, filterID, newEvaluationResult.has_value());
  setResultBit(results, filterID, newEvaluationResult.value_or(false));

  auto data = ProtoResultData::make();
  setResultWords(*data, kResultStatus, status);
  setResultWords(*data, kResults, results);
  nanoSetMessageArray(*data, kDynamicTimestamps, audienceTimestampsCache.dynamicTimestampsForAudienceID(audienceID));
  if (auto sequences = audienceTimestampsCache.sequenceTimestampsForAudienceID(audienceID)) {
    nanoSetMessageArray(*data, kSequenceTimestamps, *sequences);
  }
  return StoredFilterResults{audienceID, data->protoBuffer(),
                         currentFilterResult ? currentFilterResult->previousResults : platform::foundation::Data{}};
}

bool AudienceResults::resultsForBundling(
    std::optional<std::vector<std::shared_ptr<ProtoAudienceLeafFilterResult>>>* results) {
  if (results) results->reset();
  auto records = database_->allFilterResults();
  if (!records) {
    monitor_->logWithLevel(LogLevel::kMonitoredError, messages::kFilterResultsQueryFailedOnBundle,
                           "Unable to query Audience filter results. Audience results will not be bundled. "
                           "Error",
                           Value(records.error().localizedDescription()));
    return false;
  }
  std::vector<std::shared_ptr<ProtoAudienceLeafFilterResult>> leaves;
  std::vector<StoredFilterResults> rolled;
  for (const auto& [audienceID, record] : *records) {
    auto current = decodeResults(record.currentResults);
    if (!current) {
      monitor_->logWithLevel(LogLevel::kSilentError, messages::kResultDataMissing, "Current result data is nil. Audience result will not be bundled. Audience ID",
                             Value(audienceID));
      continue;
    }
    if (!anyBitSet(getResultWords(*current, kResultStatus))) {
      monitor_->logWithLevel(LogLevel::kSilentError, messages::kResultStatusZero, "Current result status is 0. Audience result will not be bundled. Audience ID",
                             Value(audienceID));
      continue;
    }
    auto leaf = ProtoAudienceLeafFilterResult::make();
    nanoSetInt32(*leaf, kLeafAudienceID, audienceID);
    if (record.previousResults.empty()) {
      nanoSetBool(*leaf, kLeafNewAudience, true);
    } else {
      nanoSetBool(*leaf, kLeafNewAudience, false);
      if (record.previousResults != record.currentResults) {
        if (auto previous = decodeResults(record.previousResults)) nanoSetMessage(*leaf, kLeafPrevious, previous.get());
      } else {
        // Unchanged since the last bundle: the first sequence needs only its latest time again.
        auto sequences = nanoGetMessageArray<ProtoSequenceFilterResultTimestamp>(*current, kSequenceTimestamps);
        if (!sequences.empty()) {
          auto times = getInt64List(*sequences.front(), kTimestampValues);
          if (times.size() >= 2) {
            setInt64List(*sequences.front(), kTimestampValues, {times.back()});
            nanoSetMessageArray(*current, kSequenceTimestamps, sequences);
          }
        }
      }
    }
    nanoSetMessage(*leaf, kLeafCurrent, current.get());
    leaves.push_back(leaf);
    rolled.push_back(StoredFilterResults{audienceID, current->protoBuffer(), record.currentResults});
  }
  if (auto saved = rolled.empty() ? MeasurementDatabase::ErrorOr<void>() : database_->updateFilterResults(rolled);
      !saved) {
    monitor_->logWithLevel(LogLevel::kMonitoredError, messages::kFilterResultsSaveFailedOnBundle,
                           "Unable to save updated Audience filter results. Audience results will not be "
                           "bundled. Error",
                           Value(saved.error().localizedDescription()));
    return false;
  }
  if (results) *results = std::move(leaves);
  return true;
}

bool AudienceResults::clearEvaluationResultsForSessionScopedFilters() {
  auto scoped = database_->allSessionScopedFilters();
  if (!scoped) {
    monitor_->logWithLevel(LogLevel::kMonitoredError, messages::kSessionScopedFiltersQueryFailed,
                           "Unable to query all session scoped filters. Session scoped results will not be "
                           "cleared. Error",
                           Value(scoped.error().localizedDescription()));
    return false;
  }
  auto records = database_->allFilterResults();
  if (!records) {
    monitor_->logWithLevel(LogLevel::kMonitoredError, messages::kFilterResultsQueryFailedOnSessionClear,
                           "Unable to query all filter results. Session scoped results will not be cleared. "
                           "Error",
                           Value(records.error().localizedDescription()));
    return false;
  }
  for (const auto& [audienceID, filterIDs] : *scoped) {
    auto record = records->find(audienceID);
    if (record == records->end()) continue;
    auto current = decodeResults(record->second.currentResults);
    if (!current) continue;
    ResultWords status = getResultWords(*current, kResultStatus);
    ResultWords results = getResultWords(*current, kResults);
    std::set<std::int32_t> cleared(filterIDs.begin(), filterIDs.end());
    for (std::int32_t filterID : cleared) {
      setResultBit(status, filterID, false);
      setResultBit(results, filterID, false);
    }
    if (anyBitSet(status)) {
      setResultWords(*current, kResultStatus, status);
      setResultWords(*current, kResults, results);
      dropTimestamps<ProtoDynamicFilterResultTimestamp>(*current, kDynamicTimestamps, cleared);
      dropTimestamps<ProtoSequenceFilterResultTimestamp>(*current, kSequenceTimestamps, cleared);
      StoredFilterResults updated{audienceID, current->protoBuffer(), record->second.currentResults};
      if (auto result = database_->updateFilterResults({updated}); !result) {
        monitor_->logWithLevel(LogLevel::kSilentError, messages::kFilterResultsUpdateFailedOnSessionClear,
                               "Unable to update filter results. Session scoped results will not be "
                               "cleared. Error",
                               Value(result.error().localizedDescription()));
        return false;
      }
    } else if (auto result = database_->deleteFilterResults({record->second}); !result) {
      monitor_->logWithLevel(LogLevel::kMonitoredError, messages::kFilterResultsDeleteFailedOnSessionClear,
                             "Unable to delete filter results. Session scoped results will not be cleared. "
                             "Error",
                             Value(result.error().localizedDescription()));
      return false;
    }
  }
  return true;
}

}  // namespace sdk::analytics

