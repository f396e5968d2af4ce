#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/kit/AlertOkayCancelDelegate.h"
#include "app/model/Camera.h"
#include "app/model/CameraShootingMode.h"
#include "app/settings/InteractiveGuideDelegate.h"
#include "app/setup/AspectRatioListSource.h"
#include "app/setup/CameraFilterMenu.h"
#include "app/setup/CameraListSource.h"
#include "app/setup/CameraModeAspectLayout.h"
#include "app/setup/CustomCameraForm.h"
#include "app/setup/CustomRatioForm.h"
#include "app/setup/CustomRowDeletion.h"
#include "app/setup/FormSaveFailure.h"
#include "app/setup/SetupScreenController.h"
#include "app/setup/ShootingModeListSource.h"
#include "app/storage/PackageMend.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/TextField.h"

namespace app::settings {
class InteractiveGuideManager;
}  // namespace app::settings

namespace app::setup {

// The camera picker: for the package being edited, the camera (page 1, in sections by the first
// letter of the maker, with search and Cine / Photo filters), its shooting mode (page 2) and the aspect
// ratio cut out of it (page 3). Every choice is committed at once through SetupControllerUtil; a final
// choice closes the screen after a short pause, EXIT restores what the package had when the screen
// appeared. The same screen hosts the forms for a camera and an aspect ratio of the user's own, and the
// deletion of the user's own rows. Each list answers its own table (CameraListSource,
// ShootingModeListSource, AspectRatioListSource); each form checks and stores its own fields
// (CustomCameraForm, CustomRatioForm); CameraModeAspectLayout makes and places the views. Main thread only.
class CameraModeAspectViewController : public SetupScreenController,
                                       public platform::ui::TextFieldDelegate,
                                       public kit::AlertOkayCancelDelegate,
                                       public settings::InteractiveGuideDelegate {
 public:
  static constexpr platform::runtime::NativeClass<platform::ui::ViewController> kRuntimeClass{
      "CameraModeAspectViewController"};
  static constexpr const char* kStoryboardIdentifier = "CameraModeAspectViewController";
  static constexpr int kGuideScreen = 2;
  static constexpr int kGuideTag = 300;
  static constexpr double kRowHeight = CameraModeAspectLayout::kRowHeight;
  static constexpr double kFilterMenuHeight = CameraModeAspectLayout::kFilterMenuHeight;
  // A deleted camera of the edited package gives way to this format, without a crop.
  static constexpr int kFallbackFormat = storage::PackageMend::kFormat;
  static constexpr int64_t kNameFieldTag = CameraModeAspectLayout::kNameFieldTag;
  static constexpr int64_t kRatioWidthFieldTag = CameraModeAspectLayout::kRatioWidthFieldTag;

  // --- life cycle ---
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  int preferredScreenEdgesDeferringSystemGestures() const { return 15; }
  bool prefersHomeIndicatorAutoHidden() const { return true; }

  // --- pages and buttons ---
  void bindUI();
  void loadDataFromDB();
  void setInitialTableViewState();
  void goToMenuPosition(int page, bool animated = true);
  void backButtonPressed();
  void exitButtonPressed();
  // Commits the ids chosen so far and closes the screen; it stays open, and says so, when the package
  // catalogue does not store the package.
  void closeController();
  void showGuide(settings::BasicGuide& guide) override;

  // --- lists ---
  void loadCameraManufacturerList();
  void loadShootingModesForManufacturer(int manufacturerId);
  void loadAspectRatioList(const model::CameraShootingMode& mode);
  // A row tapped in a list (by its source).
  void tapCamera(const platform::ui::IndexPath& path);
  void tapMode(const platform::ui::IndexPath& path);
  void tapRatio(const platform::ui::IndexPath& path);
  void filterButtonDown() { filterMenu_.buttonDown(); }
  void filterButtonUp() { filterMenu_.buttonUp(); }
  void filterButtonPressed() { filterMenu_.toggle(); }
  void filterCineButtonPressed() { filterMenu_.cinePressed(); }
  void filterPhotoButtonPressed() { filterMenu_.photoPressed(); }
  void searchButtonPressed();
  void cancelSearch();
  const CameraListSource& cameraList() const { return cameraList_; }
  CameraListSource& cameraList() { return cameraList_; }
  const ShootingModeListSource& shootingModeList() const { return shootingModeList_; }
  ShootingModeListSource& shootingModeList() { return shootingModeList_; }
  const AspectRatioListSource& aspectRatioList() const { return aspectRatioList_; }
  AspectRatioListSource& aspectRatioList() { return aspectRatioList_; }
  const CameraFilterMenu& filterMenu() const { return filterMenu_; }
  CameraFilterMenu& filterMenu() { return filterMenu_; }

  // --- forms and deletions ---
  void createNewButtonPressed();
  void saveBtnPressed();
  void searchCancelButtonPressed();
  // True when a field of the form is in error (and marked).
  bool checkForErrorFormat() { return cameraForm_.hasError(); }
  bool checkForErrorFrameline() { return ratioForm_.hasError(); }
  void unmarkInputErrors();
  void clearTextFieldsOnCancel();
  // Both answer whether the form is done with: a failed write keeps it open.
  [[nodiscard]] bool saveNewFormat();
  [[nodiscard]] bool saveNewFrameLine();
  void deleteCameraFormat(const model::Camera& camera) { rowDeletion_.deleteCamera(camera); }
  void deleteCrop(int cropId) { rowDeletion_.deleteCrop(cropId); }
  void nextTextField();
  void textFieldDidBeginEditing(platform::ui::TextField& field) override;
  bool textFieldShouldReturn(platform::ui::TextField& field) override;
  void keyboardWasShown(const platform::foundation::Notification& notification);
  void keyboardWillBeHidden(const platform::foundation::Notification& notification);

  // --- state ---
  int oldCameraManuID = 0, oldShootingModeID = 0, oldAspectRatioID = 0;
  int currentCameraManuID = 0, currentShootingModeID = 0, currentAspectRatioID = 0;
  std::optional<model::Camera> tmpManufacturer;
  bool markCropList = true;
  bool searchActive = false;
  int64_t activeTextFieldTag = 0;
  bool startWithShootingMode = false;
  bool startWithAspectRatio = false;
  bool cameraHasShootingMode = false;
  bool newFormatCreation = false;
  int menuPosition = 1;

  using Views = CameraModeAspectViews;
  const Views& views() const { return views_; }
  const FormSaveFailure& saveFailure() const { return saveFailure_; }
  platform::ui::LayoutConstraint leadingConstraintCameraTable, leadingConstraintShootingModeTable,
      leadingConstraintAspectRatioTable, topBarConstraint, filterMenuTopConstraint, createNewBtnLeadingConstraint,
      createNewButtonWidthConstraint;

 protected:
  CameraModeAspectViewController();

 private:
  void buildViews(platform::ui::View& root) override;
  void layOutViews() override;
  void setUpForms();
  // Places the three tables for `page` (header untouched).
  void placeTables(int page);
  // The header's titles and buttons for `page`.
  void showHeaderFor(int page);
  std::string subHeaderForModes() const;
  std::shared_ptr<CameraModeAspectViewController> self();

  void closeForm();
  void openFormAnimation(bool ratio);

  Views views_;
  CameraListSource cameraList_{*this};
  ShootingModeListSource shootingModeList_{*this};
  AspectRatioListSource aspectRatioList_{*this};
  CameraFilterMenu filterMenu_{*this};
  CustomCameraForm cameraForm_{views_};
  CustomRatioForm ratioForm_{views_};
  std::shared_ptr<settings::InteractiveGuideManager> myInteractiveGuideManager_;
  std::optional<platform::foundation::NotificationCenter::Observation> keyboardShown_, keyboardHidden_;
  bool openedOnModesOrRatios_ = false;
  double placedWidth_ = 0;
  FormSaveFailure saveFailure_;
  CustomRowDeletion rowDeletion_{*this, saveFailure_};
};

}  // namespace app::setup
