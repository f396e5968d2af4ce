#include "sdk/analytics/engine/ZEDIvadazudoStart.h"

#include "platform/runtime/Class.h"
#include "platform/runtime/LoadHooks.h"
#include "sdk/analytics/engine/APMAnalytics.h"
#include "sdk/analytics/engine/APMMeasurement.h"
#include "sdk/core/REDIri.h"
#include "sdk/core/VURLibrary.h"
#include "sdk/core/VURVersion.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Value;

constexpr const char* kSafelistedEventsKey = "ANALYTICS_SAFELISTED_EVENTS";

// The SDK core's options as the facade's start options: the collection switches and the options
// file's safelist.
Dictionary startOptions(const VUROptions& options) {
  Dictionary start{{APMAnalytics::kOptionCollectionEnabled, options.isAnalyticsCollectionEnabled()},
                   {APMAnalytics::kOptionCollectionDeactivated, options.isAnalyticsCollectionDeactivated()}};
  if (auto defaults = VUROptions::defaultOptionsDictionary()) {
    if (auto found = defaults->find(kSafelistedEventsKey); found != defaults->end()) {
      start[APMAnalytics::kOptionSafelistedEvents] = found->second;
    }
  }
  return start;
}

void startWithConfiguration(const std::shared_ptr<ZEDIvadazudoConfiguration>& configuration,
                            const VUROptions::Ptr& options) {
  if (!options) return;
  APMAnalytics::startWithAppID(options->vadezeAppID(), "fa", startOptions(*options), configuration);
}

}  // namespace

void ZEDIvadazudoRegisterClass() {
  using platform::runtime::Class;
  APMMeasurement::installFacadeEngineAccess();
  if (Class::named("ZEDIvadazudo")) return;
  Class* cls = Class::allocateClassPair(Class::root(), "ZEDIvadazudo", platform::runtime::Image::Sdk);
  if (!cls) return;
  cls->metaclass()->addMethod(kZEDIvadazudoStartWithConfigurationOptions,
                              [](platform::runtime::Object&, const std::shared_ptr<ZEDIvadazudoConfiguration>& config,
                                 const VUROptions::Ptr& options) { startWithConfiguration(config, options); });
  cls->metaclass()->addMethod(kZEDIvadazudoTopLevelVersion,
                              [](platform::runtime::Object&) { return std::string(kVURVurevoreVersion); });
  Class::registerClassPair(cls);
}

namespace {
const bool registered = (platform::runtime::addLoadHook(kVURLibraryLoadOrder, ZEDIvadazudoRegisterClass), true);
}  // namespace

}  // namespace sdk::analytics
