// The rating prompt's questions, where each answer leads, and the feedback mails.
#include <gtest/gtest.h>

#include "app/settings/InteractiveGuideManager.h"
#include "app/optics/UIDeviceHardware.h"
#include "app/settings/ReviewAlert.h"
#include "app/settings/SettingsTestSupport.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/SystemFacts.h"
#include "platform/ui/URLOpener.h"

namespace app::settings {

namespace {

using platform::ui::make;

struct Host : ReviewAlertDelegate {
  void animateHideReviewAlert() override { ++hides; }
  int hides = 0;
};

class ReviewAlertTest : public ostrel::testing::SettingsTest {
 protected:
  ReviewAlertTest() {
    platform::ui::URLOpener::clearOpenedURLs();
    platform::ui::MailComposeViewController::setCanSendMail(true);
    window->setRootViewController(root);
    alert = make<ReviewAlert>(platform::ui::Rect{20, 500, 350, 180});
    root->view()->addSubview(alert);
    alert->setReviewAlertDelegate(host);
    alert->layoutIfNeeded();
    InteractiveGuideManager::getSingleton()->didRated = false;
  }
  ~ReviewAlertTest() override { platform::ui::MailComposeViewController::setCanSendMail(true); }

  void press(bool yes) {
    tap(*(yes ? alert->yesBtn() : alert->noBtn())->button());
    env.advance(1);
  }
  std::string yesTitle() const { return alert->yesBtn()->button()->titleLabel()->text(); }

  platform::foundation::ScopedSystemFacts facts{[] {
    auto f = platform::foundation::SystemFacts::current();
    f.systemVersion = "17.4";
    return f;
  }()};
  std::shared_ptr<platform::ui::ViewController> root = make<platform::ui::ViewController>();
  std::shared_ptr<Host> host = std::make_shared<Host>();
  std::shared_ptr<ReviewAlert> alert;
};

TEST_F(ReviewAlertTest, YesThenYesOpensTheStoreReviewAndHides) {
  EXPECT_EQ(alert->messageLabel()->text(), "Do you enjoy using Ostrel?");
  EXPECT_EQ(yesTitle(), "Yes");
  press(true);
  EXPECT_EQ(alert->currentQuestion(), 2);
  EXPECT_EQ(yesTitle(), "Yeah, sure");
  EXPECT_EQ(host->hides, 0);
  press(true);
  EXPECT_EQ(platform::ui::URLOpener::openedURLs(),
            std::vector<std::string>{"https://store.ostrel.example/app/ostrel?action=write-review"});
  EXPECT_EQ(host->hides, 1);
}

TEST_F(ReviewAlertTest, YesThenNoOnlyHides) {
  press(true);
  press(false);
  EXPECT_TRUE(platform::ui::URLOpener::openedURLs().empty());
  EXPECT_EQ(host->hides, 1);
}

TEST_F(ReviewAlertTest, AnyPressCountsAsRated) {
  press(false);
  EXPECT_EQ(alert->currentQuestion(), 3);
  EXPECT_EQ(alert->messageLabel()->text(), "Would you mind sharing with us how we can improve the app?");
  EXPECT_TRUE(InteractiveGuideManager::getSingleton()->didRated);
}

TEST_F(ReviewAlertTest, NotReallyThenOkSureComposesTheImprovementMailAndSendingWritesIt) {
  press(false);
  press(true);
  EXPECT_EQ(host->hides, 1);
  auto mail = std::dynamic_pointer_cast<platform::ui::MailComposeViewController>(root->presentedViewController());
  ASSERT_TRUE(mail);
  EXPECT_EQ(mail->subject(), "Ostrel Improvements");
  EXPECT_EQ(mail->toRecipients(), std::vector<std::string>{"support@ostrel.example"});
  const std::string model = optics::UIDeviceHardware::platformString().value_or(optics::UIDeviceHardware::platform());
  EXPECT_EQ(mail->messageBody(), "Version 3.2 | iOS 17.4 | " + model + " \n\nI'd like to see the app improved:\n\n");
  const auto path = mail->send();
  ASSERT_TRUE(path);
  EXPECT_EQ(path->rfind(platform::ui::MailComposeViewController::outboxPath(), 0), 0u);
  const auto text = platform::foundation::AtomicFile::readText(*path);
  ASSERT_TRUE(text.ok());
  EXPECT_NE(text->find("Subject: Ostrel Improvements"), std::string::npos);
  env.advance(1);
  EXPECT_FALSE(root->presentedViewController()) << "the composer is dismissed whatever the result";
}

TEST_F(ReviewAlertTest, WithoutMailTheContactPageOpens) {
  platform::ui::MailComposeViewController::setCanSendMail(false);
  press(false);
  press(true);
  EXPECT_FALSE(root->presentedViewController());
  EXPECT_EQ(platform::ui::URLOpener::openedURLs(), std::vector<std::string>{"https://ostrel.example/contact"});
}

TEST_F(ReviewAlertTest, ContactPanelComposesTheFeedbackMail) {
  auto contact = make<ContactView>(platform::ui::Rect{0, 100, 390, 80});
  root->view()->addSubview(contact);
  contact->layoutIfNeeded();
  EXPECT_EQ(contact->title()->text(), "Contact Us");
  tap(*contact->contactBtn());
  env.advance(1);
  auto mail = std::dynamic_pointer_cast<platform::ui::MailComposeViewController>(root->presentedViewController());
  ASSERT_TRUE(mail);
  EXPECT_EQ(mail->subject(), "Ostrel Feedback");
  EXPECT_EQ(mail->messageBody().rfind("Ostrel 3.2 | iOS 17.4 | ", 0), 0u);
  EXPECT_NE(mail->messageBody().find(" \n\nI'd like to give you some feedback:\n\n"), std::string::npos);
  mail->cancel();
  env.advance(1);
  EXPECT_FALSE(root->presentedViewController());
}

}  // namespace

}  // namespace app::settings

