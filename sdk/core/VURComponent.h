#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/runtime/Object.h"
#include "platform/runtime/Protocol.h"

class VURComponentContainer;

// When a component's instance is made: on first lookup, while any app is configured, or while the
// default app is configured (on first lookup for other apps).
enum VURInstantiationTiming : std::int64_t {
  VURInstantiationTimingLazy = 0,
  VURInstantiationTimingAlwaysEager = 1,
  VURInstantiationTimingEagerInDefaultApp = 2,
};

// Makes a component's instance for a container. `isCacheable` starts false; the block sets it when
// the container may keep the instance and hand it to every later lookup.
using VURComponentCreationBlock =
    std::function<std::shared_ptr<platform::runtime::Object>(VURComponentContainer& container, bool* isCacheable)>;

// Another protocol a component needs; recorded with the component, not acted on.
struct VURDependency {
  const platform::runtime::Protocol* protocol = nullptr;
  bool isRequired = true;

  static VURDependency dependencyWithProtocol(const platform::runtime::Protocol* protocol, bool isRequired = true) {
    return {protocol, isRequired};
  }
};

// One service a library offers each app: the protocol it is looked up by and how to make it.
class VURComponent {
 public:
  using Ptr = std::shared_ptr<const VURComponent>;

  static Ptr componentWithProtocol(const platform::runtime::Protocol* protocol, VURComponentCreationBlock creationBlock) {
    return componentWithProtocol(protocol, VURInstantiationTimingLazy, {}, std::move(creationBlock));
  }
  static Ptr componentWithProtocol(const platform::runtime::Protocol* protocol, std::int64_t instantiationTiming,
                                   std::vector<VURDependency> dependencies, VURComponentCreationBlock creationBlock) {
    return std::make_shared<const VURComponent>(protocol, instantiationTiming, std::move(dependencies),
                                                std::move(creationBlock));
  }

  VURComponent(const platform::runtime::Protocol* protocol, std::int64_t instantiationTiming,
               std::vector<VURDependency> dependencies, VURComponentCreationBlock creationBlock)
      : protocol_(protocol),
        instantiationTiming_(instantiationTiming),
        dependencies_(std::move(dependencies)),
        creationBlock_(std::move(creationBlock)) {}

  const platform::runtime::Protocol* protocol() const { return protocol_; }
  std::int64_t instantiationTiming() const { return instantiationTiming_; }
  const std::vector<VURDependency>& dependencies() const { return dependencies_; }
  const VURComponentCreationBlock& creationBlock() const { return creationBlock_; }

 private:
  const platform::runtime::Protocol* protocol_;
  std::int64_t instantiationTiming_;
  std::vector<VURDependency> dependencies_;
  VURComponentCreationBlock creationBlock_;
};
