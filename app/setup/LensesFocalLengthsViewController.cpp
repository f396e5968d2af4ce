#include "app/setup/LensesFocalLengthsViewController.h"

#include "app/kit/PackageAlerts.h"
#include "app/kit/UIConstants.h"
#include "app/model/NumericText.h"
#include "app/setup/LensChoices.h"
#include "app/setup/LensFormValues.h"
#include "app/setup/LensRowTexts.h"
#include "app/setup/OtherSlotRepair.h"
#include "app/setup/PackageStoreNotice.h"
#include "app/setup/SetupControllerUtil.h"
#include "app/setup/SetupForm.h"
#include "app/setup/SetupPause.h"
#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/OpenCatalogue.h"
#include "app/storage/connection/CatalogueDatabase.h"
#include "platform/log/Log.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/LocalizedStrings.h"
#include "platform/ui/NavigationController.h"

using app::model::NumericText;
using app::setup::LensChoices;
using app::setup::LensPickerLayout;
using platform::ui::LocalizedStrings;
using platform::ui::make;

namespace app::setup {

using LensCatalogue = app::storage::OpenCatalogue<storage::LensDatabaseHelper>;

namespace {

std::string screenText(const char* key) { return LocalizedStrings::localizedString(key); }

bool isPrimeSeries(const model::LensManufacturer& series) { return NumericText::hasPrefix(series.lensType, "Prime"); }

}  // namespace

LensesFocalLengthsViewController::LensesFocalLengthsViewController()
    : SetupScreenController(platform::runtime::classOf<LensesFocalLengthsViewController>()) {}

// --- life cycle ---

void LensesFocalLengthsViewController::buildViews(platform::ui::View& root) { views_ = LensPickerLayout::build(root); }

void LensesFocalLengthsViewController::layOutViews() {
  auto root = view();
  const double top = root->window() ? root->window()->windowSafeAreaInsets().top : 0;
  // The pages follow the width, which is not known before the screen is first laid out.
  const double w = root->bounds().width();
  constraints_.leadingConstraintLensSeriesTable.setConstant(placedPage_ == 1 ? 0 : -2.0 - w);
  constraints_.leadingConstraintFocalLengthsTable.setConstant(placedPage_ == 1 ? w + 2.0 : 0);
  LensPickerLayout::layOut(views_, constraints_, root->bounds(), top);
}

void LensesFocalLengthsViewController::viewDidLoad() {
  refusedLensWritesSeen_ = refusedLensWrites();
  auto& v = views_;
  v.searchFormatBar->searchTextField()->setTextColor(kit::UIConstants::textFieldTextColor());
  v.searchFormatBar->setDelegate(&seriesListSource_);
  menuPosition = 1;
  filterMenu_.filterMenuOpen = false;
  v.focalLengthsTableView->setAllowsMultipleSelection(false);
  constraints_.filterMenuTopConstraint.setConstant(-LensPickerLayout::kFilterMenuHeight);
  constraints_.createNewBtnLeadingConstraint.setConstant(16);
  v.doneBtn->styleCustomButtonWithString(screenText("DONE"), 1);
  v.doneBtn->button()->addTarget(this, &LensesFocalLengthsViewController::doneBtnPressed,
                                 platform::ui::ControlEvent::TouchUpInside);
  v.createNewBtn->styleCustomButtonWithString(screenText("+ ADD CUSTOM LENS SERIES"), 0);
  v.createNewBtn->button()->addTarget(this, &LensesFocalLengthsViewController::createNewButtonPressed,
                                      platform::ui::ControlEvent::TouchUpInside);
  v.saveBtn->styleCustomButtonWithString(screenText("SAVE"), 2);
  v.saveBtn->button()->addTarget(this, &LensesFocalLengthsViewController::saveBtnPressed,
                                 platform::ui::ControlEvent::TouchUpInside);
  v.lensSeriesTableView->setDataSource(&seriesListSource_);
  v.lensSeriesTableView->setDelegate(&seriesListSource_);
  v.focalLengthsTableView->setDataSource(&lensList_);
  v.focalLengthsTableView->setDelegate(&lensList_);
  // The looks the layout starts with: page 1 without a search, filter menu or form.
  for (auto* hidden : std::initializer_list<platform::ui::View*>{
           v.backBtn.get(), v.doneBtn.get(), v.primeLensCountLabel.get(), v.searchFormatBar.get(),
           v.searchCancelBtn.get(), v.backFilterBarBtn.get(), v.titleLabel.get(), v.saveBtn.get(),
           v.filterBarTitleLabel.get(), v.customLensSeriesView.get(), v.customPrimeLensView.get(),
           v.customZoomLensView.get()}) {
    hidden->setAlpha(0);
  }
  v.topBarTitleLabel->setText(screenText("LENS SERIES"));
  setupForms();
}

void LensesFocalLengthsViewController::viewWillAppear(bool animated) {
  currentLensManufacturerID = SetupControllerUtil::getCurrentLensManufacturerID();
  lensManufacturerID = currentLensManufacturerID;
  loadDataFromDB();
  views_.lensSeriesTableView->reloadData();
  bindUI();
  if (!startWithLensList) {
    placePages(1);
    return;
  }
  auto& v = views_;
  menuPosition = 2;
  v.createNewBtn->button()->changeTextwithString(screenText("+ ADD CUSTOM LENS"));
  placePages(2);
  v.lensSeriesTableView->setAlpha(0);
  showSeriesTitles();
  for (auto* gone : std::initializer_list<platform::ui::View*>{v.filterLensesView.get(), v.filterBarTitleLabel.get(),
                                                               v.searchBtn.get()})
    gone->setAlpha(0);
  v.createNewBtn->setAlpha(1);
  v.exitBtn->setAlpha(1);
  if (primeLensSetSelected) {
    v.doneBtn->setAlpha(1);
    v.exitBtn->setAlpha(0);
    v.primeLensCountLabel->setAlpha(1);
    setPrimeLensCountLabel();
  }
}

// The chosen rows were marked before the tables had their height; now they can be brought to the middle.
void LensesFocalLengthsViewController::viewDidAppear(bool animated) {
  for (auto* table : {views_.lensSeriesTableView.get(), views_.focalLengthsTableView.get()}) {
    if (auto chosen = table->indexPathForSelectedRow()) {
      table->scrollToRowAtIndexPath(*chosen, platform::ui::TableViewScrollPosition::Middle, false);
    }
  }
}

void LensesFocalLengthsViewController::bindUI() {
  if (!bound_) {
    bound_ = true;
    using platform::ui::ControlEvent;
    auto& v = views_;
    v.backBtn->addTarget(this, &LensesFocalLengthsViewController::backButtonPressed, ControlEvent::TouchUpInside);
    v.exitBtn->addTarget(this, &LensesFocalLengthsViewController::exitButtonPressed, ControlEvent::TouchUpInside);
    v.searchBtn->addTarget(this, &LensesFocalLengthsViewController::searchButtonPressed, ControlEvent::TouchUpInside);
    v.searchCancelBtn->addTarget(this, &LensesFocalLengthsViewController::searchCancelButtonPressed,
                                 ControlEvent::TouchUpInside);
    v.backFilterBarBtn->addTarget(this, &LensesFocalLengthsViewController::backToLensSeriesCreation,
                                  ControlEvent::TouchUpInside);
    v.filterLensesBtn->addTarget(this, &LensesFocalLengthsViewController::filterLensesBtnPressed,
                                 ControlEvent::TouchUpInside);
    v.filterLensesPrimesBtn->addTarget(this, &LensesFocalLengthsViewController::filterLensesPrimesBtnPressed,
                                       ControlEvent::TouchUpInside);
    v.filterLensesZoomsBtn->addTarget(this, &LensesFocalLengthsViewController::filterLensesZoomsBtnPressed,
                                      ControlEvent::TouchUpInside);
    v.filterLensesSphericalBtn->addTarget(this, &LensesFocalLengthsViewController::filterLensesSphericalBtnPressed,
                                          ControlEvent::TouchUpInside);
    v.filterLensesAnamorphicBtn->addTarget(this, &LensesFocalLengthsViewController::filterLensesAnamorphicBtnPressed,
                                           ControlEvent::TouchUpInside);
    v.filterLensesClearBtn->addTarget(this, &LensesFocalLengthsViewController::clearLensFilters,
                                      ControlEvent::TouchUpInside);
  }
  setinitialTableViewState();
}

bool LensesFocalLengthsViewController::commit() {
  const PackageStoreNotice packageStore;
  (void)SetupControllerUtil::setNewLensSetup();
  // A choice the catalogue refused is not taken (the package keeps its own lenses), and the person
  // hears of it, once for each refusal; so they do of a package the package catalogue did not store.
  const int refused = refusedLensWrites();
  if (refused == refusedLensWritesSeen_) return !packageStore.tellIfRefused(*this, saveFailure_);
  refusedLensWritesSeen_ = refused;
  saveFailure_.reportChoice(*this, "The lens choice", "The package keeps the lenses it had.");
  return false;
}

int LensesFocalLengthsViewController::refusedLensWrites() {
  return storage::CatalogueDatabase::refusedWritesAt(
      storage::CatalogueDatabase::libraryPath(storage::LensDatabaseHelper::kFileName));
}

std::optional<model::LensManufacturer> LensesFocalLengthsViewController::currentSeries() const {
  return SetupControllerUtil::getCurrentLensManufacturer();
}

// --- pages ---

void LensesFocalLengthsViewController::placePages(int page) {
  placedPage_ = page;
  layOutViews();
}

// The series name over page 2 and the title that says how many lenses may be picked.
void LensesFocalLengthsViewController::showSeriesTitles() {
  auto series = currentSeries().value_or(model::LensManufacturer{});
  views_.filterBarTitleLabel->setText(series.manufacturer + " " + series.series);
  primeLensSetSelected = isPrimeSeries(series);
  views_.topBarTitleLabel->setText(screenText(primeLensSetSelected ? "SELECT LENSES" : "SELECT LENS"));
}

void LensesFocalLengthsViewController::goToLensSeriesSelection() {
  auto& v = views_;
  menuPosition = 1;
  v.createNewBtn->button()->changeTextwithString(screenText("+ ADD CUSTOM LENS SERIES"));
  v.lensSeriesTableView->setAlpha(1);
  v.filterBarTitleLabel->setAlpha(0);
  v.topBarTitleLabel->setAlpha(0);
  v.topBarTitleLabel->setText(screenText("LENS SERIES"));
  layOutViews();
  platform::ui::View::animate(0.3, [this] {
    auto& v = views_;
    v.topBarTitleLabel->setAlpha(1);
    for (auto* gone :
         std::initializer_list<platform::ui::View*>{v.doneBtn.get(), v.primeLensCountLabel.get(), v.backBtn.get()})
      gone->setAlpha(0);
    for (auto* shown : std::initializer_list<platform::ui::View*>{v.filterLensesView.get(), v.searchBtn.get(),
                                                                  v.createNewBtn.get(), v.exitBtn.get()}) {
      shown->setAlpha(1);
    }
    placePages(1);
  });
}

void LensesFocalLengthsViewController::goToFocalLengthsSelection() {
  clearLensFilters();
  enterLensPage(false);
}

void LensesFocalLengthsViewController::returnFromLensSeriesCreation() {
  views_.lensSeriesTableView->setAlpha(0);
  placePages(2);
  enterLensPage(true);
}

void LensesFocalLengthsViewController::enterLensPage(bool fromCreation) {
  auto& v = views_;
  menuPosition = 2;
  v.createNewBtn->button()->changeTextwithString(screenText("+ ADD CUSTOM LENS"));
  v.topBarTitleLabel->setAlpha(0);
  v.filterBarTitleLabel->setAlpha(0);
  showSeriesTitles();
  layOutViews();
  platform::ui::View::animate(
      0.3,
      [this, fromCreation] {
        auto& v = views_;
        v.topBarTitleLabel->setAlpha(1);
        for (auto* gone :
             std::initializer_list<platform::ui::View*>{v.filterLensesView.get(), v.searchBtn.get(), v.exitBtn.get()})
          gone->setAlpha(0);
        v.filterBarTitleLabel->setAlpha(fromCreation ? 1 : 0);
        v.createNewBtn->setAlpha(1);
        v.backBtn->setAlpha(1);
        if (fromCreation) {
          for (auto* gone : std::initializer_list<platform::ui::View*>{
                   v.backFilterBarBtn.get(), v.saveBtn.get(), v.customLensSeriesView.get(), v.customPrimeLensView.get(),
                   v.customZoomLensView.get(), v.searchCancelBtn.get(), v.titleLabel.get()}) {
            gone->setAlpha(0);
          }
          constraints_.topBarConstraint.setConstant(0);
        }
        placePages(2);
        if (primeLensSetSelected) {
          v.doneBtn->setAlpha(1);
          v.primeLensCountLabel->setAlpha(1);
          setPrimeLensCountLabel();
        }
      },
      [weak = std::weak_ptr<platform::runtime::Object>(weak_from_this()), fromCreation](bool) {
        auto screen = std::static_pointer_cast<LensesFocalLengthsViewController>(weak.lock());
        if (!screen) return;
        screen->views_.lensSeriesTableView->setAlpha(0);
        if (!fromCreation) return;
        // The form counts as open until the lens page has slid in.
        screen->views_.saveBtn->buttonNotHighlighted();
        screen->newFormatCreation = false;
        screen->creatingNewLensSeries = false;
      });
}

// Back to the series when the page was reached from them; EXIT when the picker opened on it with a zoom
// series, whose page has no DONE.
void LensesFocalLengthsViewController::showLensPageWayOut() {
  views_.backBtn->setAlpha(startWithLensList ? 0 : 1);
  views_.exitBtn->setAlpha(startWithLensList && !primeLensSetSelected ? 1 : 0);
}

void LensesFocalLengthsViewController::doneBtnPressed() {
  views_.doneBtn->buttonNotHighlighted();
  commit();
  if (auto* navigation = navigationController()) navigation->popViewControllerAnimated(true);
}

// Only the series is restored: lens flags written during the visit stay as they are.
void LensesFocalLengthsViewController::restoreEntrySeries() {
  LensChoices::chooseSeries(currentLensManufacturerID);
  lensManufacturerID = currentLensManufacturerID;
  commit();
}

void LensesFocalLengthsViewController::exitButtonPressed() {
  restoreEntrySeries();
  if (auto* navigation = navigationController()) navigation->popViewControllerAnimated(true);
}

void LensesFocalLengthsViewController::backButtonPressed() {
  restoreEntrySeries();
  // The list shows the restored series as the selected one again.
  loadLensManufacturerData();
  views_.lensSeriesTableView->reloadData();
  scrollLensManufacturer2IndexPath(series_.indexPathOf(currentLensManufacturerID));
  goToLensSeriesSelection();
}

// --- lists ---

void LensesFocalLengthsViewController::loadDataFromDB() {
  loadLensManufacturerData();
  if (auto series = currentSeries()) loadLensesForManufacturer(*series);
}

void LensesFocalLengthsViewController::loadLensManufacturerData() { series_.load(filterMenu_.filters); }

void LensesFocalLengthsViewController::loadLensesForManufacturer(const model::LensManufacturer& series) {
  auto listed = LensChoices::lensesOf(series.manufacturerId);
  lensList_.lensItemsArray = std::move(listed.lenses);
  if (listed.selectedShortest) commit();
  applySelectionMode(currentSeries().value_or(model::LensManufacturer{}).lensType);
  views_.focalLengthsTableView->reloadData();
  setPrimeLensCountLabel();
}

void LensesFocalLengthsViewController::applySelectionMode(const std::string& lensType) {
  const bool several = NumericText::contains(lensType, "Prime Lens");
  auto& table = *views_.focalLengthsTableView;
  table.setAllowsMultipleSelection(several);
  table.setAllowsMultipleSelectionDuringEditing(several);
  table.setAllowsSelectionDuringEditing(several);
}

void LensesFocalLengthsViewController::setPrimeLensCountLabel() {
  auto package = SetupControllerUtil::getCurrentPackage();
  views_.primeLensCountLabel->setText(app::setup::LensRowTexts::lensCount(package ? package->lensSet.size() : 0));
}

void LensesFocalLengthsViewController::setinitialTableViewState() {
  auto package = SetupControllerUtil::getCurrentPackage();
  if (!package) return;
  if (package->lensManufacturer) {
    scrollLensManufacturer2IndexPath(getIndexPath4LensManufacturer(*package->lensManufacturer));
  }
  if (!package->lensSet.empty()) scrollLensSet2IndexPath(getIndexPath4LensSet(package->lensSet.back()));
}

std::optional<platform::ui::IndexPath> LensesFocalLengthsViewController::getIndexPath4LensManufacturer(
    const model::LensManufacturer& series) const {
  return series_.indexPathOf(series.manufacturerId);
}

std::optional<platform::ui::IndexPath> LensesFocalLengthsViewController::getIndexPath4LensSet(
    const model::LensObject& lens) const {
  for (size_t row = 0; row < lensList_.lensItemsArray.size(); ++row) {
    if (lensList_.lensItemsArray[row].lensId == lens.lensId) {
      return platform::ui::IndexPath::forRow(static_cast<std::int64_t>(row), 0);
    }
  }
  return std::nullopt;
}

void LensesFocalLengthsViewController::scrollLensManufacturer2IndexPath(
    const std::optional<platform::ui::IndexPath>& indexPath) {
  if (!indexPath) return;
  views_.lensSeriesTableView->selectRowAtIndexPath(indexPath, false, platform::ui::TableViewScrollPosition::Middle);
}

void LensesFocalLengthsViewController::scrollLensSet2IndexPath(
    const std::optional<platform::ui::IndexPath>& indexPath) {
  if (!indexPath) return;
  views_.focalLengthsTableView->selectRowAtIndexPath(indexPath, false, platform::ui::TableViewScrollPosition::Middle);
}

// --- taps and deletions ---

void LensesFocalLengthsViewController::tapSeries(const IndexPath& indexPath) {
  auto series = series_.seriesAt(indexPath);
  if (!series) return;
  views_.backBtn->setAlpha(0);
  views_.exitBtn->setAlpha(0);
  if (!LensChoices::hasLenses(series->manufacturerId)) {
    // Nothing to choose: the row of the series that stays chosen keeps its mark, so that no row shows
    // a choice the catalogue does not hold.
    auto& table = *views_.lensSeriesTableView;
    table.deselectRowAtIndexPath(indexPath, false);
    if (auto chosen = series_.indexPathOf(lensManufacturerID)) {
      table.selectRowAtIndexPath(chosen, false, platform::ui::TableViewScrollPosition::None);
    }
    return;
  }
  if (series_.searching()) searchCancelButtonPressed();
  applySelectionMode(series->lensType);
  LensChoices::chooseSeries(series->manufacturerId);
  commit();
  lensManufacturerID = series->manufacturerId;
  canSelectLenses = true;
  loadLensesForManufacturer(*series);
  searchCancelButtonPressed();
  app::setup::SetupPause::pause(*this, [this] {
    views_.focalLengthsTableView->setContentOffset({0, 0}, false);
    goToFocalLengthsSelection();
  });
}

void LensesFocalLengthsViewController::tapLens(const IndexPath& indexPath) {
  if (indexPath.row < 0 || static_cast<size_t>(indexPath.row) >= lensList_.lensItemsArray.size()) return;
  views_.backBtn->setAlpha(0);
  views_.exitBtn->setAlpha(0);
  model::LensObject lens = lensList_.lensItemsArray[static_cast<size_t>(indexPath.row)];
  if (lens.isPrime()) {
    LensChoices::selectPrime(lens, lensList_.lensItemsArray);
    commit();
    if (auto series = currentSeries()) loadLensesForManufacturer(*series);
    setPrimeLensCountLabel();
    return;
  }
  LensChoices::selectZoom(lens);
  // A zoom not stored leaves the picker open under its notice, with the way out the pick took away.
  if (!commit()) {
    showLensPageWayOut();
    return;
  }
  app::setup::SetupPause::pause(*this, [this] { doneBtnPressed(); });
}

void LensesFocalLengthsViewController::untapLens(const IndexPath& indexPath) {
  if (indexPath.row < 0 || static_cast<size_t>(indexPath.row) >= lensList_.lensItemsArray.size()) return;
  views_.backBtn->setAlpha(0);
  views_.exitBtn->setAlpha(0);
  model::LensObject lens = lensList_.lensItemsArray[static_cast<size_t>(indexPath.row)];
  LensChoices::deselect(lens);
  lensList_.lensItemsArray[static_cast<size_t>(indexPath.row)].selected = 0;
  commit();
  // The list loads again, which selects the shortest lens when the last one went.
  if (auto series = currentSeries()) loadLensesForManufacturer(*series);
  if (lens.isPrime()) setPrimeLensCountLabel();
}

void LensesFocalLengthsViewController::deleteLensObject(const model::LensObject& lens) {
  switch (LensChoices::deleteLens(lens, lensList_.lensItemsArray.size())) {
    case LensChoices::Deleted::LastLens: showLastLensAlert(); return;
    case LensChoices::Deleted::Refused:
      tellDeleteRefused("The lens " + LensRowTexts::title(lens));
      return;
    case LensChoices::Deleted::Done: break;
  }
  commit();
  if (auto frames = SetupControllerUtil::getApplication())
    app::setup::OtherSlotRepair::lensDeleted(*frames, lens.lensId);
  if (auto series = currentSeries()) loadLensesForManufacturer(*series);
}

void LensesFocalLengthsViewController::deleteManufacturerObject(const model::LensManufacturer& series) {
  const std::string name = "\"" + series.manufacturer + (series.series.empty() ? "" : " " + series.series) + "\"";
  switch (LensChoices::deleteSeries(series.manufacturerId)) {
    case LensChoices::Deleted::Refused: tellDeleteRefused("The lens series " + name); return;
    case LensChoices::Deleted::Done:
    case LensChoices::Deleted::LastLens: break;
  }
  if (SetupControllerUtil::getCurrentLensManufacturerID() == series.manufacturerId) {
    SetupControllerUtil::setDefaultLensManufacturer();
  }
  commit();
  if (auto frames = SetupControllerUtil::getApplication()) {
    app::setup::OtherSlotRepair::seriesDeleted(*frames, series.manufacturerId);
  }
  currentLensManufacturerID = SetupControllerUtil::getCurrentLensManufacturerID();
  lensManufacturerID = currentLensManufacturerID;
  loadDataFromDB();
  views_.lensSeriesTableView->reloadData();
  views_.lensSeriesTableView->reloadSectionIndexTitles();
}

// The row stays listed and the package keeps it: nothing is committed. The refusal is told here, not
// again by the next commit as a lens choice the catalogue did not store.
void LensesFocalLengthsViewController::tellDeleteRefused(const std::string& what) {
  refusedLensWritesSeen_ = refusedLensWrites();
  saveFailure_.reportDelete(*this, what);
}

// --- search ---

void LensesFocalLengthsViewController::searchButtonPressed() {
  auto& v = views_;
  v.searchFormatBar->setTintColor(std::nullopt);
  (void)v.searchFormatBar->becomeFirstResponder();
  platform::ui::View::animate(
      0.2, 0, platform::ui::AnimationOptionCurveEaseIn,
      [this] {
        auto& v = views_;
        v.filterLensesView->setAlpha(1);
        v.searchBtn->setAlpha(0);
        v.createNewBtn->setAlpha(0);
        v.searchFormatBar->setAlpha(1);
        v.searchCancelBtn->setAlpha(1);
        constraints_.topBarConstraint.setConstant(-LensPickerLayout::kBarHeight);
        layOutViews();
      },
      [this](bool) { views_.searchFormatBar->setTintColor(kit::UIConstants::textFieldTextColor()); });
}




void LensesFocalLengthsViewController::cancelSearch() {
  auto& bar = *views_.searchFormatBar;
  (void)bar.resignFirstResponder();
  bar.setText("");
  series_.endSearch();
  loadDataFromDB();
  views_.lensSeriesTableView->reloadData();
  views_.lensSeriesTableView->reloadSectionIndexTitles();
  view()->endEditing(true);
}

void LensesFocalLengthsViewController::searchCancelButtonPressed() {
  cancelSearch();
  if (newFormatCreation) {
    closeForm();
  } else {
    platform::ui::View::animate(0.2, 0, platform::ui::AnimationOptionCurveEaseOut, [this] {
      auto& v = views_;
      v.searchFormatBar->setAlpha(0);
      v.searchCancelBtn->setAlpha(0);
      v.searchBtn->setAlpha(1);
      v.createNewBtn->setAlpha(1);
      constraints_.topBarConstraint.setConstant(0);
      layOutViews();
    });
  }
  unmarkInputErrors();
  clearTextFieldsOnCancel();
}

void LensesFocalLengthsViewController::dbFIlterUpdate() {
  loadLensManufacturerData();
  views_.lensSeriesTableView->reloadData();
  views_.lensSeriesTableView->reloadSectionIndexTitles();
}

// --- custom series and lenses ---

void LensesFocalLengthsViewController::setupForms() {
  auto& v = views_;
  registerForKeyboardNotifications();
  addKeyboardToolBarButtons();
  seriesForm_.setUp();
  lensForm_.setUp();
  for (auto* field :
       {v.customLensSeriesNameTextField.get(), v.customLensSeriesSqueezeTextField.get(),
        v.customPrimeLensTextField.get(), v.customZoomMinTextField.get(), v.customZoomMaxTextField.get()}) {
    field->setDelegate(this);
  }
  v.customLensSeriesTypeRadioBtn->yesBtn()->addTarget(this,
                                                      &LensesFocalLengthsViewController::customLensSeriesPrimesSelected,
                                                      platform::ui::ControlEvent::TouchUpInside);
  v.customLensSeriesTypeRadioBtn->noBtn()->addTarget(this,
                                                     &LensesFocalLengthsViewController::customLensSeriesZoomsSelected,
                                                     platform::ui::ControlEvent::TouchUpInside);
  seriesForm_.choosePrimes();
}


void LensesFocalLengthsViewController::createNewButtonPressed() {
  newFormatCreation = true;
  if (menuPosition == 1) {
    creatingNewLensSeries = true;
    createNewLensSeries();
  } else {
    createNewLens();
  }
}

void LensesFocalLengthsViewController::createNewLensSeries() {
  auto& v = views_;
  v.titleLabel->setText(screenText("CREATE CUSTOM LENS SERIES"));
  v.saveBtn->styleCustomButtonWithString(screenText("NEXT"), 2);
  layOutViews();
  platform::ui::View::animate(
      0.2,
      [this] {
        auto& v = views_;
        v.customLensSeriesView->setAlpha(1);
        for (auto* gone : std::initializer_list<platform::ui::View*>{
                 v.customPrimeLensView.get(), v.customZoomLensView.get(), v.createNewBtn.get(), v.searchBtn.get(),
                 v.primeLensCountLabel.get(), v.filterLensesView.get(), v.backFilterBarBtn.get()}) {
          gone->setAlpha(0);
        }
        for (auto* shown :
             std::initializer_list<platform::ui::View*>{v.titleLabel.get(), v.saveBtn.get(), v.searchCancelBtn.get()})
          shown->setAlpha(1);
        constraints_.topBarConstraint.setConstant(-LensPickerLayout::kBarHeight);
        layOutViews();
      },
      [this](bool) { views_.createNewBtn->buttonNotHighlighted(); });
}

void LensesFocalLengthsViewController::createNewLens() {
  auto& v = views_;
  v.saveBtn->styleCustomButtonWithString(screenText("SAVE"), 2);
  clearTextFieldsOnCancel();
  model::LensManufacturer series;
  if (creatingNewLensSeries && manufacturer2Create_) {
    series = *manufacturer2Create_;
    primeLensSetSelected = NumericText::contains(series.lensType, "Prime");
    platform::log::write(platform::log::Debug, "Create New Lens Series: " + series.getListString());
  } else {
    series = currentSeries().value_or(model::LensManufacturer{});
    primeLensSetSelected = NumericText::hasPrefix(series.lensType, "Prime");
  }
  auto& label = primeLensSetSelected ? *v.customPrimeLensLabel : *v.customZoomLensLabel;
  label.setText(screenText("Add lens to") + " " + series.manufacturer + " " + series.series);
  v.titleLabel->setText(screenText("CREATE CUSTOM LENS"));
  layOutViews();
  platform::ui::View::animate(0.2, [this] {
    auto& v = views_;
    v.customPrimeLensView->setAlpha(primeLensSetSelected ? 1 : 0);
    v.customZoomLensView->setAlpha(primeLensSetSelected ? 0 : 1);
    for (auto* gone :
         std::initializer_list<platform::ui::View*>{v.customLensSeriesView.get(), v.createNewBtn.get(),
                                                    v.primeLensCountLabel.get(), v.filterLensesView.get()}) {
      gone->setAlpha(0);
    }
    v.titleLabel->setAlpha(1);
    v.saveBtn->setAlpha(1);
    // The lens form of a new series goes back to the series form; only that one can cancel.
    v.backFilterBarBtn->setAlpha(creatingNewLensSeries ? 1 : 0);
    v.searchCancelBtn->setAlpha(creatingNewLensSeries ? 0 : 1);
    constraints_.topBarConstraint.setConstant(-LensPickerLayout::kBarHeight);
    layOutViews();
  });
  // Once the form shows, its first field takes the keyboard.
  (void)(primeLensSetSelected ? v.customPrimeLensTextField : v.customZoomMinTextField)->becomeFirstResponder();
}

void LensesFocalLengthsViewController::backToLensSeriesCreation() {
  menuPosition = 1;
  createNewLensSeries();
}

void LensesFocalLengthsViewController::closeForm() {
  auto& v = views_;
  creatingNewLensSeries = false;
  view()->endEditing(true);
  auto series = currentSeries().value_or(model::LensManufacturer{});
  v.filterBarTitleLabel->setText(series.manufacturer + " " + series.series);
  v.filterBarTitleLabel->setAlpha(0);
  newFormatCreation = false;
  platform::ui::View::animate(
      0.2, 0, platform::ui::AnimationOptionCurveEaseOut,
      [this, prime = NumericText::hasPrefix(series.lensType, "Prime")] {
        auto& v = views_;
        for (auto* gone : std::initializer_list<platform::ui::View*>{
                 v.searchCancelBtn.get(), v.customLensSeriesView.get(), v.customPrimeLensView.get(),
                 v.customZoomLensView.get(), v.saveBtn.get(), v.titleLabel.get(), v.backFilterBarBtn.get()}) {
          gone->setAlpha(0);
        }
        v.createNewBtn->setAlpha(1);
        if (menuPosition == 2) {
          v.filterBarTitleLabel->setAlpha(0);
          v.filterLensesView->setAlpha(0);
          if (prime) v.primeLensCountLabel->setAlpha(1);
        } else {
          v.searchBtn->setAlpha(1);
          v.filterLensesView->setAlpha(1);
        }
        constraints_.createNewBtnLeadingConstraint.setConstant(16);
        constraints_.topBarConstraint.setConstant(0);
        layOutViews();
      },
      [this](bool) { views_.saveBtn->buttonNotHighlighted(); });
}

void LensesFocalLengthsViewController::clearTextFieldsOnCancel() {
  seriesForm_.clear();
  lensForm_.clear();
}

void LensesFocalLengthsViewController::unmarkInputErrors() {
  seriesForm_.unmarkInputErrors();
  lensForm_.unmarkInputErrors();
}

// --- checks ---



// --- saving ---

void LensesFocalLengthsViewController::createTMPLensManufacturer() { manufacturer2Create_ = seriesForm_.series(); }

void LensesFocalLengthsViewController::saveBtnPressed() {
  view()->endEditing(true);
  if (menuPosition == 1) {
    if (!checkForErrorLensSeries()) {
      createTMPLensManufacturer();
      createNewLens();
      menuPosition = 2;
    }
  } else {
    saveLensForm();
  }
  views_.saveBtn->buttonNotHighlighted();
  view()->endEditing(true);
}

void LensesFocalLengthsViewController::saveLensForm() {
  if (creatingNewLensSeries) {
    saveLensOfNewSeries();
    return;
  }
  // One branch, by the form that is open: a check of the other form must not run and mark its fields.
  // A lens the catalogue did not take leaves the form open with what was typed.
  if (primeLensSetSelected) {
    if (checkForErrorPrimeLens()) return;
    const auto lens = saveNewPrimeLens();
    if (!lens) return;
    searchCancelButtonPressed();
    scrollLensSet2IndexPath(getIndexPath4LensSet(*lens));
    return;
  }
  if (checkForErrorZoomLens() || !saveNewZoomLens()) return;
  searchCancelButtonPressed();
  auto package = SetupControllerUtil::getCurrentPackage();
  if (package && !package->lensSet.empty()) scrollLensSet2IndexPath(getIndexPath4LensSet(package->lensSet.back()));
}

// The lens is checked before anything is stored: a series is never stored without its first lens.
void LensesFocalLengthsViewController::saveLensOfNewSeries() {
  if (!manufacturer2Create_) return;
  const bool prime = primeLensSetSelected;
  if (prime ? checkForErrorPrimeLens() : checkForErrorZoomLens()) return;
  if (!storeNewSeriesWithLens(prime)) return;
  if (prime) canSelectLenses = true;
  setNewCreatedLensSeries();
  returnFromLensSeriesCreation();
  if (auto series = currentSeries()) loadLensesForManufacturer(*series);
  views_.focalLengthsTableView->reloadData();
}

// The series (unless an earlier SAVE stored it) and its first lens, through one connection that is closed
// again before the commit reads the catalogue.
bool LensesFocalLengthsViewController::storeNewSeriesWithLens(bool prime) {
  const std::string series = "lens series \"" + manufacturer2Create_->manufacturer + "\"";
  LensCatalogue catalogue;
  if (!catalogue ||
      (manufacturer2Create_->manufacturerId == -1 && catalogue->insertManufacturer(*manufacturer2Create_) < 0)) {
    saveFailure_.report(*this, "The " + series);
    return false;
  }
  model::LensObject lens = prime ? lensForm_.prime(*manufacturer2Create_) : lensForm_.zoom(*manufacturer2Create_);
  if (catalogue->insertNewLens(lens) < 0) {
    // The series stays stored and keeps its id: the next SAVE adds the lens to it.
    saveFailure_.report(*this, "The first lens of the " + series);
    return false;
  }
  return true;
}

bool LensesFocalLengthsViewController::storeAddedLens(model::LensObject& lens) {
  LensCatalogue catalogue;
  if (catalogue && catalogue->insertNewLens(lens) >= 0) return true;
  saveFailure_.report(*this, "The new lens");
  return false;
}

std::optional<model::LensObject> LensesFocalLengthsViewController::saveNewPrimeLens() {
  auto series = currentSeries().value_or(model::LensManufacturer{});
  model::LensObject lens = lensForm_.prime(series);
  // Only once it is stored does it take the place of a chosen lens of its focal length.
  if (!storeAddedLens(lens)) return std::nullopt;
  app::setup::LensChoices::clearDoubleSelected(lens, lensList_.lensItemsArray);
  commit();
  loadLensesForManufacturer(series);
  return lens;
}

bool LensesFocalLengthsViewController::saveNewZoomLens() {
  auto series = currentSeries().value_or(model::LensManufacturer{});
  model::LensObject lens = lensForm_.zoom(series);
  if (!storeAddedLens(lens)) return false;
  commit();
  loadLensesForManufacturer(series);
  return true;
}

void LensesFocalLengthsViewController::setNewCreatedLensSeries() {
  if (!manufacturer2Create_) return;
  const model::LensManufacturer created = *manufacturer2Create_;
  app::setup::LensChoices::chooseSeries(created.manufacturerId);
  commit();
  loadDataFromDB();
  currentLensManufacturerID = SetupControllerUtil::getCurrentLensManufacturerID();
  lensManufacturerID = currentLensManufacturerID;
  views_.lensSeriesTableView->reloadData();
  views_.lensSeriesTableView->reloadSectionIndexTitles();
  applySelectionMode(created.lensType);
  manufacturer2Create_.reset();
  if (auto series = currentSeries()) scrollLensManufacturer2IndexPath(getIndexPath4LensManufacturer(*series));
}

// --- keyboard ---

void LensesFocalLengthsViewController::registerForKeyboardNotifications() {
  auto& center = platform::foundation::NotificationCenter::defaultCenter();
  keyboardShown_ = center.addObserver(platform::ui::kKeyboardDidShowNotification,
                                      [this](const auto& notification) { keyboardWasShown(notification); });
  keyboardHidden_ = center.addObserver(platform::ui::kKeyboardWillHideNotification,
                                       [this](const auto& notification) { keyboardWillBeHidden(notification); });
}

void LensesFocalLengthsViewController::keyboardWasShown(const platform::foundation::Notification& notification) {
  const auto frame = platform::ui::RectValue::from(notification.userInfo[platform::ui::kKeyboardFrameBeginUserInfoKey])
                         .value_or(platform::ui::Rect{});
  const double bottom = view()->window() ? view()->window()->windowSafeAreaInsets().bottom : 0;
  const platform::ui::EdgeInsets insets{0, 0, frame.height() + bottom, 0};
  views_.lensSeriesTableView->setContentInset(insets);
  views_.lensSeriesTableView->setScrollIndicatorInsets(insets);
}

void LensesFocalLengthsViewController::keyboardWillBeHidden(const platform::foundation::Notification&) {
  views_.lensSeriesTableView->setContentInset({});
  views_.lensSeriesTableView->setScrollIndicatorInsets({});
}

void LensesFocalLengthsViewController::addKeyboardToolBarButtons() {
  auto& v = views_;
  auto endEditing = [this] { view()->endEditing(true); };
  v.customLensSeriesNameTextField->setInputAccessoryView(
      FormKeyboardBars::nextBar(endEditing, [this] { nextTextField(); }));
  v.customZoomMinTextField->setInputAccessoryView(FormKeyboardBars::nextBar(endEditing, [this] { nextTextField(); }));
  for (auto* field :
       {v.customPrimeLensTextField.get(), v.customZoomMaxTextField.get(), v.customLensSeriesSqueezeTextField.get()}) {
    field->setInputAccessoryView(FormKeyboardBars::doneBar(endEditing));
  }
}

void LensesFocalLengthsViewController::nextTextField() {
  auto& v = views_;
  platform::ui::View* container = nullptr;
  if (menuPosition == 2) container = v.customZoomMinTextField->superview();
  if (menuPosition == 1) container = v.customLensSeriesNameTextField->superview();
  if (container) (void)FormKeyboardBars::focusNext(*container, activeTextFieldTag_);
}

bool LensesFocalLengthsViewController::textFieldShouldReturn(platform::ui::TextField& field) {
  return FormKeyboardBars::returnKey(field);
}

void LensesFocalLengthsViewController::textFieldDidBeginEditing(platform::ui::TextField& field) {
  activeTextFieldTag_ = field.tag();
  if (field.tag() == LensPickerLayout::kSqueezeTag) seriesForm_.squeezeEditingBegan(field);
}

void LensesFocalLengthsViewController::textFieldDidEndEditing(platform::ui::TextField& field) {
  if (activeTextFieldTag_ != LensPickerLayout::kSqueezeTag) return;
  seriesForm_.squeezeEditingEnded();
}

// --- the last-lens alert ---

void LensesFocalLengthsViewController::showLastLensAlert() {
  if (deleteLastLensAlert_) deleteLastLensAlert_->contentView()->removeFromSuperview();
  deleteLastLensAlert_ = platform::ui::make<kit::CustomOkayCancelAlert>(view()->bounds());
  deleteLastLensAlert_->hostIn(*this);
  deleteLastLensAlert_->setDelegate(this);
  deleteLastLensAlert_->alertTitle()->setTextColor(kit::UIConstants::redWarning());
  deleteLastLensAlert_->alertTitle()->setText(screenText("CANNOT DELETE"));
  deleteLastLensAlert_->messageLabel()->setNumberOfLines(0);
  deleteLastLensAlert_->messageLabel()->setText(screenText(
      "A lens series needs to contain at least one lens. If you like to delete this lens, create another one first."));
  deleteLastLensAlert_->okSingleBtn()->setTitle(screenText("OK"));
  deleteLastLensAlert_->setupOKOnly();
  deleteLastLensAlert_->alertViewHeightConstraint().setConstant(187);
  deleteLastLensAlert_->contentView()->layoutIfNeeded();
  deleteLastLensAlert_->contentView()->setUserInteractionEnabled(true);
  deleteLastLensAlert_->showAlert();
}

void LensesFocalLengthsViewController::hideLastLensAlert() {
  if (!deleteLastLensAlert_) return;
  deleteLastLensAlert_->contentView()->setUserInteractionEnabled(false);
  (void)deleteLastLensAlert_->okCancelTextField()->resignFirstResponder();
  deleteLastLensAlert_->hideAlert();
}

void LensesFocalLengthsViewController::okClickFromAlert(kit::CustomAlert& alert) {
  if (&alert == deleteLastLensAlert_.get()) hideLastLensAlert();
}

}  // namespace app::setup

