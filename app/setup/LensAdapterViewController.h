#pragma once

#include <memory>
#include <vector>

#include "app/kit/AlertOkayCancelDelegate.h"
#include "app/setup/FormSaveFailure.h"
#include "app/kit/CustomButton.h"
#include "app/model/LensAdapterRecord.h"
#include "app/settings/InteractiveGuideDelegate.h"
#include "app/setup/CameraSetupLensAdapterCell.h"
#include "app/setup/LensAdapterLayout.h"
#include "app/setup/SetupScreenController.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"

namespace app::settings {
class InteractiveGuideManager;
}  // namespace app::settings

namespace app::setup {

 

// The lens-adapter picker: the adapter catalogue as a list, the package's adapter marked. A tap makes
// the adapter the package's and closes; a form adds an adapter of the user's (selected at once, the
// screen staying open); the user's own adapters can be swiped away. EXIT commits the adapter selected
// in the catalogue and closes. Main thread only.
class LensAdapterViewController : public SetupScreenController,
                                  public platform::ui::TableViewDataSource,
                                  public platform::ui::TableViewDelegate,
                                  public platform::ui::TextFieldDelegate,
                                  public settings::InteractiveGuideDelegate,
                                  public kit::AlertOkayCancelDelegate {
 public:
  static constexpr platform::runtime::NativeClass<platform::ui::ViewController> kRuntimeClass{
      "LensAdapterViewController"};
  static constexpr const char* kStoryboardIdentifier = "LensAdapterViewController";
  static constexpr int kGuideScreen = 3;
  static constexpr int kGuideTag = 310;
  static constexpr int64_t kFactorFieldTag = LensAdapterLayout::kFactorFieldTag;
  static constexpr double kRowHeight = 40;

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  int preferredScreenEdgesDeferringSystemGestures() const { return 15; }
  bool prefersHomeIndicatorAutoHidden() const { return true; }

  void bindUI();
  void loadDataFromDB();
  void loadLensAdapterDatabase();
  void setinitialTableViewState();
  std::optional<platform::ui::IndexPath> getIndexPath4LensMAdapter(const model::LensAdapterRecord& adapter) const;
  void scrollLensAdapter2IndexPath(const std::optional<platform::ui::IndexPath>& indexPath);

  // The form.
  void createNewButtonPressed();
  void anamorphicBtnPressed();
  void saveBtnPressed();
  void searchCancelButtonPressed();
  void clearTextFieldsOnCancel();
  void unmarkInputErrors();
  // Marks the fields in error; true when any is.
  bool checkForErrorAdapter();
  // Whether the adapter was stored (and committed).
  [[nodiscard]] bool saveNewAdapter();

  void deleteLensAdapter(const model::LensAdapterRecord& adapter);
  void doneBtnPressed();
  void backButtonPressed();
  void nextTextField();
  void addKeyboardToolBarButtons();

  // Table.
  int64_t tableViewNumberOfRowsInSection(platform::ui::TableView& table, int64_t section) override;
  std::shared_ptr<platform::ui::TableViewCell> tableViewCellForRowAtIndexPath(platform::ui::TableView& table,
                                                                              const platform::ui::IndexPath& path) override;
  bool tableViewCanEditRowAtIndexPath(platform::ui::TableView& table, const platform::ui::IndexPath& path) override;
  double tableViewHeightForRowAtIndexPath(platform::ui::TableView& table, const platform::ui::IndexPath& path) override;
  void tableViewWillDisplayCellForRowAtIndexPath(platform::ui::TableView& table, platform::ui::TableViewCell& cell,
                                                 const platform::ui::IndexPath& path) override;
  void tableViewDidSelectRowAtIndexPath(platform::ui::TableView& table, const platform::ui::IndexPath& path) override;
  std::shared_ptr<platform::ui::SwipeActionsConfiguration> tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(
      platform::ui::TableView& table, const platform::ui::IndexPath& path) override;

  void textFieldDidBeginEditing(platform::ui::TextField& textField) override;
  bool textFieldShouldReturn(platform::ui::TextField& textField) override;
  void showGuide(settings::BasicGuide& guide) override;

  // State, for the screen's tests.
  int currentAdapterID = 0;
  int64_t activeTextFieldTag = 0;
  bool isAnamorphic = false;
  const std::vector<model::LensAdapterRecord>& lensAdapterItems() const { return lensAdapterItems_; }

  using Views = LensAdapterViews;
  const Views& views() const { return views_; }
  const FormSaveFailure& saveFailure() const { return saveFailure_; }
  platform::ui::LayoutConstraint topBarConstraint, createNewBtnLeadingConstraint;

 protected:
  LensAdapterViewController();

 private:
  void buildViews(platform::ui::View& root) override;
  void layOutViews() override;
  // Makes `adapterId` the one selected adapter in the catalogue and commits it.
  // Whether the catalogue took the choice; the person is told when it did not.
  bool selectAndCommit(int adapterId);

  Views views_;
  std::vector<model::LensAdapterRecord> lensAdapterItems_;
  std::shared_ptr<settings::InteractiveGuideManager> myInteractiveGuideManager_;
  FormSaveFailure saveFailure_;
};

}  // namespace app::setup

