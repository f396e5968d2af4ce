#pragma once

// A setup screen for tests: the setup environment, a key phone window on the manual clock and a
// navigation stack with a plain screen under the one tested, so that the tested screen can pop itself.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>

#include "app/kit/PackageAlerts.h"
#include "app/settings/InteractiveGuideManager.h"
#include "app/setup/FormSaveFailure.h"
#include "app/setup/SetupTestSupport.h"
#include "app/storage/OpenCatalogue.h"
#include "app/storage/PackageDatabaseHelper.h"
#include "platform/runtime/LoadHooks.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/Window.h"

namespace ostrel::testing {

class BlankScreen : public platform::ui::ViewController {
 protected:
  BlankScreen() = default;
};

class SetupScreenFixture {
 public:
  explicit SetupScreenFixture(bool dark = true)
      : env(dark), window(platform::ui::make<platform::ui::Window>(platform::ui::Screen::named("phone"))) {
    platform::runtime::runLoadHooks();
    platform::ui::Keyboard::shared().reset();
    navigation = platform::ui::make<platform::ui::NavigationController>(platform::ui::make<BlankScreen>());
    window->setRootViewController(navigation);
    window->makeKeyAndVisible();
    env.advance(0.5);
  }
  ~SetupScreenFixture() {
    app::settings::InteractiveGuideManager::getSingleton()->unregisterViewForInteractiveGuide();
    platform::ui::Keyboard::shared().reset();
  }

  static std::shared_ptr<app::state::FramesObject> state() { return SetupTestEnvironment::state(); }

  // From now on the package catalogue stores no standard package and deletes no saved one, as one the
  // app may only read, or one another program holds, would not.
  static void refusePackageWrites() {
    app::storage::OpenCatalogue<app::storage::PackageDatabaseHelper> packages;
    ASSERT_TRUE(packages);
    ASSERT_TRUE(packages->database().execute(
        "CREATE TRIGGER refuseStandard BEFORE INSERT ON PackageData WHEN NEW.packageId < 0 "
        "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    ASSERT_TRUE(packages->database().execute(
        "CREATE TRIGGER refuseDelete BEFORE DELETE ON PackageData BEGIN SELECT RAISE(ABORT, 'refused'); END"));
  }

  // From now on the catalogue `Catalogue` refuses every `change` ("INSERT", "UPDATE" or "DELETE") of a
  // row of each of `tables`, as one the app may only read, one another program holds or a full disk
  // would, until allow() takes the refusal back.
  template <class Catalogue>
  static void refuse(const std::string& change, std::initializer_list<const char*> tables) {
    app::storage::OpenCatalogue<Catalogue> catalogue;
    ASSERT_TRUE(catalogue);
    for (const std::string table : tables) {
      ASSERT_TRUE(catalogue->database().execute("CREATE TRIGGER refuse" + change + table + " BEFORE " + change +
                                                " ON " + table + " BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    }
  }
  template <class Catalogue>
  static void allow(const std::string& change, std::initializer_list<const char*> tables) {
    app::storage::OpenCatalogue<Catalogue> catalogue;
    ASSERT_TRUE(catalogue);
    for (const std::string table : tables) {
      ASSERT_TRUE(catalogue->database().execute("DROP TRIGGER refuse" + change + table));
    }
  }
  // Deletes of the rows of `tables` refused: the rows stay, whatever else a delete holds.
  template <class Catalogue>
  static void refuseDeletes(std::initializer_list<const char*> tables) {
    refuse<Catalogue>("DELETE", tables);
  }

  // The package catalogue refuses `change` ("UPDATE" or "DELETE") of the rows of `table` that belong to
  // saved packages, while the standard packages are still stored: the follow-up of a delete fails alone.
  static void refuseSavedPackageChanges(const std::string& change, const std::string& table) {
    app::storage::OpenCatalogue<app::storage::PackageDatabaseHelper> packages;
    ASSERT_TRUE(packages);
    ASSERT_TRUE(packages->database().execute("CREATE TRIGGER refuseSaved" + change + table + " BEFORE " + change + " ON " +
                                             table + " WHEN OLD.packageId > 0 BEGIN SELECT RAISE(ABORT, 'refused'); END"));
  }

  void push(const std::shared_ptr<platform::ui::ViewController>& screen) {
    navigation->pushViewController(screen, false);
    env.advance(0.5);
    layOut();
  }
  platform::ui::Point centreOf(const platform::ui::View& view) const {
    return view.convertPointTo({view.bounds().midX(), view.bounds().midY()}, nullptr);
  }
  // As the shell does before each step of a script.
  void layOut() { window->layoutIfNeeded(); }
  void tapAt(platform::ui::Point p) {
    layOut();
    window->touchDown(p);
    env.advance(0.05);
    window->touchUp(p);
    env.advance(0.05);
  }
  void tap(const platform::ui::View& view) {
    layOut();
    tapAt(centreOf(view));
  }
  // A slow stroke from right to left over a table row: opens its swipe actions.
  void swipeLeft(platform::ui::Point p, double distance) {
    layOut();
    window->touchDown(p);
    for (int i = 0; i < 10; ++i) {
      env.advance(0.02);
      p.x -= distance / 10;
      window->touchMove(p);
    }
    window->touchUp(p);
    env.advance(0.5);
  }
  void type(const std::string& text) { platform::ui::Keyboard::shared().typeText(text); }
  std::shared_ptr<platform::graphics::Image> render() { return platform::ui::Renderer::render(*window); }

  // The screen told the person, over itself, that `what` could not be stored; its OK takes the notice
  // away again and leaves the screen as it was.
  void expectToldNotStored(const app::setup::FormSaveFailure& failure, const std::string& what) {
    expectTold(failure, what + " could not be stored.");
  }
  // The same for a delete the catalogue refused: `what` is said to stay in the list.
  void expectToldNotDeleted(const app::setup::FormSaveFailure& failure, const std::string& what) {
    expectTold(failure, what + " could not be deleted. It stays in the list.");
  }
  void expectTold(const app::setup::FormSaveFailure& failure, const std::string& sentence) {
    ASSERT_TRUE(failure.isShown()) << sentence;
    const auto& alert = *failure.alert();
    EXPECT_EQ(alert.alertTitle()->text(), "NOT SAVED");
    EXPECT_EQ(alert.messageLabel()->text().rfind(sentence, 0), 0u) << alert.messageLabel()->text();
    EXPECT_EQ(alert.okSingleBtn()->alpha(), 1);
    env.advance(0.5);
    tap(*alert.okSingleBtn());
    env.advance(0.5);
    EXPECT_FALSE(failure.isShown()) << sentence;
  }

  SetupTestEnvironment env;
  std::shared_ptr<platform::ui::Window> window;
  std::shared_ptr<platform::ui::NavigationController> navigation;
};

}  // namespace ostrel::testing
