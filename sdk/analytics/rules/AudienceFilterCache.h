#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
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

// The stored event filters of one event name, with the parameters they ask for.
struct EventFilterSet {
  std::vector<KeptAudienceFilter<StoredEventFilter, ProtoEventFilter, PreparedEventFilter>> filters;
  std::vector<std::string> parameterNames;  // the slots of an EventParameterLookup
};

// The stored property filters of one user-property name.
struct PropertyFilterSet {
  std::vector<KeptAudienceFilter<StoredPropertyFilter, ProtoPropertyFilter, PreparedPropertyFilter>> filters;
};

// The stored audience filters, decoded and prepared once and kept between events, per event and
// property name. A bundle of a thousand events reads and decodes each name's filters once instead of
// once per event; everything is read again once the stored filters change
// (MeasurementDatabase::audienceFiltersVersion). Worker queue only.
class AudienceFilterCache {
 public:
  // The sets answered stay valid until the next call; the read's error when it failed.
  platform::foundation::ErrorOr<const EventFilterSet*> eventFilters(MeasurementDatabase& database,
                                                                    const std::string& eventName);
  platform::foundation::ErrorOr<const PropertyFilterSet*> propertyFilters(MeasurementDatabase& database,
                                                                          const std::string& propertyName);

  // A filter whose regular expression ran out of its time is not evaluated again until the stored
  // filters change: a pattern that times out on one value mostly does on the next, and each try
  // costs the event its matcher's whole limit. Event and property filters of one audience share
  // their filter IDs. Kept through the clearing of names past kMaxNames.
  void setAside(std::int32_t audienceID, std::int32_t filterID) { setAside_.emplace(audienceID, filterID); }
  bool isSetAside(std::int32_t audienceID, std::int32_t filterID) const {
    return !setAside_.empty() && setAside_.contains({audienceID, filterID});
  }

  // Names kept at most, per kind: past it the kept sets start again empty.
  static constexpr std::size_t kMaxNames = 1024;

 private:
  void forgetWhenChanged(const MeasurementDatabase& database);

  std::optional<std::uint64_t> version_;
  std::set<std::pair<std::int32_t, std::int32_t>> setAside_;
  std::unordered_map<std::string, EventFilterSet> events_;
  std::unordered_map<std::string, PropertyFilterSet> properties_;
};

}  // namespace sdk::analytics

