#pragma once

#include <memory>
#include <vector>

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Button.h"

namespace platform::ui {

// A bar of items laid out left to right: titled and system items become buttons in the item's (or
// the bar's) tint, custom views keep their own width, fixed spaces their width, and flexible spaces
// share what is left. Tapping an item's button runs the item's action.
class Toolbar : public View {
 public:
  static constexpr double kHeight = 44;
  static constexpr double kMargin = 8;
  static constexpr double kSpacing = 8;

  const std::vector<std::shared_ptr<BarButtonItem>>& items() const { return items_; }
  void setItems(std::vector<std::shared_ptr<BarButtonItem>> items, bool animated = false);
  std::optional<Color> barTintColor() const { return barTint_; }
  void setBarTintColor(std::optional<Color> color);

  // The button made for a titled item (null for spaces, custom views and unknown items).
  std::shared_ptr<Button> buttonForItem(const BarButtonItem* item) const;
  // Where the item sits in the bar.
  Rect frameForItem(const BarButtonItem* item) const;

  Size sizeThatFits(Size size) const override { return {size.width, kHeight}; }

 protected:
  explicit Toolbar(const Rect& frame = {});
  void layoutSubviews() override;
  void tintColorDidChange() override;

 private:
  struct Slot {
    std::shared_ptr<BarButtonItem> item;
    std::shared_ptr<View> view;  // the item's button or custom view; null for spaces
    std::shared_ptr<Button> button;
  };
  void rebuild();
  void styleButton(const Slot& slot) const;
  double naturalWidth(const Slot& slot) const;

  std::vector<std::shared_ptr<BarButtonItem>> items_;
  std::vector<Slot> slots_;
  std::optional<Color> barTint_;
};

}  // namespace platform::ui
