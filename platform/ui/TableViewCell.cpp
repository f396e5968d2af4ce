#include "platform/ui/TableViewCell.h"

namespace platform::ui {

namespace {
constexpr double kTextInset = 16;
constexpr double kSeparatorHeight = 0.5;
}  // namespace

TableViewCell::TableViewCell(TableViewCellStyle, std::string reuseIdentifier)
    : View(Rect{0, 0, 320, 44}), reuseIdentifier_(std::move(reuseIdentifier)) {
  selectionBackground_ = make<View>(bounds());
  selectionBackground_->setBackgroundColor(Color::withWhite(0.85, 1));
  selectionBackground_->setHidden(true);
  selectionBackground_->setUserInteractionEnabled(false);
  addSubview(selectionBackground_);
  contentView_ = make<View>(bounds());
  addSubview(contentView_);
  separator_ = make<View>();
  separator_->setHidden(true);
  separator_->setUserInteractionEnabled(false);
  addSubview(separator_);
}

const std::shared_ptr<Label>& TableViewCell::textLabel() {
  if (!textLabel_) {
    textLabel_ = make<Label>();
    contentView_->addSubview(textLabel_);
    setNeedsLayout();
  }
  return textLabel_;
}

void TableViewCell::setSelected(bool selected, bool) {
  selected_ = selected;
  updateSelectionLook();
}

void TableViewCell::setHighlighted(bool highlighted, bool) {
  highlighted_ = highlighted;
  updateSelectionLook();
}

void TableViewCell::setSelectionStyle(TableViewCellSelectionStyle style) {
  selectionStyle_ = style;
  updateSelectionLook();
}

void TableViewCell::updateSelectionLook() {
  bool shown = selectionStyle_ != TableViewCellSelectionStyle::None && (selected_ || highlighted_);
  selectionBackground_->setHidden(!shown);
}

void TableViewCell::setSeparator(std::optional<Color> color) {
  separator_->setHidden(!color);
  if (color) separator_->setBackgroundColor(*color);
}

void TableViewCell::layoutSubviews() {
  Rect b = bounds();
  selectionBackground_->setFrame(b);
  // The content keeps its horizontal place: the table slides it aside for swipe actions.
  Rect content = contentView_->frame();
  contentView_->setFrame({content.minX(), b.minY(), b.width(), b.height()});
  if (textLabel_) textLabel_->setFrame({kTextInset, 0, std::max(0.0, b.width() - 2 * kTextInset), b.height()});
  separator_->setFrame({b.minX() + kTextInset, b.maxY() - kSeparatorHeight, b.width() - kTextInset, kSeparatorHeight});
  bringSubviewToFront(separator_.get());
}

}  // namespace platform::ui
