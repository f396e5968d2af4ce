#include "app/setup/CameraModeAspectLayout.h"

#include "app/kit/StyledViews.h"
#include "app/kit/UIConstants.h"
#include "app/optics/SensorLimits.h"
#include "app/pages/PageContentView.h"
#include "app/setup/SetupForm.h"
#include "app/setup/SetupIcons.h"
#include "app/setup/SetupListCells.h"
#include "app/setup/SetupText.h"
#include "platform/ui/LocalizedStrings.h"

using platform::graphics::Color;
using platform::ui::make;
using platform::ui::View;

namespace app::setup {

namespace {

constexpr double kBarHeight = 50;
constexpr double kFilterMenuHeight = CameraModeAspectLayout::kFilterMenuHeight;
constexpr double kSide = CameraModeAspectLayout::kSide;
constexpr double kFieldHeight = 32;
constexpr double kFieldLabelHeight = 16;
constexpr double kFieldRow = kFieldLabelHeight + kFieldHeight + 8;

using app::setup::localized;

std::shared_ptr<platform::ui::Label> label(const std::string& text, const platform::graphics::Font& font,
                                           const Color& color) {
  auto l = app::pages::makePageLabel(font, color, platform::graphics::TextAlignment::Left);
  l->setText(text);
  return l;
}

std::shared_ptr<platform::ui::TextField> field(int64_t tag, const char* placeholder) {
  auto f = make<platform::ui::TextField>();
  f->setTag(tag);
  f->setFont(kit::UIConstants::romanFontWithSize(15));
  f->setBackgroundColor(kit::UIConstants::textFieldBG());
  f->layer().setCornerRadius(4.0);
  app::setup::styleFormField(*f, placeholder);
  return f;
}

std::shared_ptr<platform::ui::Button> iconButton(const std::shared_ptr<platform::graphics::Image>& icon) {
  auto button = make<platform::ui::Button>();
  auto image = make<platform::ui::ImageView>(icon);
  image->setContentMode(platform::ui::ContentMode::Center);
  image->setFrame({0, 0, 44, 44});
  button->addSubview(image);
  return button;
}

std::shared_ptr<platform::ui::TableView> table() {
  auto t = make<platform::ui::TableView>();
  t->setBackgroundColor(kit::UIConstants::primaryBG());
  t->setSeparatorColor(kit::UIConstants::tableViewSeparator());
  t->setSectionIndexColor(kit::UIConstants::blue());
  t->setSectionIndexBackgroundColor(Color::clearColor());
  t->setRowHeight(CameraModeAspectLayout::kRowHeight);
  t->setTableFooterView(make<View>());
  return t;
}

// A form's labelled fields, one under the other.
void layOutFields(const std::vector<std::shared_ptr<platform::ui::Label>>& labels,
                  const std::vector<std::shared_ptr<platform::ui::TextField>>& fields, double width) {
  for (size_t i = 0; i < fields.size(); ++i) {
    const double top = 6 + kFieldRow * static_cast<double>(i);
    labels[i]->setFrame({kSide, top, width - 2 * kSide, kFieldLabelHeight});
    fields[i]->setFrame({kSide, top + kFieldLabelHeight, width - 2 * kSide, kFieldHeight});
  }
}

}  // namespace

CameraModeAspectViews CameraModeAspectLayout::build(View& root) {
  CameraModeAspectViews v;
  v.cameraTableView = table();
  v.shootingModeTableView = table();
  v.aspectRatioTableView = table();
  v.cameraTableView->registerCell(ManufacturerCell::kReuseIdentifier, [] { return make<ManufacturerCell>(); });
  v.shootingModeTableView->registerCell(SetupFormatCell::kReuseIdentifier, [] { return make<SetupFormatCell>(); });
  v.aspectRatioTableView->registerCell(AspectRatioTableViewCell::kReuseIdentifier,
                                       [] { return make<AspectRatioTableViewCell>(); });
  for (const auto& t : {v.cameraTableView, v.shootingModeTableView, v.aspectRatioTableView}) root.addSubview(t);

  buildForms(v, root);

  v.filterMenuView = make<View>();
  v.filterMenuView->setBackgroundColor(kit::UIConstants::filterBarColor());
  v.filterCameraCineBtn = make<kit::TextButton>();
  v.filterCameraCineBtn->styleButtonWithString(localized("CINE"), 0);
  v.filterCameraPhotoBtn = make<kit::TextButton>();
  v.filterCameraPhotoBtn->styleButtonWithString(localized("PHOTO"), 0);
  v.filterMenuView->addSubview(v.filterCameraCineBtn);
  v.filterMenuView->addSubview(v.filterCameraPhotoBtn);
  root.addSubview(v.filterMenuView);

  v.secondBar = make<View>();
  v.secondBar->setBackgroundColor(kit::UIConstants::filterBarColor());
  v.createNewBtn = make<kit::CustomButton>();
  v.saveBtn = make<kit::CustomButton>();
  v.saveBtn->setAlpha(0);
  v.filterBarTitleLabel = label("", kit::UIConstants::heavyFontWithSize(12), kit::UIConstants::contrastText());
  v.filterBarTitleLabel->setAlpha(0);
  v.searchBtn = iconButton(app::setup::SetupIcons::search(kit::UIConstants::contrastText()));
  v.searchCancelBtn = iconButton(app::setup::SetupIcons::close(kit::UIConstants::contrastText()));
  v.searchCancelBtn->setAlpha(0);
  v.filterCameraView = make<View>();
  v.filterCameraIcon = make<platform::ui::ImageView>(app::setup::SetupIcons::filter(kit::UIConstants::contrastText()));
  v.filterCameraIcon->setContentMode(platform::ui::ContentMode::Center);
  v.filterCameraBtn = make<platform::ui::Button>();
  v.filterCameraView->addSubview(v.filterCameraIcon);
  v.filterCameraView->addSubview(v.filterCameraBtn);
  v.searchFormatBar = make<kit::StyledSearchBar>();
  v.searchFormatBar->setPlaceholder(localized("Search"));
  v.searchFormatBar->setAlpha(0);
  for (const auto& view : std::initializer_list<std::shared_ptr<View>>{
           v.createNewBtn, v.filterBarTitleLabel, v.filterCameraView, v.searchBtn, v.searchFormatBar, v.saveBtn,
           v.searchCancelBtn}) {
    v.secondBar->addSubview(view);
  }
  root.addSubview(v.secondBar);

  v.topBar = make<View>();
  v.topBar->setBackgroundColor(kit::UIConstants::topBarColor());
  // The top bar is dark in both themes.
  v.topBarTitleLabel = label(localized("CAMERA"), kit::UIConstants::heavyFontWithSize(14), Color::whiteColor());
  v.topBarTitleLabel->setTextAlignment(platform::graphics::TextAlignment::Center);
  v.backBtn = iconButton(app::setup::SetupIcons::back(kit::UIConstants::blue()));
  v.backBtn->setHidden(true);
  v.exitBtn = make<platform::ui::Button>();
  v.exitBtn->setTitle(localized("EXIT"));
  v.exitBtn->setTitleColor(kit::UIConstants::blue());
  v.exitBtn->titleLabel()->setFont(kit::UIConstants::heavyFontWithSize(12));
  for (const auto& view : std::initializer_list<std::shared_ptr<View>>{v.topBarTitleLabel, v.backBtn, v.exitBtn}) {
    v.topBar->addSubview(view);
  }
  root.addSubview(v.topBar);
  return v;
}

void CameraModeAspectLayout::buildForms(CameraModeAspectViews& v, View& root) {
  const auto formLabel = [&](const std::string& text) {
    auto l = label(text, kit::UIConstants::mediumFontWithSize(11), kit::UIConstants::lowContrastText());
    v.formLabels.push_back(l);
    return l;
  };
  const auto sideCaption = [](const char* title) {
    return app::setup::rangeCaption(localized(title), app::optics::SensorLimits::kSmallestSide,
                                    app::optics::SensorLimits::kLargestSide, "MM");
  };
  v.customFormatView = make<View>();
  v.customFramelineView = make<View>();
  v.customFormatNameTextField = field(kNameFieldTag, "My Camera");
  v.customFormatSensorWidthTextField = field(kSensorWidthFieldTag, "36mm");
  v.customFormatSensorHeightTextField = field(kSensorHeightFieldTag, "24mm");
  v.customAspectRatioWidthTextField = field(kRatioWidthFieldTag, "1.78");
  v.customAspectRatioHeightTextField = field(kRatioHeightFieldTag, "1");
  v.customFormatView->addSubview(formLabel(localized("CAMERA NAME")));
  v.customFormatView->addSubview(formLabel(sideCaption("SENSOR WIDTH")));
  v.customFormatView->addSubview(formLabel(sideCaption("SENSOR HEIGHT")));
  v.customFramelineView->addSubview(formLabel(localized("WIDTH")));
  v.customFramelineView->addSubview(formLabel(localized("HEIGHT")));
  for (const auto& f : {v.customFormatNameTextField, v.customFormatSensorWidthTextField,
                        v.customFormatSensorHeightTextField}) {
    v.customFormatView->addSubview(f);
  }
  for (const auto& f : {v.customAspectRatioWidthTextField, v.customAspectRatioHeightTextField}) {
    v.customFramelineView->addSubview(f);
  }
  for (const auto& f : {v.customFormatSensorWidthTextField, v.customFormatSensorHeightTextField,
                        v.customAspectRatioWidthTextField, v.customAspectRatioHeightTextField}) {
    f->setKeyboardType(platform::ui::KeyboardType::DecimalPad);
  }
  for (const auto& form : {v.customFormatView, v.customFramelineView}) {
    form->setBackgroundColor(kit::UIConstants::secondaryBG());
    form->setAlpha(0);
    root.addSubview(form);
  }
}

void CameraModeAspectLayout::layOut(const CameraModeAspectViews& v, const Moves& moves, const platform::ui::Rect& bounds,
                                    double top) {
  const double width = bounds.width();
  const double height = bounds.height();
  const double barTop = top + moves.topBarConstraint.constant();
  v.topBar->setFrame({0, 0, width, barTop + kBarHeight});
  v.topBarTitleLabel->setFrame({80, barTop, width - 160, kBarHeight});
  v.backBtn->setFrame({8, barTop + 3, 44, 44});
  v.exitBtn->setFrame({width - 80, barTop, 72, kBarHeight});

  const double secondTop = barTop + kBarHeight;
  v.secondBar->setFrame({0, secondTop, width, kBarHeight});
  const double createWidth = std::max(moves.createNewButtonWidthConstraint.constant(),
                                      v.createNewBtn->button()->intrinsicContentSize().width + 24);
  v.createNewBtn->setFrame({moves.createNewBtnLeadingConstraint.constant(), 8, createWidth, kBarHeight - 16});
  v.filterBarTitleLabel->setFrame({kSide, 0, width - 160, kBarHeight});
  v.searchBtn->setFrame({width - 52, 3, 44, 44});
  v.filterCameraView->setFrame({width - 100, 3, 44, 44});
  v.filterCameraIcon->setFrame({0, 0, 44, 44});
  v.filterCameraBtn->setFrame({0, 0, 44, 44});
  v.searchFormatBar->setFrame({0, (kBarHeight - platform::ui::SearchBar::kHeight) / 2, width - 52,
                               platform::ui::SearchBar::kHeight});
  v.searchCancelBtn->setFrame({width - 52, 3, 44, 44});
  v.saveBtn->setFrame({width - 140, 8, 80, kBarHeight - 16});

  const double listTop = secondTop + kBarHeight;
  v.filterMenuView->setFrame({0, listTop + moves.filterMenuTopConstraint.constant(), width, kFilterMenuHeight});
  v.filterCameraCineBtn->setFrame({kSide, 0, (width - 3 * kSide) / 2, kFilterMenuHeight});
  v.filterCameraPhotoBtn->setFrame({width / 2 + kSide / 2, 0, (width - 3 * kSide) / 2, kFilterMenuHeight});

  const auto cameraFields = std::vector{v.customFormatNameTextField, v.customFormatSensorWidthTextField,
                                        v.customFormatSensorHeightTextField};
  const auto ratioFields = std::vector{v.customAspectRatioWidthTextField, v.customAspectRatioHeightTextField};
  v.customFormatView->setFrame({0, listTop, width, 12 + kFieldRow * 3});
  v.customFramelineView->setFrame({0, listTop, width, 12 + kFieldRow * 2});
  layOutFields({v.formLabels.begin(), v.formLabels.begin() + 3}, cameraFields, width);
  layOutFields({v.formLabels.begin() + 3, v.formLabels.end()}, ratioFields, width);

  // An open form pushes the lists down rather than covering their first rows.
  double tablesTop = listTop;
  if (v.customFormatView->alpha() > 0) tablesTop = v.customFormatView->frame().maxY();
  if (v.customFramelineView->alpha() > 0) tablesTop = v.customFramelineView->frame().maxY();
  const double tablesHeight = std::max(0.0, height - tablesTop);
  v.cameraTableView->setFrame({moves.leadingConstraintCameraTable.constant(), tablesTop, width, tablesHeight});
  v.shootingModeTableView->setFrame({moves.leadingConstraintShootingModeTable.constant(), tablesTop, width, tablesHeight});
  v.aspectRatioTableView->setFrame({moves.leadingConstraintAspectRatioTable.constant(), tablesTop, width, tablesHeight});
}

}  // namespace app::setup

