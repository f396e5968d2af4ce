#pragma once

// The main screen for tests: the real catalogues from the test bundle in a fresh container, the state
// object loaded as at launch, and the screen in a navigation stack in a key window on the manual clock.
#include <gtest/gtest.h>

#include <memory>

#include "app/main/NewMainViewController.h"
#include "app/pages/PageState.h"
#include "app/pages/PagesTestSupport.h"
#include "app/settings/InteractiveGuideManager.h"
#include "platform/runtime/LoadHooks.h"
#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Window.h"

namespace ostrel::testing {

// Stands for the setup menu, which lives in a folder above the main screen's: what the main screen's
// tests need of it is a screen under its identifier that goes back as it does.
class SetupMenuStandIn : public platform::ui::ViewController {
 public:
  static void registerIfMissing() {
    auto& registry = platform::ui::InterfaceRegistry::shared();
    if (registry.hasController("Main_Universal", app::main::NewMainViewController::kSetupIdentifier)) return;
    registry.registerController("Main_Universal", app::main::NewMainViewController::kSetupIdentifier,
                                [] { return platform::ui::make<SetupMenuStandIn>(); });
  }

 protected:
  SetupMenuStandIn() = default;
};

template <class Screen = app::main::NewMainViewController>
class MainScreenFixture {
 public:
  explicit MainScreenFixture(bool dark = true, const platform::ui::Screen& device = platform::ui::Screen::named("phone"))
      : env(dark), window(platform::ui::make<platform::ui::Window>(device)) {
    platform::runtime::runLoadHooks();
    SetupMenuStandIn::registerIfMissing();
    platform::ui::Keyboard::shared().reset();
    auto frames = state();
    frames->settings = app::state::FramesSettings{};
    frames->restartFromSettings = false;
    frames->storyBoardName = "Main_Universal";
    frames->loadPrefs();
    frames->settings.colorTheme = dark ? 0 : 1;
    frames->appInDarkMode = dark;
    frames->savePrefs();
    screen = platform::ui::make<Screen>();
    navigation = platform::ui::make<platform::ui::NavigationController>(screen);
    window->setRootViewController(navigation);
    window->makeKeyAndVisible();
    env.advance(0.5);
  }
  ~MainScreenFixture() {
    app::settings::InteractiveGuideManager::getSingleton()->unregisterViewForInteractiveGuide();
    app::main::NewMainViewController::setDeviceNameForTesting(std::nullopt);
    platform::ui::Keyboard::shared().reset();
  }

  static std::shared_ptr<app::state::FramesObject> state() { return app::pages::framesObject(); }
  // The screen on top of the stack (a rebuild replaces the first one).
  std::shared_ptr<app::main::NewMainViewController> top() const {
    return std::dynamic_pointer_cast<app::main::NewMainViewController>(navigation->topViewController());
  }
  const app::main::MainScreenViews& views() const { return top()->views(); }
  platform::ui::Point centreOf(const platform::ui::View& view) const {
    return view.convertPointTo({view.bounds().midX(), view.bounds().midY()}, nullptr);
  }
  void tap(const platform::ui::View& view) {
    const auto p = centreOf(view);
    window->touchDown(p);
    window->touchUp(p);
    env.advance(0.05);
  }
  // A finger on the bar at its marker, moved by `dx` in `steps`, rested, then lifted.
  void drag(const app::main::InputScrollView& bar, double dx, int steps = 20) {
    auto p = centreOf(bar);
    window->touchDown(p);
    for (int i = 0; i < steps; ++i) {
      env.advance(0.01);
      p.x += dx / steps;
      window->touchMove(p);
    }
    env.advance(0.3);
    window->touchUp(p);
    env.advance(0.5);
  }
  // A quick horizontal stroke over the page.
  void swipe(double dx) {
    platform::ui::Point p{195, 300};
    window->touchDown(p);
    for (int i = 0; i < 5; ++i) {
      env.advance(0.02);
      p.x += dx / 5;
      window->touchMove(p);
    }
    window->touchUp(p);
    env.advance(0.5);
  }

  PagesTestEnvironment env;
  std::shared_ptr<platform::ui::Window> window;
  std::shared_ptr<Screen> screen;
  std::shared_ptr<platform::ui::NavigationController> navigation;
};

}  // namespace ostrel::testing
