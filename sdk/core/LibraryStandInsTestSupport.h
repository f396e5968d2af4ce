#pragma once

// Stand-ins for the SDK libraries the core hears from but that are not built yet: the crash
// reporter (one component made while the default app is configured, which asks for the
// installations service) and the analytics connector (one lazy component), registered as those
// libraries register. Tests only.

#include <atomic>
#include <memory>

#include "platform/runtime/Class.h"
#include "platform/runtime/Protocol.h"
#include "sdk/core/App.h"
#include "sdk/core/Library.h"

namespace ostrel::testing {

struct StandInCounts {
  std::atomic<int> crashReporters{0};
  std::atomic<int> connectors{0};
  std::atomic<int> installationsSeen{0};
};

inline StandInCounts& standInCounts() {
  static StandInCounts counts;
  return counts;
}

// An instance of a fresh runtime class adopting `protocol`.
inline std::shared_ptr<platform::runtime::Object> makeConformingInstance(const char* className,
                                                                         const platform::runtime::Protocol* protocol) {
  using platform::runtime::Class;
  Class* cls = Class::named(className);
  if (!cls) {
    cls = Class::allocateClassPair(Class::root(), className);
    cls->addProtocol(const_cast<platform::runtime::Protocol*>(protocol));
    Class::registerClassPair(cls);
  }
  return cls->createInstance();
}

inline void registerCrashReporterStandIn() {
  static const bool once = [] {
    auto* cls = sdk::core::declareLibraryClass("VURCrashreporter", [] {
      const auto* protocol = platform::runtime::Protocol::obtain("VURCrashreporterInstanceProvider");
      return std::vector<sdk::core::Component::Ptr>{sdk::core::Component::componentWithProtocol(
          protocol, sdk::core::kInstantiationTimingEagerInDefaultApp, {},
          [protocol](sdk::core::ComponentContainer& container, bool* isCacheable) {
            *isCacheable = true;
            ++standInCounts().crashReporters;
            if (container.instanceForProtocol(platform::runtime::Protocol::obtain("VURInstallationsInstanceProvider"))) {
              ++standInCounts().installationsSeen;
            }
            return makeConformingInstance("VURCrashreporterInstance", protocol);
          })};
    });
    sdk::core::App::registerInternalLibrary(cls, "vurevore-crashreporter");
    return true;
  }();
  (void)once;
}

inline void registerAnalyticsConnectorStandIn() {
  static const bool once = [] {
    auto* cls = sdk::core::declareLibraryClass("ZEDIvadazudoConnector", [] {
      const auto* protocol = platform::runtime::Protocol::obtain("ZEDIvadazudoInterop");
      return std::vector<sdk::core::Component::Ptr>{sdk::core::Component::componentWithProtocol(
          protocol, sdk::core::kInstantiationTimingLazy, {}, [protocol](sdk::core::ComponentContainer&, bool* isCacheable) {
            *isCacheable = true;
            ++standInCounts().connectors;
            return makeConformingInstance("ZEDIvadazudoConnectorInstance", protocol);
          })};
    });
    sdk::core::App::registerInternalLibrary(cls, "vure-analytics", "8.7.0");
    return true;
  }();
  (void)once;
}

}  // namespace ostrel::testing
