#include "platform/ui/ViewController.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/SystemFacts.h"
#include "platform/runtime/Send.h"
#include "platform/ui/Window.h"

namespace platform::ui {
namespace {

std::vector<std::string> gLog;

class ScreenController : public ViewController {
 public:
  static constexpr runtime::NativeClass<ViewController> kRuntimeClass{"VCTestScreenController"};
  ScreenController() : ViewController(runtime::classOf<ScreenController>()) {}
  std::string name = "screen";

  void viewDidLoad() override { gLog.push_back(name + ".didLoad"); }
  void viewWillAppear(bool) override { gLog.push_back(name + ".willAppear"); }
  void viewDidAppear(bool) override { gLog.push_back(name + ".didAppear"); }
  void viewWillDisappear(bool) override { gLog.push_back(name + ".willDisappear"); }
  void viewDidDisappear(bool) override { gLog.push_back(name + ".didDisappear"); }
  void traitCollectionDidChange(const TraitCollection& previous) override {
    gLog.push_back(name + (previous.userInterfaceStyle == UserInterfaceStyle::Light ? ".wasLight" : ".wasDark"));
  }
};

class EmptyLoader : public ViewController {
 public:
  static constexpr runtime::NativeClass<ViewController> kRuntimeClass{"VCTestEmptyLoader"};
  EmptyLoader() : ViewController(runtime::classOf<EmptyLoader>()) {}
  void loadView() override {}
};

TEST(ViewController, ViewLoadsOnceOnFirstUse) {
  gLog.clear();
  auto vc = make<ScreenController>();
  EXPECT_FALSE(vc->isViewLoaded());
  auto view = vc->view();
  EXPECT_EQ(vc->view(), view);
  EXPECT_EQ(gLog, (std::vector<std::string>{"screen.didLoad"}));
  EXPECT_EQ(view->bounds().size, Screen::named("phone").size);
  auto empty = make<EmptyLoader>();
  EXPECT_TRUE(empty->view()) << "a loadView that makes nothing still yields a view";
}

TEST(ViewController, WindowDrivesAppearanceInOrder) {
  gLog.clear();
  auto window = make<Window>();
  auto first = make<ScreenController>();
  window->setRootViewController(first);
  EXPECT_EQ(first->view()->superview(), window.get());
  EXPECT_EQ(first->view()->frame(), window->bounds());
  EXPECT_EQ(gLog, (std::vector<std::string>{"screen.didLoad"})) << "nothing appears before the window is shown";
  window->makeKeyAndVisible();
  window->makeKeyAndVisible();
  EXPECT_EQ(gLog, (std::vector<std::string>{"screen.didLoad", "screen.willAppear", "screen.didAppear"}));
  EXPECT_TRUE(first->isAppearing());

  gLog.clear();
  auto second = make<ScreenController>();
  second->name = "next";
  window->setRootViewController(second);
  EXPECT_EQ(gLog, (std::vector<std::string>{"screen.willDisappear", "screen.didDisappear", "next.didLoad",
                                            "next.willAppear", "next.didAppear"}));
  EXPECT_EQ(first->view()->superview(), nullptr);
  EXPECT_EQ(first->window(), nullptr);
  EXPECT_FALSE(first->isAppearing());
}

TEST(ViewController, AppearanceCallsCanBeInterceptedThroughTheRuntime) {
  gLog.clear();
  runtime::Class* base = ViewController::runtimeClass();
  EXPECT_EQ(runtime::Class::named("UIViewController"), base);
  runtime::IMP original = base->lookup(kViewDidAppear.name);
  base->replaceMethod(kViewDidAppear, [original](runtime::Object& self, bool animated) {
    auto& vc = dynamic_cast<ViewController&>(self);
    gLog.push_back("tracked " + vc.getClass()->name());
    runtime::callImplementation(original, self, kViewDidAppear, animated);
  });
  auto window = make<Window>();
  window->setRootViewController(make<ScreenController>());
  window->makeKeyAndVisible();
  base->replaceMethod(kViewDidAppear.name, original);
  EXPECT_EQ(gLog, (std::vector<std::string>{"screen.didLoad", "screen.willAppear", "tracked VCTestScreenController",
                                            "screen.didAppear"}));

  // Classes are found by name, so a screen can be made from its identifier.
  auto made = runtime::Class::named("VCTestScreenController")->createInstance();
  ASSERT_TRUE(made);
  EXPECT_TRUE(std::dynamic_pointer_cast<ScreenController>(made));
  EXPECT_TRUE(made->isKindOf(base));
}

TEST(ViewController, TraitChangesFollowTheWindowAppearance) {
  gLog.clear();
  auto window = make<Window>();
  auto vc = make<ScreenController>();
  EXPECT_EQ(vc->traitCollection().userInterfaceStyle, UserInterfaceStyle::Light);
  window->setRootViewController(vc);
  gLog.clear();
  window->setUserInterfaceStyle(UserInterfaceStyle::Dark);
  window->setUserInterfaceStyle(UserInterfaceStyle::Dark);
  EXPECT_EQ(vc->traitCollection().userInterfaceStyle, UserInterfaceStyle::Dark);
  window->setUserInterfaceStyle(UserInterfaceStyle::Light);
  EXPECT_EQ(gLog, (std::vector<std::string>{"screen.wasLight", "screen.wasDark"})) << "only real changes are told";
}

TEST(ViewController, WindowsFollowTheSystemAppearanceSetting) {
  foundation::SystemFacts facts = foundation::SystemFacts::current();
  facts.darkAppearance = true;
  foundation::ScopedSystemFacts dark(facts);
  auto window = make<Window>();
  auto vc = make<ScreenController>();
  window->setRootViewController(vc);
  EXPECT_EQ(vc->traitCollection().userInterfaceStyle, UserInterfaceStyle::Dark) << "a new window starts dark";

  gLog.clear();
  facts.darkAppearance = false;
  foundation::ScopedSystemFacts light(facts);
  EXPECT_EQ(window->userInterfaceStyle(), UserInterfaceStyle::Dark) << "nothing changes until the window looks";
  window->followSystemAppearance();
  window->followSystemAppearance();
  EXPECT_EQ(window->userInterfaceStyle(), UserInterfaceStyle::Light);
  EXPECT_EQ(gLog, std::vector<std::string>{"screen.wasDark"});
}

TEST(Window, TheWindowMadeKeyLastIsTheKeyWindow) {
  std::vector<const void*> resigned;
  auto observation = foundation::NotificationCenter::defaultCenter().addObserver(
      kWindowDidResignKeyNotification, [&](const foundation::Notification& n) { resigned.push_back(n.sender); });
  auto first = make<Window>();
  first->makeKeyAndVisible();
  EXPECT_EQ(Window::keyWindow(), first);
  auto second = make<Window>();
  second->makeKeyAndVisible();
  EXPECT_EQ(Window::keyWindow(), second);
  // Made key again, the first takes the place back without showing its controllers a second time.
  first->makeKeyAndVisible();
  EXPECT_EQ(Window::keyWindow(), first);
  EXPECT_EQ(resigned, (std::vector<const void*>{first.get(), second.get()}));
  first.reset();
  EXPECT_EQ(Window::keyWindow(), nullptr);
}

}  // namespace
}  // namespace platform::ui
