#include "sdk/analytics/engine/BackwardCompatibility.h"

#include <memory>

#include "platform/runtime/Class.h"
#include "platform/runtime/Send.h"

namespace sdk::analytics {

namespace {

constexpr platform::runtime::Selector<std::shared_ptr<platform::runtime::Object>()> kSharedInstance{"sharedInstance"};
constexpr platform::runtime::Selector<void(bool)> kSetIsEnabled{"setIsEnabled:"};

}  // namespace

bool BackwardCompatibility::disableOlderMeasurementLibrary() {
  platform::runtime::Class* older = platform::runtime::Class::named("VEVUvuzadovaro");
  if (!older || !older->metaclass()->instancesRespondTo(kSharedInstance.name) ||
      !older->instancesRespondTo(kSetIsEnabled.name)) {
    return false;
  }
  auto instance = platform::runtime::send(*older, kSharedInstance);
  if (!instance) return false;
  platform::runtime::send(*instance, kSetIsEnabled, false);
  return true;
}

}  // namespace sdk::analytics

