#include "platform/ui/NavigationController.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Exception.h"
#include "platform/ui/Window.h"
#include "testing/MainThreadEnvironment.h"

namespace platform::ui {
namespace {

std::vector<std::string> gCalls;

class NavScreen : public ViewController {
 public:
  static constexpr runtime::NativeClass<ViewController> kRuntimeClass{"NavTestScreen"};
  explicit NavScreen(std::string name) : ViewController(runtime::classOf<NavScreen>()), name(std::move(name)) {}
  std::string name;
  std::function<void()> onDidAppear;
  std::function<void()> onStyleChange;

  void viewDidLoad() override { gCalls.push_back(name + ".load"); }
  void viewWillAppear(bool) override { gCalls.push_back(name + ".willAppear" + presented()); }
  void viewDidAppear(bool) override {
    gCalls.push_back(name + ".didAppear" + presented());
    if (auto next = std::exchange(onDidAppear, nullptr)) next();
  }
  void viewWillDisappear(bool) override { gCalls.push_back(name + ".willDisappear"); }
  void viewDidDisappear(bool) override { gCalls.push_back(name + ".didDisappear"); }
  void traitCollectionDidChange(const TraitCollection& previous) override {
    gCalls.push_back(name + (previous.userInterfaceStyle == UserInterfaceStyle::Light ? ".wasLight" : ".wasDark"));
    if (onStyleChange) onStyleChange();
  }
  std::string presented() const { return isBeingPresented() ? " (presented)" : ""; }
};

class NavigationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gCalls.clear();
    root = make<NavScreen>("root");
    nav = make<NavigationController>(root);
    window = make<Window>();
    window->setRootViewController(nav);
    window->makeKeyAndVisible();
    gCalls.clear();
  }
  void advance(double seconds) { env.advance(seconds); }

  ostrel::testing::MainThreadEnvironment env;
  std::shared_ptr<foundation::ManualClock> clock = env.clock();
  std::shared_ptr<NavScreen> root;
  std::shared_ptr<NavigationController> nav;
  std::shared_ptr<Window> window;
};

using Calls = std::vector<std::string>;

TEST_F(NavigationTest, PushAndPopInThePlatformsOrder) {
  auto setup = make<NavScreen>("setup");
  nav->pushViewController(setup, false);
  EXPECT_EQ(gCalls, (Calls{"setup.load", "root.willDisappear", "setup.willAppear", "root.didDisappear",
                           "setup.didAppear"}));
  EXPECT_EQ(setup->navigationController(), nav.get());
  EXPECT_EQ(setup->view()->superview(), nav->view().get());
  EXPECT_EQ(root->view()->superview(), nullptr);

  gCalls.clear();
  EXPECT_EQ(nav->popViewControllerAnimated(false), setup);
  EXPECT_EQ(gCalls, (Calls{"setup.willDisappear", "root.willAppear", "setup.didDisappear", "root.didAppear"}));
  EXPECT_EQ(setup->parentViewController(), nullptr);
  EXPECT_EQ(nav->popViewControllerAnimated(false), nullptr);  // the root stays
}

TEST_F(NavigationTest, AnimatedPushEndsOnTheClock) {
  auto setup = make<NavScreen>("setup");
  nav->pushViewController(setup, true);
  EXPECT_EQ(gCalls, (Calls{"setup.load", "root.willDisappear", "setup.willAppear"}));
  // A pop asked for during the slide waits for it.
  EXPECT_EQ(nav->popViewControllerAnimated(true), nullptr);
  advance(NavigationController::kTransitionDuration);
  EXPECT_EQ(gCalls, (Calls{"setup.load", "root.willDisappear", "setup.willAppear", "root.didDisappear",
                           "setup.didAppear", "setup.willDisappear", "root.willAppear"}));
  advance(NavigationController::kTransitionDuration);
  EXPECT_EQ(gCalls.back(), "root.didAppear");
  EXPECT_EQ(nav->viewControllers().size(), 1u);
  EXPECT_EQ(root->view()->frame(), nav->view()->bounds());
}

TEST_F(NavigationTest, APushFromInsideDidAppearRunsAtOnce) {
  auto first = make<NavScreen>("first");
  auto second = make<NavScreen>("second");
  first->onDidAppear = [&] { nav->pushViewController(second, false); };
  nav->pushViewController(first, true);
  advance(NavigationController::kTransitionDuration);
  EXPECT_EQ(gCalls, (Calls{"first.load", "root.willDisappear", "first.willAppear", "root.didDisappear",
                           "first.didAppear", "second.load", "first.willDisappear", "second.willAppear",
                           "first.didDisappear", "second.didAppear"}));
  EXPECT_EQ(nav->topViewController(), second);
}

TEST_F(NavigationTest, RemovingANonTopControllerMakesNoAppearanceCalls) {
  // The main screen's rebuild: push the new screen, then the old one leaves its parent.
  auto fresh = make<NavScreen>("fresh");
  nav->pushViewController(fresh, false);
  gCalls.clear();
  root->removeFromParentViewController();
  EXPECT_TRUE(gCalls.empty());
  EXPECT_EQ(nav->viewControllers(), (std::vector<std::shared_ptr<ViewController>>{fresh}));
  EXPECT_EQ(root->parentViewController(), nullptr);
  // The top one leaving shows what is beneath it.
  auto extra = make<NavScreen>("extra");
  nav->pushViewController(extra, false);
  gCalls.clear();
  extra->removeFromParentViewController();
  EXPECT_EQ(gCalls, (Calls{"extra.willDisappear", "fresh.willAppear", "extra.didDisappear", "fresh.didAppear"}));
}

TEST_F(NavigationTest, MisuseAndStacksOffScreen) {
  EXPECT_THROW(nav->pushViewController(root, false), foundation::Exception);
  auto hidden = make<NavigationController>();
  auto a = make<NavScreen>("a");
  hidden->pushViewController(a, false);
  EXPECT_TRUE(gCalls.empty());  // nothing is on screen yet
  EXPECT_THROW(nav->pushViewController(a, false), foundation::Exception);
  auto popped = nav->popToRootViewControllerAnimated(false);
  EXPECT_TRUE(popped.empty());
}

TEST_F(NavigationTest, PopToRootSkipsTheControllersBetween) {
  auto a = make<NavScreen>("a");
  auto b = make<NavScreen>("b");
  nav->pushViewController(a, false);
  nav->pushViewController(b, false);
  gCalls.clear();
  auto popped = nav->popToRootViewControllerAnimated(false);
  EXPECT_EQ(popped.size(), 2u);
  EXPECT_EQ(gCalls, (Calls{"b.willDisappear", "root.willAppear", "b.didDisappear", "root.didAppear"}));
  EXPECT_EQ(a->parentViewController(), nullptr);
}

TEST_F(NavigationTest, ModalPresentationAndDismissal) {
  auto sheet = make<NavScreen>("sheet");
  int completed = 0;
  // The sheet is being presented from its will-appear through its did-appear; its completion and
  // whatever comes after see it presented.
  root->presentViewController(sheet, true, [&] {
    ++completed;
    EXPECT_FALSE(sheet->isBeingPresented());
  });
  EXPECT_EQ(gCalls, (Calls{"sheet.load", "sheet.willAppear (presented)"}));
  EXPECT_EQ(root->presentedViewController(), sheet);
  EXPECT_EQ(sheet->presentingViewController(), root.get());
  EXPECT_EQ(sheet->view()->superview(), window.get());
  EXPECT_TRUE(sheet->isBeingPresented()) << "while it slides up";
  EXPECT_FALSE(root->isBeingPresented());
  advance(0.3);
  EXPECT_EQ(completed, 1);
  EXPECT_EQ(gCalls.back(), "sheet.didAppear (presented)");
  EXPECT_FALSE(sheet->isBeingPresented());

  // A second presentation while one is up is refused.
  root->presentViewController(make<NavScreen>("other"), false);
  EXPECT_EQ(root->presentedViewController(), sheet);

  gCalls.clear();
  sheet->dismissViewControllerAnimated(false, [&] { ++completed; });  // the presented one asks
  EXPECT_EQ(gCalls, (Calls{"sheet.willDisappear", "sheet.didDisappear"}));
  EXPECT_EQ(completed, 2);
  EXPECT_EQ(root->presentedViewController(), nullptr);
  EXPECT_EQ(sheet->view()->superview(), nullptr);

  // Shown at once, and dismissed before its slide ends: no longer being presented either way.
  root->presentViewController(sheet, false);
  EXPECT_EQ(gCalls.back(), "sheet.didAppear (presented)");
  EXPECT_FALSE(sheet->isBeingPresented());
  root->presentViewController(sheet, true);
  root->dismissViewControllerAnimated(true);
  EXPECT_FALSE(sheet->isBeingPresented());
  advance(0.3);
}

// A screen that rebuilds itself on a style change, as the main screen does: it pushes its successor
// and leaves the stack.
void rebuildOnStyleChange(NavScreen& screen, NavigationController& nav, std::shared_ptr<NavScreen> successor) {
  screen.onStyleChange = [&screen, &nav, successor] {
    nav.pushViewController(successor, false);
    screen.removeFromParentViewController();
  };
}

TEST_F(NavigationTest, OnlyScreensInTheWindowHearOfAStyleChangeAtOnce) {
  auto fresh = make<NavScreen>("fresh");
  rebuildOnStyleChange(*root, *nav, fresh);
  auto setup = make<NavScreen>("setup");
  auto picker = make<NavScreen>("picker");
  nav->pushViewController(setup, false);
  nav->pushViewController(picker, true);
  gCalls.clear();
  window->setUserInterfaceStyle(UserInterfaceStyle::Dark);  // mid-slide: both screens are in the window
  EXPECT_EQ(gCalls, (Calls{"setup.wasLight", "picker.wasLight"}));
  advance(NavigationController::kTransitionDuration);
  gCalls.clear();
  window->setUserInterfaceStyle(UserInterfaceStyle::Light);
  window->setUserInterfaceStyle(UserInterfaceStyle::Dark);
  EXPECT_EQ(gCalls, (Calls{"picker.wasDark", "picker.wasLight"}));
  EXPECT_EQ(nav->viewControllers(), (std::vector<std::shared_ptr<ViewController>>{root, setup, picker}))
      << "the covered screen does not rebuild beneath the ones over it";
  EXPECT_EQ(root->window(), window.get()) << "a covered screen still belongs to the window";
  EXPECT_EQ(root->traitCollection().userInterfaceStyle, UserInterfaceStyle::Dark);

  // Back on top, the first screen hears once, after it appeared, and may rebuild at once.
  nav->popViewControllerAnimated(false);
  gCalls.clear();
  nav->popViewControllerAnimated(false);
  EXPECT_EQ(gCalls, (Calls{"setup.willDisappear", "root.willAppear", "setup.didDisappear", "root.didAppear",
                           "root.wasLight", "fresh.load", "root.willDisappear", "fresh.willAppear",
                           "root.didDisappear", "fresh.didAppear"}));
  EXPECT_EQ(nav->viewControllers(), (std::vector<std::shared_ptr<ViewController>>{fresh}));
  EXPECT_EQ(fresh->view()->superview(), nav->view().get());
}

TEST_F(NavigationTest, AChangeUndoneWhileCoveredIsNotTold) {
  auto setup = make<NavScreen>("setup");
  nav->pushViewController(setup, false);
  window->setUserInterfaceStyle(UserInterfaceStyle::Dark);
  window->setUserInterfaceStyle(UserInterfaceStyle::Light);
  gCalls.clear();
  nav->popViewControllerAnimated(false);
  EXPECT_EQ(gCalls, (Calls{"setup.willDisappear", "root.willAppear", "setup.didDisappear", "root.didAppear"}));
}

TEST_F(NavigationTest, APresentedScreenHearsWhileItsPresenterIsCovered) {
  auto setup = make<NavScreen>("setup");
  nav->pushViewController(setup, false);
  auto sheet = make<NavScreen>("sheet");
  setup->presentViewController(sheet, false);
  gCalls.clear();
  window->setUserInterfaceStyle(UserInterfaceStyle::Dark);
  EXPECT_EQ(gCalls, (Calls{"setup.wasLight", "sheet.wasLight"}));
  EXPECT_EQ(root->traitCollection().userInterfaceStyle, UserInterfaceStyle::Dark);
}

}  // namespace
}  // namespace platform::ui
