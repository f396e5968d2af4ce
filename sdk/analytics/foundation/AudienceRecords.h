#pragma once

#include <compare>
#include <cstdint>
#include <string>

#include "platform/foundation/Value.h"

namespace sdk::analytics {

// Stored audience filters and results. `data` holds the encoded ProtoEventFilter,
// ProtoPropertyFilter or ProtoResultData.
struct StoredEventFilter {
  std::int32_t audienceID = 0;
  std::int32_t filterID = 0;
  std::string eventName;
  platform::foundation::Data data;
  bool isSessionScoped = false;
  bool isDynamic = false;
  bool isSequence = false;
  bool operator==(const StoredEventFilter&) const = default;
};

struct StoredPropertyFilter {
  std::int32_t audienceID = 0;
  std::int32_t filterID = 0;
  std::string propertyName;
  platform::foundation::Data data;
  bool isSessionScoped = false;
  bool isDynamic = false;
  bool isSequence = false;
  bool operator==(const StoredPropertyFilter&) const = default;
};

// Where the next walk over the stored filters of one event or user-property name starts: the first
// filter the last walk left for want of time, by its audience and filter ID.
struct AudienceWalkStart {
  std::int32_t audienceID = 0;
  std::int32_t filterID = 0;
  bool operator==(const AudienceWalkStart&) const = default;
  auto operator<=>(const AudienceWalkStart&) const = default;
};

// The filters a walk goes over: an event name's or a user-property name's.
enum class AudienceFilterKind : std::int64_t { Event = 0, Property = 1 };

struct StoredFilterResults {
  std::int32_t audienceID = 0;
  platform::foundation::Data currentResults;   // may be empty
  platform::foundation::Data previousResults;  // may be empty
  bool operator==(const StoredFilterResults&) const = default;
};

}  // namespace sdk::analytics

