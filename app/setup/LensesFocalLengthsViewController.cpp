#include "app/setup/LensesFocalLengthsViewController.h"

#include "app/kit/PackageAlerts.h"
#include "app/kit/UIConstants.h"
#include "app/model/NumericText.h"
#include "app/pages/PageContentView.h"
#include "app/setup/LensChoices.h"
#include "app/setup/LensRowTexts.h"
#include "app/setup/PackageStoreNotice.h"
#include "app/setup/SetupControllerUtil.h"
#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/connection/CatalogueDatabase.h"
#include "platform/ui/LocalizedStrings.h"
#include "platform/ui/NavigationController.h"

using app::model::NumericText;
using app::setup::LensChoices;
using app::setup::LensPickerLayout;
using platform::ui::LocalizedStrings;
using platform::ui::make;

namespace app::setup {

namespace {

std::string screenText(const char* key) { return LocalizedStrings::localizedString(key); }

bool isPrimeSeries(const model::LensManufacturer& series) { return NumericText::hasPrefix(series.lensType, "Prime"); }

}  // namespace

LensesFocalLengthsViewController::LensesFocalLengthsViewController()
    : ViewController(platform::runtime::classOf<LensesFocalLengthsViewController>()) {}

// --- life cycle ---

void LensesFocalLengthsViewController::loadView() {
  // The root lays the bars, pages and forms out by hand whenever its size changes or a constant moves.
  auto root = make<app::pages::PageContentView>();
  root->setBackgroundColor(kit::UIConstants::primaryBG());
  views_ = LensPickerLayout::build(*root);
  root->setLayout([this] { layOut(); });
  setView(root);
}

void LensesFocalLengthsViewController::layOut() {
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
  v.searchFormatBar->setDelegate(this);
  menuPosition = 1;
  filterMenuOpen = false;
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
  for (auto* table : {v.lensSeriesTableView.get(), v.focalLengthsTableView.get()}) {
    table->setDataSource(this);
    table->setDelegate(this);
  }
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
  layOut();
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
  layOut();
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
  layOut();
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

void LensesFocalLengthsViewController::loadLensManufacturerData() { series_.load(filters_); }

void LensesFocalLengthsViewController::loadLensesForManufacturer(const model::LensManufacturer& series) {
  auto listed = LensChoices::lensesOf(series.manufacturerId);
  lensItemsArray_ = std::move(listed.lenses);
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
  for (size_t row = 0; row < lensItemsArray_.size(); ++row) {
    if (lensItemsArray_[row].lensId == lens.lensId) {
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

}  // namespace app::setup

