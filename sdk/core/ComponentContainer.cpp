#include "sdk/core/ComponentContainer.h"

#include <algorithm>

#include "platform/runtime/Send.h"
#include "sdk/core/App.h"
#include "sdk/core/CoreMessageCodes.h"
#include "sdk/core/Library.h"
#include "sdk/core/CoreLogger.h"

namespace sdk::core {

namespace {

using platform::runtime::Class;
using platform::runtime::Object;
using platform::runtime::Protocol;

constexpr const char* kContainerService = "[Vurevore/Core]";

struct RegistrantSet {
  std::mutex mutex;
  ComponentContainer::Registrants classes;
};

RegistrantSet& registrantSet() {
  static RegistrantSet set;
  return set;
}

}  // namespace

void ComponentContainer::registerAsComponentRegistrant(Class* library) {
  RegistrantSet& set = registrantSet();
  std::lock_guard lock(set.mutex);
  registerAsComponentRegistrant(library, set.classes);
}

void ComponentContainer::registerAsComponentRegistrant(Class* library, Registrants& registrants) {
  if (library && std::find(registrants.begin(), registrants.end(), library) == registrants.end()) {
    registrants.push_back(library);
  }
}

ComponentContainer::Registrants ComponentContainer::registrants() {
  RegistrantSet& set = registrantSet();
  std::lock_guard lock(set.mutex);
  return set.classes;
}

ComponentContainer::ComponentContainer(const std::shared_ptr<App>& app)
    : ComponentContainer(app, registrants()) {}

ComponentContainer::ComponentContainer(const std::shared_ptr<App>& app, const Registrants& registrants)
    : app_(app) {
  populateComponentsFromRegisteredClasses(registrants, app && app->isDefaultApp());
}

void ComponentContainer::populateComponentsFromRegisteredClasses(const Registrants& registrants,
                                                                    bool isDefaultApp) {
  std::lock_guard lock(mutex_);
  eagerProtocolsToInstantiate_.clear();
  for (Class* library : registrants) {
    for (const auto& component : platform::runtime::send(*library, kComponentsToRegister)) {
      if (!component || !component->protocol()) continue;
      const std::string& name = component->protocol()->name();
      if (components_.contains(name)) {
        coreLogError(kContainerService, messages::kComponentRegisteredTwice, "Attempted to register protocol %@, but it already has an implementation.",
                    name);
        continue;
      }
      components_[name] = component->creationBlock();
      const auto timing = component->instantiationTiming();
      if (timing == kInstantiationTimingAlwaysEager ||
          (timing == kInstantiationTimingEagerInDefaultApp && isDefaultApp)) {
        eagerProtocolsToInstantiate_.push_back(component->protocol());
      }
    }
  }
}

void ComponentContainer::instantiateEagerComponents() {
  std::lock_guard lock(mutex_);
  const auto eager = std::move(eagerProtocolsToInstantiate_);
  eagerProtocolsToInstantiate_.clear();
  for (const Protocol* protocol : eager) (void)instanceForProtocol(protocol);
}

std::shared_ptr<Object> ComponentContainer::instanceForProtocol(const Protocol* protocol) {
  if (!protocol) return nullptr;
  std::lock_guard lock(mutex_);
  const std::string& name = protocol->name();
  if (auto cached = cachedInstances_.find(name); cached != cachedInstances_.end()) return cached->second;
  auto found = components_.find(name);
  if (found == components_.end() || !found->second) return nullptr;
  // A copy: the block may remove components, or look up others, while it runs.
  const ComponentCreationBlock block = found->second;
  bool isCacheable = false;
  std::shared_ptr<Object> instance = block(*this, &isCacheable);
  if (!instance) return nullptr;
  if (!instance->conformsTo(protocol)) {
    // Callers act on the instance through the protocol's methods; one that lacks them would fail at
    // the first call, far from here. It is refused instead.
    coreLogError(kContainerService, messages::kComponentNotConforming,
                "An instance conforming to %@ was requested, but the instance provided does not conform to the "
                "protocol",
                name);
    return nullptr;
  }
  if (isCacheable) cachedInstances_[name] = instance;
  return instance;
}

void ComponentContainer::removeAllCachedInstances() {
  std::lock_guard lock(mutex_);
  const auto app = app_.lock();
  for (const auto& [name, instance] : cachedInstances_) {
    if (instance->conformsTo(componentLifecycleMaintainerProtocol())) {
      (void)platform::runtime::trySend(*instance, kAppWillBeDeleted, app);
    }
  }
  cachedInstances_.clear();
}

void ComponentContainer::removeAllComponents() {
  std::lock_guard lock(mutex_);
  components_.clear();
}

}  // namespace sdk::core

