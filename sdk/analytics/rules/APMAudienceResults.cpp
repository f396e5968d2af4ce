#include <algorithm>
#include <set>

#include "sdk/analytics/foundation/APMDatabase.h"
#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPBAudience.h"
#include "sdk/analytics/rules/APMAudience.h"
#include "sdk/analytics/rules/APMResultWords.h"
#include "sdk/analytics/rules/AudienceFieldIndices.h"

using platform::foundation::Error;
using platform::foundation::Value;
using namespace sdk::analytics;
using namespace sdk::analytics::audience_fields;

namespace {

// Field indices of APMPBAudienceLeafFilterResult.
constexpr int kLeafAudienceID = 0, kLeafCurrent = 1, kLeafPrevious = 2, kLeafNewAudience = 3;

std::shared_ptr<APMPBResultData> decodeResults(const platform::foundation::Data& data) {
  if (data.empty()) return nullptr;
  return APMPBResultData::initWithBuffer(data);
}

bool anyBitSet(const APMResultWords& words) {
  return std::any_of(words.begin(), words.end(), [](std::uint64_t word) { return word != 0; });
}

// Keeps only the timestamp messages whose filter is not in `cleared`.
template <typename Message>
void dropTimestamps(APMPBResultData& data, int index, const std::set<std::int32_t>& cleared) {
  auto elements = APMNanoGetMessageArray<Message>(data, index);
  std::erase_if(elements, [&](const auto& element) {
    return cleared.contains(APMNanoGetInt32(*element, kTimestampFilterID));
  });
  APMNanoSetMessageArray(data, index, elements);
}

}  // namespace

bool APMAudience::isFilterResult(const std::optional<APMFilterResult>& result, std::int32_t filterID,
                                 APMMonitor& monitor) {
  if (!result || result->currentResults.empty()) return false;
  auto data = decodeResults(result->currentResults);
  APMResultWords status = data ? APMGetResultWords(*data, kResultStatus) : APMResultWords{};
  APMResultWords results = data ? APMGetResultWords(*data, kResults) : APMResultWords{};
  if (status.empty() || results.empty()) {
    monitor.logWithLevel(2, 6023,
                         "Audience filter result is non-nil and is missing status or results array. Audience result "
                         "will not be bundled. Audience ID, result data",
                         Value(result->audienceID), Value::data(result->currentResults));
    return false;
  }
  return APMResultBit(status, filterID) && APMResultBit(results, filterID);
}

APMFilterResult APMAudience::updatedFilterResultWithFilterID(std::int32_t filterID, std::int32_t audienceID,
                                                             const std::optional<APMFilterResult>& currentFilterResult,
                                                             std::optional<bool> newEvaluationResult,
                                                             const APMAudienceTimestampsCache& audienceTimestampsCache) {
  APMResultWords status, results;
  if (currentFilterResult) {
    if (auto stored = decodeResults(currentFilterResult->currentResults)) {
      status = APMGetResultWords(*stored, kResultStatus);
      results = APMGetResultWords(*stored, kResults);
    }
  }
  // Both lists keep one length, whatever a damaged row held.
  std::size_t length = std::max(status.size(), results.size());
  if (filterID >= 0) length = std::max(length, static_cast<std::size_t>(filterID) / 64 + 1);
  status.resize(length, 0);
  results.resize(length, 0);
  APMSetResultBit(status, filterID, newEvaluationResult.has_value());
  APMSetResultBit(results, filterID, newEvaluationResult.value_or(false));

  auto data = APMPBResultData::make();
  APMSetResultWords(*data, kResultStatus, status);
  APMSetResultWords(*data, kResults, results);
  APMNanoSetMessageArray(*data, kDynamicTimestamps, audienceTimestampsCache.dynamicTimestampsForAudienceID(audienceID));
  if (auto sequences = audienceTimestampsCache.sequenceTimestampsForAudienceID(audienceID)) {
    APMNanoSetMessageArray(*data, kSequenceTimestamps, *sequences);
  }
  return APMFilterResult{audienceID, data->protoBuffer(),
                         currentFilterResult ? currentFilterResult->previousResults : platform::foundation::Data{}};
}

bool APMAudience::resultsForBundling(
    std::optional<std::vector<std::shared_ptr<APMPBAudienceLeafFilterResult>>>* results) {
  if (results) results->reset();
  Error error;
  auto records = database_->allFilterResults(&error);
  if (!records) {
    monitor_->logWithLevel(1, 6019, "Unable to query Audience filter results. Audience results will not be bundled. "
                           "Error", Value(error.localizedDescription()));
    return false;
  }
  std::vector<std::shared_ptr<APMPBAudienceLeafFilterResult>> leaves;
  std::vector<APMFilterResult> rolled;
  for (const auto& [audienceID, record] : *records) {
    auto current = decodeResults(record.currentResults);
    if (!current) {
      monitor_->logWithLevel(2, 6020, "Current result data is nil. Audience result will not be bundled. Audience ID",
                             Value(audienceID));
      continue;
    }
    if (!anyBitSet(APMGetResultWords(*current, kResultStatus))) {
      monitor_->logWithLevel(2, 6021, "Current result status is 0. Audience result will not be bundled. Audience ID",
                             Value(audienceID));
      continue;
    }
    auto leaf = APMPBAudienceLeafFilterResult::make();
    APMNanoSetInt32(*leaf, kLeafAudienceID, audienceID);
    if (record.previousResults.empty()) {
      APMNanoSetBool(*leaf, kLeafNewAudience, true);
    } else {
      APMNanoSetBool(*leaf, kLeafNewAudience, false);
      if (record.previousResults != record.currentResults) {
        if (auto previous = decodeResults(record.previousResults)) APMNanoSetMessage(*leaf, kLeafPrevious, previous.get());
      } else {
        // Unchanged since the last bundle: the first sequence needs only its latest time again.
        auto sequences = APMNanoGetMessageArray<APMPBSequenceFilterResultTimestamp>(*current, kSequenceTimestamps);
        if (!sequences.empty()) {
          auto times = APMGetInt64List(*sequences.front(), kTimestampValues);
          if (times.size() >= 2) {
            APMSetInt64List(*sequences.front(), kTimestampValues, {times.back()});
            APMNanoSetMessageArray(*current, kSequenceTimestamps, sequences);
          }
        }
      }
    }
    APMNanoSetMessage(*leaf, kLeafCurrent, current.get());
    leaves.push_back(leaf);
    rolled.push_back(APMFilterResult{audienceID, current->protoBuffer(), record.currentResults});
  }
  if (!rolled.empty() && !database_->updateFilterResults(rolled, &error)) {
    monitor_->logWithLevel(1, 6022, "Unable to save updated Audience filter results. Audience results will not be "
                           "bundled. Error", Value(error.localizedDescription()));
    return false;
  }
  if (results) *results = std::move(leaves);
  return true;
}

bool APMAudience::clearEvaluationResultsForSessionScopedFilters() {
  Error error;
  auto scoped = database_->allSessionScopedFilters(&error);
  if (!scoped) {
    monitor_->logWithLevel(1, 6040, "Unable to query all session scoped filters. Session scoped results will not be "
                           "cleared. Error", Value(error.localizedDescription()));
    return false;
  }
  auto records = database_->allFilterResults(&error);
  if (!records) {
    monitor_->logWithLevel(1, 6041, "Unable to query all filter results. Session scoped results will not be cleared. "
                           "Error", Value(error.localizedDescription()));
    return false;
  }
  for (const auto& [audienceID, filterIDs] : *scoped) {
    auto record = records->find(audienceID);
    if (record == records->end()) continue;
    auto current = decodeResults(record->second.currentResults);
    if (!current) continue;
    APMResultWords status = APMGetResultWords(*current, kResultStatus);
    APMResultWords results = APMGetResultWords(*current, kResults);
    std::set<std::int32_t> cleared(filterIDs.begin(), filterIDs.end());
    for (std::int32_t filterID : cleared) {
      APMSetResultBit(status, filterID, false);
      APMSetResultBit(results, filterID, false);
    }
    if (anyBitSet(status)) {
      APMSetResultWords(*current, kResultStatus, status);
      APMSetResultWords(*current, kResults, results);
      dropTimestamps<APMPBDynamicFilterResultTimestamp>(*current, kDynamicTimestamps, cleared);
      dropTimestamps<APMPBSequenceFilterResultTimestamp>(*current, kSequenceTimestamps, cleared);
      APMFilterResult updated{audienceID, current->protoBuffer(), record->second.currentResults};
      if (!database_->updateFilterResults({updated}, &error)) {
        monitor_->logWithLevel(2, 6043, "Unable to update filter results. Session scoped results will not be "
                               "cleared. Error", Value(error.localizedDescription()));
        return false;
      }
    } else if (!database_->deleteFilterResults({record->second}, &error)) {
      monitor_->logWithLevel(1, 6042, "Unable to delete filter results. Session scoped results will not be cleared. "
                             "Error", Value(error.localizedDescription()));
      return false;
    }
  }
  return true;
}
