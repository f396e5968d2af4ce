#include "app/setup/SetupListCells.h"

#include <functional>

#include "app/kit/UIConstants.h"
#include "app/setup/SetupIcons.h"

using platform::graphics::Color;
using platform::ui::AnimationOptionCurveEaseIn;
using platform::ui::Label;
using platform::ui::TableViewCell;
using platform::ui::TableViewCellSelectionStyle;
using platform::ui::TableViewCellStyle;
using platform::ui::View;

namespace app::setup {

std::shared_ptr<Label> addCellLabel(TableViewCell& cell) {
  auto label = platform::ui::make<Label>();
  // Long series and package texts shrink a little to stay whole in the row.
  label->setAdjustsFontSizeToFitWidth(true);
  label->setMinimumScaleFactor(0.7);
  cell.contentView()->addSubview(label);
  return label;
}

namespace {

using app::setup::addCellLabel;
using app::setup::kRowFadeOut;

constexpr double kCellInset = 16;

// The cell draws its own press and selection, not the platform's grey.
void ownLook(TableViewCell& cell) {
  cell.setSelectionStyle(TableViewCellSelectionStyle::None);
  cell.setBackgroundColor(kit::UIConstants::primaryBG());
}

void whiten(std::initializer_list<Label*> labels) {
  for (auto* label : labels) label->setTextColor(Color::whiteColor());
}

// The accent comes up on `ground` over `seconds`, after the texts turned white at once.
void press(View& ground, double seconds) {
  View::animate(seconds, 0, AnimationOptionCurveEaseIn, [&ground] { ground.setBackgroundColor(kit::UIConstants::blue()); });
}

void release(View& ground, const std::function<void()>& texts) {
  View::animate(kRowFadeOut, 0, AnimationOptionCurveEaseIn, [&ground, &texts] {
    ground.setBackgroundColor(kit::UIConstants::primaryBG());
    texts();
  });
}

// Vertically centred in the cell, from `x` to `right` points before the trailing edge.
platform::ui::Rect across(const platform::ui::Rect& bounds, double x, double right) {
  return {x, 0, std::max(0.0, bounds.width() - x - right), bounds.height()};
}

}  // namespace

// --- ManufacturerCell ---

ManufacturerCell::ManufacturerCell(TableViewCellStyle style, std::string reuseIdentifier)
    : TableViewCell(style, std::move(reuseIdentifier)) {
  ownLook(*this);
  title = addCellLabel(*this);
  anaFactorLabel = addCellLabel(*this);
  comment = addCellLabel(*this);
  title->setFont(kit::UIConstants::romanFontWithSize(14));
  title->setTextColor(kit::UIConstants::contrastText());
  anaFactorLabel->setFont(kit::UIConstants::romanFontWithSize(12));
  anaFactorLabel->setTextColor(kit::UIConstants::lowContrastText());
  anaFactorLabel->setTextAlignment(platform::ui::TextAlignment::Right);
  comment->setFont(kit::UIConstants::mediumFontWithSize(10));
  comment->setTextColor(kit::UIConstants::lowContrastText());
  comment->setTextAlignment(platform::ui::TextAlignment::Right);
}

void ManufacturerCell::layoutSubviews() {
  TableViewCell::layoutSubviews();
  const auto b = contentView()->bounds();
  // The title takes the room the squeeze and comment texts leave; the index strip keeps its edge.
  const bool side = !anaFactorLabel->text().empty() || !comment->text().empty();
  // Without a comment (the lens series rows) the squeeze text takes the comment's room too: a series of the
  // user's own reads "1.33x ANA  |  CUSTOM".
  const bool wideSqueeze = !anaFactorLabel->text().empty() && comment->text().empty();
  title->setFrame(across(b, kCellInset, side ? (wideSqueeze ? 160 : 130) : 24));
  anaFactorLabel->setFrame(wideSqueeze ? platform::ui::Rect{b.width() - 154, 0, 130, b.height()}
                                       : platform::ui::Rect{b.width() - 124, 0, 50, b.height()});
  comment->setFrame({b.width() - 70, 0, 54, b.height()});
}

void ManufacturerCell::prepareForReuse() { setNeedsLayout(); }

void ManufacturerCell::setHighlighted(bool highlighted, bool animated) {
  TableViewCell::setHighlighted(highlighted, animated);
  title->setFont(kit::UIConstants::romanFontWithSize(14));
  if (highlighted) {
    whiten({title.get(), anaFactorLabel.get(), comment.get()});
    press(*this, app::setup::kRowPressIn);
    return;
  }
  release(*this, [this] {
    title->setTextColor(kit::UIConstants::contrastText());
    anaFactorLabel->setTextColor(kit::UIConstants::lowContrastText());
    comment->setTextColor(kit::UIConstants::lowContrastText());
  });
}

void ManufacturerCell::setSelected(bool selected, bool animated) {
  TableViewCell::setSelected(selected, animated);
  const Color color = selected ? kit::UIConstants::blue() : kit::UIConstants::contrastText();
  anaFactorLabel->setTextColor(color);
  title->setTextColor(color);
}

// --- SetupFormatCell ---

SetupFormatCell::SetupFormatCell(TableViewCellStyle style, std::string reuseIdentifier)
    : TableViewCell(style, std::move(reuseIdentifier)) {
  ownLook(*this);
  title = addCellLabel(*this);
  crop = addCellLabel(*this);
  check = platform::ui::make<platform::ui::ImageView>(app::setup::SetupIcons::check(kit::UIConstants::blue()));
  check->setHidden(true);
  contentView()->addSubview(check);
  title->setFont(kit::UIConstants::romanFontWithSize(14));
  title->setTextColor(kit::UIConstants::contrastText());
  crop->setFont(kit::UIConstants::romanFontWithSize(12));
  crop->setTextColor(kit::UIConstants::lowContrastText());
  crop->setTextAlignment(platform::ui::TextAlignment::Right);
}

void SetupFormatCell::layoutSubviews() {
  TableViewCell::layoutSubviews();
  const auto b = contentView()->bounds();
  title->setFrame(across(b, kCellInset, 110));
  crop->setFrame({b.width() - 104, 0, 60, b.height()});
  check->setFrame({b.width() - 36, (b.height() - 20) / 2, 20, 20});
}

void SetupFormatCell::setHighlighted(bool highlighted, bool animated) {
  TableViewCell::setHighlighted(highlighted, animated);
  title->setFont(kit::UIConstants::romanFontWithSize(14));
  if (highlighted) {
    whiten({title.get()});
    press(*this, app::setup::kRowPressIn);
    return;
  }
  release(*this, [this] { title->setTextColor(kit::UIConstants::contrastText()); });
}

void SetupFormatCell::setSelected(bool selected, bool animated) {
  TableViewCell::setSelected(selected, animated);
  title->setTextColor(selected ? kit::UIConstants::blue() : kit::UIConstants::contrastText());
}

// --- AspectRatioTableViewCell ---

AspectRatioTableViewCell::AspectRatioTableViewCell(TableViewCellStyle style, std::string reuseIdentifier)
    : TableViewCell(style, std::move(reuseIdentifier)) {
  ownLook(*this);
  contentView()->setBackgroundColor(kit::UIConstants::primaryBG());
  aspectRatio = addCellLabel(*this);
  native = addCellLabel(*this);
  aspectRatio->setFont(kit::UIConstants::romanFontWithSize(14));
  aspectRatio->setTextColor(kit::UIConstants::contrastText());
  native->setFont(kit::UIConstants::mediumFontWithSize(10));
  native->setTextColor(kit::UIConstants::lowContrastText());
  native->setTextAlignment(platform::ui::TextAlignment::Right);
}

void AspectRatioTableViewCell::layoutSubviews() {
  TableViewCell::layoutSubviews();
  const auto b = contentView()->bounds();
  aspectRatio->setFrame(across(b, kCellInset, 150));
  native->setFrame({b.width() - 216, 0, 200, b.height()});
}

void AspectRatioTableViewCell::setHighlighted(bool highlighted, bool animated) {
  TableViewCell::setHighlighted(highlighted, animated);
  if (highlighted) {
    whiten({aspectRatio.get(), native.get()});
    press(*contentView(), app::setup::kRowPressIn);
    return;
  }
  release(*contentView(), [this] {
    aspectRatio->setTextColor(kit::UIConstants::contrastText());
    native->setTextColor(kit::UIConstants::lowContrastText());
  });
}

void AspectRatioTableViewCell::setSelected(bool selected, bool animated) {
  TableViewCell::setSelected(selected, animated);
  if (selected) {
    aspectRatio->setTextColor(kit::UIConstants::blue());
    native->setTextColor(kit::UIConstants::blue());
  } else {
    aspectRatio->setTextColor(kit::UIConstants::contrastText());
    native->setTextColor(kit::UIConstants::lowContrastText());
  }
}

// --- SetupControllerPackageCell ---

SetupControllerPackageCell::SetupControllerPackageCell(TableViewCellStyle style, std::string reuseIdentifier)
    : TableViewCell(style, std::move(reuseIdentifier)) {
  setSelectionStyle(TableViewCellSelectionStyle::None);
  setBackgroundColor(kit::UIConstants::tableViewBGColor());
  title = addCellLabel(*this);
  format = addCellLabel(*this);
  lenses = addCellLabel(*this);
  title->setFont(kit::UIConstants::mediumFontWithSize(15));
  title->setTextColor(kit::UIConstants::contrastText());
  for (auto* label : {format.get(), lenses.get()}) {
    label->setFont(kit::UIConstants::romanFontWithSize(13));
    label->setTextColor(kit::UIConstants::lowContrastText());
  }
}

void SetupControllerPackageCell::layoutSubviews() {
  TableViewCell::layoutSubviews();
  const auto b = contentView()->bounds();
  const double width = std::max(0.0, b.width() - 2 * kCellInset);
  const double top = std::max(0.0, (b.height() - 58) / 2);
  title->setFrame({kCellInset, top, width, 22});
  format->setFrame({kCellInset, top + 22, width, 18});
  lenses->setFrame({kCellInset, top + 40, width, 18});
}

void SetupControllerPackageCell::setHighlighted(bool highlighted, bool animated) {
  title->setFont(kit::UIConstants::mediumFontWithSize(15));
  format->setFont(kit::UIConstants::romanFontWithSize(13));
  lenses->setFont(kit::UIConstants::romanFontWithSize(13));
  TableViewCell::setHighlighted(highlighted, animated);
  if (highlighted) {
    whiten({title.get(), format.get(), lenses.get()});
    press(*this, app::setup::kPackageRowPressIn);
    return;
  }
  std::weak_ptr<View> weak = weak_from_this();
  View::animate(
      kRowFadeOut, 0, AnimationOptionCurveEaseIn, [this] { setBackgroundColor(kit::UIConstants::tableViewBGColor()); },
      [weak](bool) {
        auto cell = std::static_pointer_cast<SetupControllerPackageCell>(weak.lock());
        // Pressed again while it faded: the texts stay white.
        if (!cell || cell->isHighlighted()) return;
        cell->title->setTextColor(kit::UIConstants::contrastText());
        cell->format->setTextColor(kit::UIConstants::lowContrastText());
        cell->lenses->setTextColor(kit::UIConstants::lowContrastText());
      });
}

}  // namespace app::setup

