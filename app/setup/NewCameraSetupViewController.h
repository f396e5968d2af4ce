#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/kit/AlertOkayCancelDelegate.h"
#include "app/kit/PackageAlerts.h"
#include "app/setup/FormSaveFailure.h"
#include "app/kit/CustomButton.h"
#include "app/kit/TextButton.h"
#include "app/model/CameraPackage.h"
#include "app/settings/InteractiveGuideDelegate.h"
#include "app/settings/ReviewAlert.h"
#include "app/setup/CameraSetupButton.h"
#include "app/setup/NewCameraSetupLayout.h"
#include "app/setup/SavedPackagesListSource.h"
#include "app/setup/SetupScreenController.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"

namespace app::state {
class FramesObject;
}  // namespace app::state
namespace app::settings {
class InteractiveGuideManager;
}  // namespace app::settings

namespace app::setup {

 
 

// The setup menu: the package being edited, one row per choice (camera, shooting mode, aspect ratio,
// frame line, lens series, lenses, adapter), each row opening its picker; a second page lists the saved
// packages. DONE saves the preferences and goes back to the main screen. Rows are rebuilt each time the
// screen appears, so a picker's commit shows on return. Main thread only.
class NewCameraSetupViewController : public SetupScreenController,
                                     public kit::AlertOkayCancelDelegate,
                                     public settings::ReviewAlertDelegate,
                                     public settings::InteractiveGuideDelegate {
 public:
  static constexpr platform::runtime::NativeClass<platform::ui::ViewController> kRuntimeClass{
      "NewCameraSetupViewController"};
  static constexpr const char* kStoryboardIdentifier = "NewCameraSetupViewController";
  static constexpr const char* kCameraPicker = "CameraModeAspectViewController";
  static constexpr const char* kLensPicker = "LensesFocalLengthsViewController";
  static constexpr const char* kAdapterPicker = "LensAdapterViewController";
  static constexpr int kGuideScreen = 100;
  static constexpr int kRatingTag = 100;
  static constexpr double kRowHeight = NewCameraSetupLayout::kRowHeight;
  static constexpr double kPackageRowHeight = SavedPackagesListSource::kRowHeight;
  static constexpr double kReviewAlertHeight = NewCameraSetupLayout::kReviewAlertHeight;

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  int preferredScreenEdgesDeferringSystemGestures() const { return 15; }
  bool prefersHomeIndicatorAutoHidden() const { return true; }

  void setupButtons();
  std::string getDisplayAspectRatio() const;
  void bindButtonActions();
  void resetButtonStateColor();

  void startCameraModeAspectController();
  void startCameraModeAspectControllerWithMode();
  void startCameraModeAspectControllerWithAspect();
  void startFrameLineController() {}
  void startLensController();
  void startLensControllerWithLensList();
  void startLensAdapterController();

  void menuSetupPressed();
  void menuFavoritesPressed();
  void doneBtnPressed();

  void showReviewAlert();
  void animateShowReviewAlert();
  void animateHideReviewAlert() override;
  void showGuide(settings::BasicGuide& guide) override;

  // Saved packages.
  void loadPackageData();
  void favoriteSortBtnPressed();
  void favoriteSortHighlightIcon();
  void favoriteSortNotHighlightIcon();
  void saveFavoriteBtnPressed();
  // The new package's id, or nothing when it was not stored.
  std::optional<int> savePackageWithName(const std::string& name);
  void deletePackageAtIndexPath(const platform::ui::IndexPath& indexPath);
  // Whether the rename dialog is done with: false (and the person told) when the name was not stored.
  [[nodiscard]] bool editPackageAtIndexPatch(const platform::ui::IndexPath& indexPath, const std::string& name);
  void openRenameDialog(const platform::ui::IndexPath& indexPath);
  void okClickFromAlert(kit::CustomAlert& alert) override;
  void cancelClickFromAlert(kit::CustomAlert& alert) override;

  // Loads the saved package of a row tapped (by the list) and closes the menu.
  void loadSavedPackage(const platform::ui::IndexPath& indexPath);

  // State, for the screen's tests.
  std::optional<model::CameraPackage> currentPackage;
  int favoriteSortMode = 1;
  bool cameraHasShootingMode = false;
  const std::vector<model::CameraPackage>& packageItemsArray() const { return savedList_.packageItemsArray; }
  SavedPackagesListSource& savedList() { return savedList_; }
  const std::shared_ptr<kit::PackageSaveAlert>& packageSaveAlert() const { return packageSaveAlert_; }
  const std::shared_ptr<kit::PackageEditAlert>& packageEditAlert() const { return packageEditAlert_; }
  const FormSaveFailure& saveFailure() const { return saveFailure_; }

  using Views = NewCameraSetupViews;
  const Views& views() const { return views_; }
  platform::ui::LayoutConstraint blueIndicatorViewLeadConstraint, reviewAlertBottomConstraint, lensSetupTopConstraint;

 protected:
  NewCameraSetupViewController();

 private:
  static std::shared_ptr<state::FramesObject> frames();
  void buildViews(platform::ui::View& root) override;
  void layOutViews() override;
  // The picker under `identifier`, set up by `configure` before the push; nothing when it is not there.
  void pushPicker(const char* identifier, const std::function<void(platform::ui::ViewController&)>& configure = {});
  void closeMenu();
  void showSaveHighlight(int packageId);
  // The alert's text field, centred in the screen and shown.
  template <class Alert>
  std::shared_ptr<Alert> openDialog(const std::string& title);

  Views views_;
  std::shared_ptr<settings::InteractiveGuideManager> myInteractiveGuideManager_;
  std::shared_ptr<kit::PackageEditAlert> packageEditAlert_;
  std::shared_ptr<kit::PackageSaveAlert> packageSaveAlert_;
  SavedPackagesListSource savedList_{*this};
  FormSaveFailure saveFailure_;
};

}  // namespace app::setup

