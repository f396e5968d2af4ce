// The lens picker driven by touches and typing over the real lens and package catalogues.
#include "app/setup/LensesFocalLengthsViewController.h"

#include <gtest/gtest.h>

#include "app/kit/PackageAlerts.h"
#include "app/kit/UIConstants.h"
#include "app/setup/LensCells.h"
#include "app/setup/LensFormValues.h"
#include "app/setup/LensPickerTestSupport.h"
#include "app/setup/SetupListCells.h"
#include "app/setup/SetupScreenTestSupport.h"
#include "app/storage/OpenCatalogue.h"
#include "app/storage/PackageUtil.h"
#include "platform/ui/SwipeActionsConfiguration.h"

namespace app::setup {

namespace {

using Env = ostrel::testing::LensPickerTestEnvironment;
using platform::ui::IndexPath;
using LensCatalogue = app::storage::OpenCatalogue<storage::LensDatabaseHelper>;

class LensPickerTest : public ::testing::Test, public ostrel::testing::SetupScreenFixture {
 protected:
  LensPickerTest() {
    primes = Env::addSeries("Aaa Primes", 1.0f);
    Env::addLens(primes, 24);
    first35 = Env::addLens(primes, 35);
    second35 = Env::addLens(primes, 35);
    zooms = Env::addSeries("Aaa Zooms", 1.0f, "Zoom Lens");
    shortZoom = Env::addLens(zooms, 24, 70, "Zoom Lens");
    longZoom = Env::addLens(zooms, 70, 200, "Zoom Lens");
    empty = Env::addSeries("Aaa Empty", 1.0f);
  }

  void open(bool onLensList = false) {
    screen = platform::ui::make<LensesFocalLengthsViewController>();
    screen->canSelectLenses = onLensList;
    screen->startWithLensList = onLensList;
    push(screen);
    entrySeries = editedSeries();
  }
  // The form for a lens added to `series`, from the lens list as the lenses row opens it.
  void openLensForm(int series) {
    open();
    tapSeries(series);
    open(true);
    tap(*v().createNewBtn->button());
    env.advance(0.5);
  }
  const app::setup::LensPickerViews& v() const { return screen->views(); }
  bool onScreen() const { return navigation->topViewController() == screen; }
  static int editedSeries() {
    const auto& package = state()->currentPackage;
    return package && package->lensManufacturer ? package->lensManufacturer->manufacturerId : 0;
  }
  static std::vector<float> editedFocalLengths() {
    std::vector<float> focals;
    for (const auto& lens : state()->currentPackage->lensSet) focals.push_back(lens.focalLength);
    return focals;
  }
  static int selectedSeriesInCatalogue() {
    LensCatalogue lenses;
    auto series = lenses->getSelectedLensManufacturer();
    return series ? series->manufacturerId : 0;
  }
  void tapRow(platform::ui::TableView& table, const IndexPath& indexPath) {
    table.scrollToRowAtIndexPath(indexPath, platform::ui::TableViewScrollPosition::Middle, false);
    env.advance(0.1);
    layOut();
    auto cell = table.cellForRowAtIndexPath(indexPath);
    ASSERT_TRUE(cell) << indexPath.section << "/" << indexPath.row;
    tap(*cell);
    if (window->isRefusingTouches()) ++pauses;
    env.advance(0.5);
  }
  void tapSeries(int id) {
    auto at = screen->seriesList().indexPathOf(id);
    ASSERT_TRUE(at) << "series " << id << " is not listed";
    tapRow(*v().lensSeriesTableView, *at);
  }
  void tapLens(int lensId) {
    const auto& lenses = screen->lensItems();
    for (size_t row = 0; row < lenses.size(); ++row) {
      if (lenses[row].lensId == lensId) return tapRow(*v().focalLengthsTableView, IndexPath::forRow(row, 0));
    }
    ADD_FAILURE() << "lens " << lensId << " is not listed";
  }
  // For a person to look at: the window's picture goes to $OSTREL_SETUP_PNG_DIR when it is set.
  void photograph(const std::string& name) {
    const char* folder = std::getenv("OSTREL_SETUP_PNG_DIR");
    if (!folder) return;
    env.advance(1);
    layOut();
    auto picture = render();
    ASSERT_TRUE(picture && picture->writePNG(std::string(folder) + "/" + name + ".png"));
  }
  bool marked(const platform::ui::TextField& field) const {
    return field.layer().borderWidth() == 2.0 && field.layer().borderColor() == kit::UIConstants::redWarning();
  }
  // Package one on the primes, with 24 and the first 35 mm chosen; saved as "Kept" too.
  void chooseAndSaveTwoPrimes() {
    open();
    tapSeries(primes);
    tapLens(first35);
    auto package = *state()->currentPackage;
    package.packageName = "Kept";
    ASSERT_GT(storage::PackageUtil::savePackage(package), 0);
  }
  void typeInto(platform::ui::TextField& field, const std::string& text) {
    tap(field);
    field.setText("");
    type(text);
  }

  std::shared_ptr<LensesFocalLengthsViewController> screen;
  int pauses = 0;  // taps after which the window refused touches for the final-pick pause
  int primes = 0, first35 = 0, second35 = 0, zooms = 0, shortZoom = 0, longZoom = 0, empty = 0, entrySeries = 0;
};

TEST_F(LensPickerTest, OpensOnTheSeriesListWithTheEditedSeriesChosen) {
  open();
  EXPECT_EQ(screen->menuPosition, 1);
  EXPECT_EQ(screen->currentLensManufacturerID, entrySeries);
  EXPECT_EQ(v().topBarTitleLabel->text(), "LENS SERIES");
  EXPECT_FALSE(v().lensSeriesTableView->sectionIndexTitles().empty());
  const auto selected = v().lensSeriesTableView->indexPathForSelectedRow();
  ASSERT_TRUE(selected);
  EXPECT_EQ(screen->seriesList().seriesAt(*selected)->manufacturerId, entrySeries);
  const auto row = *screen->seriesList().indexPathOf(primes);
  v().lensSeriesTableView->scrollToRowAtIndexPath(row, platform::ui::TableViewScrollPosition::Middle, false);
  layOut();
  auto cell = std::dynamic_pointer_cast<ManufacturerCell>(v().lensSeriesTableView->cellForRowAtIndexPath(row));
  ASSERT_TRUE(cell);
  EXPECT_EQ(cell->title->text(), "Aaa Primes ");
  EXPECT_EQ(cell->anaFactorLabel->text(), "CUSTOM");
  photograph("lens-picker-series");
}

TEST_F(LensPickerTest, PrimeTapsKeepOneLensPerFocalLengthAndNeverNone) {
  open();
  tapSeries(primes);
  EXPECT_EQ(screen->menuPosition, 2);
  EXPECT_EQ(editedSeries(), primes);
  EXPECT_EQ(pauses, 1);
  EXPECT_EQ(editedFocalLengths(), (std::vector<float>{24})) << "a series without a selection gets its shortest lens";
  EXPECT_EQ(v().topBarTitleLabel->text(), "SELECT LENSES");
  EXPECT_EQ(v().backBtn->alpha(), 1.0);

  tapLens(first35);
  tapLens(second35);
  EXPECT_EQ(editedFocalLengths(), (std::vector<float>{24, 35}));
  EXPECT_EQ(state()->currentPackage->lensSet.back().lensId, second35);
  EXPECT_EQ(v().primeLensCountLabel->text(), "2 Lenses");
  EXPECT_EQ(v().backBtn->alpha(), 0.0) << "after a lens change the visit ends by Done";

  // Tapping both selected rows again: the last one going brings the shortest back.
  tapLens(second35);
  EXPECT_EQ(editedFocalLengths(), (std::vector<float>{24}));
  tapLens(screen->lensItems().front().lensId);
  EXPECT_EQ(editedFocalLengths(), (std::vector<float>{24}));
  EXPECT_EQ(v().primeLensCountLabel->text(), "1 Lens");
  EXPECT_TRUE(onScreen());

  tap(*v().doneBtn->button());
  EXPECT_FALSE(onScreen());
}

TEST_F(LensPickerTest, AZoomTapSelectsOnlyThatLensAndCloses) {
  open();
  tapSeries(zooms);
  EXPECT_EQ(v().topBarTitleLabel->text(), "SELECT LENS");
  EXPECT_FALSE(v().focalLengthsTableView->allowsMultipleSelection());
  tapLens(longZoom);
  EXPECT_FALSE(onScreen());
  EXPECT_EQ(pauses, 2);
  ASSERT_EQ(state()->currentPackage->lensSet.size(), 1u);
  EXPECT_EQ(state()->currentPackage->lensSet[0].lensId, longZoom);
  EXPECT_EQ(Env::selectedFocalLengths(zooms), (std::vector<float>{70}));
}

TEST_F(LensPickerTest, BackAndExitRestoreTheEntrySeries) {
  open();
  tapSeries(primes);
  ASSERT_EQ(editedSeries(), primes);
  tap(*v().backBtn);
  env.advance(0.5);
  EXPECT_EQ(screen->menuPosition, 1);
  EXPECT_EQ(editedSeries(), entrySeries);
  EXPECT_EQ(selectedSeriesInCatalogue(), entrySeries);
  const auto selected = v().lensSeriesTableView->indexPathForSelectedRow();
  ASSERT_TRUE(selected);
  EXPECT_EQ(screen->seriesList().seriesAt(*selected)->manufacturerId, entrySeries);

  tapSeries(zooms);
  ASSERT_EQ(editedSeries(), zooms);
  screen->exitButtonPressed();
  env.advance(0.5);
  EXPECT_FALSE(onScreen());
  EXPECT_EQ(editedSeries(), entrySeries);
}

// Like every tap on a row, it takes back and exit away; a series with lenses then leads on to them.
TEST_F(LensPickerTest, ASeriesWithoutLensesCannotBeChosenAndHidesBackAndExit) {
  open();
  tapSeries(empty);
  EXPECT_EQ(screen->menuPosition, 1);
  EXPECT_EQ(editedSeries(), entrySeries);
  EXPECT_EQ(selectedSeriesInCatalogue(), entrySeries);
  EXPECT_EQ(pauses, 0);
  EXPECT_EQ(v().exitBtn->alpha(), 0.0);
  EXPECT_EQ(v().backBtn->alpha(), 0.0);
  const auto selected = v().lensSeriesTableView->indexPathForSelectedRow();
  ASSERT_TRUE(selected);
  EXPECT_EQ(screen->seriesList().seriesAt(*selected)->manufacturerId, entrySeries);

  tapSeries(primes);
  ASSERT_EQ(screen->menuPosition, 2);
  EXPECT_EQ(v().backBtn->alpha(), 1.0);
  screen->backButtonPressed();
  env.advance(0.5);
  EXPECT_EQ(screen->menuPosition, 1);
  EXPECT_EQ(v().exitBtn->alpha(), 1.0);
  EXPECT_EQ(editedSeries(), entrySeries);
}

TEST_F(LensPickerTest, FilterPairsExcludeEachOtherAndTheLensPageClearsThem) {
  const int squeezed = Env::addSeries("Aaa Squeezed", 1.33f);
  Env::addLens(squeezed, 50);
  const int any = Env::addSeries("Aaa Any", -1.0f);
  open();
  tap(*v().filterLensesBtn);
  env.advance(0.5);
  ASSERT_TRUE(screen->filterMenu().filterMenuOpen);
  tap(*v().filterLensesSphericalBtn);
  EXPECT_TRUE(screen->filters().spherical);
  EXPECT_TRUE(screen->seriesList().indexPathOf(primes));
  EXPECT_TRUE(screen->seriesList().indexPathOf(any));
  EXPECT_FALSE(screen->seriesList().indexPathOf(squeezed));
  tap(*v().filterLensesAnamorphicBtn);
  EXPECT_FALSE(screen->filters().spherical);
  EXPECT_TRUE(screen->filters().anamorphic);
  photograph("lens-picker-filters");
  EXPECT_TRUE(screen->seriesList().indexPathOf(squeezed));
  EXPECT_FALSE(screen->seriesList().indexPathOf(primes));
  tap(*v().filterLensesPrimesBtn);
  tap(*v().filterLensesZoomsBtn);
  EXPECT_EQ(screen->filters(), (app::setup::LensFilters{false, true, false, true}));

  tap(*v().filterLensesBtn);  // closing the menu keeps the filters
  env.advance(0.5);
  EXPECT_FALSE(screen->filterMenu().filterMenuOpen);
  tap(*v().filterLensesBtn);
  env.advance(0.5);
  tap(*v().filterLensesZoomsBtn);
  tap(*v().filterLensesBtn);
  env.advance(0.5);
  tapSeries(squeezed);
  EXPECT_EQ(screen->menuPosition, 2);
  EXPECT_FALSE(screen->filters().anyActive());
  EXPECT_TRUE(screen->seriesList().indexPathOf(primes)) << "page 1 was read again without filters";

  // Clearing lets the menu slide away first; only then are the filters gone and the list read again.
  screen->filterLensesAnamorphicBtnPressed();
  ASSERT_FALSE(screen->seriesList().indexPathOf(primes));
  screen->clearLensFilters();
  env.advance(0.1);
  EXPECT_TRUE(screen->filters().anamorphic);
  EXPECT_FALSE(screen->seriesList().indexPathOf(primes));
  env.advance(0.2);
  EXPECT_FALSE(screen->filters().anyActive());
  EXPECT_TRUE(screen->seriesList().indexPathOf(primes));
}

TEST_F(LensPickerTest, SearchCoversTheListAndItsRowsCannotBeSwiped) {
  open();
  tap(*v().searchBtn);
  env.advance(0.5);
  type("aaa  PRIMES");
  ASSERT_TRUE(screen->seriesList().searching());
  ASSERT_EQ(screen->seriesList().results().size(), 1u);
  photograph("lens-picker-search");
  EXPECT_TRUE(v().lensSeriesTableView->sectionIndexTitles().empty());
  EXPECT_FALSE(screen->seriesListSource().tableViewCanEditRowAtIndexPath(*v().lensSeriesTableView, IndexPath::forRow(0, 0)));
  tapRow(*v().lensSeriesTableView, IndexPath::forRow(0, 0));
  EXPECT_EQ(editedSeries(), primes);
  EXPECT_FALSE(screen->seriesList().searching());
}

TEST_F(LensPickerTest, OnlyTheUsersOwnRowsOfferDeletion) {
  open();
  const auto catalogueRow = screen->seriesList().indexPathOf(250);
  ASSERT_TRUE(catalogueRow);
  EXPECT_FALSE(
      screen->seriesListSource().tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(*v().lensSeriesTableView, *catalogueRow));
  auto mine = screen->seriesListSource().tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(
      *v().lensSeriesTableView, *screen->seriesList().indexPathOf(primes));
  ASSERT_TRUE(mine);
  ASSERT_EQ(mine->actions().size(), 1u);
  EXPECT_EQ(mine->actions()[0]->title(), "Delete");
  EXPECT_EQ(mine->actions()[0]->backgroundColor(), kit::UIConstants::redWarning());
  EXPECT_FALSE(mine->performsFirstActionWithFullSwipe());
}

TEST_F(LensPickerTest, TheLastLensOfASeriesStaysAndSavedPackagesLoseADeletedLens) {
  chooseAndSaveTwoPrimes();

  screen->deleteLensObject(screen->lensItems()[1]);
  EXPECT_EQ(Env::lensesOf(primes).size(), 2u);
  auto saved = storage::PackageUtil::getAllPackages();
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0].lensSet.size(), 1u) << "the saved package lost the deleted lens";

  screen->deleteLensObject(screen->lensItems()[0]);
  ASSERT_EQ(screen->lensItems().size(), 1u);
  EXPECT_FALSE(screen->lastLensAlert());
  screen->deleteLensObject(screen->lensItems()[0]);
  EXPECT_EQ(Env::lensesOf(primes).size(), 1u);
  ASSERT_TRUE(screen->lastLensAlert());
  EXPECT_EQ(screen->lastLensAlert()->alertTitle()->text(), "CANNOT DELETE");
  EXPECT_EQ(screen->lastLensAlert()->alertTitle()->textColor(), kit::UIConstants::redWarning());
  screen->okClickFromAlert(*screen->lastLensAlert());
}

// The package catalogue will not take a deleted lens out of the saved package: the lens and the saved
// packages change in one step, so neither changes, and the person is told the lens stays.
TEST_F(LensPickerTest, ADeleteTheSavedPackagesCannotFollowWaitsWhole) {
  chooseAndSaveTwoPrimes();
  const auto savedLenses = [] {
    const auto saved = storage::PackageUtil::getAllPackages();
    return saved.size() == 1 ? saved.front().lensSet.size() : 0;
  };
  refuseSavedPackageChanges("DELETE", "PackageLensData");
  screen->deleteLensObject(screen->lensItems()[1]);
  expectToldNotDeleted(screen->saveFailure(), "The lens 35mm");
  EXPECT_EQ(Env::lensesOf(primes).size(), 3u);
  EXPECT_EQ(screen->lensItems().size(), 3u);
  EXPECT_EQ(savedLenses(), 2u) << "the saved package keeps the lens";

  // So with a series: the saved package on it, which the package catalogue will not delete, keeps it.
  refuseSavedPackageChanges("DELETE", "PackageData");
  screen->deleteManufacturerObject(*screen->seriesList().seriesAt(*screen->seriesList().indexPathOf(primes)));
  expectToldNotDeleted(screen->saveFailure(), "The lens series \"Aaa Primes\"");
  EXPECT_TRUE(screen->seriesList().indexPathOf(primes));
  EXPECT_EQ(Env::lensesOf(primes).size(), 3u);
  EXPECT_EQ(editedSeries(), primes);
  EXPECT_EQ(savedLenses(), 2u);
}

// The lens catalogue deletes nothing (read-only, or locked by another program): a lens and the series
// the person deletes stay listed, in the edited package and in the saved one, and each refusal is said
// once, as a delete: the choice the catalogue then takes is not said refused.
TEST_F(LensPickerTest, ADeleteTheCatalogueRefusesIsSaidAndChangesNothing) {
  chooseAndSaveTwoPrimes();
  const std::vector<float> focals = editedFocalLengths();
  ASSERT_EQ(focals, (std::vector<float>{24, 35}));
  refuseDeletes<storage::LensDatabaseHelper>({"Lenses", "Manufacturer"});
  const auto savedLenses = [] {
    const auto saved = storage::PackageUtil::getAllPackages();
    return saved.size() == 1 ? saved.front().lensSet.size() : 0;
  };

  screen->deleteLensObject(screen->lensItems()[1]);
  expectToldNotDeleted(screen->saveFailure(), "The lens 35mm");
  EXPECT_EQ(Env::lensesOf(primes).size(), 3u);
  EXPECT_EQ(screen->lensItems().size(), 3u);
  EXPECT_EQ(editedFocalLengths(), focals);
  EXPECT_EQ(savedLenses(), 2u) << "the saved package keeps the lens";

  screen->deleteManufacturerObject(*screen->seriesList().seriesAt(*screen->seriesList().indexPathOf(primes)));
  expectToldNotDeleted(screen->saveFailure(), "The lens series \"Aaa Primes\"");
  EXPECT_TRUE(screen->seriesList().indexPathOf(primes));
  EXPECT_EQ(editedSeries(), primes) << "not the generic primes";
  EXPECT_EQ(Env::lensesOf(primes).size(), 3u) << "the series' lenses go with it or not at all";
  EXPECT_EQ(savedLenses(), 2u) << "the saved package of the series stays";

  tapLens(second35);
  EXPECT_FALSE(screen->saveFailure().isShown());
  EXPECT_EQ(editedFocalLengths(), focals);
}

TEST_F(LensPickerTest, DeletingTheEditedSeriesFallsBackToTheGenericPrimes) {
  open();
  tapSeries(primes);
  screen->backButtonPressed();
  env.advance(0.5);
  tapSeries(primes);
  ASSERT_EQ(editedSeries(), primes);
  screen->deleteManufacturerObject(*screen->seriesList().seriesAt(*screen->seriesList().indexPathOf(zooms)));
  EXPECT_EQ(editedSeries(), primes) << "another series goes without touching the edited one";
  // Package two uses the series too; it is mended, not thrown away at the next start.
  ASSERT_TRUE(state()->packageTwo);
  state()->packageTwo->lensManufacturer = state()->currentPackage->lensManufacturer;
  state()->packageTwo->lensSet = state()->currentPackage->lensSet;
  screen->deleteManufacturerObject(*screen->seriesList().seriesAt(*screen->seriesList().indexPathOf(primes)));
  EXPECT_EQ(editedSeries(), 250);
  EXPECT_EQ(state()->packageTwo->lensManufacturer->manufacturerId, 250);
  EXPECT_FALSE(state()->packageTwo->lensSet.empty());
  EXPECT_EQ(screen->currentLensManufacturerID, 250);
  EXPECT_FALSE(screen->seriesList().indexPathOf(primes));
  EXPECT_FALSE(state()->currentPackage->lensSet.empty());
}

TEST_F(LensPickerTest, ANewSeriesIsStoredWithItsFirstLensOnlyOnceTheLensIsValid) {
  open();
  tap(*v().createNewBtn->button());
  env.advance(0.5);
  ASSERT_TRUE(screen->creatingNewLensSeries);
  tap(*v().saveBtn->button());  // nothing typed: the name is missing
  EXPECT_TRUE(marked(*v().customLensSeriesNameTextField));
  photograph("lens-picker-new-series");
  EXPECT_EQ(screen->menuPosition, 1);

  typeInto(*v().customLensSeriesNameTextField, "Homemade");
  typeInto(*v().customLensSeriesSqueezeTextField, "1,5");
  screen->view()->endEditing(true);
  EXPECT_EQ(v().customLensSeriesSqueezeTextField->text(), "1,5x | Anamorphic");
  tap(*v().saveBtn->button());  // NEXT
  env.advance(0.5);
  ASSERT_EQ(screen->menuPosition, 2);
  ASSERT_TRUE(screen->manufacturerToCreate());
  EXPECT_EQ(screen->manufacturerToCreate()->anamorphotic, 1.5f);
  EXPECT_EQ(v().customPrimeLensLabel->text(), "Add lens to Homemade ");
  photograph("lens-picker-new-series-lens");

  LensCatalogue before;
  const auto seriesBefore = before->getAllCustomManufacturers().size();
  typeInto(*v().customPrimeLensTextField, "35mm");
  tap(*v().saveBtn->button());
  EXPECT_TRUE(marked(*v().customPrimeLensTextField));
  EXPECT_EQ(LensCatalogue()->getAllCustomManufacturers().size(), seriesBefore) << "a refused lens stores nothing";

  typeInto(*v().customPrimeLensTextField, "35,5");
  tap(*v().saveBtn->button());
  EXPECT_TRUE(screen->creatingNewLensSeries) << "until the lens page has slid in";
  env.advance(0.5);
  const auto custom = LensCatalogue()->getAllCustomManufacturers();
  ASSERT_EQ(custom.size(), seriesBefore + 1);
  const int created = editedSeries();
  EXPECT_NE(created, entrySeries);
  LensCatalogue after;
  const auto series = after->getLensManufacturer(created);
  ASSERT_TRUE(series);
  EXPECT_EQ(series->manufacturer, "Homemade");
  EXPECT_EQ(series->origin, 1);
  EXPECT_EQ(series->anamorphotic, 1.5f);
  EXPECT_EQ(editedFocalLengths(), (std::vector<float>{35.5f}));
  EXPECT_EQ(state()->currentPackage->lensSet[0].custom, 1);
  EXPECT_EQ(screen->menuPosition, 2);
  EXPECT_FALSE(screen->creatingNewLensSeries);
  EXPECT_FALSE(screen->manufacturerToCreate());
  EXPECT_EQ(screen->currentLensManufacturerID, created);
  EXPECT_TRUE(onScreen());
}

TEST_F(LensPickerTest, AddedLensesJoinTheEditedSeriesAndAReversedZoomIsTurnedRound) {
  open();
  tapSeries(zooms);
  // The picker closed on the zoom tap; open it again on the lens list, as the lenses row does.
  open(true);
  ASSERT_EQ(screen->menuPosition, 2);
  tap(*v().createNewBtn->button());
  env.advance(0.5);
  ASSERT_FALSE(screen->primeLensSetSelected);
  typeInto(*v().customZoomMinTextField, "50");
  typeInto(*v().customZoomMaxTextField, "-17");
  tap(*v().saveBtn->button());
  EXPECT_TRUE(marked(*v().customZoomMaxTextField));
  EXPECT_FALSE(marked(*v().customZoomMinTextField));
  EXPECT_FALSE(marked(*v().customPrimeLensTextField)) << "only the open form is checked";
  typeInto(*v().customZoomMaxTextField, "17");
  tap(*v().saveBtn->button());
  env.advance(0.5);
  ASSERT_EQ(state()->currentPackage->lensSet.size(), 1u);
  EXPECT_EQ(state()->currentPackage->lensSet[0].focalLength, 17);
  EXPECT_EQ(state()->currentPackage->lensSet[0].focalLengthMax, 50);
  EXPECT_FALSE(screen->newFormatCreation);
}

TEST_F(LensPickerTest, ALensTheCatalogueRefusesLeavesTheFormTheChoicesAndSaysSo) {
  open();
  tapSeries(primes);
  tapLens(first35);
  ASSERT_EQ(editedFocalLengths(), (std::vector<float>{24, 35}));
  refuse<storage::LensDatabaseHelper>("INSERT", {"Lenses"});
  tap(*v().createNewBtn->button());
  env.advance(0.5);
  ASSERT_TRUE(screen->primeLensSetSelected);
  typeInto(*v().customPrimeLensTextField, "35");
  tap(*v().saveBtn->button());
  env.advance(0.5);
  EXPECT_TRUE(screen->newFormatCreation) << "the form stays open";
  expectToldNotStored(screen->saveFailure(), "The new lens");
  EXPECT_EQ(v().customPrimeLensTextField->text(), "35");
  EXPECT_EQ(editedFocalLengths(), (std::vector<float>{24, 35}));
  const auto selected = LensCatalogue()->getSelectedLenses4Manufacturer(primes);
  EXPECT_EQ(selected.size(), 2u) << "the chosen 35 mm is not given up for a lens never stored";

  // A zoom added to the zoom series: the same.
  open();
  tapSeries(zooms);
  tap(*v().createNewBtn->button());
  env.advance(0.5);
  ASSERT_FALSE(screen->primeLensSetSelected);
  typeInto(*v().customZoomMinTextField, "17");
  typeInto(*v().customZoomMaxTextField, "50");
  tap(*v().saveBtn->button());
  env.advance(0.5);
  EXPECT_TRUE(screen->newFormatCreation);
  expectToldNotStored(screen->saveFailure(), "The new lens");
  EXPECT_EQ(v().customZoomMaxTextField->text(), "50");
}

// The lens catalogue takes no selection (read-only, or locked by another program): the series tapped is
// not taken from its stale flags, the package keeps the lenses it had, and the person is told.
TEST_F(LensPickerTest, AChoiceTheCatalogueRefusesLeavesThePackageItsLensesAndSaysSo) {
  const std::vector<float> focals = editedFocalLengths();
  refuse<storage::LensDatabaseHelper>("UPDATE", {"Manufacturer", "Lenses"});
  open();
  tapSeries(zooms);
  ASSERT_TRUE(screen->saveFailure().isShown());
  EXPECT_EQ(screen->saveFailure().alert()->messageLabel()->text(),
            "The lens choice could not be stored. The package keeps the lenses it had.");
  expectToldNotStored(screen->saveFailure(), "The lens choice");
  EXPECT_EQ(editedSeries(), entrySeries);
  EXPECT_EQ(editedFocalLengths(), focals);
}

// Once the catalogue takes writes again (another program let go of it), the series and lenses picked
// are stored and taken, though an earlier choice in the same run was refused.
TEST_F(LensPickerTest, AChoiceTheCatalogueTakesAfterARefusalIsTaken) {
  open();
  tapSeries(zooms);
  ASSERT_EQ(editedSeries(), zooms);
  refuse<storage::LensDatabaseHelper>("UPDATE", {"Manufacturer", "Lenses"});
  // A zoom, which closes the picker once taken, leaves it open under the notice, with back to leave by.
  tapLens(longZoom);
  EXPECT_TRUE(onScreen());
  expectToldNotStored(screen->saveFailure(), "The lens choice");
  EXPECT_EQ(v().backBtn->alpha(), 1.0);
  tap(*v().backBtn);
  env.advance(0.5);
  expectToldNotStored(screen->saveFailure(), "The lens choice");
  ASSERT_EQ(screen->menuPosition, 1);
  EXPECT_EQ(v().exitBtn->alpha(), 1.0);
  tapSeries(primes);
  expectToldNotStored(screen->saveFailure(), "The lens choice");
  ASSERT_EQ(editedSeries(), zooms);
  allow<storage::LensDatabaseHelper>("UPDATE", {"Manufacturer", "Lenses"});
  open();
  tapSeries(primes);
  EXPECT_FALSE(screen->saveFailure().isShown());
  EXPECT_EQ(editedSeries(), primes);
  EXPECT_EQ(selectedSeriesInCatalogue(), primes);
  tapLens(first35);
  EXPECT_EQ(editedFocalLengths(), (std::vector<float>{24, 35}));
  EXPECT_EQ(state()->packageOne->lensManufacturer->manufacturerId, primes) << "package one is being edited";
}

// The package catalogue takes no package: each choice is said NOT SAVED where it is made, and a zoom,
// which closes the picker once taken, leaves it open under the notice.
TEST_F(LensPickerTest, APackageThePackageCatalogueRefusesIsSaidNotSaved) {
  refusePackageWrites();
  open();
  tapSeries(primes);
  expectToldNotStored(screen->saveFailure(), "The package");
  EXPECT_EQ(editedSeries(), primes) << "shown as chosen";
  open();
  tapSeries(zooms);
  expectToldNotStored(screen->saveFailure(), "The package");
  tapLens(longZoom);
  EXPECT_TRUE(onScreen());
  expectToldNotStored(screen->saveFailure(), "The package");
  EXPECT_EQ(pauses, 2) << "the zoom made no pause before a close";
  EXPECT_EQ(v().backBtn->alpha(), 1.0);
  // Opened on the lens list, the page's way out is EXIT; it closes the picker though nothing was stored.
  open(true);
  tapLens(shortZoom);
  EXPECT_TRUE(onScreen());
  expectToldNotStored(screen->saveFailure(), "The package");
  EXPECT_EQ(v().exitBtn->alpha(), 1.0);
  tap(*v().exitBtn);
  env.advance(0.5);
  EXPECT_FALSE(onScreen());
}

TEST_F(LensPickerTest, ANewSeriesTheCatalogueRefusesKeepsItsFormsAndIsStoredOnceWhenTaken) {
  refuse<storage::LensDatabaseHelper>("INSERT", {"Manufacturer"});
  open();
  const auto seriesBefore = LensCatalogue()->getAllCustomManufacturers().size();
  tap(*v().createNewBtn->button());
  env.advance(0.5);
  typeInto(*v().customLensSeriesNameTextField, "Homemade");
  tap(*v().saveBtn->button());  // NEXT
  env.advance(0.5);
  typeInto(*v().customPrimeLensTextField, "35");
  tap(*v().saveBtn->button());
  env.advance(0.5);
  EXPECT_TRUE(screen->creatingNewLensSeries);
  expectToldNotStored(screen->saveFailure(), "The lens series \"Homemade\"");
  EXPECT_EQ(LensCatalogue()->getAllCustomManufacturers().size(), seriesBefore);

  // The series is taken, its first lens is not: the series stays stored for the next SAVE.
  allow<storage::LensDatabaseHelper>("INSERT", {"Manufacturer"});
  refuse<storage::LensDatabaseHelper>("INSERT", {"Lenses"});
  tap(*v().saveBtn->button());
  env.advance(0.5);
  EXPECT_TRUE(screen->creatingNewLensSeries);
  expectToldNotStored(screen->saveFailure(), "The first lens of the lens series \"Homemade\"");
  EXPECT_EQ(LensCatalogue()->getAllCustomManufacturers().size(), seriesBefore + 1);

  allow<storage::LensDatabaseHelper>("INSERT", {"Lenses"});
  tap(*v().saveBtn->button());
  env.advance(0.5);
  EXPECT_FALSE(screen->creatingNewLensSeries);
  EXPECT_FALSE(screen->saveFailure().isShown());
  EXPECT_EQ(LensCatalogue()->getAllCustomManufacturers().size(), seriesBefore + 1);
  EXPECT_EQ(editedFocalLengths(), std::vector<float>{35});
}

TEST_F(LensPickerTest, TheSqueezeFieldShowsItsNumberWhileEditedAndItsKindAfter) {
  open();
  tap(*v().createNewBtn->button());
  env.advance(0.5);
  auto& squeeze = *v().customLensSeriesSqueezeTextField;
  struct Case {
    const char* typed;
    const char* shown;
  } cases[] = {{"1", "1x | Spherical"}, {"", "1x | Spherical"}, {"2", "2x | Anamorphic"}, {"1.0", "1.0x | Spherical"}};
  for (const auto& c : cases) {
    tap(squeeze);
    EXPECT_EQ(squeeze.text().find('x'), std::string::npos) << "while edited only the number shows";
    squeeze.setText("");
    type(c.typed);
    screen->view()->endEditing(true);
    EXPECT_EQ(squeeze.text(), c.shown);
  }
  typeInto(*v().customLensSeriesNameTextField, "Negative");
  for (const char* refused : {"0", "-1", "x", "1e39"}) {
    squeeze.setText(refused);
    tap(*v().saveBtn->button());
    EXPECT_TRUE(marked(squeeze)) << refused;
    EXPECT_EQ(screen->menuPosition, 1) << refused;
  }
}

}  // namespace

namespace {

// The lens page drawn: a chosen prime wears the accent tick at the right edge, an unchosen one none.
TEST_F(LensPickerTest, TheLensPageShowsTheChosenPrimesTicked) {
  open();
  tapSeries(primes);
  tapLens(first35);
  env.advance(1);
  layOut();
  auto picture = render();
  ASSERT_TRUE(picture);
  if (const char* folder = std::getenv("OSTREL_SETUP_PNG_DIR")) {
    ASSERT_TRUE(picture->writePNG(std::string(folder) + "/lens-picker-primes.png"));
  }
  auto& table = *v().focalLengthsTableView;
  const auto tickOf = [&](int row) {
    auto cell =
        std::dynamic_pointer_cast<CameraSetupPrimeLensCell>(table.cellForRowAtIndexPath(IndexPath::forRow(row, 0)));
    EXPECT_TRUE(cell);
    return cell->check->convertPointTo({cell->check->bounds().midX(), cell->check->bounds().midY()}, nullptr);
  };
  // Row 0 is the 24mm (chosen first), row 1 the first 35mm (chosen), row 2 the second 35mm (not chosen).
  const auto scale = picture->pixelWidth() / window->bounds().width();
  const auto inkNear = [&](platform::ui::Point p) {
    int accent = 0;
    for (int dx = -8; dx <= 8; ++dx) {
      for (int dy = -8; dy <= 8; ++dy) {
        const auto c = ostrel::testing::bytes(
            picture->pixel(static_cast<int>((p.x + dx) * scale), static_cast<int>((p.y + dy) * scale)));
        if (c.b > 150 && c.r < 100) ++accent;
      }
    }
    return accent;
  };
  EXPECT_GT(inkNear(tickOf(0)), 3);
  EXPECT_GT(inkNear(tickOf(1)), 3);
  EXPECT_EQ(inkNear(tickOf(2)), 0);
}

}  // namespace

namespace {

// A swipe on the user's own lens reveals Delete; on the series' last lens it brings the alert instead.
TEST_F(LensPickerTest, SwipingTheUsersLensOffersDeleteAndKeepsTheLastOne) {
  open();
  tapSeries(zooms);
  open(true);
  auto& table = *v().focalLengthsTableView;
  const auto swipeDelete = [&](int row) {
    const auto path = IndexPath::forRow(row, 0);
    table.scrollToRowAtIndexPath(path, platform::ui::TableViewScrollPosition::Middle, false);
    env.advance(0.05);
    layOut();
    auto cell = table.cellForRowAtIndexPath(path);
    ASSERT_TRUE(cell);
    swipeLeft(centreOf(*cell), 200);
    const auto buttons = table.swipeActionButtons();
    ASSERT_EQ(buttons.size(), 1u);
    tap(*buttons.front());
    env.advance(0.5);
  };
  swipeDelete(0);
  ASSERT_EQ(Env::lensesOf(zooms).size(), 1u);
  EXPECT_EQ(Env::lensesOf(zooms)[0].lensId, longZoom);
  EXPECT_FALSE(table.isEditing());
  EXPECT_FALSE(screen->lastLensAlert());
  swipeDelete(0);
  EXPECT_EQ(Env::lensesOf(zooms).size(), 1u);
  ASSERT_TRUE(screen->lastLensAlert());
  tap(*screen->lastLensAlert()->okSingleBtn());
  env.advance(1);
  EXPECT_TRUE(onScreen());
}

// A focal length is held to what a lens can have, its bounds in the caption over the fields: a value
// beyond them, zero, a negative or what is no number marks its field and stores nothing, the form staying
// open; the longest lenses made are taken, and so are the bounds themselves.
TEST_F(LensPickerTest, FocalLengthsAreHeldToWhatALensCanHave) {
  openLensForm(zooms);
  ASSERT_FALSE(screen->primeLensSetSelected);
  EXPECT_EQ(v().customZoomLensCaption->text(), "FOCAL LENGTH (1–100000 MM)");
  EXPECT_EQ(v().customZoomLensCaption->window(), window.get());
  {
    // Every lens the app ships, primes and both ends of its zooms, could have been typed.
    LensCatalogue catalogue;
    size_t shipped = 0;
    for (const auto& series : catalogue->getAllLensManufacturers()) {
      for (const auto& lens : catalogue->getAllLensesForManufacturer(series.manufacturerId)) {
        ++shipped;
        for (float end : {lens.focalLength, std::max(lens.focalLength, lens.focalLengthMax)}) {
          EXPECT_TRUE(end >= LensFormValues::kShortestFocalLength && end <= LensFormValues::kLongestFocalLength)
              << series.manufacturer << " " << series.series << " " << end;
        }
      }
    }
    EXPECT_GT(shipped, 500u);
  }
  EXPECT_FALSE(v().customZoomLensCaption->isTruncated());
  const auto stored = LensCatalogue()->getAllLensesForManufacturer(zooms).size();
  const auto edited = editedFocalLengths();
  const struct {
    const char *from, *to;
    bool fromRefused, toRefused;
  } refused[] = {{"70", "1e9", false, true},    {"0,5", "70", true, false},    {"100000.5", "1000000000", true, true},
                 {"0", "-70", true, true},      {"2500", "abc", false, true},  {"nan", "3000", true, false},
                 {"1e39", "", true, true}};
  for (const auto& zoom : refused) {
    typeInto(*v().customZoomMinTextField, zoom.from);
    typeInto(*v().customZoomMaxTextField, zoom.to);
    tap(*v().saveBtn->button());
    env.advance(0.5);
    EXPECT_EQ(marked(*v().customZoomMinTextField), zoom.fromRefused) << zoom.from;
    EXPECT_EQ(marked(*v().customZoomMaxTextField), zoom.toRefused) << zoom.to;
    EXPECT_EQ(LensCatalogue()->getAllLensesForManufacturer(zooms).size(), stored) << zoom.from << " - " << zoom.to;
    EXPECT_EQ(editedFocalLengths(), edited);
    EXPECT_TRUE(screen->newFormatCreation) << "the form stays open";
  }
  // The longest zooms made, and the bounds themselves, in either order.
  const struct {
    const char *from, *to;
    float shortest, longest;
  } taken[] = {{"3000", "2500", 2500, 3000}, {"100000", "1", 1, 100000}};
  for (const auto& zoom : taken) {
    if (!screen->newFormatCreation) openLensForm(zooms);
    typeInto(*v().customZoomMinTextField, zoom.from);
    typeInto(*v().customZoomMaxTextField, zoom.to);
    tap(*v().saveBtn->button());
    env.advance(0.5);
    ASSERT_EQ(state()->currentPackage->lensSet.size(), 1u);
    EXPECT_EQ(state()->currentPackage->lensSet[0].focalLength, zoom.shortest);
    EXPECT_EQ(state()->currentPackage->lensSet[0].focalLengthMax, zoom.longest);
  }
  EXPECT_EQ(LensCatalogue()->getAllLensesForManufacturer(zooms).size(), stored + 2);

  // A prime: the same bounds.
  openLensForm(primes);
  ASSERT_TRUE(screen->primeLensSetSelected);
  EXPECT_EQ(v().customPrimeLensCaption->text(), "FOCAL LENGTH (1–100000 MM)");
  const auto primesStored = LensCatalogue()->getAllLensesForManufacturer(primes).size();
  for (const char* typed : {"1e9", "0", "-5200", "x", ""}) {
    typeInto(*v().customPrimeLensTextField, typed);
    tap(*v().saveBtn->button());
    EXPECT_TRUE(marked(*v().customPrimeLensTextField)) << typed;
    EXPECT_EQ(LensCatalogue()->getAllLensesForManufacturer(primes).size(), primesStored) << typed;
  }
  typeInto(*v().customPrimeLensTextField, "5200");
  tap(*v().saveBtn->button());
  env.advance(0.5);
  EXPECT_EQ(LensCatalogue()->getAllLensesForManufacturer(primes).size(), primesStored + 1);
}

}  // namespace

}  // namespace app::setup

