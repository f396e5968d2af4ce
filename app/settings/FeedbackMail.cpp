#include "app/settings/FeedbackMail.h"

#include "app/optics/UIDeviceHardware.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/SystemFacts.h"
#include "platform/ui/LocalizedStrings.h"
#include "platform/ui/URLOpener.h"

namespace app::settings {

std::string feedbackMailBody(const std::string& prefix, const std::string& request) {
  const auto* version = platform::foundation::Bundle::main()->objectForInfoDictionaryKey("CFBundleShortVersionString").string();
  // A machine the model table does not know is named by its hardware identifier.
  const std::string model = optics::UIDeviceHardware::platformString().value_or(optics::UIDeviceHardware::platform());
  return prefix + " " + (version ? *version : std::string()) + " | iOS " +
         platform::foundation::SystemFacts::current().systemVersion + " | " + model + " \n\n" + request + "\n\n";
}

void openIfPossible(const std::string& url) {
  if (platform::ui::URLOpener::canOpenURL(url)) platform::ui::URLOpener::openURL(url);
}

void composeFeedbackMail(platform::ui::ViewController* presenter, const std::string& subject, const std::string& body,
                         const std::shared_ptr<platform::ui::MailComposeViewControllerDelegate>& delegate, bool animated) {
  if (!platform::ui::MailComposeViewController::canSendMail() || !presenter) {
    openIfPossible(platform::ui::LocalizedStrings::localizedString(kContactPageKey));
    return;
  }
  auto mail = platform::ui::make<platform::ui::MailComposeViewController>();
  mail->setMailComposeDelegate(delegate);
  mail->setMessageBody(body, false);
  mail->setSubject(subject);
  mail->setToRecipients({kSupportAddress});
  presenter->presentViewController(mail, animated);
}

}  // namespace app::settings

