#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "platform/runtime/Protocol.h"
#include "sdk/core/Component.h"

namespace sdk::core {

class App;

// The services of one app, made from the components of every registered library: some at once when
// the app is configured, the rest on first lookup, and kept when their creation block allows it.
//
// Lookups, eager creation and removal hold the container's recursive lock, and creation blocks run
// under it: a block may look up another protocol of the same container on its own thread, but must
// never wait for another thread that uses this container (that thread would wait for the lock).
class ComponentContainer {
 public:
  using Registrants = std::vector<platform::runtime::Class*>;

  // Adds a library class to the registrants every container made later reads. Kept in registration
  // order, each class once, so that duplicate protocols and eager creation resolve the same way on
  // every start.
  static void registerAsComponentRegistrant(platform::runtime::Class* library);
  static void registerAsComponentRegistrant(platform::runtime::Class* library, Registrants& registrants);
  static Registrants registrants();

  explicit ComponentContainer(const std::shared_ptr<App>& app);
  ComponentContainer(const std::shared_ptr<App>& app, const Registrants& registrants);
  ComponentContainer(const ComponentContainer&) = delete;
  ComponentContainer& operator=(const ComponentContainer&) = delete;

  void instantiateEagerComponents();
  // The protocol's instance, nullptr when no library offers it or its block made none.
  std::shared_ptr<platform::runtime::Object> instanceForProtocol(const platform::runtime::Protocol* protocol);
  void removeAllCachedInstances();
  void removeAllComponents();

  std::shared_ptr<App> app() const { return app_.lock(); }

 private:
  void populateComponentsFromRegisteredClasses(const Registrants& registrants, bool isDefaultApp);

  std::weak_ptr<App> app_;
  std::recursive_mutex mutex_;
  std::map<std::string, ComponentCreationBlock> components_;
  std::map<std::string, std::shared_ptr<platform::runtime::Object>> cachedInstances_;
  std::vector<const platform::runtime::Protocol*> eagerProtocolsToInstantiate_;
};

class ComponentType {
 public:
  template <class T = platform::runtime::Object>
  static std::shared_ptr<T> instanceForProtocol(const platform::runtime::Protocol* protocol,
                                                const std::shared_ptr<ComponentContainer>& container) {
    if (!container) return nullptr;
    return std::dynamic_pointer_cast<T>(container->instanceForProtocol(protocol));
  }
};

}  // namespace sdk::core

