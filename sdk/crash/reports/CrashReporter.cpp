#include "sdk/crash/reports/CrashReporter.h"

#include "platform/runtime/LoadHooks.h"
#include "sdk/core/App.h"
#include "sdk/core/ComponentContainer.h"
#include "sdk/core/Library.h"
#include "sdk/installations/Installations.h"

namespace sdk::crash {

namespace {

const bool registered = (platform::runtime::addLoadHook(sdk::core::kLibraryLoadOrder, &CrashReporter::registerLibrary), true);

}  // namespace

const platform::runtime::Protocol* CrashReporter::instanceProviderProtocol() {
  static const auto* protocol = platform::runtime::Protocol::obtain("VURCrashreporterInstanceProvider");
  return protocol;
}

void CrashReporter::registerLibrary() {
  (void)registered;
  sdk::core::registerLibraryClass(platform::runtime::classOf<CrashReporter>(), instanceProviderProtocol(),
                                  &componentsToRegister, kLibraryName);
}

std::vector<sdk::core::Component::Ptr> CrashReporter::componentsToRegister() {
  return {sdk::core::Component::componentWithProtocol(
      instanceProviderProtocol(), sdk::core::kInstantiationTimingEagerInDefaultApp, {},
      [](sdk::core::ComponentContainer& container, bool* isCacheable) -> std::shared_ptr<platform::runtime::Object> {
        auto app = container.app();
        if (!app || !app->isDefaultApp()) return nullptr;
        *isCacheable = true;
        return std::make_shared<CrashReporter>(container);
      })};
}

CrashReporter::CrashReporter(sdk::core::ComponentContainer& container, std::shared_ptr<BreadcrumbLog> breadcrumbs)
    : Object(platform::runtime::classOf<CrashReporter>()) {
  hasInstallations_ = container.instanceForProtocol(sdk::installations::Installations::instanceProviderProtocol()) != nullptr;
  analytics_ = std::dynamic_pointer_cast<sdk::core::AnalyticsInterop>(container.instanceForProtocol(sdk::core::AnalyticsInterop::protocol()));
  analyticsManager_ = std::make_shared<AnalyticsManager>(
      analytics_, breadcrumbs ? std::move(breadcrumbs) : std::make_shared<BreadcrumbLog>());
  analyticsManager_->registerAnalyticsListener();
}

}  // namespace sdk::crash

