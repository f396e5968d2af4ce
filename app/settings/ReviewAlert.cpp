#include "app/settings/ReviewAlert.h"

#include "app/kit/UIConstants.h"
#include "app/kit/TextButton.h"
#include "app/settings/FeedbackMail.h"
#include "app/settings/InteractiveGuideManager.h"
#include "platform/ui/LocalizedStrings.h"
#include "platform/ui/Window.h"

using platform::ui::LocalizedStrings;
using platform::ui::make;
using platform::ui::MailComposeViewControllerDelegate;
using platform::ui::View;

namespace app::settings {

namespace {

struct Question {
  const char* message;
  const char* yes;
  const char* no;
};

const Question& question(int number) {
  static const Question questions[] = {
      {"Do you enjoy using Ostrel?", "Yes", "Not really"},
      {"Thanks! It would mean alot to us if you'd leave a review on the App Store ❤️", "Yeah, sure", "No, thanks"},
      {"Would you mind sharing with us how we can improve the app?", "Ok, sure", "No, thanks"},
  };
  return questions[number >= 1 && number <= 3 ? number - 1 : 0];
}

platform::ui::ViewController* rootController(const View& view) {
  auto* window = view.window();
  return window ? window->rootViewController().get() : nullptr;
}

}  // namespace

ReviewAlert::ReviewAlert(const platform::ui::Rect& frame) : View(frame) { customInit(); }

void ReviewAlert::customInit() {
  contentView_ = make<View>(bounds());
  alertView_ = make<View>();
  alertView_->setBackgroundColor(kit::UIConstants::cameraSetupButtonsColor());
  buttonsAndTextView_ = make<View>();
  messageLabel_ = make<platform::ui::Label>();
  messageLabel_->setNumberOfLines(0);
  messageLabel_->setTextAlignment(platform::ui::TextAlignment::Center);
  messageLabel_->setFont(kit::UIConstants::mediumFontWithSize(14));
  messageLabel_->setTextColor(kit::UIConstants::maxContrastText());
  yesBtn_ = make<kit::SettingsButton>();
  noBtn_ = make<kit::SettingsButton>();
  for (const auto& button : {yesBtn_, noBtn_}) {
    button->setBackgroundColor(platform::graphics::Color::clearColor());
    button->styleCustomButtonBlue();
    buttonsAndTextView_->addSubview(button);
  }
  buttonsAndTextView_->addSubview(messageLabel_);
  alertView_->addSubview(buttonsAndTextView_);
  contentView_->addSubview(alertView_);
  addSubview(contentView_);
  if (auto button = yesBtn_->button()) {
    button->addTarget(this, &ReviewAlert::yesBtnPressed, platform::ui::ControlEvent::TouchUpInside);
  }
  if (auto button = noBtn_->button()) {
    button->addTarget(this, &ReviewAlert::noBtnPressed, platform::ui::ControlEvent::TouchUpInside);
  }
  setupFirstQuestion();
}

void ReviewAlert::layoutSubviews() {
  contentView_->setFrame(bounds());
  alertView_->setFrame(bounds());
  buttonsAndTextView_->setFrame(bounds());
  const double width = bounds().width();
  const double height = bounds().height();
  messageLabel_->setFrame({16, 12, width - 32, std::max(0.0, height - 80)});
  const double buttonWidth = (width - 48) / 2;
  yesBtn_->setFrame({16, height - 56, buttonWidth, 40});
  noBtn_->setFrame({32 + buttonWidth, height - 56, buttonWidth, 40});
}

void ReviewAlert::showQuestionTexts() {
  const Question& q = question(currentQuestion_);
  messageLabel_->setText(LocalizedStrings::localizedString(q.message));
  if (auto button = yesBtn_->button()) button->setTitle(LocalizedStrings::localizedString(q.yes));
  if (auto button = noBtn_->button()) button->setTitle(LocalizedStrings::localizedString(q.no));
  setNeedsLayout();
  layoutIfNeeded();
}

void ReviewAlert::setupFirstQuestion() {
  currentQuestion_ = 1;
  showQuestionTexts();
  yesBtn_->buttonSelected();
  noBtn_->buttonNotSelected();
}

void ReviewAlert::setupPositiveUserResponse() {
  currentQuestion_ = 2;
  hideAndShowContent();
}

void ReviewAlert::setupNegativeUserResponse() {
  currentQuestion_ = 3;
  hideAndShowContent();
}

void ReviewAlert::hideAndShowContent() {
  auto part = buttonsAndTextView_;
  std::weak_ptr<View> weak = weak_from_this();
  View::animate(0.2, 0, 0, [part] {
    part->setAlpha(0);
    part->layoutIfNeeded();
  }, [weak](bool) {
    auto self = std::static_pointer_cast<ReviewAlert>(weak.lock());
    if (!self) return;
    self->showQuestionTexts();
    auto shown = self->buttonsAndTextView_;
    View::animate(0.2, 0.1, 0, [shown] {
      shown->setAlpha(1);
      shown->layoutIfNeeded();
    });
  });
}

void ReviewAlert::interactedWithRatingDialog() {
  InteractiveGuideManager::ofApplication()->didInteractWithRatingDialog();
}

void ReviewAlert::yesBtnPressed() {
  interactedWithRatingDialog();
  yesBtn_->buttonSelected();
  noBtn_->buttonNotSelected();
  switch (currentQuestion_) {
    case 1: setupPositiveUserResponse(); break;
    case 2:
      openAppStoreForReview();
      hideAlert();
      break;
    default:
      sendEmail();
      hideAlert();
      break;
  }
}

void ReviewAlert::noBtnPressed() {
  interactedWithRatingDialog();
  yesBtn_->buttonSelected();
  noBtn_->buttonNotSelected();
  if (currentQuestion_ == 1) {
    setupNegativeUserResponse();
  } else {
    hideAlert();
  }
}

void ReviewAlert::hideAlert() {
  if (auto delegate = delegate_.lock()) delegate->animateHideReviewAlert();
}

void ReviewAlert::openAppStoreForReview() { app::settings::openIfPossible(app::settings::kStoreReviewURL); }

void ReviewAlert::sendEmail() {
  app::settings::composeFeedbackMail(rootController(*this), "Ostrel Improvements",
                                     app::settings::feedbackMailBody("Version", "I'd like to see the app improved:"),
                                     std::shared_ptr<MailComposeViewControllerDelegate>(shared_from_this(), this), false);
}

void ReviewAlert::mailComposeController(platform::ui::MailComposeViewController&, platform::ui::MailComposeResult,
                                        const platform::foundation::Error*) {
  if (auto* root = rootController(*this)) root->dismissViewControllerAnimated(false);
}

ContactView::ContactView(const platform::ui::Rect& frame) : View(frame) {
  contentView_ = make<View>(bounds());
  title_ = make<platform::ui::Label>();
  title_->setText(LocalizedStrings::localizedString("Contact Us"));
  title_->setFont(kit::UIConstants::heavyFontWithSize(12));
  title_->setTextColor(kit::UIConstants::contrastText());
  auto button = make<kit::TextButton>();
  button->styleButtonWithString("GET IN TOUCH", 4);
  button->addTarget(this, &ContactView::contactBtnPressed, platform::ui::ControlEvent::TouchUpInside);
  contactBtn_ = button;
  contentView_->addSubview(title_);
  contentView_->addSubview(contactBtn_);
  addSubview(contentView_);
}

void ContactView::layoutSubviews() {
  contentView_->setFrame(bounds());
  title_->setFrame({16, 0, bounds().width() - 32, 24});
  contactBtn_->setFrame({16, 32, bounds().width() - 32, 40});
}

void ContactView::contactBtnPressed() {
  app::settings::composeFeedbackMail(rootController(*this), "Ostrel Feedback",
                                     app::settings::feedbackMailBody("Ostrel", "I'd like to give you some feedback:"),
                                     std::shared_ptr<MailComposeViewControllerDelegate>(shared_from_this(), this), true);
}

void ContactView::mailComposeController(platform::ui::MailComposeViewController&, platform::ui::MailComposeResult,
                                        const platform::foundation::Error*) {
  auto* window = this->window();
  if (auto* root = window ? window->rootViewController().get() : nullptr) root->dismissViewControllerAnimated(true);
}

}  // namespace app::settings

