#pragma once

#include <cstdint>
#include <set>
#include <string>

// Which stored events of a target a batch takes. An empty set places no condition.
struct VDTCORStorageEventSelector {
  std::int64_t selectedTarget = 0;
  std::set<std::string> selectedEventIDs;
  std::set<std::string> selectedMappingIDs;
  std::set<std::int64_t> selectedQosTiers;

  static VDTCORStorageEventSelector eventSelectorForTarget(std::int64_t target) { return {target, {}, {}, {}}; }
};
