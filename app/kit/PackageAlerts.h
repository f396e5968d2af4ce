#pragma once

#include <memory>

#include "app/kit/AlertOkayCancelDelegate.h"
#include "app/kit/CustomAlert.h"
#include "platform/ui/DelegateRef.h"
#include "platform/ui/IndexPath.h"

namespace app::kit {

// An alert whose OK and CANCEL go on to a delegate (not retained); with none set, only the log line is left.
class OkayCancelForwardingAlert : public CustomAlert {
 public:
  void setDelegate(AlertOkayCancelDelegate* delegate) { delegate_.set(delegate); }
  void setDelegate(const std::shared_ptr<AlertOkayCancelDelegate>& delegate) { delegate_.set(delegate); }
  AlertOkayCancelDelegate* delegate() const { return delegate_.get(); }

  void alertOkayEvent() override;
  void alertCancelEvent() override;

 protected:
  using CustomAlert::CustomAlert;
  platform::ui::DelegateRef<AlertOkayCancelDelegate> delegate_;
};

// Asks for a package name before a package is saved.
class PackageSaveAlert : public app::kit::OkayCancelForwardingAlert {
 protected:
  using app::kit::OkayCancelForwardingAlert::OkayCancelForwardingAlert;
};

// Asks for a new name of a saved package; carries the table position of that package.
class PackageEditAlert : public app::kit::OkayCancelForwardingAlert {
 public:
  platform::ui::IndexPath packageEditIndexPath;

 protected:
  using app::kit::OkayCancelForwardingAlert::OkayCancelForwardingAlert;
};

// The general alert for messages, confirmations and deletions, with the export forwards.
class CustomOkayCancelAlert : public app::kit::OkayCancelForwardingAlert {
 public:
  void alertDeleteEvent() override;
  void alertRemoveEvent() override;
  void exportEmailBtnPressed();
  void exportShareBtnPressed();
  void uploadDropbox();
  void uploadSuccessful();
  void uploadError();
  void exportMove() override;

  platform::ui::DelegateRef<EmailAlertDelegate> mailDelegate;
  platform::ui::DelegateRef<ShareDelegate> shareDelegate;
  platform::ui::DelegateRef<CloudUploadAlertDelegate> dropBoxDelegate;
  platform::ui::DelegateRef<MoveDelegate> moveDelegate;

 protected:
  using app::kit::OkayCancelForwardingAlert::OkayCancelForwardingAlert;
};

}  // namespace app::kit

