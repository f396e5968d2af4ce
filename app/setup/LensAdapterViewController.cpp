#include "app/setup/LensAdapterViewController.h"

#include "app/kit/UIConstants.h"
#include "app/settings/BasicGuide.h"
#include "app/settings/InteractiveGuideManager.h"
#include "app/setup/AdapterForm.h"
#include "app/setup/AdapterRowTexts.h"
#include "app/setup/OtherSlotRepair.h"
#include "app/setup/PackageStoreNotice.h"
#include "app/setup/SetupControllerUtil.h"
#include "app/setup/SetupForm.h"
#include "app/setup/SetupPause.h"
#include "app/setup/SetupText.h"
#include "app/storage/CatalogueRowDeletion.h"
#include "app/storage/OpenCatalogue.h"
#include "platform/log/Log.h"
#include "app/storage/LensAdapterCatalogue.h"
#include "app/storage/PackageUtil.h"
#include "platform/ui/AnimationOptions.h"
#include "platform/ui/LocalizedStrings.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/SwipeActionsConfiguration.h"

using app::storage::OpenCatalogue;
using platform::graphics::Color;
using platform::ui::IndexPath;
using platform::ui::make;

namespace app::setup {

namespace {

using app::setup::localized;

}  // namespace

LensAdapterViewController::LensAdapterViewController()
    : SetupScreenController(platform::runtime::classOf<LensAdapterViewController>()) {}

void LensAdapterViewController::buildViews(platform::ui::View& root) {
  views_ = LensAdapterLayout::build(root);
  createNewBtnLeadingConstraint.setConstant(LensAdapterLayout::kSide);
}

void LensAdapterViewController::layOutViews() {
  const auto* window = view()->window();
  LensAdapterLayout::layOut(views_, {topBarConstraint, createNewBtnLeadingConstraint}, view()->bounds(),
                            window ? window->windowSafeAreaInsets() : platform::ui::EdgeInsets{});
}

void LensAdapterViewController::viewDidLoad() {
  auto& v = views_;
  v.createNewBtn->setBackgroundColor(Color::clearColor());
  v.createNewBtn->styleCustomButtonWithString(localized("+ ADD CUSTOM ADAPTER"), 0);
  v.createNewBtn->button()->addTarget(this, &LensAdapterViewController::createNewButtonPressed,
                                      platform::ui::ControlEvent::TouchUpInside);
  v.saveBtn->setBackgroundColor(Color::clearColor());
  v.saveBtn->styleCustomButtonWithString(localized("SAVE"), 2);
  v.saveBtn->button()->addTarget(this, &LensAdapterViewController::saveBtnPressed,
                                 platform::ui::ControlEvent::TouchUpInside);
  v.exitBtn->addTarget(this, &LensAdapterViewController::doneBtnPressed, platform::ui::ControlEvent::TouchUpInside);
  v.anamorphicBtn->addTarget(this, &LensAdapterViewController::anamorphicBtnPressed,
                             platform::ui::ControlEvent::TouchUpInside);
  addKeyboardToolBarButtons();
  v.adapterValueField->setDelegate(this);
  v.adapterNameField->setDelegate(this);
  app::setup::styleFormField(*v.adapterNameField, "My Lens Adapter");
  app::setup::styleFormField(*v.adapterValueField, "0.65x");
  v.adapterTableView->setDataSource(this);
  v.adapterTableView->setDelegate(this);
  v.adapterTableView->setTableFooterView(make<platform::ui::View>());
  v.adapterTableView->registerCell(CameraSetupLensAdapterCell::kIdentifier,
                                   [] { return make<CameraSetupLensAdapterCell>(); });
}

void LensAdapterViewController::viewWillAppear(bool) {
  currentAdapterID = SetupControllerUtil::getCurrentLensAdapterID();
  bindUI();
  loadDataFromDB();
  setinitialTableViewState();
}

void LensAdapterViewController::viewDidAppear(bool) {
  // Before it appeared the table had no height to centre the committed adapter in.
  setinitialTableViewState();
  myInteractiveGuideManager_ = settings::InteractiveGuideManager::ofApplication();
  if (!myInteractiveGuideManager_) return;
  auto self = std::static_pointer_cast<LensAdapterViewController>(shared_from_this());
  myInteractiveGuideManager_->registerViewForInteractiveGuide(std::shared_ptr<settings::InteractiveGuideDelegate>(self, this),
                                                              view(), kGuideScreen);
}

void LensAdapterViewController::viewWillDisappear(bool) {
  if (myInteractiveGuideManager_) myInteractiveGuideManager_->unregisterViewForInteractiveGuide();
  myInteractiveGuideManager_.reset();
}

void LensAdapterViewController::bindUI() {
  // Set again on every appearance; a target-action pair is kept once however often it is added.
  views_.searchCancelBtn->addTarget(this, &LensAdapterViewController::searchCancelButtonPressed,
                                    platform::ui::ControlEvent::TouchUpInside);
}

void LensAdapterViewController::loadDataFromDB() { loadLensAdapterDatabase(); }

void LensAdapterViewController::loadLensAdapterDatabase() {
  OpenCatalogue<storage::LensAdapterCatalogue> adapters;
  lensAdapterItems_ = adapters ? adapters->getAllAdapters() : std::vector<model::LensAdapterRecord>();
  views_.adapterTableView->reloadData();
}

void LensAdapterViewController::setinitialTableViewState() {
  const auto package = SetupControllerUtil::getCurrentPackage();
  if (!package || !package->lensAdapter) return;
  view()->layoutIfNeeded();
  scrollLensAdapter2IndexPath(getIndexPath4LensMAdapter(*package->lensAdapter));
}

std::optional<IndexPath> LensAdapterViewController::getIndexPath4LensMAdapter(const model::LensAdapterRecord& adapter) const {
  for (size_t row = 0; row < lensAdapterItems_.size(); ++row) {
    if (lensAdapterItems_[row].adapterId == adapter.adapterId) return IndexPath::forRow(static_cast<int64_t>(row), 0);
  }
  return std::nullopt;
}

void LensAdapterViewController::scrollLensAdapter2IndexPath(const std::optional<IndexPath>& indexPath) {
  if (!indexPath) return;
  views_.adapterTableView->selectRowAtIndexPath(indexPath, false, platform::ui::TableViewScrollPosition::Middle);
}

bool LensAdapterViewController::selectAndCommit(int adapterId) {
  bool stored = false;
  {
    OpenCatalogue<storage::LensAdapterCatalogue> adapters;
    stored = adapters && adapters->selectOnlyAdapter(adapterId);
  }
  const PackageStoreNotice packageStore;
  SetupControllerUtil::setNewLensAdapter();
  currentAdapterID = SetupControllerUtil::getCurrentLensAdapterID();
  // Not taken: the package keeps its adapter rather than whatever the catalogue's flags still hold.
  if (!stored) saveFailure_.reportChoice(*this, "The adapter choice", "The package keeps the adapter it had.");
  return stored && !packageStore.tellIfRefused(*this, saveFailure_);
}

void LensAdapterViewController::tableViewDidSelectRowAtIndexPath(platform::ui::TableView&, const IndexPath& path) {
  if (myInteractiveGuideManager_) myInteractiveGuideManager_->interAction();
  if (path.row < 0 || static_cast<size_t>(path.row) >= lensAdapterItems_.size()) return;
  // A choice not stored leaves the picker open under its notice.
  if (selectAndCommit(lensAdapterItems_[path.row].adapterId)) {
    app::setup::SetupPause::pause(*this, [this] { doneBtnPressed(); });
  }
}

void LensAdapterViewController::doneBtnPressed() {
  SetupControllerUtil::setNewLensAdapter();
  if (auto* navigation = navigationController()) navigation->popViewControllerAnimated(true);
}

void LensAdapterViewController::backButtonPressed() {
  if (auto* navigation = navigationController()) navigation->popViewControllerAnimated(true);
}

// --- the form ---

void LensAdapterViewController::createNewButtonPressed() {
  auto& v = views_;
  isAnamorphic = false;
  v.anamorphicCheck->setAlpha(0);
  v.filterBarTitleLabel->setText(localized("CREATE CUSTOM ADAPTER"));
  v.adapterValueField->becomeFirstResponder();
  std::weak_ptr<platform::runtime::Object> weak = weak_from_this();
  platform::ui::View::animate(0.2, 0, platform::ui::AnimationOptionNone, [this] {
    auto& v = views_;
    v.customAdapterView->setAlpha(1);
    v.createNewBtn->setAlpha(0);
    v.filterBarTitleLabel->setAlpha(1);
    v.saveBtn->setAlpha(1);
    v.searchCancelBtn->setAlpha(1);
    topBarConstraint.setConstant(-50);
    view()->setNeedsLayout();
    view()->layoutIfNeeded();
  }, [weak](bool) {
    if (auto self = std::static_pointer_cast<LensAdapterViewController>(weak.lock())) {
      self->views_.createNewBtn->buttonNotHighlighted();
    }
  });
}

void LensAdapterViewController::anamorphicBtnPressed() {
  isAnamorphic = !isAnamorphic;
  views_.anamorphicCheck->setAlpha(isAnamorphic ? 1 : 0);
}

void LensAdapterViewController::saveBtnPressed() {
  // A failed write keeps the form and what was typed.
  if (!checkForErrorAdapter() && saveNewAdapter()) searchCancelButtonPressed();
  views_.saveBtn->buttonNotHighlighted();
  view()->endEditing(true);
}

void LensAdapterViewController::unmarkInputErrors() {
  app::setup::unmarkInputError(*views_.adapterNameField);
  app::setup::unmarkInputError(*views_.adapterValueField);
}

bool LensAdapterViewController::checkForErrorAdapter() {
  unmarkInputErrors();
  const auto check = app::setup::AdapterForm::check(views_.adapterNameField->text(), views_.adapterValueField->text());
  if (check.nameError) app::setup::markInputError(*views_.adapterNameField);
  if (check.factorError) app::setup::markInputError(*views_.adapterValueField);
  return check.anyError();
}

bool LensAdapterViewController::saveNewAdapter() {
  const auto factor = app::setup::AdapterForm::factor(views_.adapterValueField->text());
  if (!factor) return false;
  const auto adapter = app::setup::AdapterForm::adapter(views_.adapterNameField->text(), *factor, isAnamorphic);
  int stored = -1;
  {
    OpenCatalogue<storage::LensAdapterCatalogue> adapters;
    if (adapters) stored = adapters->insertNewAdapter(adapter);
  }
  if (stored < 1) {
    saveFailure_.report(*this, "The adapter \"" + adapter.adapterName + "\"");
  } else {
    const PackageStoreNotice packageStore;
    SetupControllerUtil::setNewLensAdapter();
    currentAdapterID = SetupControllerUtil::getCurrentLensAdapterID();
    packageStore.tellIfRefused(*this, saveFailure_);
  }
  loadLensAdapterDatabase();
  setinitialTableViewState();
  return stored >= 1;
}

void LensAdapterViewController::searchCancelButtonPressed() {
  view()->endEditing(true);
  std::weak_ptr<platform::runtime::Object> weak = weak_from_this();
  platform::ui::View::animate(0.2, 0, platform::ui::AnimationOptionCurveEaseOut, [this] {
    auto& v = views_;
    v.searchCancelBtn->setAlpha(0);
    v.createNewBtn->setAlpha(1);
    v.filterBarTitleLabel->setAlpha(0);
    v.customAdapterView->setAlpha(0);
    v.saveBtn->setAlpha(0);
    createNewBtnLeadingConstraint.setConstant(16);
    topBarConstraint.setConstant(0);
    view()->setNeedsLayout();
    view()->layoutIfNeeded();
  }, [weak](bool) {
    if (auto self = std::static_pointer_cast<LensAdapterViewController>(weak.lock())) {
      self->views_.saveBtn->buttonNotHighlighted();
    }
  });
  unmarkInputErrors();
  clearTextFieldsOnCancel();
}

void LensAdapterViewController::clearTextFieldsOnCancel() {
  views_.adapterNameField->setText("");
  views_.adapterValueField->setText("");
}

// --- deletion ---

// The row and the saved packages on it go in one step; one that did not happen leaves the saved packages,
// and the package being edited, on the adapter they had, and the person is told.
void LensAdapterViewController::deleteLensAdapter(const model::LensAdapterRecord& adapter) {
  if (!storage::CatalogueRowDeletion::adapter(adapter)) {
    saveFailure_.reportDelete(*this, "The adapter \"" + adapter.adapterName + "\"");
    return;
  }
  platform::log::write(platform::log::Notice, "The adapter \"" + adapter.adapterName + "\" was deleted from its catalogue");
  if (adapter.adapterId == currentAdapterID) selectAndCommit(storage::PackageUtil::kNoAdapter);
  if (auto frames = SetupControllerUtil::getApplication()) {
    app::setup::OtherSlotRepair::adapterDeleted(*frames, adapter.adapterId);
  }
  loadLensAdapterDatabase();
  setinitialTableViewState();
}

// --- table ---

int64_t LensAdapterViewController::tableViewNumberOfRowsInSection(platform::ui::TableView& table, int64_t) {
  return &table == views_.adapterTableView.get() ? static_cast<int64_t>(lensAdapterItems_.size()) : 0;
}

std::shared_ptr<platform::ui::TableViewCell> LensAdapterViewController::tableViewCellForRowAtIndexPath(
    platform::ui::TableView& table, const IndexPath& path) {
  if (&table != views_.adapterTableView.get() || static_cast<size_t>(path.row) >= lensAdapterItems_.size()) return nullptr;
  auto cell = std::dynamic_pointer_cast<CameraSetupLensAdapterCell>(
      table.dequeueReusableCell(CameraSetupLensAdapterCell::kIdentifier));
  if (!cell) return nullptr;
  const model::LensAdapterRecord& adapter = lensAdapterItems_[path.row];
  cell->title()->setText(adapter.getListString());
  cell->crop()->setText(app::setup::AdapterRowTexts::factorText(adapter));
  cell->crop()->setHidden(app::setup::AdapterRowTexts::factorHidden(adapter));
  cell->setTag(adapter.adapterId);
  cell->setNeedsLayout();
  return cell;
}

bool LensAdapterViewController::tableViewCanEditRowAtIndexPath(platform::ui::TableView&, const IndexPath& path) {
  return static_cast<size_t>(path.row) < lensAdapterItems_.size() && lensAdapterItems_[path.row].adapterType == 1;
}

double LensAdapterViewController::tableViewHeightForRowAtIndexPath(platform::ui::TableView&, const IndexPath&) {
  return kRowHeight;
}

void LensAdapterViewController::tableViewWillDisplayCellForRowAtIndexPath(platform::ui::TableView&,
                                                                          platform::ui::TableViewCell& cell,
                                                                          const IndexPath& path) {
  if (static_cast<size_t>(path.row) < lensAdapterItems_.size() &&
      lensAdapterItems_[path.row].adapterId == currentAdapterID) {
    cell.setSelected(true, false);
  }
}

std::shared_ptr<platform::ui::SwipeActionsConfiguration>
LensAdapterViewController::tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(platform::ui::TableView& table,
                                                                                      const IndexPath& path) {
  if (!tableViewCanEditRowAtIndexPath(table, path)) return nullptr;
  const model::LensAdapterRecord adapter = lensAdapterItems_[path.row];
  std::weak_ptr<platform::runtime::Object> weak = weak_from_this();
  auto remove = platform::ui::ContextualAction::contextualActionWithStyle(
      platform::ui::ContextualActionStyle::Normal, localized("Delete"),
      [weak, adapter](platform::ui::ContextualAction&, platform::ui::View&, platform::ui::ContextualAction::Completion done) {
        auto self = std::static_pointer_cast<LensAdapterViewController>(weak.lock());
        if (!self) return;
        self->deleteLensAdapter(adapter);
        self->views_.adapterTableView->setEditing(false, true);
        if (done) done(true);
      });
  remove->setBackgroundColor(kit::UIConstants::redWarning());
  auto configuration = platform::ui::SwipeActionsConfiguration::configurationWithActions({remove});
  configuration->setPerformsFirstActionWithFullSwipe(false);
  return configuration;
}

// --- keyboard and guide ---

void LensAdapterViewController::textFieldDidBeginEditing(platform::ui::TextField& textField) {
  activeTextFieldTag = textField.tag();
}

void LensAdapterViewController::nextTextField() {
  if (auto* parent = views_.adapterValueField->superview()) app::setup::FormKeyboardBars::focusNext(*parent, activeTextFieldTag);
}

bool LensAdapterViewController::textFieldShouldReturn(platform::ui::TextField& textField) {
  return app::setup::FormKeyboardBars::returnKey(textField);
}

void LensAdapterViewController::addKeyboardToolBarButtons() {
  std::weak_ptr<platform::runtime::Object> weak = weak_from_this();
  const auto endEditing = [weak] {
    if (auto self = std::static_pointer_cast<LensAdapterViewController>(weak.lock())) self->view()->endEditing(true);
  };
  views_.adapterValueField->setInputAccessoryView(app::setup::FormKeyboardBars::nextBar(endEditing, [weak] {
    if (auto self = std::static_pointer_cast<LensAdapterViewController>(weak.lock())) self->nextTextField();
  }));
  views_.adapterNameField->setInputAccessoryView(app::setup::FormKeyboardBars::doneBar(endEditing));
}

void LensAdapterViewController::showGuide(settings::BasicGuide& guide) {
  if (guide.guideTag != kGuideTag) return;
  const auto* window = view()->window();
  const double width = window ? window->bounds().width() : view()->bounds().width();
  const float right = window ? static_cast<float>(window->windowSafeAreaInsets().right) : 0.0f;
  const float x = static_cast<float>(width) - (right + 180.0f + 20.0f + 40.0f);
  guide.createAndShowGuideWithTapCenter({0, 0}, {x, 160});
}

}  // namespace app::setup

