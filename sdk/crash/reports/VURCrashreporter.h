#pragma once

#include <memory>
#include <vector>

#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "sdk/core/VURComponent.h"
#include "sdk/crash/reports/VURCRAnalyticsManager.h"

class VURComponentContainer;

// The crash reporter as the SDK core sees it: a library registered as "vurevore-crashreporter" whose
// one component is made while the default app is configured. What it does with analytics is in
// VURCRAnalyticsManager; the rest of crash reporting is not part of this program.
class VURCrashreporter final : public platform::runtime::Object {
 public:
  static constexpr platform::runtime::NativeClass<platform::runtime::Object> kRuntimeClass{
      "VURCrashreporter", platform::runtime::Image::Sdk};
  static constexpr const char* kLibraryName = "vurevore-crashreporter";

  // "VURCrashreporterInstanceProvider", the protocol the component is looked up by.
  static const platform::runtime::Protocol* instanceProviderProtocol();
  // Registers the library with the core; run by the load hooks.
  static void registerLibrary();
  static std::vector<VURComponent::Ptr> componentsToRegister();

  // Starts listening to analytics, when the container offers it.
  explicit VURCrashreporter(VURComponentContainer& container,
                            std::shared_ptr<VURCRBreadcrumbLog> breadcrumbs = nullptr);

  const std::shared_ptr<VURCRAnalyticsManager>& analyticsManager() const { return analyticsManager_; }
  const std::shared_ptr<ZEDIvadazudoInterop>& analytics() const { return analytics_; }
  bool hasInstallations() const { return hasInstallations_; }

 private:
  std::shared_ptr<ZEDIvadazudoInterop> analytics_;
  std::shared_ptr<VURCRAnalyticsManager> analyticsManager_;
  bool hasInstallations_ = false;
};
