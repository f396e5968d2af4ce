#include "sdk/analytics/engine/PublicAnalyticsStart.h"

#include "platform/runtime/Class.h"
#include "platform/runtime/LoadHooks.h"
#include "sdk/analytics/engine/PublicAnalytics.h"
#include "sdk/analytics/engine/MeasurementEngine.h"
#include "sdk/core/App.h"
#include "sdk/core/Library.h"
#include "sdk/core/SDKVersion.h"

namespace sdk::analytics {

namespace {

void startWithConfiguration(const std::shared_ptr<sdk::core::AnalyticsConfiguration>& configuration,
                            const sdk::core::AppOptions::Ptr& options) {
  PublicAnalytics::startWithConfiguration(configuration, options);
}

}  // namespace

void registerPublicAnalyticsClass() {
  using platform::runtime::Class;
  MeasurementEngine::installFacadeEngineAccess();
  if (Class::named("ZEDIvadazudo")) return;
  Class* cls = Class::allocateClassPair(Class::root(), "ZEDIvadazudo", platform::runtime::Image::Sdk);
  if (!cls) return;
  cls->metaclass()->addMethod(sdk::core::kStartAnalyticsWithConfigurationOptions,
                              [](platform::runtime::Object&, const std::shared_ptr<sdk::core::AnalyticsConfiguration>& config,
                                 const sdk::core::AppOptions::Ptr& options) { startWithConfiguration(config, options); });
  cls->metaclass()->addMethod(kPublicAnalyticsTopLevelVersion,
                              [](platform::runtime::Object&) { return PublicAnalytics::topLevelVersion(); });
  Class::registerClassPair(cls);
}

namespace {
const bool registered = (platform::runtime::addLoadHook(sdk::core::kLibraryLoadOrder, registerPublicAnalyticsClass), true);
}  // namespace

}  // namespace sdk::analytics

