#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/kit/AlertOkayCancelDelegate.h"
#include "app/model/LensManufacturer.h"
#include "app/model/LensObject.h"
#include "app/setup/CustomLensForm.h"
#include "app/setup/CustomLensSeriesForm.h"
#include "app/setup/FormSaveFailure.h"
#include "app/setup/LensFilterMenu.h"
#include "app/setup/LensFilters.h"
#include "app/setup/LensListSource.h"
#include "app/setup/LensPickerLayout.h"
#include "app/setup/LensSeriesList.h"
#include "app/setup/LensSeriesListSource.h"
#include "app/setup/SetupScreenController.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/SearchBar.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"

namespace app::kit {
class CustomOkayCancelAlert;
}  // namespace app::kit

namespace app::setup {

 

// The setup screen on which the user picks the lens series of the package being edited (page 1) and its
// lenses (page 2): any number of primes, one per focal length, or exactly one zoom. Every choice is
// written into the lens catalogue's selection flags at once and committed; the screen keeps no choice of
// its own but the series it was entered with, which Back and Exit restore. It also creates series and
// lenses of the user's own, and deletes them again. Each list answers its own table (LensSeriesListSource,
// LensListSource), each form checks its own fields (CustomLensSeriesForm, CustomLensForm), the filter menu
// keeps the filters (LensFilterMenu), and LensPickerLayout makes and places the views.
class LensesFocalLengthsViewController : public SetupScreenController,
                                         public platform::ui::TextFieldDelegate,
                                         public kit::AlertOkayCancelDelegate {
 public:
  static constexpr platform::runtime::NativeClass<platform::ui::ViewController> kRuntimeClass{
      "LensesFocalLengthsViewController"};
  static constexpr const char* kStoryboardIdentifier = "LensesFocalLengthsViewController";

  // --- entry, set before the push ---
  // The lens list marks the stored selection of zooms only when set (every accepted series tap sets it).
  bool canSelectLenses = false;
  // Opens on page 2, the lenses of the current series.
  bool startWithLensList = false;

  // --- life cycle ---
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void bindUI();

  // --- pages ---
  void goToLensSeriesSelection();
  void goToFocalLengthsSelection();
  void returnFromLensSeriesCreation();
  void doneBtnPressed();
  void exitButtonPressed();
  void backButtonPressed();

  // --- lists ---
  void loadDataFromDB();
  void loadLensManufacturerData();
  void loadLensesForManufacturer(const model::LensManufacturer& series);
  void setPrimeLensCountLabel();
  void setinitialTableViewState();
  std::optional<platform::ui::IndexPath> getIndexPath4LensManufacturer(const model::LensManufacturer& series) const;
  std::optional<platform::ui::IndexPath> getIndexPath4LensSet(const model::LensObject& lens) const;
  void scrollLensManufacturer2IndexPath(const std::optional<platform::ui::IndexPath>& indexPath);
  void scrollLensSet2IndexPath(const std::optional<platform::ui::IndexPath>& indexPath);

  // --- filters and search ---
  void filterLensesBtnPressed() { filterMenu_.toggle(); }
  void filterLensesPrimesBtnPressed() { filterMenu_.primesPressed(); }
  void filterLensesZoomsBtnPressed() { filterMenu_.zoomsPressed(); }
  void filterLensesSphericalBtnPressed() { filterMenu_.sphericalPressed(); }
  void filterLensesAnamorphicBtnPressed() { filterMenu_.anamorphicPressed(); }
  void clearLensFilters() { filterMenu_.clear(); }
  void dbFIlterUpdate();
  void searchButtonPressed();
  void searchCancelButtonPressed();
  void cancelSearch();

  // --- custom series and lenses ---
  void createNewButtonPressed();
  void createNewLensSeries();
  void customLensSeriesPrimesSelected() { seriesForm_.choosePrimes(); }
  void customLensSeriesZoomsSelected() { seriesForm_.chooseZooms(); }
  void createNewLens();
  void backToLensSeriesCreation();
  void saveBtnPressed();
  void clearTextFieldsOnCancel();
  void unmarkInputErrors();
  [[nodiscard]] bool checkForErrorLensSeries() { return seriesForm_.hasError(); }
  [[nodiscard]] bool checkForErrorPrimeLens() { return lensForm_.primeHasError(); }
  [[nodiscard]] bool checkForErrorZoomLens() { return lensForm_.zoomHasError(); }
  void nextTextField();

  // --- deletion ---
  void deleteLensObject(const model::LensObject& lens);
  void deleteManufacturerObject(const model::LensManufacturer& series);
  void showLastLensAlert();
  void hideLastLensAlert();

  // A row tapped or untapped in a list (by its source).
  void tapSeries(const platform::ui::IndexPath& indexPath);
  void tapLens(const platform::ui::IndexPath& indexPath);
  void untapLens(const platform::ui::IndexPath& indexPath);

  // --- search bar, text fields, alert ---
  void textFieldDidBeginEditing(platform::ui::TextField& field) override;
  void textFieldDidEndEditing(platform::ui::TextField& field) override;
  bool textFieldShouldReturn(platform::ui::TextField& field) override;
  void okClickFromAlert(kit::CustomAlert& alert) override;

  void layOutViews() override;
  int preferredScreenEdgesDeferringSystemGestures() const { return 15; }
  bool prefersHomeIndicatorAutoHidden() const { return true; }

  // --- state, for the screen's tests ---
  int menuPosition = 1;
  bool primeLensSetSelected = false;
  bool newFormatCreation = false;
  bool creatingNewLensSeries = false;
  int currentLensManufacturerID = 0;
  int lensManufacturerID = 0;
  const app::setup::LensFilters& filters() const { return filterMenu_.filters; }
  LensFilterMenu& filterMenu() { return filterMenu_; }
  const app::setup::LensSeriesList& seriesList() const { return series_; }
  app::setup::LensSeriesList& seriesList() { return series_; }
  LensSeriesListSource& seriesListSource() { return seriesListSource_; }
  const std::vector<model::LensObject>& lensItems() const { return lensList_.lensItemsArray; }
  const std::optional<model::LensManufacturer>& manufacturerToCreate() const { return manufacturer2Create_; }
  const app::setup::LensPickerViews& views() const { return views_; }
  app::setup::LensPickerConstraints& constraints() { return constraints_; }
  const std::shared_ptr<kit::CustomOkayCancelAlert>& lastLensAlert() const { return deleteLastLensAlert_; }
  const FormSaveFailure& saveFailure() const { return saveFailure_; }

 protected:
  LensesFocalLengthsViewController();

 private:
  void buildViews(platform::ui::View& root) override;
  void placePages(int page);
  void showSeriesTitles();
  void enterLensPage(bool fromCreation);
  // Shows the lens page's back or EXIT again, as it showed them before a pick took them away.
  void showLensPageWayOut();
  void restoreEntrySeries();
  void setupForms();
  void applySelectionMode(const std::string& lensType);
  // Commits the lens choice as the catalogue holds it, or tells the person that it (or the package
  // built with it) was not stored; whether both were.
  bool commit();
  static int refusedLensWrites();
  // A delete the catalogue refused, said over the screen ("<what> could not be deleted").
  void tellDeleteRefused(const std::string& what);
  void closeForm();
  void showForm(platform::ui::View& form, bool creatingSeries);
  void saveLensForm();
  void saveLensOfNewSeries();
  [[nodiscard]] bool storeNewSeriesWithLens(bool prime);
  // The lens stored and committed; nothing when the catalogue did not take it (the person is told).
  std::optional<model::LensObject> saveNewPrimeLens();
  [[nodiscard]] bool saveNewZoomLens();
  // Stores a lens added to the current series; false (and the person told) when the catalogue refuses it.
  [[nodiscard]] bool storeAddedLens(model::LensObject& lens);
  void setNewCreatedLensSeries();
  void createTMPLensManufacturer();
  std::optional<model::LensManufacturer> currentSeries() const;
  void registerForKeyboardNotifications();
  void addKeyboardToolBarButtons();
  void keyboardWasShown(const platform::foundation::Notification& notification);
  void keyboardWillBeHidden(const platform::foundation::Notification& notification);

  app::setup::LensPickerViews views_;
  app::setup::LensPickerConstraints constraints_;
  LensFilterMenu filterMenu_{*this};
  CustomLensSeriesForm seriesForm_{views_};
  CustomLensForm lensForm_{views_};
  app::setup::LensSeriesList series_;
  LensSeriesListSource seriesListSource_{*this};
  LensListSource lensList_{*this};
  std::optional<model::LensManufacturer> manufacturer2Create_;
  std::shared_ptr<kit::CustomOkayCancelAlert> deleteLastLensAlert_;
  FormSaveFailure saveFailure_;
  int refusedLensWritesSeen_ = 0;  // the lens catalogue's refused writes the person was told of
  std::int64_t activeTextFieldTag_ = 0;
  bool bound_ = false;
  int placedPage_ = 1;
  std::optional<platform::foundation::NotificationCenter::Observation> keyboardShown_, keyboardHidden_;
};

}  // namespace app::setup

