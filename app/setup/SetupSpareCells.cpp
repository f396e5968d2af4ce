#include "app/setup/SetupSpareCells.h"

#include "app/kit/UIConstants.h"
#include "app/setup/SetupIcons.h"
#include "app/setup/SetupListCells.h"

using platform::graphics::Color;
using platform::ui::TableViewCell;
using platform::ui::TableViewCellStyle;

namespace app::setup {

namespace {

using app::setup::addCellLabel;

constexpr double kSpareInset = 16;
constexpr Color kRadioBlue = Color::fromBytes(0, 180, 248);
constexpr Color kRadioTitle = Color::fromBytes(39, 39, 43);
constexpr Color kRadioCrop = Color::fromBytes(158, 165, 168);

void layOutTitleAndTrailing(TableViewCell& cell, platform::ui::Label& title, platform::ui::View* trailing,
                            double trailingWidth) {
  const auto b = cell.contentView()->bounds();
  title.setFrame({kSpareInset, 0, std::max(0.0, b.width() - 2 * kSpareInset - trailingWidth), b.height()});
  if (trailing) trailing->setFrame({b.width() - kSpareInset - trailingWidth, 0, trailingWidth, b.height()});
}

}  // namespace

// --- SetupControllerFrameLineCell ---

SetupControllerFrameLineCell::SetupControllerFrameLineCell(TableViewCellStyle style, std::string reuseIdentifier)
    : TableViewCell(style, std::move(reuseIdentifier)) {
  setSelectionStyle(platform::ui::TableViewCellSelectionStyle::None);
  contentView()->setBackgroundColor(kit::UIConstants::primaryBG());
  title = addCellLabel(*this);
  title->setTextColor(kit::UIConstants::contrastText());
  check = platform::ui::make<platform::ui::ImageView>(app::setup::SetupIcons::check(kit::UIConstants::blue()));
  check->setContentMode(platform::ui::ContentMode::Center);
  contentView()->addSubview(check);
}

void SetupControllerFrameLineCell::layoutSubviews() {
  TableViewCell::layoutSubviews();
  layOutTitleAndTrailing(*this, *title, check.get(), 20);
}

void SetupControllerFrameLineCell::setSelected(bool selected, bool animated) {
  check->setAlpha(0);
  title->setFont(kit::UIConstants::romanFontWithSize(14));
  TableViewCell::setSelected(selected, animated);
  if (selected) {
    title->setTextColor(Color::whiteColor());
    platform::ui::View::animate(app::setup::kRowPressIn, 0, platform::ui::AnimationOptionCurveEaseIn,
                                [this] { contentView()->setBackgroundColor(kit::UIConstants::blue()); });
    return;
  }
  contentView()->setBackgroundColor(kit::UIConstants::primaryBG());
  title->setTextColor(kit::UIConstants::contrastText());
}

// --- CameraSetupFullCellRadio ---

CameraSetupFullCellRadio::CameraSetupFullCellRadio(TableViewCellStyle style, std::string reuseIdentifier)
    : TableViewCell(style, std::move(reuseIdentifier)) {
  title = addCellLabel(*this);
  crop = addCellLabel(*this);
  crop->setTextAlignment(platform::ui::TextAlignment::Right);
  radio = platform::ui::make<platform::ui::ImageView>(app::setup::SetupIcons::radio(kRadioBlue));
  radio->setContentMode(platform::ui::ContentMode::Center);
  radio->setHidden(true);
  contentView()->addSubview(radio);
}

void CameraSetupFullCellRadio::layoutSubviews() {
  TableViewCell::layoutSubviews();
  layOutTitleAndTrailing(*this, *title, crop.get(), 80);
  const auto b = contentView()->bounds();
  radio->setFrame({b.width() - kSpareInset - 110, 0, 20, b.height()});
}

void CameraSetupFullCellRadio::setSelected(bool selected, bool animated) {
  TableViewCell::setSelected(selected, animated);
  radio->setHidden(!selected);
  title->setTextColor(selected ? kRadioBlue : kRadioTitle);
  title->setFont(platform::graphics::Font::named(selected ? "Avenir-Medium" : "Avenir-Roman", 16));
  crop->setTextColor(selected ? kRadioBlue : kRadioCrop);
}

// --- FormatEditCell ---

FormatEditCell::FormatEditCell(TableViewCellStyle style, std::string reuseIdentifier)
    : TableViewCell(style, std::move(reuseIdentifier)) {
  title = addCellLabel(*this);
  field = addCellLabel(*this);
  field->setTextAlignment(platform::ui::TextAlignment::Right);
}

void FormatEditCell::layoutSubviews() {
  TableViewCell::layoutSubviews();
  layOutTitleAndTrailing(*this, *title, field.get(), 120);
}

// --- FormatCell ---

FormatCell::FormatCell(TableViewCellStyle style, std::string reuseIdentifier)
    : TableViewCell(style, std::move(reuseIdentifier)) {
  field = addCellLabel(*this);
}

void FormatCell::layoutSubviews() {
  TableViewCell::layoutSubviews();
  layOutTitleAndTrailing(*this, *field, nullptr, 0);
}

}  // namespace app::setup

