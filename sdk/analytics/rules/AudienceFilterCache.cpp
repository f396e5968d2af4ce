#include "sdk/analytics/rules/AudienceFilterCache.h"

#include <algorithm>

#include "sdk/analytics/foundation/MeasurementDatabase.h"

namespace sdk::analytics {

namespace {

template <typename Message, typename Kept>
void decode(Kept& kept) {
  // Empty data decodes to an empty message, but an empty stored filter is damage all the same.
  if (!kept.record.data.empty()) kept.message = Message::initWithBuffer(kept.record.data);
}

// The walk starts at the stored filter, or at the first after it when the filters changed since.
template <typename Filters>
AudienceWalkPlace placeOf(const Filters& filters, const std::optional<AudienceWalkStart>& stored) {
  AudienceWalkPlace place{0, stored};
  if (!stored) return place;
  const auto found = std::find_if(filters.begin(), filters.end(), [&](const auto& kept) {
    return AudienceWalkStart{kept.record.audienceID, kept.record.filterID} >= *stored;
  });
  if (found != filters.end()) place.index = static_cast<std::size_t>(found - filters.begin());
  return place;
}

}  // namespace

void AudienceFilterCache::forgetWhenChanged(const MeasurementDatabase& database) {
  std::uint64_t version = database.audienceFiltersVersion();
  if (version_ == version) return;
  events_.clear();
  properties_.clear();
  version_ = version;
}

platform::foundation::ErrorOr<EventFilterSet*> AudienceFilterCache::eventFilters(MeasurementDatabase& database,
                                                                                 const std::string& eventName) {
  forgetWhenChanged(database);
  if (auto found = events_.find(eventName); found != events_.end()) return &found->second;
  auto records = TRY(database.eventFiltersForEventName(eventName));
  const auto start = TRY(database.audienceWalkStart(EventFilterSet::kKind, eventName));
  if (events_.size() >= kMaxNames) events_.clear();
  EventFilterSet& set = events_[eventName];
  set.filters.reserve(records.size());
  for (StoredEventFilter& record : records) {
    auto& kept = set.filters.emplace_back();
    kept.record = std::move(record);
    decode<ProtoEventFilter>(kept);
    if (kept.message) {
      kept.prepared.emplace(*kept.message, set.parameterNames);
      kept.namedAsStored = kept.prepared->isFor(eventName);
    }
  }
  set.walk = placeOf(set.filters, start);
  return &set;
}

platform::foundation::ErrorOr<PropertyFilterSet*> AudienceFilterCache::propertyFilters(
    MeasurementDatabase& database, const std::string& propertyName) {
  forgetWhenChanged(database);
  if (auto found = properties_.find(propertyName); found != properties_.end()) return &found->second;
  auto records = TRY(database.propertyFiltersForPropertyName(propertyName));
  const auto start = TRY(database.audienceWalkStart(PropertyFilterSet::kKind, propertyName));
  if (properties_.size() >= kMaxNames) properties_.clear();
  PropertyFilterSet& set = properties_[propertyName];
  set.filters.reserve(records.size());
  for (StoredPropertyFilter& record : records) {
    auto& kept = set.filters.emplace_back();
    kept.record = std::move(record);
    decode<ProtoPropertyFilter>(kept);
    if (kept.message) kept.prepared.emplace(*kept.message);
  }
  set.walk = placeOf(set.filters, start);
  return &set;
}

}  // namespace sdk::analytics

