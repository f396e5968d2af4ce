#include "app/setup/LensAdapterLayout.h"

#include "app/kit/UIConstants.h"
#include "app/optics/LensLimits.h"
#include "app/setup/SetupForm.h"
#include "app/setup/SetupIcons.h"

using platform::ui::make;

namespace app::setup {

namespace {

constexpr double kAdapterBarHeight = 50;
constexpr double kFormHeight = 150;
constexpr double kAdapterSide = LensAdapterLayout::kSide;
constexpr int64_t kFactorFieldTag = LensAdapterLayout::kFactorFieldTag;

std::shared_ptr<platform::ui::Label> adapterLabel(const std::string& text, const platform::graphics::Font& font,
                                           const platform::graphics::Color& color) {
  auto l = make<platform::ui::Label>();
  l->setText(text);
  l->setFont(font);
  l->setTextColor(color);
  return l;
}

std::shared_ptr<platform::ui::TextField> field(int64_t tag, platform::ui::ReturnKeyType returnKey) {
  auto f = make<platform::ui::TextField>();
  f->setTag(tag);
  f->setReturnKeyType(returnKey);
  f->setFont(kit::UIConstants::romanFontWithSize(15));
  f->setBackgroundColor(kit::UIConstants::textFieldBG());
  f->layer().setCornerRadius(4.0);
  return f;
}

}  // namespace

LensAdapterViews LensAdapterLayout::build(platform::ui::View& root) {
  LensAdapterViews v;
  v.adapterTableView = make<platform::ui::TableView>();
  v.adapterTableView->setBackgroundColor(kit::UIConstants::primaryBG());
  v.adapterTableView->setSeparatorColor(kit::UIConstants::tableViewSeparator());
  root.addSubview(v.adapterTableView);

  v.customAdapterView = make<platform::ui::View>();
  v.customAdapterView->setBackgroundColor(kit::UIConstants::secondaryBG());
  v.customAdapterView->setAlpha(0);
  v.customAdapterFactorLabel = adapterLabel(
      app::setup::rangeCaption("FACTOR", app::optics::LensLimits::kSmallestAdapterFactor,
                               app::optics::LensLimits::kLargestAdapterFactor),
      kit::UIConstants::mediumFontWithSize(11), kit::UIConstants::lowContrastText());
  v.customAdapterNameLabel = adapterLabel("NAME", kit::UIConstants::mediumFontWithSize(11), kit::UIConstants::lowContrastText());
  v.adapterValueField = field(kFactorFieldTag, platform::ui::ReturnKeyType::Next);
  v.adapterValueField->setKeyboardType(platform::ui::KeyboardType::DecimalPad);
  v.adapterNameField = field(kFactorFieldTag + 1, platform::ui::ReturnKeyType::Done);
  v.anamorphicRow = make<platform::ui::View>();
  v.anamorphicCheck = make<platform::ui::ImageView>(app::setup::SetupIcons::check(kit::UIConstants::blue()));
  v.anamorphicCheck->setAlpha(0);
  // The box stays while the tick inside comes and goes.
  v.anamorphicBox = make<platform::ui::View>();
  v.anamorphicBox->layer().setBorderColor(kit::UIConstants::lowContrastText());
  v.anamorphicBox->layer().setBorderWidth(1);
  v.anamorphicBox->layer().setCornerRadius(3);
  v.anamorphicBox->addSubview(v.anamorphicCheck);
  v.anamorphicLabel = adapterLabel("ANAMORPHIC", kit::UIConstants::mediumFontWithSize(12), kit::UIConstants::contrastText());
  v.anamorphicBtn = make<platform::ui::Button>();
  for (const auto& view : std::initializer_list<std::shared_ptr<platform::ui::View>>{
           v.anamorphicBox, v.anamorphicLabel, v.anamorphicBtn}) {
    v.anamorphicRow->addSubview(view);
  }
  for (const auto& view : std::initializer_list<std::shared_ptr<platform::ui::View>>{
           v.customAdapterFactorLabel, v.adapterValueField, v.customAdapterNameLabel, v.adapterNameField,
           v.anamorphicRow}) {
    v.customAdapterView->addSubview(view);
  }
  root.addSubview(v.customAdapterView);

  v.secondBar = make<platform::ui::View>();
  v.secondBar->setBackgroundColor(kit::UIConstants::filterBarColor());
  v.createNewBtn = make<kit::CustomButton>();
  v.filterBarTitleLabel = adapterLabel("", kit::UIConstants::heavyFontWithSize(12), kit::UIConstants::contrastText());
  v.filterBarTitleLabel->setAlpha(0);
  v.saveBtn = make<kit::CustomButton>();
  v.saveBtn->setAlpha(0);
  v.searchCancelBtn = make<platform::ui::Button>();
  v.searchCancelBtn->setTitle("CANCEL");
  v.searchCancelBtn->setTitleColor(kit::UIConstants::lowContrastText());
  v.searchCancelBtn->titleLabel()->setFont(kit::UIConstants::mediumFontWithSize(11));
  v.searchCancelBtn->setAlpha(0);
  for (const auto& view : std::initializer_list<std::shared_ptr<platform::ui::View>>{
           v.createNewBtn, v.filterBarTitleLabel, v.saveBtn, v.searchCancelBtn}) {
    v.secondBar->addSubview(view);
  }
  root.addSubview(v.secondBar);

  v.topBar = make<platform::ui::View>();
  v.topBar->setBackgroundColor(kit::UIConstants::topBarColor());
  // The top bar keeps its dark ground in both themes, so its title keeps a fixed light grey.
  v.topBarTitleLabel = adapterLabel("LENS ADAPTER", kit::UIConstants::heavyFontWithSize(14),
                             platform::graphics::Color::withWhite(245.0 / 255));
  v.topBarTitleLabel->setTextAlignment(platform::graphics::TextAlignment::Center);
  v.exitBtn = make<platform::ui::Button>();
  v.exitBtn->setTitle("EXIT");
  v.exitBtn->setTitleColor(kit::UIConstants::blue());
  v.exitBtn->titleLabel()->setFont(kit::UIConstants::heavyFontWithSize(12));
  v.topBar->addSubview(v.topBarTitleLabel);
  v.topBar->addSubview(v.exitBtn);
  root.addSubview(v.topBar);
  return v;
}

void LensAdapterLayout::layOut(const LensAdapterViews& v, const Moves& moves, const platform::ui::Rect& bounds,
                               const platform::ui::EdgeInsets& safe) {
  const double width = bounds.width();
  const double height = bounds.height();
  const double top = safe.top;
  const double bottom = safe.bottom;

  const double barTop = top + moves.topBarConstraint.constant();
  v.topBar->setFrame({0, 0, width, barTop + kAdapterBarHeight});
  v.topBarTitleLabel->setFrame({80, barTop, width - 160, kAdapterBarHeight});
  v.exitBtn->setFrame({width - 80, barTop, 72, kAdapterBarHeight});

  const double secondTop = barTop + kAdapterBarHeight;
  v.secondBar->setFrame({0, secondTop, width, kAdapterBarHeight});
  const double lead = moves.createNewBtnLeadingConstraint.constant();
  v.createNewBtn->setFrame({lead, 8, width - 2 * kAdapterSide, kAdapterBarHeight - 16});
  v.filterBarTitleLabel->setFrame({kAdapterSide, 0, width - 200, kAdapterBarHeight});
  v.searchCancelBtn->setFrame({width - 184, 8, 80, kAdapterBarHeight - 16});
  v.saveBtn->setFrame({width - 96, 8, 80, kAdapterBarHeight - 16});

  const bool form = v.customAdapterView->alpha() > 0;
  const double formTop = secondTop + kAdapterBarHeight;
  v.customAdapterView->setFrame({0, formTop, width, kFormHeight});
  const double fieldWidth = width - 2 * kAdapterSide;
  v.customAdapterFactorLabel->setFrame({kAdapterSide, 6, fieldWidth, 16});
  v.adapterValueField->setFrame({kAdapterSide, 22, fieldWidth, 32});
  v.customAdapterNameLabel->setFrame({kAdapterSide, 58, fieldWidth, 16});
  v.adapterNameField->setFrame({kAdapterSide, 74, fieldWidth, 32});
  v.anamorphicRow->setFrame({kAdapterSide, 112, fieldWidth, 32});
  v.anamorphicBox->setFrame({0, 5, 22, 22});
  v.anamorphicCheck->setFrame({1, 1, 20, 20});
  v.anamorphicLabel->setFrame({30, 0, 200, 32});
  v.anamorphicBtn->setFrame({0, 0, 230, 32});

  const double tableTop = form ? formTop + kFormHeight : formTop;
  v.adapterTableView->setFrame({0, tableTop, width, std::max(0.0, height - tableTop - bottom)});
}

}  // namespace app::setup

