#include "platform/runtime/Class.h"
#include "platform/runtime/LoadHooks.h"
#include "platform/runtime/Send.h"
#include "platform/ui/ViewController.h"
#include "sdk/analytics/engine/APMAnalytics.h"
#include "sdk/analytics/engine/reporters/APMScreen.h"
#include "sdk/analytics/engine/reporters/APMScreenViewReporter.h"
#include "sdk/analytics/engine/reporters/APMSessionReporter.h"
#include "sdk/interception/VDUSwizzler.h"
#include "sdk/utilities/VDULogger.h"

namespace {

constexpr const char* kLogService = "<RuzUdurerizeza>";
// After the SDK's own libraries, before the app's screens.
constexpr int kScreenReportingLoadOrder = 60;

std::string messageCode(long code) {
  char text[16];
  std::snprintf(text, sizeof text, "I-ACS%06ld", code);
  return text;
}

using platform::runtime::Object;
using platform::ui::kViewDidAppear;
using platform::ui::kViewDidDisappear;
using platform::ui::ViewController;

void replaceAppearanceMethods() {
  if (!APMIsScreenReportingEnabled()) {
    VDULogInfo(kLogService, true, messageCode(36001),
               "Analytics screen reporting is disabled. UIViewController transitions will not be logged.");
    return;
  }
  if (platform::runtime::Class::named("ZAVARozerova")) {
    VDULogWarning(kLogService, true, messageCode(36005),
                  "Detected an older version of Vadeze Analytics for Vurevore framework. Please upgrade to the latest "
                  "version of Vadeze Analytics for Vurevore.");
    return;
  }
  platform::runtime::Class* cls = ViewController::runtimeClass();
  platform::runtime::IMP didAppear = VDUSwizzler::currentImplementationForClass(cls, kViewDidAppear.name, false);
  if (!didAppear) {
    VDULogWarning(kLogService, true, messageCode(36003),
                  "Failed to get old implementation of -[UIViewController viewDidAppear:]. UIViewController "
                  "transitions will not be logged.");
    return;
  }
  platform::runtime::IMP didDisappear =
      VDUSwizzler::currentImplementationForClass(cls, kViewDidDisappear.name, false);
  if (!didDisappear) {
    VDULogWarning(kLogService, true, messageCode(36004),
                  "Failed to get old implementation of -[UIViewController viewDidDisappear:]. UIViewController "
                  "transitions will not be logged.");
    return;
  }
  VDUSwizzler::swizzleClass(cls, kViewDidAppear, false, [didAppear](Object& self, bool animated) {
    platform::runtime::callImplementation(didAppear, self, kViewDidAppear, animated);
    if (auto* viewController = dynamic_cast<ViewController*>(&self)) {
      APMScreenViewReporter::sharedInstance()->viewControllerDidAppear(*viewController);
    }
  });
  VDUSwizzler::swizzleClass(cls, kViewDidDisappear, false, [didDisappear](Object& self, bool animated) {
    platform::runtime::callImplementation(didDisappear, self, kViewDidDisappear, animated);
    if (auto* viewController = dynamic_cast<ViewController*>(&self)) {
      APMScreenViewReporter::sharedInstance()->viewControllerDidDisappear(*viewController);
    }
  });
}

[[maybe_unused]] const bool screenViewReportingRegistered =
    (platform::runtime::addLoadHook(kScreenReportingLoadOrder, &APMScreenViewReporter::installAutomaticReporting),
     true);

}  // namespace

void APMScreenViewReporter::installAutomaticReporting() {
  static std::once_flag once;
  std::call_once(once, [] {
    APMSessionReporter::installFactory();
    APMAnalytics::setScreenViewReporter(sharedInstance());
    replaceAppearanceMethods();
  });
}
