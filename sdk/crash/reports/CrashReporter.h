#pragma once

#include <memory>
#include <vector>

#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "sdk/core/Component.h"
#include "sdk/crash/reports/AnalyticsManager.h"

namespace sdk::core {
class ComponentContainer;
}  // namespace sdk::core

namespace sdk::crash {

 

// The crash reporter as the SDK core sees it: a library registered as "vurevore-crashreporter" whose
// one component is made while the default app is configured. What it does with analytics is in
// AnalyticsManager; the rest of crash reporting is not part of this program.
class CrashReporter final : public platform::runtime::Object {
 public:
  static constexpr platform::runtime::NativeClass<platform::runtime::Object> kRuntimeClass{
      "VURCrashreporter", platform::runtime::Image::Sdk};
  static constexpr const char* kLibraryName = "vurevore-crashreporter";

  // "VURCrashreporterInstanceProvider", the protocol the component is looked up by.
  static const platform::runtime::Protocol* instanceProviderProtocol();
  // Registers the library with the core; run by the load hooks.
  static void registerLibrary();
  static std::vector<sdk::core::Component::Ptr> componentsToRegister();

  // Starts listening to analytics, when the container offers it.
  explicit CrashReporter(sdk::core::ComponentContainer& container,
                            std::shared_ptr<BreadcrumbLog> breadcrumbs = nullptr);

  const std::shared_ptr<AnalyticsManager>& analyticsManager() const { return analyticsManager_; }
  const std::shared_ptr<sdk::core::AnalyticsInterop>& analytics() const { return analytics_; }
  bool hasInstallations() const { return hasInstallations_; }

 private:
  std::shared_ptr<sdk::core::AnalyticsInterop> analytics_;
  std::shared_ptr<AnalyticsManager> analyticsManager_;
  bool hasInstallations_ = false;
};

}  // namespace sdk::crash

