#pragma once

#include <memory>

#include "app/kit/AlertLayout.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/TextField.h"

namespace platform::ui {
class ViewController;
}

namespace app::kit {

// The app's own modal box: a title, a message or a one-line text field, and one or two buttons. It
// zooms in over the screen, fades out when dismissed, keeps above the keyboard and reports its buttons.
// The alert object itself is never on screen: a screen shows its contentView (see hostIn). An alert is
// shown once; hiding removes its content view, and a screen makes a new alert for the next showing.
class CustomAlert : public platform::ui::View, public platform::ui::TextFieldDelegate {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "quorvelCustomAlert";
  std::string className() const override { return classNameKeeping("CustomAlert", kRuntimeClassName); }

  using Button = platform::ui::Button;
  using Label = platform::ui::Label;
  using Constraint = platform::ui::LayoutConstraint;

  ~CustomAlert() override;

  void applyStyleToButtons();
  void okBtnHighlighted();
  void singleOkBtnHighlighted();
  void deleteBtnHighlighted();
  void cancelBtnHighlighted();
  void cancelSingleBtnHighlighted();

  // Adds the content view to the screen's top-level container (its navigation controller's view, or
  // its own root view), over the whole of it. The kit's screens host their alerts here, so an alert
  // never depends on how deep the screen's views are nested.
  void hostIn(platform::ui::ViewController& screen);
  void showAlert();
  void hideAlert();

  void setupOKCancel();
  void setupOKOnly();
  void setupDelete();
  void setupTextFieldOKCancel();
  void setupTextFieldOKOnly();
  void invalidTextFieldInput();

  virtual void alertCancelEvent();
  virtual void alertOkayEvent();
  virtual void alertDeleteEvent();
  virtual void alertRemoveEvent();
  virtual void exportMove() {}

  // Done ends editing; it never presses OK.
  bool textFieldShouldReturn(platform::ui::TextField& textField) override;

  void startnotificationObserver();
  void startnotificationObserverHide();
  void myNotificationMethod(const platform::foundation::Notification& notification);
  void myNotificationMethodHide(const platform::foundation::Notification& notification);
  void removeNotificationObserver();

  const std::shared_ptr<app::kit::AlertContentView>& contentView() const { return contentView_; }
  const std::shared_ptr<app::kit::AlertBox>& alertView() const { return alertView_; }
  const std::shared_ptr<Label>& alertTitle() const { return parts_.title; }
  const std::shared_ptr<Label>& messageLabel() const { return parts_.message; }
  const std::shared_ptr<platform::ui::View>& okCancelTextFieldView() const { return parts_.textFieldRow; }
  const std::shared_ptr<platform::ui::TextField>& okCancelTextField() const { return parts_.textField; }
  const std::shared_ptr<Label>& invalidInputLabel() const { return parts_.invalidInput; }
  const std::shared_ptr<Button>& okBtn() const { return parts_.ok; }
  const std::shared_ptr<Button>& cancelBtn() const { return parts_.cancel; }
  const std::shared_ptr<Button>& deleteBtn() const { return parts_.remove; }
  const std::shared_ptr<Button>& okSingleBtn() const { return parts_.okSingle; }
  const std::shared_ptr<Button>& cancelSingleBtn() const { return parts_.cancelSingle; }
  Constraint& alertViewWidthConstraint() const { return *contentView_->width; }
  Constraint& alertViewHeightConstraint() const { return *contentView_->height; }
  Constraint& alertCenterYConstraint() const { return *contentView_->centerY; }
  Constraint& borderMakerConstraint() const { return *alertView_->borderMaker; }

 protected:
  explicit CustomAlert(const platform::ui::Rect& frame = {});

 private:
  void customInit();
  void setMode(double height, std::initializer_list<platform::ui::View*> shown);
  void setTextMode(std::initializer_list<platform::ui::View*> shown);
  void showPressed(Button& button, const platform::graphics::Color& background);

  std::shared_ptr<app::kit::AlertContentView> contentView_;
  std::shared_ptr<app::kit::AlertBox> alertView_;
  app::kit::AlertBox::Parts parts_;
  platform::foundation::NotificationCenter::Observation keyboardWillShow_;
  platform::foundation::NotificationCenter::Observation keyboardWillHide_;
};

}  // namespace app::kit

