// The lens picker's filter menu and search.
#include "app/kit/UIConstants.h"
#include "app/setup/LensesFocalLengthsViewController.h"
#include "app/setup/SetupIcons.h"

using app::setup::LensPickerLayout;

// --- filters ---

namespace app::setup {

void LensesFocalLengthsViewController::showFilterIcon(bool active) {
  views_.filterLensIcon->setImage(
      app::setup::SetupIcons::filter(active ? kit::UIConstants::blue() : kit::UIConstants::contrastText()));
  if (active) {
    views_.filterLensesBtn->setFilterSelected();
  } else {
    views_.filterLensesBtn->setFilterNotSelected();
  }
}

void LensesFocalLengthsViewController::filterLensesBtnPressed() {
  auto& v = views_;
  if (!filterMenuOpen) {
    filterMenuOpen = true;
    v.filterMenuClip->setUserInteractionEnabled(true);
    showFilterIcon(true);
    platform::ui::View::animate(
        0.2, 0, platform::ui::AnimationOptionCurveEaseIn,
        [this] {
          auto& v = views_;
          for (auto* button : std::initializer_list<platform::ui::View*>{
                   v.filterLensesPrimesBtn.get(), v.filterLensesZoomsBtn.get(), v.filterLensesSphericalBtn.get(),
                   v.filterLensesAnamorphicBtn.get(), v.filterLensesClearBtn.get()}) {
            button->setAlpha(0.5);
          }
          constraints_.filterMenuTopConstraint.setConstant(0);
          layOutViews();
        },
        [this](bool) {
          platform::ui::View::animate(0.1, 0, platform::ui::AnimationOptionCurveEaseOut, [this] {
            auto& v = views_;
            for (auto* button : std::initializer_list<platform::ui::View*>{
                     v.filterLensesPrimesBtn.get(), v.filterLensesZoomsBtn.get(), v.filterLensesSphericalBtn.get(),
                     v.filterLensesAnamorphicBtn.get()}) {
              button->setAlpha(1);
            }
          });
        });
    return;
  }
  filterMenuOpen = false;
  v.filterMenuClip->setUserInteractionEnabled(false);
  platform::ui::View::animate(
      0.2, 0, platform::ui::AnimationOptionCurveEaseIn,
      [this] {
        constraints_.filterMenuTopConstraint.setConstant(-LensPickerLayout::kFilterMenuHeight);
        layOutViews();
      },
      [this](bool) {
        platform::ui::View::animate(0.1, 0, platform::ui::AnimationOptionCurveEaseOut,
                                    [this] { showFilterIcon(filters_.anyActive()); });
      });
}

namespace {

void showToggled(kit::TextButton& own, bool on, kit::TextButton& partner) {
  if (on) {
    own.setFilterSelected();
    partner.setFilterNotSelected();
  } else {
    own.setFilterNotSelected();
  }
}

}  // namespace

void LensesFocalLengthsViewController::filterLensesPrimesBtnPressed() {
  filters_.togglePrime();
  showToggled(*views_.filterLensesPrimesBtn, filters_.prime, *views_.filterLensesZoomsBtn);
  dbFIlterUpdate();
}

void LensesFocalLengthsViewController::filterLensesZoomsBtnPressed() {
  filters_.toggleZoom();
  showToggled(*views_.filterLensesZoomsBtn, filters_.zoom, *views_.filterLensesPrimesBtn);
  dbFIlterUpdate();
}

void LensesFocalLengthsViewController::filterLensesSphericalBtnPressed() {
  filters_.toggleSpherical();
  showToggled(*views_.filterLensesSphericalBtn, filters_.spherical, *views_.filterLensesAnamorphicBtn);
  dbFIlterUpdate();
}

void LensesFocalLengthsViewController::filterLensesAnamorphicBtnPressed() {
  filters_.toggleAnamorphic();
  showToggled(*views_.filterLensesAnamorphicBtn, filters_.anamorphic, *views_.filterLensesSphericalBtn);
  dbFIlterUpdate();
}

void LensesFocalLengthsViewController::clearLensFilters() {
  // The menu counts as closed at once, so that the filter button's next tap opens it again.
  filterMenuOpen = false;
  views_.filterMenuClip->setUserInteractionEnabled(false);
  std::weak_ptr<platform::runtime::Object> weak = weak_from_this();
  platform::ui::View::animate(
      0.2, 0, platform::ui::AnimationOptionCurveEaseIn,
      [this] {
        constraints_.filterMenuTopConstraint.setConstant(-LensPickerLayout::kFilterMenuHeight);
        layOutViews();
      },
      [weak](bool) {
        auto screen = std::static_pointer_cast<LensesFocalLengthsViewController>(weak.lock());
        if (!screen) return;
        auto& v = screen->views_;
        screen->showFilterIcon(false);
        for (auto* button : {v.filterLensesPrimesBtn.get(), v.filterLensesZoomsBtn.get(),
                             v.filterLensesSphericalBtn.get(), v.filterLensesAnamorphicBtn.get()}) {
          button->setFilterNotSelected();
        }
        // The flags go before the list is read again, so that the reload shows every series.
        screen->filters_.clear();
        screen->dbFIlterUpdate();
      });
}

void LensesFocalLengthsViewController::dbFIlterUpdate() {
  loadLensManufacturerData();
  views_.lensSeriesTableView->reloadData();
  views_.lensSeriesTableView->reloadSectionIndexTitles();
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

void LensesFocalLengthsViewController::searchBarTextDidBeginEditing(platform::ui::SearchBar& bar) {
  series_.startSearch();
  views_.lensSeriesTableView->reloadSectionIndexTitles();
  if (bar.text().empty()) views_.lensSeriesTableView->reloadData();
}

void LensesFocalLengthsViewController::searchBarTextDidChange(platform::ui::SearchBar&, const std::string& text) {
  if (text.empty()) {
    series_.endSearch();
  } else {
    if (!series_.searching()) series_.startSearch();
    series_.search(text);
  }
  views_.lensSeriesTableView->reloadData();
  views_.lensSeriesTableView->reloadSectionIndexTitles();
}

void LensesFocalLengthsViewController::searchBarSearchButtonClicked(platform::ui::SearchBar& bar) {
  const std::string text = bar.text();
  if (text.empty()) {
    series_.endSearch();
  } else {
    (void)bar.resignFirstResponder();
    if (!series_.searching()) series_.startSearch();
    series_.search(text);
  }
  views_.lensSeriesTableView->reloadData();
  views_.lensSeriesTableView->reloadSectionIndexTitles();
}

void LensesFocalLengthsViewController::searchBarCancelButtonClicked(platform::ui::SearchBar&) { cancelSearch(); }

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

}  // namespace app::setup

