#include "sdk/analytics/engine/CampaignReporting.h"

#include <mutex>

namespace sdk::analytics {
namespace {

struct InstalledFactory {
  std::mutex mutex;
  CampaignReporting::Factory factory;
};

// Never destroyed: links may arrive from queued work while the process exits.
InstalledFactory& installed() {
  static auto* value = new InstalledFactory;
  return *value;
}

}  // namespace

std::shared_ptr<CampaignReporting> CampaignReporting::create(std::weak_ptr<APMMeasurement> engine) {
  Factory factory;
  {
    std::lock_guard lock(installed().mutex);
    factory = installed().factory;
  }
  return factory ? factory(std::move(engine)) : nullptr;
}

void CampaignReporting::setFactory(Factory factory) {
  std::lock_guard lock(installed().mutex);
  installed().factory = std::move(factory);
}

}  // namespace sdk::analytics
