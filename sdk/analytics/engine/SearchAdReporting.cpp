#include "sdk/analytics/engine/SearchAdReporting.h"

#include <mutex>

namespace sdk::analytics {
namespace {

struct InstalledFactory {
  std::mutex mutex;
  SearchAdReporting::Factory factory;
};

// Never destroyed: the engine may start from queued work while the process exits.
InstalledFactory& installed() {
  static auto* value = new InstalledFactory;
  return *value;
}

}  // namespace

std::shared_ptr<SearchAdReporting> SearchAdReporting::create(std::shared_ptr<platform::dispatch::Queue> workerQueue,
                                                          std::shared_ptr<APMPersistedConfig> persistedConfig) {
  Factory factory;
  {
    std::lock_guard lock(installed().mutex);
    factory = installed().factory;
  }
  return factory ? factory(std::move(workerQueue), std::move(persistedConfig)) : nullptr;
}

void SearchAdReporting::setFactory(Factory factory) {
  std::lock_guard lock(installed().mutex);
  installed().factory = std::move(factory);
}

}  // namespace sdk::analytics
