#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/foundation/Error.h"
#include "sdk/analytics/foundation/AudienceRecords.h"
#include "sdk/analytics/foundation/Monitor.h"

namespace sdk::analytics {

class MeasurementDatabase;
class MeasurementHost;
class ProtoAudience;

// The audiences' filters as the configuration defines them: those of the valid audiences replace the
// stored ones, their patterns compiled within a budget of the configuration's own. Runs only on the
// measurement worker queue.
class AudienceDefinitions {
 public:
  AudienceDefinitions(std::shared_ptr<MeasurementDatabase> database, std::shared_ptr<const MeasurementHost> host);

  // Replaces the stored filters with those of the valid audiences. True also when the whole list is
  // refused for its size (nothing changes then); false when a database step failed.
  [[nodiscard]] bool updateAudiences(const std::vector<std::shared_ptr<ProtoAudience>>& audiences);
  // Once more results are stored than allowed, deletes those of audiences that neither have stored
  // filters nor are in `audienceIDs`.
  [[nodiscard]] bool maybeDeleteStaleFilterResults(const std::set<std::int32_t>& audienceIDs);

 private:
  // The filters of the valid audiences, their names as stored.
  struct Filters {
    std::set<std::int32_t> accepted;
    std::vector<StoredEventFilter> events;
    std::vector<StoredPropertyFilter> properties;
  };
  Filters validFilters(const std::vector<std::shared_ptr<ProtoAudience>>& audiences);
  [[nodiscard]] bool replaceStoredFilters(const Filters& filters);
  std::int64_t setting(const char* key, std::int64_t defaultValue, std::int64_t maximum) const;
  void logFailure(LogLevel level, std::int64_t code, const std::string& message, const platform::foundation::Error& error);

  std::shared_ptr<MeasurementDatabase> database_;
  std::shared_ptr<const MeasurementHost> host_;
  std::shared_ptr<Monitor> monitor_;
};

}  // namespace sdk::analytics
