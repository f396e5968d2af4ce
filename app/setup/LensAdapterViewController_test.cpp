// The lens-adapter picker driven by touches and typing, against the real adapter and package catalogues.
#include <gtest/gtest.h>

#include "app/kit/KitTestSupport.h"
#include "app/kit/UIConstants.h"
#include "app/setup/LensAdapterViewController.h"
#include "app/setup/SavedPackages.h"
#include "app/setup/SetupForm.h"
#include "app/setup/SetupPause.h"
#include "app/setup/SetupScreenTestSupport.h"
#include "app/storage/OpenCatalogue.h"
#include "app/storage/PackageDatabaseHelper.h"
#include "app/storage/PackageUtil.h"
#include "app/storage/LensAdapterCatalogue.h"
#include "platform/log/Log.h"
#include "platform/ui/SwipeActionsConfiguration.h"

namespace app::setup {

namespace {

using ostrel::testing::bytes;
using app::storage::OpenCatalogue;
using platform::ui::IndexPath;

class LensAdapterPickerTest : public ::testing::Test, public ostrel::testing::SetupScreenFixture {
 protected:
  LensAdapterPickerTest() {
    screen = platform::ui::make<LensAdapterViewController>();
    push(screen);
  }
  const LensAdapterViewController::Views& v() const { return screen->views(); }
  bool onScreen() const { return navigation->topViewController() == screen; }
  int rowOf(const std::string& name) const {
    const auto& items = screen->lensAdapterItems();
    for (size_t i = 0; i < items.size(); ++i) {
      if (items[i].adapterName == name) return static_cast<int>(i);
    }
    return -1;
  }
  static model::LensAdapterRecord selectedInCatalogue() {
    OpenCatalogue<storage::LensAdapterCatalogue> adapters;
    return adapters->getSelectedLensAdapter();
  }
  int editedAdapterId() const { return state()->currentPackage->lensAdapter->adapterId; }
  // Opens the form, types the factor and the name, sets the toggle, and saves.
  void create(const std::string& factor, const std::string& name, bool anamorphic) {
    tap(*v().createNewBtn->button());
    env.advance(0.3);
    tap(*v().adapterValueField);
    type(factor);
    tap(*v().adapterNameField);
    type(name);
    if (anamorphic) tap(*v().anamorphicBtn);
    tap(*v().saveBtn->button());
    env.advance(0.3);
  }
  void tapRow(int row) {
    v().adapterTableView->scrollToRowAtIndexPath(IndexPath::forRow(row, 0), platform::ui::TableViewScrollPosition::Middle,
                                                 false);
    env.advance(0.1);
    layOut();
    tap(*v().adapterTableView->cellForRowAtIndexPath(IndexPath::forRow(row, 0)));
  }
  static bool marked(const platform::ui::TextField& field) { return app::setup::isMarkedInputError(field); }

  std::shared_ptr<LensAdapterViewController> screen;
};

TEST_F(LensAdapterPickerTest, ListsTheCatalogueWithTheCommittedAdapterChosen) {
  const auto& items = screen->lensAdapterItems();
  ASSERT_GT(items.size(), 3u);
  EXPECT_EQ(items.front().adapterName, "None") << "the no-adapter row comes first";
  EXPECT_EQ(screen->currentAdapterID, editedAdapterId());
  const auto selected = v().adapterTableView->indexPathForSelectedRow();
  ASSERT_TRUE(selected);
  EXPECT_EQ(items[selected->row].adapterId, editedAdapterId());
  auto none = std::dynamic_pointer_cast<CameraSetupLensAdapterCell>(
      v().adapterTableView->cellForRowAtIndexPath(IndexPath::forRow(0, 0)));
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->crop()->isHidden()) << "an adapter of width 1 shows no factor";
  EXPECT_FALSE(screen->tableViewCanEditRowAtIndexPath(*v().adapterTableView, IndexPath::forRow(1, 0)))
      << "catalogue adapters cannot be swiped";
}

TEST_F(LensAdapterPickerTest, ATapCommitsTheAdapterAndCloses) {
  const int row = 2;
  const model::LensAdapterRecord chosen = screen->lensAdapterItems()[row];
  tapRow(row);
  // The pick shows before the screen goes, and meanwhile no touch reaches the closing screen.
  EXPECT_TRUE(onScreen());
  EXPECT_EQ(v().adapterTableView->indexPathForSelectedRow(), IndexPath::forRow(row, 0));
  EXPECT_TRUE(window->isRefusingTouches());
  using ViewPointer = std::shared_ptr<platform::ui::View>;
  const ViewPointer otherRow = v().adapterTableView->cellForRowAtIndexPath(IndexPath::forRow(row + 1, 0));
  for (const ViewPointer& other : {otherRow, ViewPointer(v().exitBtn)}) {
    ASSERT_TRUE(other);
    window->touchDown(centreOf(*other));
    window->touchUp(centreOf(*other));
  }
  EXPECT_EQ(selectedInCatalogue().adapterId, chosen.adapterId) << "a second tap during the pause is not a pick";
  EXPECT_TRUE(onScreen());
  // tap() let 0.05 s of the pause go by after the finger lifted.
  env.advance(app::setup::SetupPause::kFinalPick - 0.05 - 0.001);
  EXPECT_TRUE(onScreen());
  env.advance(0.002);
  EXPECT_FALSE(onScreen());
  EXPECT_FALSE(window->isRefusingTouches());
  env.advance(1);
  EXPECT_EQ(navigation->viewControllers().size(), 1u) << "one close, not two";
  EXPECT_EQ(selectedInCatalogue().adapterId, chosen.adapterId);
  EXPECT_EQ(editedAdapterId(), chosen.adapterId);
  EXPECT_EQ(state()->packageOne->lensAdapter->adapterId, chosen.adapterId) << "package one is being edited";
  EXPECT_FALSE(onScreen());
}

TEST_F(LensAdapterPickerTest, NewAdaptersAreStoredSelectedAndTheScreenStays) {
  create("0.65", "Reducer", false);
  EXPECT_TRUE(onScreen());
  model::LensAdapterRecord reducer = selectedInCatalogue();
  EXPECT_EQ(reducer.adapterName, "Reducer");
  EXPECT_FLOAT_EQ(reducer.adapterValueWidth, 0.65f);
  EXPECT_FLOAT_EQ(reducer.adapterValueHeight, 0.65f);
  EXPECT_EQ(reducer.adapterType, 1);
  EXPECT_EQ(editedAdapterId(), reducer.adapterId);
  EXPECT_EQ(v().customAdapterView->alpha(), 0) << "a save closes the form";
  EXPECT_TRUE(v().adapterValueField->text().empty());

  create("2", "Front Anamorphic", true);
  const model::LensAdapterRecord ana = selectedInCatalogue();
  EXPECT_EQ(ana.adapterName, "Front Anamorphic");
  EXPECT_FLOAT_EQ(ana.adapterValueWidth, 0.5f);
  EXPECT_FLOAT_EQ(ana.adapterValueHeight, 1.0f);
  const int row = rowOf("Front Anamorphic");
  ASSERT_GE(row, 0);
  v().adapterTableView->scrollToRowAtIndexPath(IndexPath::forRow(row, 0), platform::ui::TableViewScrollPosition::Middle,
                                               false);
  env.advance(0.1);
  layOut();
  auto cell = std::dynamic_pointer_cast<CameraSetupLensAdapterCell>(
      v().adapterTableView->cellForRowAtIndexPath(IndexPath::forRow(row, 0)));
  ASSERT_TRUE(cell);
  EXPECT_EQ(cell->crop()->text(), "2x ANA | CUSTOM");
  EXPECT_TRUE(cell->isSelected()) << "the new adapter is the package's";

  create("1,33", "Comma", false);
  EXPECT_FLOAT_EQ(selectedInCatalogue().adapterValueWidth, 1.33f);

  // Past ten times: an extender of twelve is stored as any other.
  create("12", "Twelve", false);
  EXPECT_EQ(selectedInCatalogue().adapterName, "Twelve");
  EXPECT_FLOAT_EQ(selectedInCatalogue().adapterValueWidth, 12.0f);
  EXPECT_EQ(v().customAdapterView->alpha(), 0) << "a save closes the form";
}

// The form says what a factor may be; a factor beyond it is marked like any other bad input, and the
// package keeps its adapter.
TEST_F(LensAdapterPickerTest, BadInputIsMarkedAndNothingStored) {
  EXPECT_EQ(v().customAdapterFactorLabel->text(), "FACTOR (0.1–100)");
  const size_t before = screen->lensAdapterItems().size();
  const int adapter = editedAdapterId();
  struct Case {
    const char* factor;
    const char* name;
    bool factorMarked, nameMarked;
  };
  const Case cases[] = {
      {"0", "Zero", true, false}, {"abc", "Letters", true, false}, {"2x", "Unit", true, false},
      {"", "Empty", true, false}, {"0.7", "", false, true},       {"-2", "Negative", true, false},
      {"0.09", "Tiny", true, false}, {"100.5", "Huge", true, false}, {"1e9", "Absurd", true, false},
      {"nan", "Not a number", true, false}, {"1e39", "Endless", true, false},
  };
  for (const auto& c : cases) {
    create(c.factor, c.name, false);
    EXPECT_EQ(marked(*v().adapterValueField), c.factorMarked) << c.factor << " / " << c.name;
    EXPECT_EQ(marked(*v().adapterNameField), c.nameMarked) << c.factor << " / " << c.name;
    EXPECT_EQ(v().customAdapterView->alpha(), 1) << "the form stays open";
    tap(*v().searchCancelBtn);
    env.advance(0.3);
  }
  EXPECT_EQ(screen->lensAdapterItems().size(), before);
  EXPECT_EQ(editedAdapterId(), adapter);
  EXPECT_FALSE(marked(*v().adapterValueField)) << "cancel clears the marks";
}

TEST_F(LensAdapterPickerTest, AFailedWriteKeepsTheFormCommitsNothingAndSaysSoOnScreen) {
  refuse<storage::LensAdapterCatalogue>("INSERT", {"QuorvelLensAdapter"});
  const int before = editedAdapterId();
  const size_t rows = screen->lensAdapterItems().size();
  platform::log::CapturedLines log;
  create("0.71", "Lost", false);
  EXPECT_EQ(v().customAdapterView->alpha(), 1) << "the form stays open";
  EXPECT_EQ(v().adapterNameField->text(), "Lost");
  EXPECT_EQ(editedAdapterId(), before);
  EXPECT_EQ(screen->lensAdapterItems().size(), rows);
  EXPECT_TRUE(log.contains("The adapter \"Lost\" could not be stored"));

  // Drawn over the form, not only put in the view tree: the notice's red title is in the picture.
  ASSERT_TRUE(screen->saveFailure().isShown());
  const auto& title = *screen->saveFailure().alert()->alertTitle();
  const auto frame = title.convertRectTo(title.bounds(), nullptr);
  auto image = render();
  const double scale = window->scale();
  int red = 0;
  for (double y = frame.minY(); y < frame.maxY(); y += 0.5) {
    for (double x = frame.minX(); x < frame.maxX(); x += 0.5) {
      red += bytes(image->pixel(static_cast<int>(x * scale), static_cast<int>(y * scale))) ==
                     bytes(kit::UIConstants::redWarning())
                 ? 1
                 : 0;
    }
  }
  EXPECT_GT(red, 20);
  expectToldNotStored(screen->saveFailure(), "The adapter \"Lost\"");
  EXPECT_EQ(v().customAdapterView->alpha(), 1);

  // Once the catalogue takes it, the same form stores it and closes.
  allow<storage::LensAdapterCatalogue>("INSERT", {"QuorvelLensAdapter"});
  tap(*v().saveBtn->button());
  env.advance(0.3);
  EXPECT_EQ(v().customAdapterView->alpha(), 0);
  EXPECT_EQ(screen->lensAdapterItems().size(), rows + 1);
  EXPECT_FALSE(screen->saveFailure().isShown());
}

// A pick the adapter catalogue refuses keeps the package's adapter; once the catalogue takes writes
// again (another program let go of it) the next pick is stored and taken, and the picker closes.
TEST_F(LensAdapterPickerTest, APickTheCatalogueTakesAfterARefusalIsTaken) {
  refuse<storage::LensAdapterCatalogue>("UPDATE", {"QuorvelLensAdapter"});
  const int before = editedAdapterId();
  tapRow(2);
  env.advance(1);
  expectToldNotStored(screen->saveFailure(), "The adapter choice");
  EXPECT_TRUE(onScreen());
  EXPECT_EQ(editedAdapterId(), before);
  allow<storage::LensAdapterCatalogue>("UPDATE", {"QuorvelLensAdapter"});
  const int chosen = screen->lensAdapterItems()[3].adapterId;
  tapRow(3);
  env.advance(1);
  EXPECT_FALSE(onScreen());
  EXPECT_EQ(editedAdapterId(), chosen);
  EXPECT_EQ(state()->packageOne->lensAdapter->adapterId, chosen);
}

// A package the package catalogue refuses: a pick and a new adapter are each said NOT SAVED, and the
// picker stays open under the notice.
TEST_F(LensAdapterPickerTest, APackageThePackageCatalogueRefusesIsSaidNotSaved) {
  refusePackageWrites();
  const int chosen = screen->lensAdapterItems()[2].adapterId;
  tapRow(2);
  env.advance(1);
  EXPECT_TRUE(onScreen());
  expectToldNotStored(screen->saveFailure(), "The package");
  EXPECT_EQ(editedAdapterId(), chosen) << "shown as chosen";
  create("0.71", "Reducer", false);
  EXPECT_EQ(v().customAdapterView->alpha(), 0) << "the adapter itself is stored";
  expectToldNotStored(screen->saveFailure(), "The package");
  EXPECT_TRUE(onScreen());
}

TEST_F(LensAdapterPickerTest, TheMarkIsARedBorderOnScreen) {
  create("abc", "Letters", false);
  auto image = render();
  ASSERT_TRUE(image);
  const auto frame = v().adapterValueField->convertRectTo(v().adapterValueField->bounds(), nullptr);
  const double scale = window->scale();
  // The left edge of the field, half-way down, lies on the 2-point border.
  const auto pixel = image->pixel(static_cast<int>((frame.minX() + 1) * scale), static_cast<int>(frame.midY() * scale));
  EXPECT_EQ(bytes(pixel), bytes(kit::UIConstants::redWarning()));
}

TEST_F(LensAdapterPickerTest, DeletingTheCommittedAdapterFallsBackToAdapterOneEverywhere) {
  create("0.71", "Booster", false);
  const int booster = selectedInCatalogue().adapterId;
  // A saved package and the other slot on the new adapter.
  ASSERT_TRUE(app::setup::SavedPackages::save(*state(), "On booster"));
  state()->packageTwo->lensAdapter = state()->currentPackage->lensAdapter;

  const int row = rowOf("Booster");
  ASSERT_TRUE(screen->tableViewCanEditRowAtIndexPath(*v().adapterTableView, IndexPath::forRow(row, 0)));
  auto configuration = screen->tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(
      *v().adapterTableView, IndexPath::forRow(row, 0));
  ASSERT_TRUE(configuration);
  EXPECT_FALSE(configuration->performsFirstActionWithFullSwipe());
  ASSERT_EQ(configuration->actions().size(), 1u);
  EXPECT_EQ(configuration->actions().front()->title(), "Delete");
  auto source = platform::ui::make<platform::ui::View>();
  configuration->actions().front()->handler()(*configuration->actions().front(), *source, {});

  EXPECT_EQ(rowOf("Booster"), -1);
  EXPECT_EQ(selectedInCatalogue().adapterId, 1);
  EXPECT_EQ(editedAdapterId(), 1);
  EXPECT_EQ(state()->packageOne->lensAdapter->adapterId, 1);
  EXPECT_EQ(state()->packageTwo->lensAdapter->adapterId, 1) << "the other slot is mended too";
  const auto saved = app::setup::SavedPackages::list(app::setup::SavedPackages::kRecent);
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved.front().lensAdapter->adapterId, 1);
  EXPECT_NE(booster, 1);
}

// The adapter catalogue deletes nothing (read-only, or locked by another program): the committed adapter
// stays listed and the package's, the saved package keeps it, and the delete is said not to have happened.
TEST_F(LensAdapterPickerTest, ADeleteTheCatalogueRefusesIsSaidAndChangesNothing) {
  create("0.71", "Booster", false);
  const int booster = selectedInCatalogue().adapterId;
  ASSERT_TRUE(app::setup::SavedPackages::save(*state(), "On booster"));
  refuseDeletes<storage::LensAdapterCatalogue>({"QuorvelLensAdapter"});
  auto configuration = screen->tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(
      *v().adapterTableView, IndexPath::forRow(rowOf("Booster"), 0));
  ASSERT_TRUE(configuration);
  auto source = platform::ui::make<platform::ui::View>();
  configuration->actions().front()->handler()(*configuration->actions().front(), *source, {});

  expectToldNotDeleted(screen->saveFailure(), "The adapter \"Booster\"");
  EXPECT_NE(rowOf("Booster"), -1);
  EXPECT_EQ(selectedInCatalogue().adapterId, booster);
  EXPECT_EQ(editedAdapterId(), booster);
  const auto saved = app::setup::SavedPackages::list(app::setup::SavedPackages::kRecent);
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved.front().lensAdapter->adapterId, booster);
}

TEST_F(LensAdapterPickerTest, DeletingAnotherAdapterKeepsTheCommittedOne) {
  create("0.71", "Spare", false);
  create("0.8", "Kept", false);
  const int kept = selectedInCatalogue().adapterId;
  const int row = rowOf("Spare");
  auto configuration = screen->tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(
      *v().adapterTableView, IndexPath::forRow(row, 0));
  auto source = platform::ui::make<platform::ui::View>();
  configuration->actions().front()->handler()(*configuration->actions().front(), *source, {});
  EXPECT_EQ(rowOf("Spare"), -1);
  EXPECT_EQ(editedAdapterId(), kept);
}

// The package catalogue will not move a saved package off a deleted adapter: the adapter and the saved
// packages change in one step, so neither changes, and the person is told the adapter stays.
TEST_F(LensAdapterPickerTest, ADeleteTheSavedPackagesCannotFollowWaitsWhole) {
  create("0.71", "Spare", false);
  ASSERT_TRUE(app::setup::SavedPackages::save(*state(), "On spare"));
  const int spare = editedAdapterId();
  create("0.8", "Kept", false);
  refuseSavedPackageChanges("UPDATE", "PackageData");
  auto configuration = screen->tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(
      *v().adapterTableView, IndexPath::forRow(rowOf("Spare"), 0));
  auto source = platform::ui::make<platform::ui::View>();
  configuration->actions().front()->handler()(*configuration->actions().front(), *source, {});
  expectToldNotDeleted(screen->saveFailure(), "The adapter \"Spare\"");
  EXPECT_NE(rowOf("Spare"), -1);
  const auto saved = storage::PackageUtil::getAllPackages();
  ASSERT_EQ(saved.size(), 1u);
  ASSERT_TRUE(saved.front().lensAdapter);
  EXPECT_EQ(saved.front().lensAdapter->adapterId, spare);
}

TEST_F(LensAdapterPickerTest, ExitCommitsWhatTheCatalogueHasSelected) {
  const model::LensAdapterRecord other = screen->lensAdapterItems()[3];
  {
    OpenCatalogue<storage::LensAdapterCatalogue> adapters;
    ASSERT_TRUE(adapters->selectOnlyAdapter(other.adapterId));
  }
  tap(*v().exitBtn);
  env.advance(1);
  EXPECT_FALSE(onScreen());
  EXPECT_EQ(editedAdapterId(), other.adapterId);
}

}  // namespace

}  // namespace app::setup

