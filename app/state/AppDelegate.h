#pragma once

#include <memory>

#include "app/state/FramesObject.h"
#include "platform/runtime/Class.h"

namespace platform::ui {
class Application;
class Window;
}  // namespace platform::ui

namespace app::settings {
class InteractiveGuideManager;
}  // namespace app::settings

namespace app::state {

// The application delegate, runtime class "AppDelegate": the platform's application main makes it by
// that name. Launching configures the SDK, then creates the state object and loads the preferences;
// entering the background saves them.
class AppDelegate : public platform::runtime::Object {
 public:
  static constexpr platform::runtime::NativeClass<platform::runtime::Object> kRuntimeClass{"AppDelegate"};

  AppDelegate();

  // application:didFinishLaunchingWithOptions:; always true.
  bool didFinishLaunching();
  // Configures the SDK's default app from the bundle's options file; without a readable one the SDK's
  // services stay off, and the error says so.
  void configureSDK();
  // The storyboard's initial screen in a navigation stack, in a new key window.
  void showInitialScreen();
  // applicationDidEnterBackground:
  void didEnterBackground();
  // Every screen reaches the state object through the shared application's delegate.
  std::shared_ptr<FramesObject> getFramesObject() const { return applicationObject; }
  // The delegate of the shared application, when it is an AppDelegate.
  static std::shared_ptr<AppDelegate> shared();

  // Every screen reaches the guide and rating manager here too. It is made on first use by the maker
  // the guides install when they load (they live in a folder built on this one); null only in a build
  // without them.
  std::shared_ptr<settings::InteractiveGuideManager> getInteractiveGuide();
  using InteractiveGuideMaker = std::shared_ptr<settings::InteractiveGuideManager> (*)();
  static void setInteractiveGuideMaker(InteractiveGuideMaker maker);

  // Gives the runtime class its methods; run by a load hook.
  static void registerRuntimeClass();

  std::shared_ptr<platform::ui::Window> window;
  std::shared_ptr<FramesObject> applicationObject;
  std::shared_ptr<settings::InteractiveGuideManager> interactiveGuideObject;
};

}  // namespace app::state

