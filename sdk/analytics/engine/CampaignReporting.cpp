#include "sdk/analytics/engine/CampaignReporting.h"

#include "sdk/analytics/engine/InstalledValue.h"

namespace sdk::analytics {

std::shared_ptr<CampaignReporting> CampaignReporting::create(std::weak_ptr<MeasurementEngine> engine) {
  Factory factory = InstalledValue<Factory, CampaignReporting>::get();
  return factory ? factory(std::move(engine)) : nullptr;
}

void CampaignReporting::setFactory(Factory factory) {
  InstalledValue<Factory, CampaignReporting>::set(std::move(factory));
}

}  // namespace sdk::analytics

