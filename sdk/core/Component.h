#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/runtime/Object.h"
#include "platform/runtime/Protocol.h"

namespace sdk::core {

class ComponentContainer;

// When a component's instance is made: on first lookup, while any app is configured, or while the
// default app is configured (on first lookup for other apps).
enum InstantiationTiming : std::int64_t {
  kInstantiationTimingLazy = 0,
  kInstantiationTimingAlwaysEager = 1,
  kInstantiationTimingEagerInDefaultApp = 2,
};

// Makes a component's instance for a container. `isCacheable` starts false; the block sets it when
// the container may keep the instance and hand it to every later lookup.
using ComponentCreationBlock =
    std::function<std::shared_ptr<platform::runtime::Object>(ComponentContainer& container, bool* isCacheable)>;

// Another protocol a component needs; recorded with the component, not acted on.
struct ComponentDependency {
  const platform::runtime::Protocol* protocol = nullptr;
  bool isRequired = true;

  static ComponentDependency dependencyWithProtocol(const platform::runtime::Protocol* protocol, bool isRequired = true) {
    return {protocol, isRequired};
  }
};

// One service a library offers each app: the protocol it is looked up by and how to make it.
class Component {
 public:
  using Ptr = std::shared_ptr<const Component>;

  static Ptr componentWithProtocol(const platform::runtime::Protocol* protocol, ComponentCreationBlock creationBlock) {
    return componentWithProtocol(protocol, kInstantiationTimingLazy, {}, std::move(creationBlock));
  }
  static Ptr componentWithProtocol(const platform::runtime::Protocol* protocol, std::int64_t instantiationTiming,
                                   std::vector<ComponentDependency> dependencies, ComponentCreationBlock creationBlock) {
    return std::make_shared<const Component>(protocol, instantiationTiming, std::move(dependencies),
                                                std::move(creationBlock));
  }

  Component(const platform::runtime::Protocol* protocol, std::int64_t instantiationTiming,
               std::vector<ComponentDependency> dependencies, ComponentCreationBlock creationBlock)
      : protocol_(protocol),
        instantiationTiming_(instantiationTiming),
        dependencies_(std::move(dependencies)),
        creationBlock_(std::move(creationBlock)) {}

  const platform::runtime::Protocol* protocol() const { return protocol_; }
  std::int64_t instantiationTiming() const { return instantiationTiming_; }
  const std::vector<ComponentDependency>& dependencies() const { return dependencies_; }
  const ComponentCreationBlock& creationBlock() const { return creationBlock_; }

 private:
  const platform::runtime::Protocol* protocol_;
  std::int64_t instantiationTiming_;
  std::vector<ComponentDependency> dependencies_;
  ComponentCreationBlock creationBlock_;
};

}  // namespace sdk::core

