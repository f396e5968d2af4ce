#pragma once

namespace app::kit {

class CustomAlert;

// What a screen hears from its alerts. Each call names the alert, so a screen with several alerts can
// tell them apart; an alert sends only the call of the button pressed.
class AlertOkayCancelDelegate {
 public:
  virtual ~AlertOkayCancelDelegate() = default;
  virtual void okClickFromAlert(CustomAlert& alert) {}
  virtual void cancelClickFromAlert(CustomAlert& alert) {}
  virtual void deleteClickFromAlert(CustomAlert& alert) {}
  virtual void removeClickFromAlert(CustomAlert& alert) {}
};

// The export events the general alert forwards; nothing in the app adopts them yet.
class EmailAlertDelegate {
 public:
  virtual ~EmailAlertDelegate() = default;
  virtual void exportEmailBtnPressed() = 0;
};

class ShareDelegate {
 public:
  virtual ~ShareDelegate() = default;
  virtual void exportShareBtnPressed() = 0;
};

class CloudUploadAlertDelegate {
 public:
  virtual ~CloudUploadAlertDelegate() = default;
  virtual void uploadDropbox() = 0;
  virtual void uploadSuccessful() = 0;
  virtual void uploadError() = 0;
};

class MoveDelegate {
 public:
  virtual ~MoveDelegate() = default;
  virtual void exportMoveBtnPressed() = 0;
};

}  // namespace app::kit

