#include "app/kit/PackageAlerts.h"

namespace app::kit {

void app::kit::OkayCancelForwardingAlert::alertOkayEvent() {
  CustomAlert::alertOkayEvent();
  if (auto delegate = delegate_.lock()) delegate->okClickFromAlert(*this);
}

void app::kit::OkayCancelForwardingAlert::alertCancelEvent() {
  CustomAlert::alertCancelEvent();
  if (auto delegate = delegate_.lock()) delegate->cancelClickFromAlert(*this);
}

void CustomOkayCancelAlert::alertDeleteEvent() {
  CustomAlert::alertDeleteEvent();
  if (auto delegate = delegate_.lock()) delegate->deleteClickFromAlert(*this);
}

void CustomOkayCancelAlert::alertRemoveEvent() {
  CustomAlert::alertRemoveEvent();
  if (auto delegate = delegate_.lock()) delegate->removeClickFromAlert(*this);
}

void CustomOkayCancelAlert::exportEmailBtnPressed() {
  if (auto delegate = mailDelegate.lock()) delegate->exportEmailBtnPressed();
}
void CustomOkayCancelAlert::exportShareBtnPressed() {
  if (auto delegate = shareDelegate.lock()) delegate->exportShareBtnPressed();
}
void CustomOkayCancelAlert::uploadDropbox() {
  if (auto delegate = dropBoxDelegate.lock()) delegate->uploadDropbox();
}
void CustomOkayCancelAlert::uploadSuccessful() {
  if (auto delegate = dropBoxDelegate.lock()) delegate->uploadSuccessful();
}
void CustomOkayCancelAlert::uploadError() {
  if (auto delegate = dropBoxDelegate.lock()) delegate->uploadError();
}
void CustomOkayCancelAlert::exportMove() {
  if (auto delegate = moveDelegate.lock()) delegate->exportMoveBtnPressed();
}

}  // namespace app::kit

