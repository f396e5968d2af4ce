#pragma once

#include <string>

#include "platform/ui/MailComposeViewController.h"
#include "platform/ui/ViewController.h"

namespace app::settings {

// Where feedback goes: deployment values of this build.
inline constexpr const char* kStoreReviewURL = "https://store.ostrel.example/app/ostrel?action=write-review";
inline constexpr const char* kSupportAddress = "support@ostrel.example";
// A localisation key whose value is the contact page; without a table the key itself is the link.
inline constexpr const char* kContactPageKey = "https://ostrel.example/contact";

// "<prefix> <version> | iOS <system> | <model> " and two line breaks, then the request and two more.
std::string feedbackMailBody(const std::string& prefix, const std::string& request);

// Presents a feedback mail from `presenter`, or, when the device sends no mail, opens the contact page
// (nothing happens when that cannot be opened either). The composer's delegate is not retained.
void composeFeedbackMail(platform::ui::ViewController* presenter, const std::string& subject, const std::string& body,
                         const std::shared_ptr<platform::ui::MailComposeViewControllerDelegate>& delegate, bool animated);

// Opens a URL when the system can.
void openIfPossible(const std::string& url);

}  // namespace app::settings

