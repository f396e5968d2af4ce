#include "platform/ui/Toolbar.h"

#include <algorithm>

namespace platform::ui {

Toolbar::Toolbar(const Rect& frame) : View(frame) { setBackgroundColor(Color::withWhite(0.97, 1)); }

void Toolbar::setItems(std::vector<std::shared_ptr<BarButtonItem>> items, bool) {
  std::erase(items, nullptr);
  items_ = std::move(items);
  rebuild();
}

void Toolbar::setBarTintColor(std::optional<Color> color) {
  barTint_ = color;
  setBackgroundColor(color ? color : std::optional<Color>(Color::withWhite(0.97, 1)));
}

void Toolbar::rebuild() {
  for (const auto& slot : slots_) {
    if (slot.view) slot.view->removeFromSuperview();
  }
  slots_.clear();
  for (const auto& item : items_) {
    Slot slot{item, nullptr, nullptr};
    if (item->customView()) {
      slot.view = item->customView();
    } else if (!item->isSpace()) {
      slot.button = make<Button>(ButtonType::System);
      slot.button->setTitle(item->title());
      std::weak_ptr<BarButtonItem> weak = item;
      slot.button->addTarget(this, "item", ControlEvent::TouchUpInside, [weak](Control&) {
        if (auto it = weak.lock()) it->performAction();
      });
      slot.view = slot.button;
    }
    if (slot.view) addSubview(slot.view);
    styleButton(slot);
    slots_.push_back(std::move(slot));
  }
  setNeedsLayout();
}

void Toolbar::styleButton(const Slot& slot) const {
  if (!slot.button) return;
  const BarButtonItem& item = *slot.item;
  bool bold = item.style() == BarButtonItemStyle::Done;
  slot.button->titleLabel()->setFont(bold ? Font::boldSystemFont(17) : Font::systemFont(17));
  slot.button->setTintColor(item.tintColor());
  slot.button->setEnabled(item.isEnabled());
}

void Toolbar::tintColorDidChange() {
  for (const auto& slot : slots_) styleButton(slot);
}

double Toolbar::naturalWidth(const Slot& slot) const {
  const BarButtonItem& item = *slot.item;
  if (item.isFlexibleSpace()) return 0;
  if (item.isSpace()) return item.width();
  if (item.customView()) return item.customView()->frame().width();
  if (item.width() > 0) return item.width();
  return slot.button ? slot.button->sizeThatFits({0, 0}).width : 0;
}

void Toolbar::layoutSubviews() {
  Rect b = bounds();
  double used = 2 * kMargin;
  size_t flexible = 0;
  for (const auto& slot : slots_) {
    used += naturalWidth(slot);
    if (slot.item->isFlexibleSpace()) ++flexible;
  }
  if (slots_.size() > 1) used += kSpacing * static_cast<double>(slots_.size() - 1);
  double share = flexible ? std::max(0.0, b.width() - used) / static_cast<double>(flexible) : 0;
  double x = b.minX() + kMargin;
  for (const auto& slot : slots_) {
    double w = slot.item->isFlexibleSpace() ? share : naturalWidth(slot);
    if (slot.view) {
      double h = slot.item->customView() ? std::min(b.height(), slot.view->frame().height()) : b.height();
      slot.view->setFrame({x, b.minY() + (b.height() - h) / 2, w, h});
    }
    x += w + kSpacing;
  }
}

std::shared_ptr<Button> Toolbar::buttonForItem(const BarButtonItem* item) const {
  for (const auto& slot : slots_) {
    if (slot.item.get() == item) return slot.button;
  }
  return nullptr;
}

Rect Toolbar::frameForItem(const BarButtonItem* item) const {
  for (const auto& slot : slots_) {
    if (slot.item.get() == item && slot.view) return slot.view->frame();
  }
  return {};
}

}  // namespace platform::ui
