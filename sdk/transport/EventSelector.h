#pragma once

#include <cstdint>
#include <set>
#include <string>

namespace sdk::transport {

// Which stored events of a target a batch takes. An empty set places no condition.
struct EventSelector {
  std::int64_t selectedTarget = 0;
  std::set<std::string> selectedEventIDs;
  std::set<std::string> selectedMappingIDs;
  std::set<std::int64_t> selectedQosTiers;

  static EventSelector eventSelectorForTarget(std::int64_t target) { return {target, {}, {}, {}}; }
};

}  // namespace sdk::transport

