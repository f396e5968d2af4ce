#include "app/setup/LensFilterMenu.h"

#include "app/kit/UIConstants.h"
#include "app/setup/LensesFocalLengthsViewController.h"
#include "app/setup/SetupIcons.h"

using platform::ui::View;

namespace app::setup {

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

void LensFilterMenu::showIcon(bool active) {
  const auto& v = screen_.views();
  v.filterLensIcon->setImage(SetupIcons::filter(active ? kit::UIConstants::blue() : kit::UIConstants::contrastText()));
  if (active) {
    v.filterLensesBtn->setFilterSelected();
  } else {
    v.filterLensesBtn->setFilterNotSelected();
  }
}

void LensFilterMenu::toggle() {
  if (!filterMenuOpen) {
    open();
    return;
  }
  filterMenuOpen = false;
  screen_.views().filterMenuClip->setUserInteractionEnabled(false);
  View::animate(
      0.2, 0, platform::ui::AnimationOptionCurveEaseIn,
      [this] {
        screen_.constraints().filterMenuTopConstraint.setConstant(-LensPickerLayout::kFilterMenuHeight);
        screen_.layOutViews();
      },
      [this](bool) {
        View::animate(0.1, 0, platform::ui::AnimationOptionCurveEaseOut, [this] { showIcon(filters.anyActive()); });
      });
}

void LensFilterMenu::open() {
  filterMenuOpen = true;
  screen_.views().filterMenuClip->setUserInteractionEnabled(true);
  showIcon(true);
  View::animate(
      0.2, 0, platform::ui::AnimationOptionCurveEaseIn,
      [this] {
        const auto& v = screen_.views();
        for (auto* button : std::initializer_list<View*>{v.filterLensesPrimesBtn.get(), v.filterLensesZoomsBtn.get(),
                                                         v.filterLensesSphericalBtn.get(),
                                                         v.filterLensesAnamorphicBtn.get(),
                                                         v.filterLensesClearBtn.get()}) {
          button->setAlpha(0.5);
        }
        screen_.constraints().filterMenuTopConstraint.setConstant(0);
        screen_.layOutViews();
      },
      [this](bool) {
        View::animate(0.1, 0, platform::ui::AnimationOptionCurveEaseOut, [this] {
          const auto& v = screen_.views();
          for (auto* button : std::initializer_list<View*>{v.filterLensesPrimesBtn.get(), v.filterLensesZoomsBtn.get(),
                                                           v.filterLensesSphericalBtn.get(),
                                                           v.filterLensesAnamorphicBtn.get()}) {
            button->setAlpha(1);
          }
        });
      });
}

void LensFilterMenu::primesPressed() {
  filters.togglePrime();
  showToggled(*screen_.views().filterLensesPrimesBtn, filters.prime, *screen_.views().filterLensesZoomsBtn);
  screen_.dbFIlterUpdate();
}

void LensFilterMenu::zoomsPressed() {
  filters.toggleZoom();
  showToggled(*screen_.views().filterLensesZoomsBtn, filters.zoom, *screen_.views().filterLensesPrimesBtn);
  screen_.dbFIlterUpdate();
}

void LensFilterMenu::sphericalPressed() {
  filters.toggleSpherical();
  showToggled(*screen_.views().filterLensesSphericalBtn, filters.spherical, *screen_.views().filterLensesAnamorphicBtn);
  screen_.dbFIlterUpdate();
}

void LensFilterMenu::anamorphicPressed() {
  filters.toggleAnamorphic();
  showToggled(*screen_.views().filterLensesAnamorphicBtn, filters.anamorphic, *screen_.views().filterLensesSphericalBtn);
  screen_.dbFIlterUpdate();
}

void LensFilterMenu::clear() {
  // The menu counts as closed at once, so that the filter button's next tap opens it again.
  filterMenuOpen = false;
  screen_.views().filterMenuClip->setUserInteractionEnabled(false);
  std::weak_ptr<platform::runtime::Object> weak = screen_.weak_from_this();
  View::animate(
      0.2, 0, platform::ui::AnimationOptionCurveEaseIn,
      [this] {
        screen_.constraints().filterMenuTopConstraint.setConstant(-LensPickerLayout::kFilterMenuHeight);
        screen_.layOutViews();
      },
      [weak](bool) {
        auto screen = std::static_pointer_cast<LensesFocalLengthsViewController>(weak.lock());
        if (!screen) return;
        auto& menu = screen->filterMenu();
        const auto& v = screen->views();
        menu.showIcon(false);
        for (auto* button : {v.filterLensesPrimesBtn.get(), v.filterLensesZoomsBtn.get(),
                             v.filterLensesSphericalBtn.get(), v.filterLensesAnamorphicBtn.get()}) {
          button->setFilterNotSelected();
        }
        // The flags go before the list is read again, so that the reload shows every series.
        menu.filters.clear();
        screen->dbFIlterUpdate();
      });
}

}  // namespace app::setup
