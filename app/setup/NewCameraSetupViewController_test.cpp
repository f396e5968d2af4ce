// The setup menu and its saved-packages page driven by touches, against the real catalogues.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/kit/KitTestSupport.h"
#include "app/kit/UIConstants.h"
#include "app/setup/CameraModeAspectViewController.h"
#include "app/setup/LensAdapterViewController.h"
#include "app/setup/LensesFocalLengthsViewController.h"
#include "app/setup/NewCameraSetupViewController.h"
#include "app/setup/SavedPackages.h"
#include "app/storage/PackageUtil.h"
#include "app/setup/SetupListCells.h"
#include "app/setup/SetupMenuRows.h"
#include "app/setup/SetupScreenTestSupport.h"
#include "app/storage/OpenCatalogue.h"
#include "app/storage/PackageDatabaseHelper.h"
#include "app/storage/FrameGuideCatalogue.h"
#include "app/state/AppDelegate.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/PropertyList.h"
#include "platform/ui/Animation.h"
#include "platform/ui/Application.h"
#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/SwipeActionsConfiguration.h"

namespace app::setup {

namespace {

using app::setup::SavedPackages;
using app::storage::OpenCatalogue;
using platform::foundation::Value;
using platform::ui::IndexPath;
using Menu = NewCameraSetupViewController;

int distance(const ostrel::testing::Rgb& a, const platform::graphics::Color& colour) {
  const auto b = ostrel::testing::bytes(colour);
  return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
}

class SetupMenuTest : public ::testing::Test, public ostrel::testing::SetupScreenFixture {
 protected:
  void open() {
    menu = std::dynamic_pointer_cast<Menu>(
        platform::ui::Storyboard::storyboardWithName("Main_Universal").instantiateViewControllerWithIdentifier(
            Menu::kStoryboardIdentifier));
    ASSERT_TRUE(menu);
    push(menu);
  }
  const Menu::Views& v() const { return menu->views(); }
  bool menuOnTop() const { return navigation->topViewController() == menu; }
  // Which picker the top screen is: its class, named as its storyboard identifier.
  std::string topPicker() const {
    auto top = navigation->topViewController();
    return top ? top->getClass()->name() : "";
  }
  void back() {
    navigation->popViewControllerAnimated(false);
    env.advance(1);
    layOut();
  }
  // The save dialog with `name` typed, then OK.
  void saveAs(const std::string& name) {
    if (v().setupView->alpha() == 0) {
      tap(*v().menuSetup);
      env.advance(0.5);
    }
    tap(*v().addToFavoritesBtn->button());
    env.advance(0.5);
    ASSERT_TRUE(menu->packageSaveAlert());
    tap(*menu->packageSaveAlert()->okCancelTextField());
    type(name);
    tap(*menu->packageSaveAlert()->okBtn());
    env.advance(0.1);
  }
  // A dialog whose OK did not close it draws that OK at rest again, on the screen's pixels too.
  void expectOkAtRest(const kit::CustomAlert& alert) {
    const auto& ok = *alert.okBtn();
    EXPECT_EQ(ok.backgroundColor(), kit::UIConstants::alertBGColor());
    layOut();
    const auto inside = ok.convertPointTo({6, 6}, nullptr);
    const auto shown = ostrel::testing::bytes(render()->pixel(static_cast<int>(inside.x * 2), static_cast<int>(inside.y * 2)));
    EXPECT_EQ(distance(shown, kit::UIConstants::alertBGColor()), 0) << "the OK is still drawn pressed";
  }
  std::shared_ptr<SetupControllerPackageCell> packageCell(int row) {
    layOut();
    return std::dynamic_pointer_cast<SetupControllerPackageCell>(
        v().favoriteTable->cellForRowAtIndexPath(IndexPath::forRow(row, 0)));
  }
  void runAction(int row, size_t action) {
    auto configuration = menu->savedList().tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(*v().favoriteTable,
                                                                                          IndexPath::forRow(row, 0));
    auto source = platform::ui::make<platform::ui::View>();
    configuration->actions().at(action)->handler()(*configuration->actions().at(action), *source, {});
    env.advance(0.5);
  }
  static void writeGuideSettings(double daysAgo, int64_t mainSeconds, int counter, bool rated) {
    const double now = platform::foundation::Clock::current()->now();
    platform::foundation::Dictionary file{{"FIRSTSTARTDATE", Value::date(now - daysAgo * 86400)},
                                          {"MAINVIEWTOTALVIEWTIME", Value(mainSeconds)},
                                          {"ratingShowCounter", Value(static_cast<int64_t>(counter))},
                                          {"didRated", Value(static_cast<int64_t>(rated ? 1 : 0))}};
    platform::foundation::PropertyList::writeFile(settings::InteractiveGuideManager::settingsPath(), Value(std::move(file)),
                                                  platform::foundation::PropertyList::Format::Xml);
  }

  std::shared_ptr<Menu> menu;
};

TEST_F(SetupMenuTest, RowsShowTheEditedPackageInBothLayouts) {
  open();
  const auto rows = app::setup::SetupMenuRows::forPackage(*state()->currentPackage);
  ASSERT_TRUE(menu->cameraHasShootingMode);
  EXPECT_EQ(v().cameraSetupWithModeView->alpha(), 1);
  EXPECT_EQ(v().setupWithoutModeView->alpha(), 0);
  EXPECT_EQ(menu->lensSetupTopConstraint.constant(), 1.0);
  EXPECT_EQ(v().camera->itemLabel->text(), rows.cameraValue);
  EXPECT_EQ(v().shootingMode->itemLabel->text(), state()->currentPackage->shootingMode->shootingMode);
  EXPECT_EQ(v().aspectRatio->titleLabel->text(), "Native Aspect Ratio");
  EXPECT_EQ(v().aspectRatio->itemLabel->text(), menu->getDisplayAspectRatio());
  EXPECT_EQ(v().frameline->itemLabel->text(), "None");
  EXPECT_EQ(v().focalLengths->titleLabel->text(), state()->currentPackage->lensSet.size() < 2 ? "Lens" : "Lenses");
  EXPECT_EQ(v().lensAdapter->itemLabel->text(), "None");
  const double withModeLensTop = v().lensSetupView->frame().minY();

  // A camera that names no modes: the other block, and the lens block a row higher.
  state()->currentPackage->shootingMode->shootingModeNameOrig = false;
  back();
  open();
  EXPECT_FALSE(menu->cameraHasShootingMode);
  EXPECT_EQ(v().setupWithoutModeView->alpha(), 1);
  EXPECT_EQ(menu->lensSetupTopConstraint.constant(), -60.0);
  EXPECT_EQ(v().cameraWithoutMode->itemLabel->text(), rows.cameraValue);
  EXPECT_DOUBLE_EQ(v().lensSetupView->frame().minY(), withModeLensTop - 61);
}

TEST_F(SetupMenuTest, EachRowOpensItsPickerAndTheFrameLineNothing) {
  open();
  struct Case {
    std::shared_ptr<CameraSetupButton> row;
    const char* identifier;
  };
  const Case cases[] = {{v().camera, Menu::kCameraPicker},
                        {v().shootingMode, Menu::kCameraPicker},
                        {v().aspectRatio, Menu::kCameraPicker},
                        {v().lensSeries, Menu::kLensPicker},
                        {v().focalLengths, Menu::kLensPicker},
                        {v().lensAdapter, Menu::kAdapterPicker}};
  for (const auto& c : cases) {
    tap(*c.row);
    env.advance(1);
    EXPECT_FALSE(menuOnTop()) << c.identifier;
    EXPECT_EQ(topPicker(), c.identifier);
    back();
    ASSERT_TRUE(menuOnTop());
    EXPECT_EQ(c.row->contentView->backgroundColor(), kit::UIConstants::cameraSetupButtonsColor())
        << "the row left blue by the tap is reset on return";
  }
  tap(*v().frameline);
  env.advance(1);
  EXPECT_TRUE(menuOnTop()) << "the frame-line row opens nothing";

  // The camera picker opens on the page of the row.
  struct Start {
    std::shared_ptr<CameraSetupButton> row;
    bool mode, aspect;
  };
  for (const auto& start : {Start{v().camera, false, false}, Start{v().shootingMode, true, false},
                            Start{v().aspectRatio, false, true}}) {
    tap(*start.row);
    env.advance(1);
    auto picker = std::dynamic_pointer_cast<CameraModeAspectViewController>(navigation->topViewController());
    ASSERT_TRUE(picker);
    EXPECT_EQ(picker->startWithShootingMode, start.mode);
    EXPECT_EQ(picker->startWithAspectRatio, start.aspect);
    if (start.mode || start.aspect) { EXPECT_TRUE(picker->cameraHasShootingMode); }
    back();
  }
  // The lens picker opens on the series, or with the lens list and lenses to choose.
  for (const auto& [row, list] : {std::pair{v().lensSeries, false}, std::pair{v().focalLengths, true}}) {
    tap(*row);
    env.advance(1);
    auto picker = std::dynamic_pointer_cast<LensesFocalLengthsViewController>(navigation->topViewController());
    ASSERT_TRUE(picker);
    EXPECT_EQ(picker->canSelectLenses, list);
    EXPECT_EQ(picker->startWithLensList, list);
    back();
  }
}

TEST_F(SetupMenuTest, DoneSavesThePreferencesAndGoesBack) {
  open();
  state()->settings.cocFactor = 1777;
  tap(*v().doneBtn->button());
  auto transition = std::dynamic_pointer_cast<platform::ui::Transition>(
      navigation->view()->layer().animationForKey(platform::ui::kTransitionKey));
  ASSERT_TRUE(transition) << "the menu goes down under a push from the bottom";
  EXPECT_EQ(transition->subtype, platform::ui::TransitionSubtype::FromBottom);
  EXPECT_EQ(transition->type, platform::ui::TransitionType::Push);
  EXPECT_DOUBLE_EQ(transition->duration, 0.3);
  env.advance(1);
  EXPECT_FALSE(menuOnTop());
  EXPECT_EQ(navigation->viewControllers().size(), 1u);
  const Value stored = platform::foundation::PropertyList::readFile(state::FramesObject::preferencePath());
  EXPECT_EQ(stored["COCFACTOR"].toInt64(), 1777);
}

TEST_F(SetupMenuTest, SavingWithoutANameStoresTheDefaultNameOnTopHighlighted) {
  open();
  saveAs("Zeta");
  // The first save: the list appears with the page, and its one row is marked all the same.
  env.advance(0.25);
  {
    auto first = packageCell(0);
    ASSERT_TRUE(first);
    const auto p = first->convertPointTo({20, 4}, nullptr);
    const auto shown = ostrel::testing::bytes(render()->pixel(static_cast<int>(p.x * 2), static_cast<int>(p.y * 2)));
    EXPECT_LT(distance(shown, kit::UIConstants::blue()), distance(shown, kit::UIConstants::primaryBG()));
  }
  // Sorted by name, then a save without a name: the order goes back to recent, the new one on top.
  env.advance(1);
  tap(*v().favoriteSortBtn);
  EXPECT_EQ(menu->favoriteSortMode, SavedPackages::kByName);
  EXPECT_EQ(v().favoriteSortBtn->currentTitle(), "A-Z");
  saveAs("");
  EXPECT_EQ(menu->favoriteSortMode, SavedPackages::kRecent);
  const std::string name = SavedPackages::defaultName(*state()->currentPackage);
  ASSERT_EQ(menu->packageItemsArray().size(), 2u);
  EXPECT_EQ(menu->packageItemsArray().front().packageName, name);
  EXPECT_EQ(v().setupView->alpha(), 0) << "the page switched to the saved list";
  auto cell = packageCell(0);
  ASSERT_TRUE(cell);
  EXPECT_EQ(cell->title->text(), name);
  EXPECT_EQ(cell->backgroundColor(), kit::UIConstants::primaryBG()) << "the model colour is the end of the fade";
  // On screen, once the dialog has faded, the row is still nearer the accent than its rest colour, a
  // third into its one-second fade.
  env.advance(0.25);
  const auto centre = cell->convertPointTo({20, 4}, nullptr);
  const auto shown = ostrel::testing::bytes(render()->pixel(static_cast<int>(centre.x * 2), static_cast<int>(centre.y * 2)));
  EXPECT_LT(distance(shown, kit::UIConstants::blue()), distance(shown, kit::UIConstants::primaryBG()));
  env.advance(1);
  const auto rested = ostrel::testing::bytes(render()->pixel(static_cast<int>(centre.x * 2), static_cast<int>(centre.y * 2)));
  EXPECT_EQ(rested, ostrel::testing::bytes(kit::UIConstants::primaryBG()));
}

TEST_F(SetupMenuTest, AFailedSaveOrRenameKeepsItsDialogSaysSoAndHighlightsNothing) {
  open();
  saveAs("First");
  {
    OpenCatalogue<storage::PackageDatabaseHelper> packages;
    ASSERT_TRUE(packages->database().execute(
        "CREATE TRIGGER refuse BEFORE INSERT ON PackageData WHEN NEW.packageId > 0 BEGIN SELECT RAISE(ABORT, 'no'); END"));
  }
  saveAs("Second");
  ASSERT_EQ(menu->packageItemsArray().size(), 1u);
  auto cell = packageCell(0);
  ASSERT_TRUE(cell);
  env.advance(0.25);
  const auto corner = cell->convertPointTo({20, 4}, nullptr);
  const auto shown = ostrel::testing::bytes(render()->pixel(static_cast<int>(corner.x * 2), static_cast<int>(corner.y * 2)));
  EXPECT_GT(distance(shown, kit::UIConstants::blue()), distance(shown, kit::UIConstants::tableViewBGColor()))
      << "the row of the earlier package is not marked as new";

  // The person is told, and the dialog keeps the name for another try.
  expectToldNotStored(menu->saveFailure(), "The package \"Second\"");
  ASSERT_TRUE(menu->packageSaveAlert()->contentView()->superview());
  EXPECT_EQ(menu->packageSaveAlert()->okCancelTextField()->text(), "Second");
  expectOkAtRest(*menu->packageSaveAlert());
  tap(*menu->packageSaveAlert()->cancelBtn());
  env.advance(0.5);

  // A new name the catalogue does not take: the same.
  {
    OpenCatalogue<storage::PackageDatabaseHelper> packages;
    ASSERT_TRUE(packages->database().execute(
        "CREATE TRIGGER keepName BEFORE UPDATE OF packageName ON PackageData BEGIN SELECT RAISE(ABORT, 'no'); END"));
  }
  runAction(0, 1);
  menu->packageEditAlert()->okCancelTextField()->setText("Renamed");
  tap(*menu->packageEditAlert()->okBtn());
  expectToldNotStored(menu->saveFailure(), "The name \"Renamed\"");
  ASSERT_TRUE(menu->packageEditAlert()->contentView()->superview());
  EXPECT_EQ(menu->packageEditAlert()->okCancelTextField()->text(), "Renamed");
  expectOkAtRest(*menu->packageEditAlert());
  EXPECT_EQ(SavedPackages::list(SavedPackages::kRecent).front().packageName, "First");
}

TEST_F(SetupMenuTest, RenameKeepsTheNameForAnEmptyTextAndDeleteEmptiesThePage) {
  open();
  saveAs("Original");
  runAction(0, 1);
  ASSERT_TRUE(menu->packageEditAlert());
  EXPECT_EQ(menu->packageEditAlert()->okCancelTextField()->text(), "Original");
  menu->packageEditAlert()->okCancelTextField()->setText("");
  tap(*menu->packageEditAlert()->okBtn());
  EXPECT_EQ(menu->packageItemsArray().front().packageName, "Original");
  runAction(0, 1);
  menu->packageEditAlert()->okCancelTextField()->setText("Renamed");
  tap(*menu->packageEditAlert()->okBtn());
  EXPECT_EQ(menu->packageItemsArray().front().packageName, "Renamed");

  // A full swipe only opens the row.
  layOut();
  auto cell = packageCell(0);
  ASSERT_TRUE(cell);
  const auto start = cell->convertPointTo({cell->bounds().width() - 10, cell->bounds().midY()}, nullptr);
  swipeLeft(start, 370);
  EXPECT_EQ(menu->packageItemsArray().size(), 1u);
  EXPECT_EQ(SavedPackages::list(SavedPackages::kRecent).size(), 1u);

  runAction(0, 0);
  EXPECT_TRUE(menu->packageItemsArray().empty());
  EXPECT_EQ(v().noFavoritesView->alpha(), 1);
  EXPECT_EQ(v().favoriteSortBtn->alpha(), 0);
  env.advance(1);
  EXPECT_EQ(v().favoriteTable->alpha(), 0) << "an empty list stays hidden under the empty-list view";
}

TEST_F(SetupMenuTest, TappingASavedPackageLoadsItIntoTheEditedSlotAndCloses) {
  // Package two edited; package one saved earlier.
  state()->setPackageTwoAsCurrentPackage();
  model::CameraPackage one = *state()->packageOne;
  one.packageName = "Camera A";
  ASSERT_GE(storage::PackageUtil::savePackage(one), 1);
  open();
  tap(*v().menuFavorites);
  env.advance(0.5);
  tap(*packageCell(0));
  env.advance(1);
  EXPECT_FALSE(menuOnTop());
  EXPECT_EQ(state()->packageTwo->shootingMode->containerID, one.shootingMode->containerID);
  EXPECT_EQ(state()->formatTwoId, one.shootingMode->containerID);
  EXPECT_EQ(state()->formatOneId, one.shootingMode->containerID) << "slot one keeps its own format";
  EXPECT_EQ(state()->packageOne->lensManufacturer->manufacturerId, one.lensManufacturer->manufacturerId);
}

// The package catalogue refuses: a saved package deleted stays in the list, and one loaded into the
// edited slot is shown but not stored; each is said, and the menu stays.
TEST_F(SetupMenuTest, ADeleteOrALoadThePackageCatalogueRefusesIsSaidAndTheMenuStays) {
  model::CameraPackage two = *state()->packageTwo;
  two.packageName = "Camera B";
  ASSERT_GE(storage::PackageUtil::savePackage(two), 1);
  open();
  refusePackageWrites();
  tap(*v().menuFavorites);
  env.advance(0.5);
  runAction(0, 0);
  ASSERT_TRUE(menu->saveFailure().isShown());
  EXPECT_EQ(menu->saveFailure().alert()->messageLabel()->text(),
            "The package \"Camera B\" could not be deleted. It stays in the list.");
  tap(*menu->saveFailure().alert()->okSingleBtn());
  env.advance(0.5);
  ASSERT_EQ(menu->packageItemsArray().size(), 1u);
  EXPECT_EQ(SavedPackages::list(SavedPackages::kRecent).size(), 1u);

  tap(*packageCell(0));
  env.advance(1);
  EXPECT_TRUE(menuOnTop());
  expectToldNotStored(menu->saveFailure(), "The package");
  EXPECT_EQ(state()->packageOne->shootingMode->containerID, state()->packageTwo->shootingMode->containerID)
      << "shown as chosen";
}

TEST_F(SetupMenuTest, ABrokenSavedPackageIsNotLoadedAndTheMenuStays) {
  model::FrameGuide guide;
  guide.width = 3.31f;
  guide.height = 1.0f;
  {
    OpenCatalogue<storage::FrameGuideCatalogue> guides;
    ASSERT_FALSE(guides->insertFrameGuideFromCameraSetup(guide));
  }
  model::CameraPackage broken = *state()->packageTwo;
  broken.frameGuide = guide;
  broken.packageName = "Broken";
  ASSERT_GE(storage::PackageUtil::savePackage(broken), 1);
  {
    OpenCatalogue<storage::FrameGuideCatalogue> guides;
    ASSERT_TRUE(guides->deleteFrameGuide(guide));
  }
  const int formatBefore = state()->packageOne->shootingMode->containerID;
  open();
  tap(*v().menuFavorites);
  env.advance(0.5);
  tap(*packageCell(0));
  env.advance(1);
  EXPECT_TRUE(menuOnTop());
  EXPECT_EQ(state()->packageOne->shootingMode->containerID, formatBefore);
}

TEST_F(SetupMenuTest, RatingPromptSlidesInOnTheFirstVisitAndShowsAtOnceLater) {
  writeGuideSettings(30, 700, 0, false);
  open();
  env.advance(0.6);
  auto manager = settings::InteractiveGuideManager::getSingleton();
  EXPECT_EQ(manager->ratingShowCounter, 1);
  EXPECT_EQ(v().ReviewAlertView->alpha(), 1);
  EXPECT_EQ(menu->reviewAlertBottomConstraint.constant(), 0) << "the model value is the end of the slide";
  EXPECT_EQ(v().favoriteTable->contentInset().bottom, v().ReviewAlertView->frame().height());
  back();

  open();
  EXPECT_EQ(v().ReviewAlertView->alpha(), 1) << "a later visit shows the prompt at once";
  env.advance(0.6);
  EXPECT_EQ(manager->ratingShowCounter, 2);
  menu->animateHideReviewAlert();
  env.advance(0.5);
  EXPECT_EQ(v().ReviewAlertView->alpha(), 0);
  EXPECT_EQ(v().favoriteTable->contentInset().bottom, 0);
  back();

  for (const auto& [counter, rated] : {std::pair{15, false}, std::pair{3, true}}) {
    writeGuideSettings(30, 700, counter, rated);
    open();
    env.advance(1);
    EXPECT_EQ(v().ReviewAlertView->alpha(), 0) << counter << (rated ? " rated" : "");
    back();
  }
}

// The prompt reaches into the bottom safe area; however far the list is scrolled, the last of nine
// saved packages must come out from under it, on the visit it slides in and on a later one.
TEST_F(SetupMenuTest, TheLastSavedPackageScrollsClearOfTheRatingPrompt) {
  for (int i = 1; i <= 9; ++i) ASSERT_TRUE(SavedPackages::save(*state(), "Kit " + std::to_string(i)));
  writeGuideSettings(30, 700, 0, false);
  for (const char* visit : {"sliding in", "shown at once"}) {
    open();
    env.advance(2);
    tap(*v().menuFavorites);
    env.advance(0.5);
    ASSERT_EQ(v().ReviewAlertView->alpha(), 1) << visit;
    auto& table = *v().favoriteTable;
    table.setContentOffset(table.maximumContentOffset());
    layOut();
    auto last = table.cellForRowAtIndexPath(IndexPath::forRow(8, 0));
    ASSERT_TRUE(last) << visit;
    const auto prompt = v().ReviewAlertView->convertRectTo(v().ReviewAlertView->bounds(), nullptr);
    EXPECT_LE(last->convertRectTo(last->bounds(), nullptr).maxY(), prompt.minY() + 1e-9) << visit;
    EXPECT_GT(prompt.height(), Menu::kReviewAlertHeight) << "the phone has a bottom safe area";
    back();
  }
}

TEST_F(SetupMenuTest, TheScreensReachTheGuideThroughTheApplicationDelegate) {
  auto delegate = std::make_shared<state::AppDelegate>();
  // Made on first use and kept: the one manager of the application.
  EXPECT_EQ(delegate->getInteractiveGuide(), settings::InteractiveGuideManager::getSingleton());
  EXPECT_EQ(delegate->interactiveGuideObject, settings::InteractiveGuideManager::getSingleton());

  auto held = std::make_shared<settings::InteractiveGuideManager>();
  delegate->interactiveGuideObject = held;
  auto application = platform::ui::Application::sharedApplication();
  const auto previous = application->delegate();
  application->setDelegate(delegate);
  const auto registersWithTheDelegatesManager = [&](int constant) {
    EXPECT_TRUE(held->isRegistered()) << constant;
    EXPECT_EQ(held->currentViewName, constant);
    EXPECT_FALSE(settings::InteractiveGuideManager::getSingleton()->isRegistered()) << constant;
    back();
    EXPECT_FALSE(held->isRegistered()) << constant;
  };
  open();
  registersWithTheDelegatesManager(Menu::kGuideScreen);
  push(platform::ui::make<CameraModeAspectViewController>());
  registersWithTheDelegatesManager(CameraModeAspectViewController::kGuideScreen);
  push(platform::ui::make<LensAdapterViewController>());
  registersWithTheDelegatesManager(LensAdapterViewController::kGuideScreen);
  application->setDelegate(previous);
}

}  // namespace

}  // namespace app::setup

