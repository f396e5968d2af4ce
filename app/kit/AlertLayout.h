#pragma once

#include <memory>

#include "app/kit/StyledViews.h"
#include "platform/ui/Button.h"
#include "platform/ui/LayoutConstraint.h"

namespace app::kit {

// The views of an alert that lay themselves out from the alert's constraints: the full-screen content
// view that centres the box, and the box that stacks title, message or text field, note and buttons.

class AlertContentView : public platform::ui::View {
 public:
  void setBox(const std::shared_ptr<platform::ui::View>& box) { box_ = box; }
  std::shared_ptr<platform::ui::LayoutConstraint> width = std::make_shared<platform::ui::LayoutConstraint>();
  std::shared_ptr<platform::ui::LayoutConstraint> height = std::make_shared<platform::ui::LayoutConstraint>();
  std::shared_ptr<platform::ui::LayoutConstraint> centerY = std::make_shared<platform::ui::LayoutConstraint>();

 protected:
  explicit AlertContentView(const platform::ui::Rect& frame) : View(frame) {}
  void layoutSubviews() override;

 private:
  std::weak_ptr<platform::ui::View> box_;
};

class AlertBox : public AlertBackgroundView {
 public:
  struct Parts {
    std::shared_ptr<platform::ui::Label> title, message, invalidInput;
    std::shared_ptr<platform::ui::View> textFieldRow;
    std::shared_ptr<platform::ui::TextField> textField;
    std::shared_ptr<platform::ui::Button> ok, cancel, remove, okSingle, cancelSingle;
  };
  static constexpr double kButtonRowHeight = 50;

  void setParts(Parts parts);
  // The button row's split: the left button ends this far past the middle.
  std::shared_ptr<platform::ui::LayoutConstraint> borderMaker = std::make_shared<platform::ui::LayoutConstraint>();

 protected:
  AlertBox() = default;
  void layoutSubviews() override;

 private:
  Parts parts_;
};

}  // namespace app::kit

