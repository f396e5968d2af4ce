#include "platform/ui/BarButtonItem.h"

namespace platform::ui {

BarButtonItem::BarButtonItem(BarButtonSystemItem item) : system_(item) {
  switch (item) {
    case BarButtonSystemItem::Done:
      title_ = "Done";
      style_ = BarButtonItemStyle::Done;
      break;
    case BarButtonSystemItem::Cancel: title_ = "Cancel"; break;
    case BarButtonSystemItem::FlexibleSpace:
    case BarButtonSystemItem::FixedSpace: break;
  }
}

BarButtonItem::BarButtonItem(std::string title, BarButtonItemStyle style) : title_(std::move(title)), style_(style) {}

BarButtonItem::BarButtonItem(std::shared_ptr<View> customView) : customView_(std::move(customView)) {}

bool BarButtonItem::isSpace() const {
  return system_ == BarButtonSystemItem::FlexibleSpace || system_ == BarButtonSystemItem::FixedSpace;
}

void BarButtonItem::setAction(const void* target, const std::string& action, Handler handler) {
  target_ = target;
  actionName_ = action;
  handler_ = std::move(handler);
}

void BarButtonItem::performAction() {
  if (!enabled_ || isSpace() || !handler_) return;
  Handler run = handler_;  // the action may replace itself
  run(*this);
}

}  // namespace platform::ui
