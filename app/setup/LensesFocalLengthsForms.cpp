// The lens picker's forms: a series of the user's own with its first lens, and a lens added to the
// current series.
#include "app/kit/PackageAlerts.h"
#include "app/kit/UIConstants.h"
#include "app/model/NumericText.h"
#include "app/setup/LensChoices.h"
#include "app/setup/LensFormValues.h"
#include "app/setup/LensesFocalLengthsViewController.h"
#include "app/setup/SetupControllerUtil.h"
#include "app/setup/SetupForm.h"
#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/OpenCatalogue.h"
#include "platform/log/Log.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/LocalizedStrings.h"

using app::model::NumericText;
using app::setup::FormCheck;
using app::setup::FormKeyboardBars;
using app::setup::FormNumber;
using app::setup::LensFormValues;
using app::setup::LensPickerLayout;
using platform::ui::LocalizedStrings;
namespace app::setup {

using LensCatalogue = app::storage::OpenCatalogue<storage::LensDatabaseHelper>;

namespace {

std::string text(const char* key) { return LocalizedStrings::localizedString(key); }

}  // namespace

void LensesFocalLengthsViewController::setupForms() {
  auto& v = views_;
  registerForKeyboardNotifications();
  addKeyboardToolBarButtons();
  app::setup::styleFormField(*v.customLensSeriesNameTextField, text("My Lens Series"));
  app::setup::styleFormField(*v.customLensSeriesSqueezeTextField, text("1x | Spherical"));
  app::setup::styleFormField(*v.customPrimeLensTextField, text("35mm"));
  app::setup::styleFormField(*v.customZoomMinTextField, text("17mm"));
  app::setup::styleFormField(*v.customZoomMaxTextField, text("50mm"));
  v.customLensSeriesSqueezeTextField->setText(LensFormValues::defaultSqueezeText());
  v.customLensSeriesNameTextField->setReturnKeyType(platform::ui::ReturnKeyType::Next);
  v.customZoomMinTextField->setReturnKeyType(platform::ui::ReturnKeyType::Next);
  for (auto* done :
       {v.customLensSeriesSqueezeTextField.get(), v.customPrimeLensTextField.get(), v.customZoomMaxTextField.get()}) {
    done->setReturnKeyType(platform::ui::ReturnKeyType::Done);
  }
  for (auto* field :
       {v.customLensSeriesNameTextField.get(), v.customLensSeriesSqueezeTextField.get(),
        v.customPrimeLensTextField.get(), v.customZoomMinTextField.get(), v.customZoomMaxTextField.get()}) {
    field->setDelegate(this);
  }
  v.customLensSeriesTypeRadioBtn->yesBtn()->addTarget(this,
                                                      &LensesFocalLengthsViewController::customLensSeriesPrimesSelected,
                                                      platform::ui::ControlEvent::TouchUpInside);
  v.customLensSeriesTypeRadioBtn->noBtn()->addTarget(this,
                                                     &LensesFocalLengthsViewController::customLensSeriesZoomsSelected,
                                                     platform::ui::ControlEvent::TouchUpInside);
  v.customLensSeriesTypeRadioBtn->yesSelected();
}

void LensesFocalLengthsViewController::customLensSeriesPrimesSelected() {
  views_.customLensSeriesTypeRadioBtn->yesSelected();
}

void LensesFocalLengthsViewController::customLensSeriesZoomsSelected() {
  views_.customLensSeriesTypeRadioBtn->noSelected();
}

void LensesFocalLengthsViewController::createNewButtonPressed() {
  newFormatCreation = true;
  if (menuPosition == 1) {
    creatingNewLensSeries = true;
    createNewLensSeries();
  } else {
    createNewLens();
  }
}

void LensesFocalLengthsViewController::createNewLensSeries() {
  auto& v = views_;
  v.titleLabel->setText(text("CREATE CUSTOM LENS SERIES"));
  v.saveBtn->styleCustomButtonWithString(text("NEXT"), 2);
  layOutViews();
  platform::ui::View::animate(
      0.2,
      [this] {
        auto& v = views_;
        v.customLensSeriesView->setAlpha(1);
        for (auto* gone : std::initializer_list<platform::ui::View*>{
                 v.customPrimeLensView.get(), v.customZoomLensView.get(), v.createNewBtn.get(), v.searchBtn.get(),
                 v.primeLensCountLabel.get(), v.filterLensesView.get(), v.backFilterBarBtn.get()}) {
          gone->setAlpha(0);
        }
        for (auto* shown :
             std::initializer_list<platform::ui::View*>{v.titleLabel.get(), v.saveBtn.get(), v.searchCancelBtn.get()})
          shown->setAlpha(1);
        constraints_.topBarConstraint.setConstant(-LensPickerLayout::kBarHeight);
        layOutViews();
      },
      [this](bool) { views_.createNewBtn->buttonNotHighlighted(); });
}

void LensesFocalLengthsViewController::createNewLens() {
  auto& v = views_;
  v.saveBtn->styleCustomButtonWithString(text("SAVE"), 2);
  clearTextFieldsOnCancel();
  model::LensManufacturer series;
  if (creatingNewLensSeries && manufacturer2Create_) {
    series = *manufacturer2Create_;
    primeLensSetSelected = NumericText::contains(series.lensType, "Prime");
    platform::log::write(platform::log::Debug, "Create New Lens Series: " + series.getListString());
  } else {
    series = currentSeries().value_or(model::LensManufacturer{});
    primeLensSetSelected = NumericText::hasPrefix(series.lensType, "Prime");
  }
  auto& label = primeLensSetSelected ? *v.customPrimeLensLabel : *v.customZoomLensLabel;
  label.setText(text("Add lens to") + " " + series.manufacturer + " " + series.series);
  v.titleLabel->setText(text("CREATE CUSTOM LENS"));
  layOutViews();
  platform::ui::View::animate(0.2, [this] {
    auto& v = views_;
    v.customPrimeLensView->setAlpha(primeLensSetSelected ? 1 : 0);
    v.customZoomLensView->setAlpha(primeLensSetSelected ? 0 : 1);
    for (auto* gone :
         std::initializer_list<platform::ui::View*>{v.customLensSeriesView.get(), v.createNewBtn.get(),
                                                    v.primeLensCountLabel.get(), v.filterLensesView.get()}) {
      gone->setAlpha(0);
    }
    v.titleLabel->setAlpha(1);
    v.saveBtn->setAlpha(1);
    // The lens form of a new series goes back to the series form; only that one can cancel.
    v.backFilterBarBtn->setAlpha(creatingNewLensSeries ? 1 : 0);
    v.searchCancelBtn->setAlpha(creatingNewLensSeries ? 0 : 1);
    constraints_.topBarConstraint.setConstant(-LensPickerLayout::kBarHeight);
    layOutViews();
  });
  // Once the form shows, its first field takes the keyboard.
  (void)(primeLensSetSelected ? v.customPrimeLensTextField : v.customZoomMinTextField)->becomeFirstResponder();
}

void LensesFocalLengthsViewController::backToLensSeriesCreation() {
  menuPosition = 1;
  createNewLensSeries();
}

void LensesFocalLengthsViewController::closeForm() {
  auto& v = views_;
  creatingNewLensSeries = false;
  view()->endEditing(true);
  auto series = currentSeries().value_or(model::LensManufacturer{});
  v.filterBarTitleLabel->setText(series.manufacturer + " " + series.series);
  v.filterBarTitleLabel->setAlpha(0);
  newFormatCreation = false;
  platform::ui::View::animate(
      0.2, 0, platform::ui::AnimationOptionCurveEaseOut,
      [this, prime = NumericText::hasPrefix(series.lensType, "Prime")] {
        auto& v = views_;
        for (auto* gone : std::initializer_list<platform::ui::View*>{
                 v.searchCancelBtn.get(), v.customLensSeriesView.get(), v.customPrimeLensView.get(),
                 v.customZoomLensView.get(), v.saveBtn.get(), v.titleLabel.get(), v.backFilterBarBtn.get()}) {
          gone->setAlpha(0);
        }
        v.createNewBtn->setAlpha(1);
        if (menuPosition == 2) {
          v.filterBarTitleLabel->setAlpha(0);
          v.filterLensesView->setAlpha(0);
          if (prime) v.primeLensCountLabel->setAlpha(1);
        } else {
          v.searchBtn->setAlpha(1);
          v.filterLensesView->setAlpha(1);
        }
        constraints_.createNewBtnLeadingConstraint.setConstant(16);
        constraints_.topBarConstraint.setConstant(0);
        layOutViews();
      },
      [this](bool) { views_.saveBtn->buttonNotHighlighted(); });
}

void LensesFocalLengthsViewController::clearTextFieldsOnCancel() {
  auto& v = views_;
  for (auto* field : {v.customLensSeriesNameTextField.get(), v.customPrimeLensTextField.get(),
                      v.customZoomMinTextField.get(), v.customZoomMaxTextField.get()}) {
    field->setText("");
  }
  v.customLensSeriesSqueezeTextField->setText(LensFormValues::defaultSqueezeText());
}

void LensesFocalLengthsViewController::unmarkInputErrors() {
  auto& v = views_;
  for (auto* field :
       {v.customLensSeriesNameTextField.get(), v.customLensSeriesSqueezeTextField.get(),
        v.customPrimeLensTextField.get(), v.customZoomMinTextField.get(), v.customZoomMaxTextField.get()}) {
    app::setup::unmarkInputError(*field);
  }
}

// --- checks ---

bool LensesFocalLengthsViewController::checkForErrorLensSeries() {
  auto& v = views_;
  FormCheck check({v.customLensSeriesNameTextField.get(), v.customLensSeriesSqueezeTextField.get(),
                   v.customPrimeLensTextField.get(), v.customZoomMinTextField.get(), v.customZoomMaxTextField.get()});
  // The squeeze field carries its suffix, so only its leading number counts.
  if (!LensFormValues::squeeze(v.customLensSeriesSqueezeTextField->text())) {
    check.mark(*v.customLensSeriesSqueezeTextField);
  }
  if (v.customLensSeriesNameTextField->text().empty()) check.mark(*v.customLensSeriesNameTextField);
  return check.failed();
}

bool LensesFocalLengthsViewController::checkForErrorPrimeLens() {
  auto& v = views_;
  FormCheck check({v.customLensSeriesNameTextField.get(), v.customLensSeriesSqueezeTextField.get(),
                   v.customPrimeLensTextField.get(), v.customZoomMinTextField.get(), v.customZoomMaxTextField.get()});
  check.requireNumberWithin(*v.customPrimeLensTextField, LensFormValues::kShortestFocalLength,
                            LensFormValues::kLongestFocalLength);
  return check.failed();
}

bool LensesFocalLengthsViewController::checkForErrorZoomLens() {
  auto& v = views_;
  FormCheck check({v.customLensSeriesNameTextField.get(), v.customLensSeriesSqueezeTextField.get(),
                   v.customPrimeLensTextField.get(), v.customZoomMinTextField.get(), v.customZoomMaxTextField.get()});
  for (auto* end : {v.customZoomMinTextField.get(), v.customZoomMaxTextField.get()}) {
    check.requireNumberWithin(*end, LensFormValues::kShortestFocalLength, LensFormValues::kLongestFocalLength);
  }
  return check.failed();
}

// --- saving ---

void LensesFocalLengthsViewController::createTMPLensManufacturer() {
  auto& v = views_;
  manufacturer2Create_ =
      LensFormValues::series(v.customLensSeriesNameTextField->text(),
                             LensFormValues::squeeze(v.customLensSeriesSqueezeTextField->text()).value_or(1.0f),
                             v.customLensSeriesTypeRadioBtn->yesIsSelected());
}

void LensesFocalLengthsViewController::saveBtnPressed() {
  view()->endEditing(true);
  if (menuPosition == 1) {
    if (!checkForErrorLensSeries()) {
      createTMPLensManufacturer();
      createNewLens();
      menuPosition = 2;
    }
  } else {
    saveLensForm();
  }
  views_.saveBtn->buttonNotHighlighted();
  view()->endEditing(true);
}

void LensesFocalLengthsViewController::saveLensForm() {
  if (creatingNewLensSeries) {
    saveLensOfNewSeries();
    return;
  }
  // One branch, by the form that is open: a check of the other form must not run and mark its fields.
  // A lens the catalogue did not take leaves the form open with what was typed.
  if (primeLensSetSelected) {
    if (checkForErrorPrimeLens()) return;
    const auto lens = saveNewPrimeLens();
    if (!lens) return;
    searchCancelButtonPressed();
    scrollLensSet2IndexPath(getIndexPath4LensSet(*lens));
    return;
  }
  if (checkForErrorZoomLens() || !saveNewZoomLens()) return;
  searchCancelButtonPressed();
  auto package = SetupControllerUtil::getCurrentPackage();
  if (package && !package->lensSet.empty()) scrollLensSet2IndexPath(getIndexPath4LensSet(package->lensSet.back()));
}

// The lens is checked before anything is stored: a series is never stored without its first lens.
void LensesFocalLengthsViewController::saveLensOfNewSeries() {
  if (!manufacturer2Create_) return;
  const bool prime = primeLensSetSelected;
  if (prime ? checkForErrorPrimeLens() : checkForErrorZoomLens()) return;
  if (!storeNewSeriesWithLens(prime)) return;
  if (prime) canSelectLenses = true;
  setNewCreatedLensSeries();
  returnFromLensSeriesCreation();
  if (auto series = currentSeries()) loadLensesForManufacturer(*series);
  views_.focalLengthsTableView->reloadData();
}

// The series (unless an earlier SAVE stored it) and its first lens, through one connection that is closed
// again before the commit reads the catalogue.
bool LensesFocalLengthsViewController::storeNewSeriesWithLens(bool prime) {
  auto& v = views_;
  const std::string series = "lens series \"" + manufacturer2Create_->manufacturer + "\"";
  LensCatalogue catalogue;
  if (!catalogue ||
      (manufacturer2Create_->manufacturerId == -1 && catalogue->insertManufacturer(*manufacturer2Create_) < 0)) {
    saveFailure_.report(*this, "The " + series);
    return false;
  }
  model::LensObject lens =
      prime ? LensFormValues::prime(*manufacturer2Create_, FormNumber::value(v.customPrimeLensTextField->text()))
            : LensFormValues::zoom(*manufacturer2Create_, FormNumber::value(v.customZoomMinTextField->text()),
                                   FormNumber::value(v.customZoomMaxTextField->text()));
  if (catalogue->insertNewLens(lens) < 0) {
    // The series stays stored and keeps its id: the next SAVE adds the lens to it.
    saveFailure_.report(*this, "The first lens of the " + series);
    return false;
  }
  return true;
}

bool LensesFocalLengthsViewController::storeAddedLens(model::LensObject& lens) {
  LensCatalogue catalogue;
  if (catalogue && catalogue->insertNewLens(lens) >= 0) return true;
  saveFailure_.report(*this, "The new lens");
  return false;
}

std::optional<model::LensObject> LensesFocalLengthsViewController::saveNewPrimeLens() {
  auto series = currentSeries().value_or(model::LensManufacturer{});
  model::LensObject lens = LensFormValues::prime(series, FormNumber::value(views_.customPrimeLensTextField->text()));
  // Only once it is stored does it take the place of a chosen lens of its focal length.
  if (!storeAddedLens(lens)) return std::nullopt;
  app::setup::LensChoices::clearDoubleSelected(lens, lensList_.lensItemsArray);
  commit();
  loadLensesForManufacturer(series);
  return lens;
}

bool LensesFocalLengthsViewController::saveNewZoomLens() {
  auto series = currentSeries().value_or(model::LensManufacturer{});
  model::LensObject lens = LensFormValues::zoom(series, FormNumber::value(views_.customZoomMinTextField->text()),
                                         FormNumber::value(views_.customZoomMaxTextField->text()));
  if (!storeAddedLens(lens)) return false;
  commit();
  loadLensesForManufacturer(series);
  return true;
}

void LensesFocalLengthsViewController::setNewCreatedLensSeries() {
  if (!manufacturer2Create_) return;
  const model::LensManufacturer created = *manufacturer2Create_;
  app::setup::LensChoices::chooseSeries(created.manufacturerId);
  commit();
  loadDataFromDB();
  currentLensManufacturerID = SetupControllerUtil::getCurrentLensManufacturerID();
  lensManufacturerID = currentLensManufacturerID;
  views_.lensSeriesTableView->reloadData();
  views_.lensSeriesTableView->reloadSectionIndexTitles();
  applySelectionMode(created.lensType);
  manufacturer2Create_.reset();
  if (auto series = currentSeries()) scrollLensManufacturer2IndexPath(getIndexPath4LensManufacturer(*series));
}

// --- keyboard ---

void LensesFocalLengthsViewController::registerForKeyboardNotifications() {
  auto& center = platform::foundation::NotificationCenter::defaultCenter();
  keyboardShown_ = center.addObserver(platform::ui::kKeyboardDidShowNotification,
                                      [this](const auto& notification) { keyboardWasShown(notification); });
  keyboardHidden_ = center.addObserver(platform::ui::kKeyboardWillHideNotification,
                                       [this](const auto& notification) { keyboardWillBeHidden(notification); });
}

void LensesFocalLengthsViewController::keyboardWasShown(const platform::foundation::Notification& notification) {
  const auto frame = platform::ui::RectValue::from(notification.userInfo[platform::ui::kKeyboardFrameBeginUserInfoKey])
                         .value_or(platform::ui::Rect{});
  const double bottom = view()->window() ? view()->window()->windowSafeAreaInsets().bottom : 0;
  const platform::ui::EdgeInsets insets{0, 0, frame.height() + bottom, 0};
  views_.lensSeriesTableView->setContentInset(insets);
  views_.lensSeriesTableView->setScrollIndicatorInsets(insets);
}

void LensesFocalLengthsViewController::keyboardWillBeHidden(const platform::foundation::Notification&) {
  views_.lensSeriesTableView->setContentInset({});
  views_.lensSeriesTableView->setScrollIndicatorInsets({});
}

void LensesFocalLengthsViewController::addKeyboardToolBarButtons() {
  auto& v = views_;
  auto endEditing = [this] { view()->endEditing(true); };
  v.customLensSeriesNameTextField->setInputAccessoryView(
      FormKeyboardBars::nextBar(endEditing, [this] { nextTextField(); }));
  v.customZoomMinTextField->setInputAccessoryView(FormKeyboardBars::nextBar(endEditing, [this] { nextTextField(); }));
  for (auto* field :
       {v.customPrimeLensTextField.get(), v.customZoomMaxTextField.get(), v.customLensSeriesSqueezeTextField.get()}) {
    field->setInputAccessoryView(FormKeyboardBars::doneBar(endEditing));
  }
}

void LensesFocalLengthsViewController::nextTextField() {
  auto& v = views_;
  platform::ui::View* container = nullptr;
  if (menuPosition == 2) container = v.customZoomMinTextField->superview();
  if (menuPosition == 1) container = v.customLensSeriesNameTextField->superview();
  if (container) (void)FormKeyboardBars::focusNext(*container, activeTextFieldTag_);
}

bool LensesFocalLengthsViewController::textFieldShouldReturn(platform::ui::TextField& field) {
  return FormKeyboardBars::returnKey(field);
}

void LensesFocalLengthsViewController::textFieldDidBeginEditing(platform::ui::TextField& field) {
  activeTextFieldTag_ = field.tag();
  if (field.tag() == LensPickerLayout::kSqueezeTag) field.setText(LensFormValues::squeezeEditingText(field.text()));
}

void LensesFocalLengthsViewController::textFieldDidEndEditing(platform::ui::TextField& field) {
  if (activeTextFieldTag_ != LensPickerLayout::kSqueezeTag) return;
  auto& squeeze = *views_.customLensSeriesSqueezeTextField;
  squeeze.setText(LensFormValues::squeezeDisplayText(squeeze.text()));
}

// --- the last-lens alert ---

void LensesFocalLengthsViewController::showLastLensAlert() {
  if (deleteLastLensAlert_) deleteLastLensAlert_->contentView()->removeFromSuperview();
  deleteLastLensAlert_ = platform::ui::make<kit::CustomOkayCancelAlert>(view()->bounds());
  deleteLastLensAlert_->hostIn(*this);
  deleteLastLensAlert_->setDelegate(this);
  deleteLastLensAlert_->alertTitle()->setTextColor(kit::UIConstants::redWarning());
  deleteLastLensAlert_->alertTitle()->setText(text("CANNOT DELETE"));
  deleteLastLensAlert_->messageLabel()->setNumberOfLines(0);
  deleteLastLensAlert_->messageLabel()->setText(text(
      "A lens series needs to contain at least one lens. If you like to delete this lens, create another one first."));
  deleteLastLensAlert_->okSingleBtn()->setTitle(text("OK"));
  deleteLastLensAlert_->setupOKOnly();
  deleteLastLensAlert_->alertViewHeightConstraint().setConstant(187);
  deleteLastLensAlert_->contentView()->layoutIfNeeded();
  deleteLastLensAlert_->contentView()->setUserInteractionEnabled(true);
  deleteLastLensAlert_->showAlert();
}

void LensesFocalLengthsViewController::hideLastLensAlert() {
  if (!deleteLastLensAlert_) return;
  deleteLastLensAlert_->contentView()->setUserInteractionEnabled(false);
  (void)deleteLastLensAlert_->okCancelTextField()->resignFirstResponder();
  deleteLastLensAlert_->hideAlert();
}

void LensesFocalLengthsViewController::okClickFromAlert(kit::CustomAlert& alert) {
  if (&alert == deleteLastLensAlert_.get()) hideLastLensAlert();
}

}  // namespace app::setup

