#pragma once

#include <cstdint>
#include <string>

#include "platform/foundation/Value.h"

// Stored audience filters and results. `data` holds the encoded APMPBEventFilter,
// APMPBPropertyFilter or APMPBResultData.
struct APMEventFilter {
  std::int32_t audienceID = 0;
  std::int32_t filterID = 0;
  std::string eventName;
  platform::foundation::Data data;
  bool isSessionScoped = false;
  bool isDynamic = false;
  bool isSequence = false;
  bool operator==(const APMEventFilter&) const = default;
};

struct APMPropertyFilter {
  std::int32_t audienceID = 0;
  std::int32_t filterID = 0;
  std::string propertyName;
  platform::foundation::Data data;
  bool isSessionScoped = false;
  bool isDynamic = false;
  bool isSequence = false;
  bool operator==(const APMPropertyFilter&) const = default;
};

struct APMFilterResult {
  std::int32_t audienceID = 0;
  platform::foundation::Data currentResults;   // may be empty
  platform::foundation::Data previousResults;  // may be empty
  bool operator==(const APMFilterResult&) const = default;
};
