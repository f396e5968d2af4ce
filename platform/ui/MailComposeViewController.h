#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Error.h"
#include "platform/ui/DelegateRef.h"
#include "platform/ui/ViewController.h"

namespace platform::ui {

class MailComposeViewController;

enum class MailComposeResult { Cancelled = 0, Saved = 1, Sent = 2, Failed = 3 };

class MailComposeViewControllerDelegate {
 public:
  virtual ~MailComposeViewControllerDelegate() = default;
  // The composer is done; the presenter dismisses it. `error` is set for a failure.
  virtual void mailComposeController(MailComposeViewController& controller, MailComposeResult result,
                                     const foundation::Error* error) = 0;
};

// The system's mail sheet. Sending writes the message as an .eml file (RFC 5322, quoted-printable
// UTF-8 body) into the container's outbox, "Library/Outbox"; nothing goes over the network.
class MailComposeViewController : public ViewController {
 public:
  static constexpr runtime::NativeClass<ViewController> kRuntimeClass{"MFMailComposeViewController",
                                                                      runtime::Image::Platform};
  static constexpr const char* kErrorDomain = "MFMailComposeErrorDomain";

  // Whether the device has a mail account: a setting the runner and tests change (on by default).
  static bool canSendMail();
  static void setCanSendMail(bool can);
  // The folder sent messages go to.
  static std::string outboxPath();

  void setSubject(const std::string& subject);
  void setToRecipients(const std::vector<std::string>& recipients);
  void setMessageBody(const std::string& body, bool isHTML);
  const std::string& subject() const { return subject_; }
  const std::vector<std::string>& toRecipients() const { return to_; }
  const std::string& messageBody() const { return body_; }
  bool isHTML() const { return html_; }

  // Not retained (see DelegateRef).
  void setMailComposeDelegate(MailComposeViewControllerDelegate* delegate) { delegate_.set(delegate); }
  void setMailComposeDelegate(const std::shared_ptr<MailComposeViewControllerDelegate>& delegate) {
    delegate_.set(delegate);
  }

  // What the sheet's Send and Cancel do. Send returns the written file's path, or nullopt on failure
  // (the delegate then hears Failed with the reason).
  std::optional<std::string> send();
  void cancel();

  // The message as it is written to the outbox.
  std::string messageText() const;

  void loadView() override;

 protected:
  MailComposeViewController();

 private:
  void finish(MailComposeResult result, const foundation::Error* error);

  std::string subject_;
  std::vector<std::string> to_;
  std::string body_;
  bool html_ = false;
  bool finished_ = false;
  DelegateRef<MailComposeViewControllerDelegate> delegate_;
};

}  // namespace platform::ui
