#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/TargetAction.h"
#include "platform/ui/View.h"

namespace platform::ui {

enum class BarButtonSystemItem { Done, Cancel, FlexibleSpace, FixedSpace };
enum class BarButtonItemStyle { Plain, Done };

// One entry of a toolbar: a titled button (plain or bold "done" style), a system item, a space, or a
// view of the caller's. It has one target-action pair, run when its button is tapped.
class BarButtonItem {
 public:
  using Handler = std::function<void(BarButtonItem&)>;

  // System items take their titles ("Done", "Cancel") and styles from the system.
  explicit BarButtonItem(BarButtonSystemItem item);
  BarButtonItem(std::string title, BarButtonItemStyle style);
  explicit BarButtonItem(std::shared_ptr<View> customView);

  // `target` is not retained; setting an action replaces the previous one.
  template <class T, class C>
  void setAction(T* target, void (C::*action)()) {
    C* self = static_cast<C*>(target);
    setAction(target, actionKey(action), [self, action](BarButtonItem&) { (self->*action)(); });
  }
  void setAction(const void* target, const std::string& action, Handler handler);
  const void* target() const { return target_; }
  const std::string& action() const { return actionName_; }
  // What a tap on the item does.
  void performAction();

  std::optional<BarButtonSystemItem> systemItem() const { return system_; }
  bool isSpace() const;
  bool isFlexibleSpace() const { return system_ == BarButtonSystemItem::FlexibleSpace; }
  const std::string& title() const { return title_; }
  void setTitle(std::string title) { title_ = std::move(title); }
  BarButtonItemStyle style() const { return style_; }
  void setStyle(BarButtonItemStyle style) { style_ = style; }
  const std::shared_ptr<View>& customView() const { return customView_; }
  // The width of a fixed space, or of a titled item when above zero.
  double width() const { return width_; }
  void setWidth(double width) { width_ = width; }
  std::optional<Color> tintColor() const { return tint_; }
  void setTintColor(std::optional<Color> color) { tint_ = color; }
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled) { enabled_ = enabled; }
  int64_t tag() const { return tag_; }
  void setTag(int64_t tag) { tag_ = tag; }

 private:
  std::optional<BarButtonSystemItem> system_;
  std::string title_;
  BarButtonItemStyle style_ = BarButtonItemStyle::Plain;
  std::shared_ptr<View> customView_;
  double width_ = 0;
  std::optional<Color> tint_;
  bool enabled_ = true;
  int64_t tag_ = 0;
  const void* target_ = nullptr;
  std::string actionName_;
  Handler handler_;
};

}  // namespace platform::ui
