// The setup screens end to end from the main screen: the real menu and pickers over the real
// catalogues, then a start from the files the session left.
#include <gtest/gtest.h>

#include <functional>

#include "app/kit/UIConstants.h"
#include "app/main/MainScreenTestSupport.h"
#include "app/setup/CameraModeAspectViewController.h"
#include "app/setup/LensAdapterViewController.h"
#include "app/setup/LensesFocalLengthsViewController.h"
#include "app/setup/NewCameraSetupViewController.h"
#include "app/setup/SavedPackages.h"
#include "platform/foundation/SystemFacts.h"
#include "platform/shell/SystemAppearance.h"
#include "platform/ui/Application.h"
#include "platform/ui/Keyboard.h"

namespace app::setup {

namespace {

using app::setup::SavedPackages;
using platform::ui::IndexPath;

// What makes a package the package it is.
struct Identity {
  int format = 0, crop = 0, series = 0, adapter = 0, frameGuide = 0;
  std::vector<int> lenses;
  bool operator==(const Identity&) const = default;
};
Identity identityOf(const model::CameraPackage& p) {
  Identity id;
  id.format = p.shootingMode ? p.shootingMode->containerID : 0;
  id.crop = p.cropID;
  id.series = p.lensManufacturer ? p.lensManufacturer->manufacturerId : 0;
  id.adapter = p.lensAdapter ? p.lensAdapter->adapterId : 0;
  id.frameGuide = p.frameGuide ? p.frameGuide->frameGuideId : 0;
  for (const auto& lens : p.lensSet) id.lenses.push_back(lens.lensId);
  return id;
}

class SetupEndToEndTest : public ::testing::Test, public ostrel::testing::MainScreenFixture<> {
 protected:
  template <class Screen>
  std::shared_ptr<Screen> topAs() {
    window->layoutIfNeeded();
    return std::dynamic_pointer_cast<Screen>(navigation->topViewController());
  }
  void settle(double seconds = 1) {
    env.advance(seconds);
    window->layoutIfNeeded();
  }
  void tapView(const platform::ui::View& view) {
    window->layoutIfNeeded();
    tap(view);
    settle(0.1);
  }
  void typeInto(platform::ui::TextField& field, const std::string& text) {
    tapView(field);
    field.setText("");
    platform::ui::Keyboard::shared().typeText(text);
  }
  // The setup menu of package one or two, from the header as the person opens it.
  std::shared_ptr<NewCameraSetupViewController> openMenu(int package) {
    if (package == 2) {
      top()->goToMenuPosition(3);  // package two's header shows from the lens-match page on
      settle(0.5);
    }
    tapView(package == 1 ? *views().formatButtonOne : *views().formatButtonTwo);
    settle();
    return topAs<NewCameraSetupViewController>();
  }
  template <class Picker>
  std::shared_ptr<Picker> openPicker(const CameraSetupButton& row) {
    tapView(row);
    settle();
    return topAs<Picker>();
  }
  void done(NewCameraSetupViewController& menu) {
    tapView(*menu.views().doneBtn->button());
    settle();
  }
};

TEST_F(SetupEndToEndTest, PackageTwoSurvivesAVisitAndACustomPackageSurvivesARestart) {
  // Package one gets an adapter.
  auto menu = openMenu(1);
  ASSERT_TRUE(menu);
  auto adapters = openPicker<LensAdapterViewController>(*menu->views().lensAdapter);
  ASSERT_TRUE(adapters);
  const model::LensAdapterRecord booster = adapters->lensAdapterItems()[2];
  tapView(*adapters->views().adapterTableView->cellForRowAtIndexPath(IndexPath::forRow(2, 0)));
  settle();
  ASSERT_EQ(topAs<NewCameraSetupViewController>(), menu);
  done(*menu);
  ASSERT_EQ(state()->packageOne->lensAdapter->adapterId, booster.adapterId);
  const Identity one = identityOf(*state()->packageOne);

  // Package two: into each picker and out again changes nothing.
  menu = openMenu(2);
  ASSERT_TRUE(menu);
  ASSERT_EQ(state()->currentPackageModus, 1);
  const Identity two = identityOf(*state()->packageTwo);
  const auto& rows = menu->views();
  for (const auto* row : {rows.camera.get(), rows.shootingMode.get(), rows.aspectRatio.get()}) {
    auto camera = openPicker<CameraModeAspectViewController>(*row);
    ASSERT_TRUE(camera);
    camera->exitButtonPressed();
    settle();
  }
  for (const auto* row : {rows.lensSeries.get(), rows.focalLengths.get()}) {
    auto lenses = openPicker<LensesFocalLengthsViewController>(*row);
    ASSERT_TRUE(lenses);
    lenses->exitButtonPressed();
    settle();
  }
  auto adapterPicker = openPicker<LensAdapterViewController>(*rows.lensAdapter);
  ASSERT_TRUE(adapterPicker);
  tapView(*adapterPicker->views().exitBtn);
  settle();
  ASSERT_EQ(topAs<NewCameraSetupViewController>(), menu);
  EXPECT_EQ(identityOf(*state()->packageTwo), two) << "package two is as it was";
  EXPECT_EQ(identityOf(*state()->packageOne), one) << "package one is left alone";

  // A camera, a lens series and an adapter of the user's own, all on package two.
  auto camera = openPicker<CameraModeAspectViewController>(*rows.camera);
  ASSERT_TRUE(camera);
  tapView(*camera->views().createNewBtn->button());
  settle(0.5);
  typeInto(*camera->views().customFormatNameTextField, "Mine Cam");
  typeInto(*camera->views().customFormatSensorWidthTextField, "30");
  typeInto(*camera->views().customFormatSensorHeightTextField, "20");
  tapView(*camera->views().saveBtn->button());
  settle();
  ASSERT_EQ(topAs<NewCameraSetupViewController>(), menu) << "a new camera is committed and the picker closes";

  auto lenses = openPicker<LensesFocalLengthsViewController>(*rows.lensSeries);
  ASSERT_TRUE(lenses);
  tapView(*lenses->views().createNewBtn->button());
  settle(0.5);
  typeInto(*lenses->views().customLensSeriesNameTextField, "Homemade");
  typeInto(*lenses->views().customLensSeriesSqueezeTextField, "1");
  lenses->view()->endEditing(true);
  tapView(*lenses->views().saveBtn->button());
  settle(0.5);
  typeInto(*lenses->views().customPrimeLensTextField, "35,5");
  tapView(*lenses->views().saveBtn->button());
  settle(0.5);
  lenses->doneBtnPressed();
  settle();
  ASSERT_EQ(topAs<NewCameraSetupViewController>(), menu);

  adapterPicker = openPicker<LensAdapterViewController>(*rows.lensAdapter);
  ASSERT_TRUE(adapterPicker);
  tapView(*adapterPicker->views().createNewBtn->button());
  settle(0.5);
  typeInto(*adapterPicker->views().adapterValueField, "2");
  typeInto(*adapterPicker->views().adapterNameField, "Front Anamorphic");
  tapView(*adapterPicker->views().anamorphicBtn);
  tapView(*adapterPicker->views().saveBtn->button());
  settle(0.5);
  tapView(*adapterPicker->views().exitBtn);
  settle();
  ASSERT_EQ(topAs<NewCameraSetupViewController>(), menu);

  const model::CameraPackage& made = *state()->packageTwo;
  ASSERT_TRUE(made.cameraManufacturer && made.lensManufacturer && made.lensAdapter);
  EXPECT_EQ(made.cameraManufacturer->manufacturer, "Mine Cam");
  EXPECT_EQ(made.lensManufacturer->manufacturer, "Homemade");
  ASSERT_EQ(made.lensSet.size(), 1u);
  EXPECT_FLOAT_EQ(made.lensSet.front().focalLength, 35.5f);
  EXPECT_EQ(made.lensAdapter->adapterName, "Front Anamorphic");
  // A camera of the user's own names no shooting modes: the menu shows it in the block without one.
  EXPECT_FALSE(menu->cameraHasShootingMode);
  EXPECT_EQ(menu->views().cameraWithoutMode->itemLabel->text(), "Mine Cam ");
  EXPECT_EQ(menu->views().lensAdapter->itemLabel->text(), "Front Anamorphic (2x ANA)");

  // Saved under a name, then DONE.
  tapView(*menu->views().addToFavoritesBtn->button());
  settle(0.5);
  ASSERT_TRUE(menu->packageSaveAlert());
  typeInto(*menu->packageSaveAlert()->okCancelTextField(), "Custom Kit");
  tapView(*menu->packageSaveAlert()->okBtn());
  settle();
  done(*menu);
  const Identity custom = identityOf(*state()->packageTwo);

  // Quit and start again: a state object that knows only the files.
  state()->savePrefs();
  state::FramesObject restarted;
  restarted.storyBoardName = "Main_Universal";
  restarted.loadPrefs();
  ASSERT_TRUE(restarted.packageTwo);
  EXPECT_EQ(identityOf(*restarted.packageTwo), custom);
  EXPECT_EQ(restarted.packageTwo->cameraManufacturer->manufacturer, "Mine Cam");
  EXPECT_EQ(restarted.packageTwo->lensAdapter->adapterName, "Front Anamorphic");
  EXPECT_EQ(identityOf(*restarted.packageOne), one);
  const auto saved = SavedPackages::list(SavedPackages::kRecent);
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved.front().packageName, "Custom Kit");
  EXPECT_EQ(identityOf(saved.front()), custom) << "the saved package keeps its lenses and adapter";

  // The shared state started again, and a new main screen shows the package.
  auto frames = state();
  frames->packageOne.reset();
  frames->packageTwo.reset();
  frames->currentPackage.reset();
  frames->loadPrefs();
  auto screenAgain = platform::ui::make<main::NewMainViewController>();
  auto navigationAgain = platform::ui::make<platform::ui::NavigationController>(screenAgain);
  window->setRootViewController(navigationAgain);
  settle();
  const auto& header = screenAgain->views();
  EXPECT_NE(header.formatTwoLabel->text().find("Mine Cam"), std::string::npos) << header.formatTwoLabel->text();
  EXPECT_NE(header.lensSetTwoLabel->text().find("Homemade"), std::string::npos) << header.lensSetTwoLabel->text();
  EXPECT_EQ(header.adapterTwoLabel->text(), frames->packageTwo->getAdapterString());
  EXPECT_EQ(header.adapterTwoLabel->alpha(), 1);
}

// A system light/dark switch while the setup screens cover the main screen, with the automatic theme.
class SetupThemeSwitchTest : public SetupEndToEndTest {
 protected:
  SetupThemeSwitchTest() {
    state()->settings.colorTheme = 2;
    window->setUserInterfaceStyle(platform::ui::UserInterfaceStyle::Dark);
    application->becomeActive();
  }
  ~SetupThemeSwitchTest() override {
    application->resignActive();
    platform::foundation::SystemFacts::reset();
  }
  // Switches the system both ways while `covering` is on top and ends light, then leaves the setup
  // screens as the person does (`close`, then DONE) and checks the main screen shown then.
  void switchUnder(const std::shared_ptr<platform::ui::ViewController>& covering, NewCameraSetupViewController& menu,
                   const std::function<void()>& close) {
    ASSERT_TRUE(covering);
    const auto stack = navigation->viewControllers();
    for (bool dark : {false, true, false}) {
      platform::shell::SystemAppearance::switchTo(*window, dark);
      settle();
      EXPECT_EQ(navigation->topViewController(), covering) << "the covering screen stays on top";
      EXPECT_EQ(navigation->viewControllers(), stack) << "nothing is pushed beneath or over it";
      EXPECT_EQ(covering->view()->superview(), navigation->view().get());
    }
    close();
    done(menu);
    ASSERT_TRUE(top()) << "DONE goes back to the main screen";
    EXPECT_EQ(navigation->viewControllers().size(), 1u);
    EXPECT_FALSE(state()->appInDarkMode);
    EXPECT_FALSE(kit::UIConstants::appInDarkMode());
    EXPECT_EQ(top()->view()->backgroundColor(), kit::UIConstants::primaryBG()) << "shown in the light theme";
    EXPECT_EQ(top()->view()->window(), window.get());
  }

  std::shared_ptr<platform::ui::Application> application = platform::ui::Application::sharedApplication();
};

TEST_F(SetupThemeSwitchTest, TheSetupMenuStaysOnTop) {
  auto menu = openMenu(1);
  ASSERT_TRUE(menu);
  switchUnder(menu, *menu, [] {});
}

TEST_F(SetupThemeSwitchTest, APickerAndACustomFormStayOnTop) {
  auto menu = openMenu(1);
  ASSERT_TRUE(menu);
  auto camera = openPicker<CameraModeAspectViewController>(*menu->views().camera);
  switchUnder(camera, *menu, [&] {
    camera->exitButtonPressed();
    settle();
  });

  // Dark again, then the lens picker with its form for a series of the user's own open.
  platform::shell::SystemAppearance::switchTo(*window, true);
  settle();
  menu = openMenu(1);
  ASSERT_TRUE(menu);
  auto lenses = openPicker<LensesFocalLengthsViewController>(*menu->views().lensSeries);
  ASSERT_TRUE(lenses);
  tapView(*lenses->views().createNewBtn->button());
  settle(0.5);
  ASSERT_EQ(lenses->views().customLensSeriesNameTextField->window(), window.get()) << "the form is open";
  switchUnder(lenses, *menu, [&] {
    EXPECT_EQ(lenses->views().customLensSeriesNameTextField->window(), window.get()) << "the form is still open";
    lenses->exitButtonPressed();
    settle();
  });
}

}  // namespace

}  // namespace app::setup

