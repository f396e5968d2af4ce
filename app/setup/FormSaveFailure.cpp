#include "app/setup/FormSaveFailure.h"

#include "app/kit/PackageAlerts.h"
#include "app/kit/UIConstants.h"
#include "platform/foundation/Format.h"
#include "platform/log/Log.h"
#include "platform/ui/LocalizedStrings.h"
#include "platform/ui/ViewController.h"

using platform::ui::LocalizedStrings;

namespace app::setup {

namespace {

constexpr double kAlertHeight = 187;

}  // namespace

FormSaveFailure::~FormSaveFailure() {
  if (alert_) alert_->contentView()->removeFromSuperview();
}

void FormSaveFailure::report(platform::ui::ViewController& screen, const std::string& what) {
  platform::log::write(platform::log::Error, what + " could not be stored; nothing is committed and the form stays open");
  show(screen, platform::foundation::format(
                   LocalizedStrings::localizedString(
                       "%@ could not be stored. The form keeps what you typed so that you can try again."),
                   what));
}

void FormSaveFailure::reportChoice(platform::ui::ViewController& screen, const std::string& what,
                                   const std::string& kept) {
  platform::log::write(platform::log::Error, what + " could not be stored. " + kept);
  show(screen, platform::foundation::format(LocalizedStrings::localizedString("%@ could not be stored."), what) + " " +
                   LocalizedStrings::localizedString(kept));
}

void FormSaveFailure::reportDelete(platform::ui::ViewController& screen, const std::string& what) {
  platform::log::write(platform::log::Error, what + " could not be deleted; it stays stored");
  show(screen, platform::foundation::format(
                   LocalizedStrings::localizedString("%@ could not be deleted. It stays in the list."), what));
}

void FormSaveFailure::show(platform::ui::ViewController& screen, const std::string& message) {
  if (alert_) alert_->contentView()->removeFromSuperview();
  alert_ = platform::ui::make<kit::CustomOkayCancelAlert>(screen.view()->bounds());
  alert_->hostIn(screen);
  alert_->setDelegate(this);
  alert_->alertTitle()->setTextColor(kit::UIConstants::redWarning());
  alert_->alertTitle()->setText(LocalizedStrings::localizedString("NOT SAVED"));
  alert_->messageLabel()->setNumberOfLines(0);
  alert_->messageLabel()->setText(message);
  alert_->okSingleBtn()->setTitle(LocalizedStrings::localizedString("OK"));
  alert_->setupOKOnly();
  alert_->alertViewHeightConstraint().setConstant(kAlertHeight);
  alert_->contentView()->layoutIfNeeded();
  alert_->contentView()->setUserInteractionEnabled(true);
  alert_->showAlert();
}

bool FormSaveFailure::isShown() const { return alert_ && alert_->contentView()->superview() != nullptr; }

void FormSaveFailure::okClickFromAlert(kit::CustomAlert& alert) {
  if (&alert != alert_.get()) return;
  alert_->contentView()->setUserInteractionEnabled(false);
  alert_->hideAlert();
}

}  // namespace app::setup
