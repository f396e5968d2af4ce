#include "app/kit/CustomAlert.h"

#include "app/kit/UIConstants.h"
#include "platform/log/Log.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/LocalizedStrings.h"
#include "platform/ui/NavigationController.h"

using platform::graphics::Color;
using platform::ui::AffineTransform;
using platform::ui::ControlEvent;
using platform::ui::ControlState;
using platform::ui::make;
using platform::ui::View;

namespace app::kit {

namespace {

constexpr double kBoxWidth = 320;
constexpr double kShowHideDuration = 0.3;

std::shared_ptr<platform::ui::Button> makeAlertButton(const char* title) {
  auto button = make<platform::ui::Button>(platform::ui::ButtonType::Custom);
  button->setTitle(platform::ui::LocalizedStrings::localizedString(title));
  button->titleLabel()->setFont(UIConstants::heavyFontWithSize(12));
  return button;
}

void logEvent(const char* text) { platform::log::write(platform::log::Debug, text); }

}  // namespace

CustomAlert::CustomAlert(const platform::ui::Rect& frame) : View(frame) { customInit(); }

// The content view may stay on screen after the screen lets the alert go: its buttons and field must
// not call into the alert any more.
CustomAlert::~CustomAlert() {
  if (parts_.textField) parts_.textField->setDelegate(static_cast<platform::ui::TextFieldDelegate*>(nullptr));
  for (auto* button : {parts_.ok.get(), parts_.okSingle.get(), parts_.remove.get(), parts_.cancel.get(),
                       parts_.cancelSingle.get()}) {
    if (button) button->removeTarget(this);
  }
}

void CustomAlert::customInit() {
  contentView_ = make<app::kit::AlertContentView>(bounds());
  contentView_->setBackgroundColor(Color::blackColor().withAlpha(0.4));
  alertView_ = make<app::kit::AlertBox>();
  alertView_->setClipsToBounds(true);
  alertView_->layer().setCornerRadius(8);
  contentView_->setBox(alertView_);
  contentView_->addSubview(alertView_);
  addSubview(contentView_);
  contentView_->width->setConstant(kBoxWidth);
  contentView_->height->setConstant(157);

  parts_.title = make<Label>();
  parts_.title->setFont(UIConstants::heavyFontWithSize(14));
  parts_.title->setTextColor(UIConstants::maxContrastText());
  parts_.title->setTextAlignment(platform::ui::TextAlignment::Center);
  parts_.message = make<Label>();
  parts_.message->setFont(UIConstants::romanFontWithSize(13));
  parts_.message->setTextColor(UIConstants::contrastText());
  parts_.message->setTextAlignment(platform::ui::TextAlignment::Center);
  parts_.message->setNumberOfLines(2);
  parts_.textFieldRow = make<View>();
  parts_.textField = make<StyledTextField>();
  parts_.invalidInput = make<Label>();
  parts_.invalidInput->setFont(UIConstants::romanFontWithSize(11));
  parts_.ok = makeAlertButton("OK");
  parts_.okSingle = makeAlertButton("OK");
  parts_.cancel = makeAlertButton("CANCEL");
  parts_.cancelSingle = makeAlertButton("CANCEL");
  parts_.remove = makeAlertButton("DELETE");
  alertView_->setParts(parts_);
  for (View* hidden : {static_cast<View*>(parts_.message.get()), parts_.textFieldRow.get(),
                       static_cast<View*>(parts_.invalidInput.get())}) {
    hidden->setAlpha(0);
  }

  parts_.ok->addTarget(this, &CustomAlert::okBtnHighlighted, ControlEvent::TouchDown);
  parts_.okSingle->addTarget(this, &CustomAlert::singleOkBtnHighlighted, ControlEvent::TouchDown);
  parts_.remove->addTarget(this, &CustomAlert::deleteBtnHighlighted, ControlEvent::TouchDown);
  parts_.cancel->addTarget(this, &CustomAlert::cancelBtnHighlighted, ControlEvent::TouchDown);
  parts_.cancelSingle->addTarget(this, &CustomAlert::cancelSingleBtnHighlighted, ControlEvent::TouchDown);
  for (auto* button : {parts_.ok.get(), parts_.okSingle.get(), parts_.remove.get(), parts_.cancel.get(),
                       parts_.cancelSingle.get()}) {
    button->addTarget(this, &CustomAlert::applyStyleToButtons,
                      ControlEvent::TouchUpOutside | ControlEvent::TouchCancel);
    button->setAlpha(0);
  }
  parts_.invalidInput->setTextColor(UIConstants::redWarning());
  applyStyleToButtons();
  contentView_->setAlpha(0);
  parts_.ok->addTarget(this, &CustomAlert::alertOkayEvent, ControlEvent::TouchUpInside);
  parts_.okSingle->addTarget(this, &CustomAlert::alertOkayEvent, ControlEvent::TouchUpInside);
  parts_.cancel->addTarget(this, &CustomAlert::alertCancelEvent, ControlEvent::TouchUpInside);
  parts_.cancelSingle->addTarget(this, &CustomAlert::alertCancelEvent, ControlEvent::TouchUpInside);
  parts_.remove->addTarget(this, &CustomAlert::alertDeleteEvent, ControlEvent::TouchUpInside);
}

void CustomAlert::applyStyleToButtons() {
  const Color background = UIConstants::alertBGColor();
  const std::pair<Button*, Color> looks[] = {
      {parts_.ok.get(), UIConstants::darkBlue()},     {parts_.okSingle.get(), UIConstants::darkBlue()},
      {parts_.remove.get(), UIConstants::redWarning()},      {parts_.cancel.get(), UIConstants::lowContrastText()},
      {parts_.cancelSingle.get(), UIConstants::lowContrastText()},
  };
  for (const auto& [button, title] : looks) {
    button->setBackgroundColor(background);
    button->setTitleColor(title, ControlState::Normal);
  }
}

void CustomAlert::showPressed(Button& button, const Color& background) {
  View::animate(0.1, 0, platform::ui::AnimationOptionCurveEaseOut, [&button, background] {
    button.setBackgroundColor(background);
    button.setTitleColor(Color::whiteColor(), ControlState::Normal);
  });
}

void CustomAlert::okBtnHighlighted() { showPressed(*parts_.ok, UIConstants::darkBlue()); }
void CustomAlert::singleOkBtnHighlighted() { showPressed(*parts_.okSingle, UIConstants::darkBlue()); }
void CustomAlert::deleteBtnHighlighted() { showPressed(*parts_.remove, UIConstants::redWarning()); }
void CustomAlert::cancelBtnHighlighted() { showPressed(*parts_.cancel, UIConstants::darkBlue()); }
void CustomAlert::cancelSingleBtnHighlighted() {
  showPressed(*parts_.cancelSingle, UIConstants::darkBlue());
}

void CustomAlert::hostIn(platform::ui::ViewController& screen) {
  auto* navigation = screen.navigationController();
  auto host = navigation ? navigation->view() : screen.view();
  if (!host) return;
  setFrame(host->bounds());
  contentView_->setFrame(host->bounds());
  host->addSubview(contentView_);
  contentView_->setCenter({host->bounds().midX(), host->bounds().midY()});
}

void CustomAlert::setMode(double height, std::initializer_list<View*> shown) {
  contentView_->width->setConstant(kBoxWidth);
  contentView_->height->setConstant(height);
  for (auto* view : shown) view->setAlpha(1);
}

void CustomAlert::setTextMode(std::initializer_list<View*> shown) {
  setMode(157, shown);
  parts_.textField->setDelegate(static_cast<platform::ui::TextFieldDelegate*>(this));
  parts_.textField->setReturnKeyType(platform::ui::ReturnKeyType::Done);
}

void CustomAlert::setupOKCancel() { setMode(157, {parts_.message.get(), parts_.ok.get(), parts_.cancel.get()}); }
void CustomAlert::setupOKOnly() { setMode(157, {parts_.message.get(), parts_.okSingle.get()}); }
void CustomAlert::setupDelete() {
  setMode(177, {parts_.message.get(), parts_.remove.get(), parts_.cancel.get()});
  parts_.cancelSingle->setAlpha(0);
  alertView_->borderMaker->setConstant(-1);
  setNeedsLayout();
  alertView_->setNeedsLayout();
  contentView_->layoutIfNeeded();
}
void CustomAlert::setupTextFieldOKCancel() {
  setTextMode({parts_.textFieldRow.get(), parts_.ok.get(), parts_.cancel.get()});
}
void CustomAlert::setupTextFieldOKOnly() { setTextMode({parts_.textFieldRow.get(), parts_.okSingle.get()}); }

void CustomAlert::showAlert() {
  if (parts_.textFieldRow->alpha() == 1) {
    startnotificationObserver();
    parts_.textField->becomeFirstResponder();
  }
  contentView_->setNeedsLayout();
  contentView_->layoutIfNeeded();
  alertView_->setTransform(alertView_->transform().scaled(0.25, 0.25));
  auto content = contentView_;
  auto box = alertView_;
  View::animate(kShowHideDuration, 0, platform::ui::AnimationOptionCurveEaseOut, [content, box] {
    content->setAlpha(1);
    box->setTransform(box->transform().scaled(4, 4));
    content->layoutIfNeeded();
  });
}

void CustomAlert::hideAlert() {
  removeNotificationObserver();
  auto content = contentView_;
  View::animate(kShowHideDuration, 0, platform::ui::AnimationOptionCurveEaseIn, [content] {
    content->setAlpha(0);
    content->layoutIfNeeded();
  }, [weakSelf = std::weak_ptr<View>(weak_from_this()), weakContent = std::weak_ptr<View>(contentView_)](bool) {
    // The screen may have let the alert go meanwhile; its content still leaves the screen.
    if (auto self = std::static_pointer_cast<CustomAlert>(weakSelf.lock())) {
      self->applyStyleToButtons();
      self->parts_.textField->setText("");
    }
    if (auto content = weakContent.lock()) content->removeFromSuperview();
  });
}

void CustomAlert::invalidTextFieldInput() {
  auto& field = parts_.textField->layer();
  field.setBorderWidth(2);
  field.setCornerRadius(4);
  field.setMasksToBounds(true);
  field.setBorderColor(UIConstants::redWarning());
  parts_.ok->setBackgroundColor(UIConstants::alertBGColor());
  parts_.ok->setTitleColor(UIConstants::darkBlue(), ControlState::Normal);
  auto content = contentView_;
  auto note = parts_.invalidInput;
  View::animate(0.2, 0, platform::ui::AnimationOptionCurveEaseOut, [content, note] {
    content->height->setConstant(167);
    note->setAlpha(1);
    content->setNeedsLayout();
    content->layoutIfNeeded();
  });
}

void CustomAlert::alertCancelEvent() { logEvent("quorvelCustomAlert - cancelEvent called!"); }
void CustomAlert::alertOkayEvent() { logEvent("quorvelCustomAlert - okEvent called!"); }
void CustomAlert::alertDeleteEvent() { logEvent("quorvelCustomAlert - deleteEvent called!"); }
void CustomAlert::alertRemoveEvent() { logEvent("quorvelCustomAlert - removeEvent called!"); }

bool CustomAlert::textFieldShouldReturn(platform::ui::TextField& textField) {
  textField.resignFirstResponder();
  return true;
}

void CustomAlert::startnotificationObserver() {
  std::weak_ptr<View> weakSelf = weak_from_this();
  keyboardWillShow_ = platform::foundation::NotificationCenter::defaultCenter().addObserver(
      platform::ui::kKeyboardWillShowNotification, [weakSelf](const platform::foundation::Notification& note) {
        if (auto self = std::static_pointer_cast<CustomAlert>(weakSelf.lock())) self->myNotificationMethod(note);
      });
}

void CustomAlert::startnotificationObserverHide() {
  std::weak_ptr<View> weakSelf = weak_from_this();
  keyboardWillHide_ = platform::foundation::NotificationCenter::defaultCenter().addObserver(
      platform::ui::kKeyboardWillHideNotification, [weakSelf](const platform::foundation::Notification& note) {
        if (auto self = std::static_pointer_cast<CustomAlert>(weakSelf.lock())) {
          self->myNotificationMethodHide(note);
        }
      });
}

void CustomAlert::myNotificationMethod(const platform::foundation::Notification& notification) {
  const auto begin = platform::ui::RectValue::from(notification.userInfo[platform::ui::kKeyboardFrameBeginUserInfoKey]);
  const double height = begin ? begin->size.height : 0;
  const double duration = notification.userInfo[platform::ui::kKeyboardAnimationDurationUserInfoKey].toDouble();
  auto content = contentView_;
  std::weak_ptr<View> weakSelf = weak_from_this();
  View::animate(duration, 0, 0, [content, height] {
    content->centerY->setConstant(-0.5 * height);
    content->setNeedsLayout();
    content->layoutIfNeeded();
  }, [weakSelf](bool) {
    if (auto self = std::static_pointer_cast<CustomAlert>(weakSelf.lock())) self->startnotificationObserverHide();
  });
}

void CustomAlert::myNotificationMethodHide(const platform::foundation::Notification& notification) {
  const double duration = notification.userInfo[platform::ui::kKeyboardAnimationDurationUserInfoKey].toDouble();
  auto content = contentView_;
  View::animate(duration, 0, 0, [content] {
    content->centerY->setConstant(0);
    content->setNeedsLayout();
    content->layoutIfNeeded();
  });
}

void CustomAlert::removeNotificationObserver() {
  keyboardWillShow_.reset();
  keyboardWillHide_.reset();
}

}  // namespace app::kit

