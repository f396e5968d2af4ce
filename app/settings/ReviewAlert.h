#pragma once

#include <memory>

#include "app/kit/SettingsButton.h"
#include "platform/ui/Label.h"
#include "platform/ui/MailComposeViewController.h"

namespace app::settings {

class ReviewAlertDelegate {
 public:
  virtual ~ReviewAlertDelegate() = default;
  virtual void animateHideReviewAlert() = 0;
};

// The rating prompt: one question at a time with two answers, at most two questions deep. Any answer
// counts as having dealt with the prompt, so it is never requested again.
class ReviewAlert : public platform::ui::View, public platform::ui::MailComposeViewControllerDelegate {
 public:
  void setupFirstQuestion();
  void setupPositiveUserResponse();
  void setupNegativeUserResponse();
  void yesBtnPressed();
  void noBtnPressed();
  void hideAlert();
  void hideAndShowContent();
  void openAppStoreForReview();
  void sendEmail();
  void interactedWithRatingDialog();
  void mailComposeController(platform::ui::MailComposeViewController& controller,
                             platform::ui::MailComposeResult result, const platform::foundation::Error* error) override;

  int currentQuestion() const { return currentQuestion_; }
  void setReviewAlertDelegate(const std::shared_ptr<ReviewAlertDelegate>& delegate) { delegate_ = delegate; }
  const std::shared_ptr<platform::ui::View>& contentView() const { return contentView_; }
  const std::shared_ptr<platform::ui::View>& alertView() const { return alertView_; }
  const std::shared_ptr<platform::ui::View>& buttonsAndTextView() const { return buttonsAndTextView_; }
  const std::shared_ptr<platform::ui::Label>& messageLabel() const { return messageLabel_; }
  const std::shared_ptr<kit::SettingsButton>& yesBtn() const { return yesBtn_; }
  const std::shared_ptr<kit::SettingsButton>& noBtn() const { return noBtn_; }

 protected:
  explicit ReviewAlert(const platform::ui::Rect& frame = {});
  void layoutSubviews() override;

 private:
  void customInit();
  // The texts of the current question.
  void showQuestionTexts();

  int currentQuestion_ = 1;
  std::shared_ptr<platform::ui::View> contentView_;
  std::shared_ptr<platform::ui::View> alertView_;
  std::shared_ptr<platform::ui::View> buttonsAndTextView_;
  std::shared_ptr<platform::ui::Label> messageLabel_;
  std::shared_ptr<kit::SettingsButton> yesBtn_;
  std::shared_ptr<kit::SettingsButton> noBtn_;
  std::weak_ptr<ReviewAlertDelegate> delegate_;
};

// A "Contact Us" panel with one button that opens a prefilled feedback mail.
class ContactView : public platform::ui::View, public platform::ui::MailComposeViewControllerDelegate {
 public:
  void contactBtnPressed();
  void mailComposeController(platform::ui::MailComposeViewController& controller,
                             platform::ui::MailComposeResult result, const platform::foundation::Error* error) override;
  const std::shared_ptr<platform::ui::Label>& title() const { return title_; }
  const std::shared_ptr<platform::ui::Button>& contactBtn() const { return contactBtn_; }

 protected:
  explicit ContactView(const platform::ui::Rect& frame = {});
  void layoutSubviews() override;

 private:
  std::shared_ptr<platform::ui::View> contentView_;
  std::shared_ptr<platform::ui::Label> title_;
  std::shared_ptr<platform::ui::Button> contactBtn_;
};

}  // namespace app::settings

