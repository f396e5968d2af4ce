#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/foundation/Error.h"
#include "platform/foundation/ErrorOr.h"
#include "sdk/analytics/foundation/AudienceRecords.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/rules/PreparedEventFilter.h"
#include "sdk/analytics/rules/PreparedPropertyFilter.h"

namespace sdk::analytics {

class MeasurementDatabase;

// One stored filter as evaluation uses it: its row, its message decoded once (nullptr when the stored
// data is empty or does not decode) and the message prepared.
template <typename Record, typename Message, typename Prepared>
struct KeptAudienceFilter {
  Record record;
  std::shared_ptr<const Message> message;
  std::optional<Prepared> prepared;
  // The message names what the row is stored under, so the name need not be compared per event.
  bool namedAsStored = false;
};

// Where the next walk over a name's filters starts: the first filter the last one left for want of
// time, by its index, and as the database keeps it (nothing: from the first).
struct AudienceWalkPlace {
  std::size_t index = 0;
  std::optional<AudienceWalkStart> stored;
};

// The stored event filters of one event name, with the parameters they ask for.
struct EventFilterSet {
  static constexpr AudienceFilterKind kKind = AudienceFilterKind::Event;
  std::vector<KeptAudienceFilter<StoredEventFilter, ProtoEventFilter, PreparedEventFilter>> filters;
  std::vector<std::string> parameterNames;  // the slots of an EventParameterLookup
  AudienceWalkPlace walk;
};

// The stored property filters of one user-property name.
struct PropertyFilterSet {
  static constexpr AudienceFilterKind kKind = AudienceFilterKind::Property;
  std::vector<KeptAudienceFilter<StoredPropertyFilter, ProtoPropertyFilter, PreparedPropertyFilter>> filters;
  AudienceWalkPlace walk;
};

// The stored audience filters, decoded and prepared once and kept between events, per event and
// property name, with where the next walk over them starts. A bundle of a thousand events reads and
// decodes each name's filters once instead of once per event; everything is read again once the
// stored filters change (MeasurementDatabase::audienceFiltersVersion), and with it every pattern set
// aside for the texts it ran out of time on is tried again. Worker queue only.
class AudienceFilterCache {
 public:
  // The sets answered stay valid until the next call; the read's error when it failed.
  platform::foundation::ErrorOr<EventFilterSet*> eventFilters(MeasurementDatabase& database, const std::string& eventName);
  platform::foundation::ErrorOr<PropertyFilterSet*> propertyFilters(MeasurementDatabase& database,
                                                                    const std::string& propertyName);

  // Names kept at most, per kind: past it the kept sets start again empty.
  static constexpr std::size_t kMaxNames = 1024;

 private:
  void forgetWhenChanged(const MeasurementDatabase& database);

  std::optional<std::uint64_t> version_;
  std::unordered_map<std::string, EventFilterSet> events_;
  std::unordered_map<std::string, PropertyFilterSet> properties_;
};

}  // namespace sdk::analytics

