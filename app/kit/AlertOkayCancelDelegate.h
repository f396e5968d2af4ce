#pragma once

class quorvelCustomAlert;

// What a screen hears from its alerts. Each call names the alert, so a screen with several alerts can
// tell them apart; an alert sends only the call of the button pressed.
class AlertOkayCancelDelegate {
 public:
  virtual ~AlertOkayCancelDelegate() = default;
  virtual void okClickFromAlert(quorvelCustomAlert& alert) {}
  virtual void cancelClickFromAlert(quorvelCustomAlert& alert) {}
  virtual void deleteClickFromAlert(quorvelCustomAlert& alert) {}
  virtual void removeClickFromAlert(quorvelCustomAlert& alert) {}
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

class DropbBoxAlertDelegate {
 public:
  virtual ~DropbBoxAlertDelegate() = default;
  virtual void uploadDropbox() = 0;
  virtual void uploadSuccessful() = 0;
  virtual void uploadError() = 0;
};

class MoveDelegate {
 public:
  virtual ~MoveDelegate() = default;
  virtual void exportMoveBtnPreessed() = 0;
};
