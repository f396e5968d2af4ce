#include "app/state/AppDelegate.h"

#include <atomic>

#include "app/storage/connection/CatalogueSession.h"

#include "platform/log/Log.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/LoadHooks.h"
#include "platform/ui/Application.h"
#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Window.h"
#include "sdk/core/App.h"
#include "sdk/core/AppOptions.h"

namespace app::state {

namespace {

using platform::ui::Application;

constexpr platform::runtime::Selector<std::shared_ptr<platform::ui::Window>()> kWindow{"window"};
// App classes register after the platform's own.
constexpr int kLoadOrder = 100;

const bool registered = (platform::runtime::addLoadHook(kLoadOrder, &AppDelegate::registerRuntimeClass), true);

std::atomic<AppDelegate::InteractiveGuideMaker>& interactiveGuideMaker() {
  static std::atomic<AppDelegate::InteractiveGuideMaker> maker{nullptr};
  return maker;
}

}  // namespace

AppDelegate::AppDelegate() : Object(platform::runtime::classOf<AppDelegate>()) {}

void AppDelegate::configureSDK() {
  // The calculator needs none of the SDK's services: without options to configure them from, they stay
  // off for this run (the SDK has said why) and the app starts as usual.
  if (!sdk::core::AppOptions::defaultOptions()) {
    platform::log::write(platform::log::Error,
                         "The SDK's options file (VadezeService-Info.plist in the app's bundle) is missing or cannot be "
                         "read: analytics, installations and the event transport stay off for this run");
    return;
  }
  sdk::core::App::configure();
}

bool AppDelegate::didFinishLaunching() {
  configureSDK();
  if (applicationObject) return true;
  applicationObject = FramesObject::getSingleton();
  applicationObject->storyBoardName = "Main_Universal";
  // The start and the first screen each read and save through the catalogues several times: one
  // connection per catalogue serves all of them, instead of opening each file again for every save.
  app::storage::CatalogueSession session;
  applicationObject->loadPrefs();
  showInitialScreen();
  return true;
}

void AppDelegate::showInitialScreen() {
  // The screens register their storyboard at start; a build without them (the state's own tests) has
  // nothing to show.
  if (window || !platform::ui::InterfaceRegistry::shared().hasStoryboard(applicationObject->storyBoardName)) return;
  auto root = platform::ui::Storyboard::storyboardWithName(applicationObject->storyBoardName)
                  .instantiateInitialViewController();
  window = platform::ui::make<platform::ui::Window>();
  window->setRootViewController(platform::ui::make<platform::ui::NavigationController>(root));
  window->makeKeyAndVisible();
}

void AppDelegate::didEnterBackground() {
  if (applicationObject) applicationObject->savePrefs();
}

std::shared_ptr<AppDelegate> AppDelegate::shared() {
  auto app = Application::sharedApplication();
  return app ? std::dynamic_pointer_cast<AppDelegate>(app->delegate()) : nullptr;
}

std::shared_ptr<settings::InteractiveGuideManager> AppDelegate::getInteractiveGuide() {
  if (!interactiveGuideObject) {
    if (auto make = interactiveGuideMaker().load()) interactiveGuideObject = make();
  }
  return interactiveGuideObject;
}

void AppDelegate::setInteractiveGuideMaker(InteractiveGuideMaker maker) { interactiveGuideMaker().store(maker); }

void AppDelegate::registerRuntimeClass() {
  (void)registered;
  platform::runtime::Class* cls = platform::runtime::classOf<AppDelegate>();
  cls->addProtocol(const_cast<platform::runtime::Protocol*>(platform::ui::applicationDelegateProtocol()));
  cls->addMethod<bool(Application&, const platform::foundation::Value&), AppDelegate>(
      platform::ui::kDidFinishLaunchingWithOptions,
      [](AppDelegate& self, Application&, const platform::foundation::Value&) { return self.didFinishLaunching(); });
  cls->addMethod<void(Application&), AppDelegate>(platform::ui::kApplicationDidEnterBackground,
                                                  [](AppDelegate& self, Application&) { self.didEnterBackground(); });
  // Resigning, becoming active, coming back and terminating need nothing: the background save has
  // written everything there is.
  for (const auto& selector :
       {platform::ui::kApplicationWillResignActive, platform::ui::kApplicationWillEnterForeground,
        platform::ui::kApplicationDidBecomeActive, platform::ui::kApplicationWillTerminate}) {
    cls->addMethod(selector, [](platform::runtime::Object&, Application&) {});
  }
  cls->addMethod<std::shared_ptr<platform::ui::Window>(), AppDelegate>(kWindow,
                                                                       [](AppDelegate& self) { return self.window; });
}

}  // namespace app::state

