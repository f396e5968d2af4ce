#include "sdk/analytics/engine/SearchAdReporting.h"

#include "sdk/analytics/engine/InstalledValue.h"

namespace sdk::analytics {

std::shared_ptr<SearchAdReporting> SearchAdReporting::create(std::shared_ptr<platform::dispatch::Queue> workerQueue,
                                                          std::shared_ptr<PersistedConfig> persistedConfig) {
  Factory factory = InstalledValue<Factory, SearchAdReporting>::get();
  return factory ? factory(std::move(workerQueue), std::move(persistedConfig)) : nullptr;
}

void SearchAdReporting::setFactory(Factory factory) {
  InstalledValue<Factory, SearchAdReporting>::set(std::move(factory));
}

}  // namespace sdk::analytics

