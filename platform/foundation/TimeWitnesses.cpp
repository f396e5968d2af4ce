#include "platform/foundation/TimeWitnesses.h"

#include <cmath>
#include <mutex>
#include <vector>

namespace platform::foundation {

namespace {

struct WitnessList {
  std::mutex mutex;
  std::vector<TimeWitnesses::Witness> witnesses;
};

// Never destroyed: witnesses are added by static initialisers in any order.
WitnessList& witnessList() {
  static auto* instance = new WitnessList();
  return *instance;
}

}  // namespace

void TimeWitnesses::add(Witness witness) {
  if (!witness) return;
  auto& r = witnessList();
  std::lock_guard lock(r.mutex);
  r.witnesses.push_back(std::move(witness));
}

std::optional<double> TimeWitnesses::latestNotAfter(double bound) {
  std::vector<Witness> witnesses;
  {
    auto& r = witnessList();
    std::lock_guard lock(r.mutex);
    witnesses = r.witnesses;
  }
  std::optional<double> latest;
  for (const auto& witness : witnesses) {
    const std::optional<double> time = witness(bound);
    if (!time || !std::isfinite(*time) || *time > bound) continue;
    if (!latest || *time > *latest) latest = time;
  }
  return latest;
}

}  // namespace platform::foundation
