#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sdk/analytics/foundation/AudienceRecords.h"
#include "sdk/analytics/foundation/MeasurementStatements.h"

namespace sdk::analytics {

// The measurement database's audiences: the event and property filters of each, what they judged,
// and where the next walk over a name's filters starts.
class AudienceFilterTables : protected MeasurementStatements {
 public:
  explicit AudienceFilterTables(std::shared_ptr<SqliteStore> store) : MeasurementStatements(std::move(store)) {}

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

 protected:
  // Moves audienceFiltersVersion once the statements that change the filters have run, so a reader
  // that reads the version before the filters never keeps new filters under an old version.
  struct FiltersChange {
    std::atomic<std::uint64_t>& writes;
    ~FiltersChange() { writes.fetch_add(1, std::memory_order_relaxed); }
  };

  std::atomic<std::uint64_t> filterWrites_{0};
};

}  // namespace sdk::analytics
