#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/kit/AlertOkayCancelDelegate.h"
#include "app/kit/CustomButton.h"
#include "app/kit/TextButton.h"
#include "app/model/Camera.h"
#include "app/model/CameraShootingMode.h"
#include "app/model/Crop.h"
#include "app/model/FrameGuide.h"
#include "app/settings/InteractiveGuideDelegate.h"
#include "app/setup/FormSaveFailure.h"
#include "app/storage/PackageMend.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/SearchBar.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"

namespace app::settings {
class InteractiveGuideManager;
}  // namespace app::settings

namespace app::setup {

// The camera picker: for the package being edited, the camera (page 1, in sections by the first
// letter of the maker, with search and Cine / Photo filters), its shooting mode (page 2) and the aspect
// ratio cut out of it (page 3). Every choice is committed at once through SetupControllerUtil; a final
// choice closes the screen after a short pause, EXIT restores what the package had when the screen
// appeared. The same screen hosts the forms for a camera and an aspect ratio of the user's own, and the
// deletion of the user's own rows. Main thread only.
class CameraModeAspectViewController : public platform::ui::ViewController,
                                       public platform::ui::TableViewDataSource,
                                       public platform::ui::TableViewDelegate,
                                       public platform::ui::SearchBarDelegate,
                                       public platform::ui::TextFieldDelegate,
                                       public kit::AlertOkayCancelDelegate,
                                       public settings::InteractiveGuideDelegate {
 public:
  static constexpr platform::runtime::NativeClass<platform::ui::ViewController> kRuntimeClass{
      "CameraModeAspectViewController"};
  static constexpr const char* kStoryboardIdentifier = "CameraModeAspectViewController";
  static constexpr int kGuideScreen = 2;
  static constexpr int kGuideTag = 300;
  static constexpr double kRowHeight = 40;
  static constexpr double kFilterMenuHeight = 44;
  // A deleted camera of the edited package gives way to this format, without a crop.
  static constexpr int kFallbackFormat = storage::PackageMend::kFormat;
  // Form fields, tagged in order inside their form for the Next button.
  static constexpr int64_t kNameFieldTag = 1, kSensorWidthFieldTag = 2, kSensorHeightFieldTag = 3;
  static constexpr int64_t kRatioWidthFieldTag = 1, kRatioHeightFieldTag = 2;

  // --- life cycle (CameraModeAspectViewController.cpp) ---
  void loadView() override;
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

  // --- lists (CameraModeAspectLists.cpp) ---
  void loadCameraManufacturerList();
  void loadShootingModesForManufacturer(int manufacturerId);
  void loadAspectRatioList(const model::CameraShootingMode& mode);
  void filterButtonDown();
  void filterButtonUp();
  void filterButtonPressed();
  void filterCineButtonPressed();
  void filterPhotoButtonPressed();
  void searchButtonPressed();
  void cancelSearch();

  int64_t numberOfSectionsInTableView(platform::ui::TableView& table) override;
  int64_t tableViewNumberOfRowsInSection(platform::ui::TableView& table, int64_t section) override;
  std::shared_ptr<platform::ui::TableViewCell> tableViewCellForRowAtIndexPath(platform::ui::TableView& table,
                                                                              const platform::ui::IndexPath& path) override;
  std::vector<std::string> sectionIndexTitlesForTableView(platform::ui::TableView& table) override;
  double tableViewHeightForRowAtIndexPath(platform::ui::TableView& table, const platform::ui::IndexPath& path) override;
  void tableViewWillDisplayCellForRowAtIndexPath(platform::ui::TableView& table, platform::ui::TableViewCell& cell,
                                                 const platform::ui::IndexPath& path) override;
  void tableViewDidSelectRowAtIndexPath(platform::ui::TableView& table, const platform::ui::IndexPath& path) override;

  void searchBarTextDidBeginEditing(platform::ui::SearchBar& bar) override;
  void searchBarTextDidChange(platform::ui::SearchBar& bar, const std::string& text) override;
  void searchBarSearchButtonClicked(platform::ui::SearchBar& bar) override;
  void searchBarCancelButtonClicked(platform::ui::SearchBar& bar) override;

  // --- forms and deletions (CameraModeAspectForms.cpp) ---
  void createNewButtonPressed();
  void saveBtnPressed();
  void searchCancelButtonPressed();
  // True when a field of the form is in error (and marked).
  bool checkForErrorFormat();
  bool checkForErrorFrameline();
  void unmarkInputErrors();
  void clearTextFieldsOnCancel();
  // Both answer whether the form is done with: a failed write keeps it open.
  [[nodiscard]] bool saveNewFormat();
  [[nodiscard]] bool saveNewFrameLine();
  void deleteCameraFormat(const model::Camera& camera);
  void deleteCrop(int cropId);
  // What became of a ratio's row: `guide` is the row deleted; without it, the catalogue refused, unless
  // the row was not there to delete.
  struct RatioRowDeleted {
    std::optional<model::FrameGuide> guide;
    bool notThere = false;
  };
  // Deletes the ratio's row from the catalogue (and the frame-guide selection from it when in use).
  RatioRowDeleted deleteRatioRow(int cropId, bool guideInUse);
  void nextTextField();
  bool tableViewCanEditRowAtIndexPath(platform::ui::TableView& table, const platform::ui::IndexPath& path) override;
  std::shared_ptr<platform::ui::SwipeActionsConfiguration> tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(
      platform::ui::TableView& table, const platform::ui::IndexPath& path) override;
  void textFieldDidBeginEditing(platform::ui::TextField& field) override;
  bool textFieldShouldReturn(platform::ui::TextField& field) override;
  void keyboardWasShown(const platform::foundation::Notification& notification);
  void keyboardWillBeHidden(const platform::foundation::Notification& notification);

  // --- state ---
  int oldCameraManuID = 0, oldShootingModeID = 0, oldAspectRatioID = 0;
  int currentCameraManuID = 0, currentShootingModeID = 0, currentAspectRatioID = 0;
  std::optional<model::Camera> tmpManufacturer;
  std::vector<std::string> manufacturerIndex;
  bool markCropList = true;
  std::optional<size_t> positionNativeAspect;
  std::vector<model::Camera> copyListOfFormatSearchItems;
  bool searching = false;
  bool searchActive = false;
  bool filterMenuOpen = false;
  int64_t activeTextFieldTag = 0;
  bool startWithShootingMode = false;
  bool startWithAspectRatio = false;
  bool cameraHasShootingMode = false;
  bool filterCineActive = false;
  bool filterPhotoActive = false;
  bool newFormatCreation = false;
  int menuPosition = 1;
  std::vector<std::vector<model::Camera>> manufacturerItemsArray;
  std::vector<model::Crop> cropList;
  std::vector<model::Camera> formatItemsSearchArray;
  std::vector<model::CameraShootingMode> shootingModeItemsArray;

  struct Views {
    std::shared_ptr<platform::ui::View> topBar, secondBar, filterCameraView, filterMenuView, customFormatView,
        customFramelineView;
    std::shared_ptr<platform::ui::Label> topBarTitleLabel, filterBarTitleLabel;
    std::shared_ptr<platform::ui::Button> backBtn, exitBtn, searchBtn, searchCancelBtn, filterCameraBtn;
    std::shared_ptr<platform::ui::ImageView> filterCameraIcon;
    std::shared_ptr<platform::ui::SearchBar> searchFormatBar;
    std::shared_ptr<kit::TextButton> filterCameraCineBtn, filterCameraPhotoBtn;
    std::shared_ptr<kit::CustomButton> createNewBtn, saveBtn;
    std::shared_ptr<platform::ui::TextField> customFormatNameTextField, customFormatSensorWidthTextField,
        customFormatSensorHeightTextField, customAspectRatioWidthTextField, customAspectRatioHeightTextField;
    std::vector<std::shared_ptr<platform::ui::Label>> formLabels;
    std::shared_ptr<platform::ui::TableView> cameraTableView, shootingModeTableView, aspectRatioTableView;
  };
  const Views& views() const { return views_; }
  const FormSaveFailure& saveFailure() const { return saveFailure_; }
  platform::ui::LayoutConstraint leadingConstraintCameraTable, leadingConstraintShootingModeTable,
      leadingConstraintAspectRatioTable, topBarConstraint, filterMenuTopConstraint, createNewBtnLeadingConstraint,
      createNewButtonWidthConstraint;

 protected:
  CameraModeAspectViewController();

 private:
  // CameraModeAspectViewLayout.cpp
  void buildViews(platform::ui::View& root);
  void buildForms(platform::ui::View& root);
  void layOutViews();
  void setUpForms();
  // Places the three tables for `page` (header untouched).
  void placeTables(int page);
  // The header's titles and buttons for `page`.
  void showHeaderFor(int page);
  std::string subHeaderForModes() const;
  std::shared_ptr<CameraModeAspectViewController> self();

  // CameraModeAspectLists.cpp
  void tapCamera(const platform::ui::IndexPath& path);
  void tapMode(const platform::ui::IndexPath& path);
  void tapRatio(const platform::ui::IndexPath& path);
  void runSearch();
  void reloadAfterFilter();
  void closeFilterMenu(bool keepCreateHidden);
  void setFilterLooks();
  const model::Camera* cameraAt(const platform::ui::IndexPath& path) const;
  std::optional<platform::ui::IndexPath> indexPathOfCamera(int cameraId) const;
  std::optional<platform::ui::IndexPath> indexPathOfMode(int formatId) const;
  std::optional<platform::ui::IndexPath> indexPathOfCrop(int cropId) const;

  // CameraModeAspectForms.cpp
  void closeForm();
  void openFormAnimation(bool ratio);

  Views views_;
  std::shared_ptr<settings::InteractiveGuideManager> myInteractiveGuideManager_;
  std::optional<platform::foundation::NotificationCenter::Observation> keyboardShown_, keyboardHidden_;
  std::shared_ptr<platform::ui::View> nameFieldToolbar_, widthFieldToolbar_, heightFieldToolbar_;
  bool openedOnModesOrRatios_ = false;
  double placedWidth_ = 0;
  FormSaveFailure saveFailure_;
};

}  // namespace app::setup

