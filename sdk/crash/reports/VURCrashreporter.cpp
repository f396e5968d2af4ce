#include "sdk/crash/reports/VURCrashreporter.h"

#include "platform/runtime/LoadHooks.h"
#include "sdk/core/REDIri.h"
#include "sdk/core/VURComponentContainer.h"
#include "sdk/core/VURLibrary.h"
#include "sdk/installations/VURInstallations.h"

namespace {

const bool registered = (platform::runtime::addLoadHook(kVURLibraryLoadOrder, &VURCrashreporter::registerLibrary), true);

}  // namespace

const platform::runtime::Protocol* VURCrashreporter::instanceProviderProtocol() {
  static const auto* protocol = platform::runtime::Protocol::obtain("VURCrashreporterInstanceProvider");
  return protocol;
}

void VURCrashreporter::registerLibrary() {
  (void)registered;
  platform::runtime::Class* cls = platform::runtime::classOf<VURCrashreporter>();
  cls->addProtocol(const_cast<platform::runtime::Protocol*>(instanceProviderProtocol()));
  cls->addProtocol(const_cast<platform::runtime::Protocol*>(VURLibraryProtocol()));
  if (!cls->metaclass()->ownMethod(kVURComponentsToRegister.name)) {
    cls->metaclass()->addMethod(kVURComponentsToRegister, [](platform::runtime::Object&) { return componentsToRegister(); });
  }
  REDIri::registerInternalLibrary(cls, kLibraryName);
}

std::vector<VURComponent::Ptr> VURCrashreporter::componentsToRegister() {
  return {VURComponent::componentWithProtocol(
      instanceProviderProtocol(), VURInstantiationTimingEagerInDefaultApp, {},
      [](VURComponentContainer& container, bool* isCacheable) -> std::shared_ptr<platform::runtime::Object> {
        auto app = container.app();
        if (!app || !app->isDefaultApp()) return nullptr;
        *isCacheable = true;
        return std::make_shared<VURCrashreporter>(container);
      })};
}

VURCrashreporter::VURCrashreporter(VURComponentContainer& container, std::shared_ptr<VURCRBreadcrumbLog> breadcrumbs)
    : Object(platform::runtime::classOf<VURCrashreporter>()) {
  hasInstallations_ = container.instanceForProtocol(VURInstallations::instanceProviderProtocol()) != nullptr;
  analytics_ = std::dynamic_pointer_cast<ZEDIvadazudoInterop>(container.instanceForProtocol(ZEDIvadazudoInterop::protocol()));
  analyticsManager_ = std::make_shared<VURCRAnalyticsManager>(
      analytics_, breadcrumbs ? std::move(breadcrumbs) : std::make_shared<VURCRBreadcrumbLog>());
  analyticsManager_->registerAnalyticsListener();
}
