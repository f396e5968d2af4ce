#include "app/setup/LensPickerLayout.h"

#include "app/kit/UIConstants.h"
#include "app/setup/LensFormValues.h"
#include "app/setup/SetupIcons.h"
#include "platform/ui/LocalizedStrings.h"

using platform::ui::Label;
using platform::ui::LocalizedStrings;
using platform::ui::make;
using platform::ui::Rect;

namespace app::setup {

namespace {

constexpr double kInset = 16;
constexpr double kIcon = 22;
// A lens form: its title line, the caption with the focal length's bounds, then the fields.
constexpr double kLensCaptionTop = 40;
constexpr double kLensCaptionHeight = 16;
constexpr double kLensFieldTop = kLensCaptionTop + kLensCaptionHeight + 4;

std::string localizedText(const char* key) { return LocalizedStrings::localizedString(key); }

// A plain text button of the bars; the icon, when given, sits left of the title.
std::shared_ptr<platform::ui::Button> barButton(platform::ui::View& parent, const std::string& title,
                                                std::shared_ptr<platform::graphics::Image> icon = nullptr) {
  auto button = make<platform::ui::Button>();
  button->setTitle(title);
  button->setTitleColor(kit::UIConstants::contrastText());
  button->setTitleColor(kit::UIConstants::blue(), platform::ui::ControlState::Highlighted);
  button->titleLabel()->setFont(kit::UIConstants::heavyFontWithSize(11));
  if (icon) {
    auto picture = make<platform::ui::ImageView>(icon);
    picture->setFrame({0, 0, kIcon, kIcon});
    picture->setTag(1);
    button->addSubview(picture);
  }
  parent.addSubview(button);
  return button;
}

std::shared_ptr<Label> label(platform::ui::View& parent, const platform::graphics::Font& font,
                             const platform::graphics::Color& color) {
  auto made = make<Label>();
  made->setFont(font);
  made->setTextColor(color);
  parent.addSubview(made);
  return made;
}

// The caption over a lens form's focal-length fields, as the camera form's over its sensor sides.
std::shared_ptr<Label> caption(platform::ui::View& parent) {
  auto made = label(parent, kit::UIConstants::mediumFontWithSize(11), kit::UIConstants::lowContrastText());
  made->setText(LensFormValues::focalLengthCaption());
  return made;
}

std::shared_ptr<kit::TextButton> filterButton(platform::ui::View& parent, const char* title) {
  auto button = make<kit::TextButton>();
  button->styleButtonWithString(localizedText(title), 0);
  parent.addSubview(button);
  return button;
}

std::shared_ptr<kit::StyledTextField> field(platform::ui::View& parent, int tag) {
  auto made = make<kit::StyledTextField>();
  made->setTag(tag);
  made->setBackgroundColor(kit::UIConstants::textFieldBG());
  made->setKeyboardType(platform::ui::KeyboardType::DecimalPad);
  parent.addSubview(made);
  return made;
}

void centreIcon(platform::ui::Button& button) {
  if (auto* icon = button.viewWithTag(1)) {
    icon->setFrame({0, (button.bounds().height() - kIcon) / 2, kIcon, kIcon});
  }
}

}  // namespace

LensPickerViews LensPickerLayout::build(platform::ui::View& root) {
  LensPickerViews v;
  const auto ink = kit::UIConstants::contrastText();

  // The pages first, so that every bar and form lies above them.
  v.lensSeriesTableView = make<kit::GeneralTableView>();
  v.focalLengthsTableView = make<kit::GeneralTableView>();
  for (auto* table : {v.lensSeriesTableView.get(), v.focalLengthsTableView.get()}) {
    table->setRowHeight(kRowHeight);
    table->setBackgroundColor(kit::UIConstants::primaryBG());
    table->setSectionIndexColor(kit::UIConstants::lowContrastText());
    table->setTableFooterView(make<platform::ui::View>());
  }
  root.addSubview(v.lensSeriesTableView);
  root.addSubview(v.focalLengthsTableView);

  // The filter menu slides out from under the filter bar.
  v.filterMenuClip = make<platform::ui::View>();
  v.filterMenuClip->setClipsToBounds(true);
  v.filterMenuClip->setUserInteractionEnabled(false);  // on only while the menu is open
  root.addSubview(v.filterMenuClip);
  v.filterMenuView = make<kit::FilterBarView>();
  v.filterMenuClip->addSubview(v.filterMenuView);
  v.filterLensesPrimesBtn = filterButton(*v.filterMenuView, "PRIMES");
  v.filterLensesZoomsBtn = filterButton(*v.filterMenuView, "ZOOMS");
  v.filterLensesSphericalBtn = filterButton(*v.filterMenuView, "SPHERICAL");
  v.filterLensesAnamorphicBtn = filterButton(*v.filterMenuView, "ANAMORPHIC");
  v.filterLensesClearBtn = filterButton(*v.filterMenuView, "CLEAR FILTERS");

  v.filterLensesView = make<kit::FilterBarView>();
  root.addSubview(v.filterLensesView);
  v.filterLensesBtn = filterButton(*v.filterLensesView, "FILTER");
  v.filterLensIcon = make<platform::ui::ImageView>(SetupIcons::filter(ink));
  v.filterLensesView->addSubview(v.filterLensIcon);
  // A sibling of the filter bar, not a part of it: the series name stays when the bar goes on page 2.
  v.filterBarTitleLabel = label(root, kit::UIConstants::mediumFontWithSize(13), ink);
  v.filterBarTitleLabel->setTextAlignment(platform::ui::TextAlignment::Center);
  v.searchBtn = barButton(*v.filterLensesView, "", SetupIcons::search(ink));

  // Under the top bar: the search row, or a form's cancel, title and save.
  v.searchFormatBar = make<kit::StyledSearchBar>();
  v.searchFormatBar->setPlaceholder(localizedText("Search"));
  root.addSubview(v.searchFormatBar);
  v.searchCancelBtn = barButton(root, localizedText("CANCEL"));
  v.backFilterBarBtn = barButton(root, "", SetupIcons::back(ink));
  v.titleLabel = label(root, kit::UIConstants::heavyFontWithSize(12), kit::UIConstants::maxContrastText());
  v.titleLabel->setTextAlignment(platform::ui::TextAlignment::Center);
  v.saveBtn = make<kit::CustomButton>();
  root.addSubview(v.saveBtn);

  v.topBar = make<kit::TopBarView>();
  root.addSubview(v.topBar);
  v.backBtn = barButton(*v.topBar, "", SetupIcons::back(ink));
  v.exitBtn = barButton(*v.topBar, "", SetupIcons::close(ink));
  v.topBarTitleLabel = make<kit::TopBarTitleLabel>();
  v.topBarTitleLabel->setTextAlignment(platform::ui::TextAlignment::Center);
  v.topBar->addSubview(v.topBarTitleLabel);
  v.doneBtn = make<kit::CustomButton>();
  v.topBar->addSubview(v.doneBtn);
  v.statusCover = make<kit::GeneralBackgroundView>();
  root.addSubview(v.statusCover);

  v.createNewBtn = make<kit::CustomButton>();
  root.addSubview(v.createNewBtn);
  v.primeLensCountLabel = label(root, kit::UIConstants::mediumFontWithSize(12), kit::UIConstants::lowContrastText());
  v.primeLensCountLabel->setTextAlignment(platform::ui::TextAlignment::Right);

  // The forms, over the pages.
  const auto formFont = kit::UIConstants::mediumFontWithSize(12);
  v.customLensSeriesView = make<kit::GeneralBackgroundView>();
  root.addSubview(v.customLensSeriesView);
  v.customLensSeriesNameTextField = field(*v.customLensSeriesView, kNameTag);
  v.customLensSeriesNameTextField->setKeyboardType(platform::ui::KeyboardType::Default);
  v.customLensSeriesSqueezeTextField = field(*v.customLensSeriesView, kSqueezeTag);
  v.customLensSeriesTypeRadioBtn = make<kit::CustomRadioButtonView>();
  v.customLensSeriesTypeRadioBtn->yesBtn()->setTitle(localizedText("Primes"));
  v.customLensSeriesTypeRadioBtn->noBtn()->setTitle(localizedText("Zooms"));
  v.customLensSeriesView->addSubview(v.customLensSeriesTypeRadioBtn);

  v.customPrimeLensView = make<kit::GeneralBackgroundView>();
  root.addSubview(v.customPrimeLensView);
  v.customPrimeLensLabel = label(*v.customPrimeLensView, formFont, kit::UIConstants::lowContrastText());
  v.customPrimeLensCaption = caption(*v.customPrimeLensView);
  v.customPrimeLensTextField = field(*v.customPrimeLensView, kPrimeTag);

  v.customZoomLensView = make<kit::GeneralBackgroundView>();
  root.addSubview(v.customZoomLensView);
  v.customZoomLensLabel = label(*v.customZoomLensView, formFont, kit::UIConstants::lowContrastText());
  v.customZoomLensCaption = caption(*v.customZoomLensView);
  v.customZoomMinTextField = field(*v.customZoomLensView, kZoomMinTag);
  v.customZoomMaxTextField = field(*v.customZoomLensView, kZoomMaxTag);
  return v;
}

void LensPickerLayout::layOut(const LensPickerViews& v, const LensPickerConstraints& c, const Rect& bounds,
                              double safeTop) {
  const double w = bounds.width();
  const double top = safeTop;

  v.statusCover->setFrame({0, 0, w, top});
  v.topBar->setFrame({0, top + c.topBarConstraint.constant(), w, kBarHeight});
  v.backBtn->setFrame({8, 0, 60, kBarHeight});
  v.exitBtn->setFrame({w - 60, 0, 52, kBarHeight});
  v.topBarTitleLabel->setFrame({70, 0, w - 140, kBarHeight});
  v.doneBtn->setFrame({w - 96, 10, 84, 30});
  centreIcon(*v.backBtn);
  if (auto* icon = v.exitBtn->viewWithTag(1)) icon->setFrame({52 - kIcon - 8, (kBarHeight - kIcon) / 2, kIcon, kIcon});

  v.searchCancelBtn->setFrame({8, top, 70, kBarHeight});
  v.backFilterBarBtn->setFrame({8, top, 60, kBarHeight});
  centreIcon(*v.backFilterBarBtn);
  v.searchFormatBar->setFrame({78, top + (kBarHeight - 44) / 2, w - 86, 44});
  v.titleLabel->setFrame({80, top, w - 180, kBarHeight});
  v.saveBtn->setFrame({w - 96, top + 10, 84, 30});

  const double filterTop = top + kBarHeight;
  v.filterLensesView->setFrame({0, filterTop, w, kFilterBarHeight});
  v.filterLensIcon->setFrame({kInset, (kFilterBarHeight - kIcon) / 2, kIcon, kIcon});
  v.filterLensesBtn->setFrame({kInset, 0, 110, kFilterBarHeight});
  v.filterBarTitleLabel->setFrame({60, filterTop, w - 120, kFilterBarHeight});
  v.searchBtn->setFrame({w - kInset - kIcon - 8, 0, kIcon + 8, kFilterBarHeight});
  centreIcon(*v.searchBtn);

  const double pagesTop = filterTop + kFilterBarHeight;
  v.filterMenuClip->setFrame({0, pagesTop, w, kFilterMenuHeight});
  v.filterMenuView->setFrame({0, c.filterMenuTopConstraint.constant(), w, kFilterMenuHeight});
  const double quarter = (w - 2 * kInset) / 4;
  double x = kInset;
  for (auto* button : {v.filterLensesPrimesBtn.get(), v.filterLensesZoomsBtn.get(), v.filterLensesSphericalBtn.get(),
                       v.filterLensesAnamorphicBtn.get()}) {
    button->setFrame({x, 4, quarter, 34});
    x += quarter;
  }
  v.filterLensesClearBtn->setFrame({kInset, 40, w - 2 * kInset, 32});

  const double pagesHeight = bounds.height() - pagesTop - kBottomHeight;
  v.lensSeriesTableView->setFrame({c.leadingConstraintLensSeriesTable.constant(), pagesTop, w, pagesHeight});
  v.focalLengthsTableView->setFrame({c.leadingConstraintFocalLengthsTable.constant(), pagesTop, w, pagesHeight});

  const double bottom = bounds.height() - kBottomHeight;
  v.createNewBtn->setFrame({c.createNewBtnLeadingConstraint.constant(), bottom + 12, 230, 36});
  v.primeLensCountLabel->setFrame({w - 140, bottom + 12, 124, 36});

  const Rect form{0, filterTop, w, bounds.height() - filterTop};
  v.customLensSeriesView->setFrame(form);
  v.customLensSeriesNameTextField->setFrame({kInset, 24, w - 2 * kInset, 40});
  v.customLensSeriesSqueezeTextField->setFrame({kInset, 76, w - 2 * kInset, 40});
  v.customLensSeriesTypeRadioBtn->setFrame({kInset, 132, w - 2 * kInset, 36});
  v.customPrimeLensView->setFrame(form);
  v.customPrimeLensLabel->setFrame({kInset, 16, w - 2 * kInset, 20});
  v.customPrimeLensCaption->setFrame({kInset, kLensCaptionTop, w - 2 * kInset, kLensCaptionHeight});
  v.customPrimeLensTextField->setFrame({kInset, kLensFieldTop, w - 2 * kInset, 40});
  v.customZoomLensView->setFrame(form);
  v.customZoomLensLabel->setFrame({kInset, 16, w - 2 * kInset, 20});
  v.customZoomLensCaption->setFrame({kInset, kLensCaptionTop, w - 2 * kInset, kLensCaptionHeight});
  const double half = (w - 3 * kInset) / 2;
  v.customZoomMinTextField->setFrame({kInset, kLensFieldTop, half, 40});
  v.customZoomMaxTextField->setFrame({2 * kInset + half, kLensFieldTop, half, 40});
}

}  // namespace app::setup

