#include "sdk/analytics/rules/AudienceFilterCache.h"

#include "sdk/analytics/foundation/MeasurementDatabase.h"

namespace sdk::analytics {

namespace {

template <typename Message, typename Kept>
void decode(Kept& kept) {
  // Empty data decodes to an empty message, but an empty stored filter is damage all the same.
  if (!kept.record.data.empty()) kept.message = Message::initWithBuffer(kept.record.data);
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
  return &set;
}

platform::foundation::ErrorOr<PropertyFilterSet*> AudienceFilterCache::propertyFilters(
    MeasurementDatabase& database, const std::string& propertyName) {
  forgetWhenChanged(database);
  if (auto found = properties_.find(propertyName); found != properties_.end()) return &found->second;
  auto records = TRY(database.propertyFiltersForPropertyName(propertyName));
  if (properties_.size() >= kMaxNames) properties_.clear();
  PropertyFilterSet& set = properties_[propertyName];
  set.filters.reserve(records.size());
  for (StoredPropertyFilter& record : records) {
    auto& kept = set.filters.emplace_back();
    kept.record = std::move(record);
    decode<ProtoPropertyFilter>(kept);
    if (kept.message) kept.prepared.emplace(*kept.message);
  }
  return &set;
}

}  // namespace sdk::analytics

