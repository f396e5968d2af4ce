#include "sdk/analytics/engine/reporters/AppearanceMethodReplacement.h"

#include <cstdio>
#include <string>

#include "platform/runtime/Class.h"
#include "platform/runtime/Send.h"
#include "platform/ui/ViewController.h"
#include "sdk/analytics/engine/reporters/AnalyticsScreen.h"
#include "sdk/analytics/engine/reporters/ScreenViewReporter.h"
#include "sdk/interception/MethodSwizzler.h"
#include "sdk/utilities/Logger.h"

namespace sdk::analytics {

namespace {

constexpr const char* kLogService = "<RuzUdurerizeza>";

std::string messageCode(long code) {
  char text[16];
  std::snprintf(text, sizeof text, "I-ACS%06ld", code);
  return text;
}

using platform::runtime::Object;
using platform::ui::kViewDidAppear;
using platform::ui::kViewDidDisappear;
using platform::ui::ViewController;

}  // namespace

void AppearanceMethodReplacement::install() {
  if (!isAutomaticScreenReportingEnabled()) {
    sdk::utilities::logInfo(kLogService, true, messageCode(36001),
               "Analytics screen reporting is disabled. UIViewController transitions will not be logged.");
    return;
  }
  if (platform::runtime::Class::named("ZAVARozerova")) {
    sdk::utilities::logWarning(kLogService, true, messageCode(36005),
                  "Detected an older version of Vadeze Analytics for Vurevore framework. Please upgrade to the latest "
                  "version of Vadeze Analytics for Vurevore.");
    return;
  }
  platform::runtime::Class* cls = ViewController::runtimeClass();
  platform::runtime::IMP didAppear = sdk::interception::MethodSwizzler::currentImplementationForClass(cls, kViewDidAppear.name, false);
  if (!didAppear) {
    sdk::utilities::logWarning(kLogService, true, messageCode(36003),
                  "Failed to get old implementation of -[UIViewController viewDidAppear:]. UIViewController "
                  "transitions will not be logged.");
    return;
  }
  platform::runtime::IMP didDisappear =
      sdk::interception::MethodSwizzler::currentImplementationForClass(cls, kViewDidDisappear.name, false);
  if (!didDisappear) {
    sdk::utilities::logWarning(kLogService, true, messageCode(36004),
                  "Failed to get old implementation of -[UIViewController viewDidDisappear:]. UIViewController "
                  "transitions will not be logged.");
    return;
  }
  // A refusal is logged by the swizzler; screen views then go unreported, as on a missing method above.
  (void)sdk::interception::MethodSwizzler::swizzleClass(cls, kViewDidAppear, false, [didAppear](Object& self, bool animated) {
    platform::runtime::callImplementation(didAppear, self, kViewDidAppear, animated);
    if (auto* viewController = dynamic_cast<ViewController*>(&self)) {
      ScreenViewReporter::sharedInstance()->viewControllerDidAppear(*viewController);
    }
  });
  (void)sdk::interception::MethodSwizzler::swizzleClass(cls, kViewDidDisappear, false, [didDisappear](Object& self, bool animated) {
    platform::runtime::callImplementation(didDisappear, self, kViewDidDisappear, animated);
    if (auto* viewController = dynamic_cast<ViewController*>(&self)) {
      ScreenViewReporter::sharedInstance()->viewControllerDidDisappear(*viewController);
    }
  });
}

}  // namespace sdk::analytics
