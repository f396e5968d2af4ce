#include "sdk/analytics/engine/ZEDIvadazudoStart.h"

#include "platform/runtime/Class.h"
#include "platform/runtime/LoadHooks.h"
#include "sdk/analytics/engine/ZEDIvadazudo.h"
#include "sdk/analytics/engine/APMMeasurement.h"
#include "sdk/core/REDIri.h"
#include "sdk/core/VURLibrary.h"
#include "sdk/core/VURVersion.h"

namespace sdk::analytics {

namespace {

void startWithConfiguration(const std::shared_ptr<ZEDIvadazudoConfiguration>& configuration,
                            const VUROptions::Ptr& options) {
  ZEDIvadazudo::startWithConfiguration(configuration, options);
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
                              [](platform::runtime::Object&) { return ZEDIvadazudo::topLevelVersion(); });
  Class::registerClassPair(cls);
}

namespace {
const bool registered = (platform::runtime::addLoadHook(kVURLibraryLoadOrder, ZEDIvadazudoRegisterClass), true);
}  // namespace

}  // namespace sdk::analytics
