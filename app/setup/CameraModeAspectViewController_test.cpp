// The camera picker driven by touches and typing, against the real catalogues of a fresh container.
#include "app/setup/CameraModeAspectViewController.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/kit/KitTestSupport.h"
#include "app/kit/UIConstants.h"
#include "app/settings/BasicGuide.h"
#include "app/settings/InteractiveGuideManager.h"
#include "app/setup/SetupControllerUtil.h"
#include "app/setup/SetupForm.h"
#include "app/setup/SetupListCells.h"
#include "platform/ui/TableViewCell.h"
#include "app/setup/SetupScreenTestSupport.h"
#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/OpenCatalogue.h"
#include "app/storage/PackageDatabaseHelper.h"
#include "app/storage/FrameGuideCatalogue.h"
#include "app/storage/PackageUtil.h"
#include "platform/foundation/PropertyList.h"
#include "platform/log/Log.h"

namespace app::setup {

namespace {

using app::storage::OpenCatalogue;
using platform::ui::IndexPath;

constexpr int kAlexa35 = 1;  // nine shooting modes
constexpr int kAlexa = 7;    // one shooting mode
constexpr int kFormatLF = 1084;
constexpr int kCrop239 = 17;

class CameraPickerTest : public ::testing::Test, public ostrel::testing::SetupScreenFixture {
 protected:
  CameraPickerTest() {
  }

  void open(bool onModes = false, bool onRatios = false) {
    screen = platform::ui::make<CameraModeAspectViewController>();
    screen->startWithShootingMode = onModes;
    screen->startWithAspectRatio = onRatios;
    push(screen);
  }
  const CameraModeAspectViewController::Views& v() const { return screen->views(); }
  bool onScreen() const { return navigation->topViewController() == screen; }
  const model::CameraPackage& edited() const { return *state()->currentPackage; }
  int editedFormat() const { return edited().shootingMode->containerID; }

  // A camera of the user's with one mode, as the form stores it; its format id.
  static int addCamera(const std::string& name, float width = 36, float height = 24) {
    OpenCatalogue<storage::CameraFormatCatalogue> formats;
    model::Camera camera(0, name, "", "Cine", 1);
    model::CameraShootingMode mode;
    mode.width = width;
    mode.height = height;
    mode.anamorphotic = 1;
    mode.category = "Cine";
    mode.formatOrigin = 1;
    mode.aspectRatio = "1.5:1";
    const auto stored = formats->insertNewCameraManufacturer(camera, mode);
    return stored ? stored->containerID : -1;
  }
  static int cameraCount() {
    OpenCatalogue<storage::CameraFormatCatalogue> formats;
    return static_cast<int>(formats->getAllManufacturers().size());
  }
  static std::optional<model::Camera> cameraNamed(const std::string& name) {
    OpenCatalogue<storage::CameraFormatCatalogue> formats;
    for (const auto& camera : formats->getAllManufacturers()) {
      if (camera.manufacturer == name) return camera;
    }
    return std::nullopt;
  }
  // A ratio of the person's, 2.2:1.1, added to the catalogue.
  static model::FrameGuide addRatio() {
    model::FrameGuide guide;
    guide.width = 2.2f;
    guide.height = 1.1f;
    EXPECT_FALSE(OpenCatalogue<storage::FrameGuideCatalogue>()->insertFrameGuideFromCameraSetup(guide));
    EXPECT_GT(guide.frameGuideId, 0);
    return guide;
  }
  std::optional<IndexPath> ratioRow(int cropId) const {
    for (size_t row = 0; row < screen->aspectRatioList().cropList.size(); ++row) {
      if (screen->aspectRatioList().cropList[row].cropID == cropId) return IndexPath::forRow(row, 0);
    }
    return std::nullopt;
  }
  // Swipes the ratio's row open and taps Delete.
  void deleteRatio(int cropId) {
    const auto row = ratioRow(cropId);
    ASSERT_TRUE(row) << "ratio " << cropId << " is not listed";
    swipeOpen(*v().aspectRatioTableView, *row);
    tapDelete(*v().aspectRatioTableView);
  }
  std::optional<IndexPath> cameraRow(int cameraId) const {
    const auto& sections = screen->cameraList().manufacturerItemsArray;
    for (size_t s = 0; s < sections.size(); ++s) {
      for (size_t r = 0; r < sections[s].size(); ++r) {
        if (sections[s][r].manufacturerId == cameraId) return IndexPath::forRow(r, s);
      }
    }
    return std::nullopt;
  }
  void tapRow(platform::ui::TableView& table, const IndexPath& path) {
    table.scrollToRowAtIndexPath(path, platform::ui::TableViewScrollPosition::Middle, false);
    env.advance(0.05);
    layOut();
    auto cell = table.cellForRowAtIndexPath(path);
    ASSERT_TRUE(cell);
    tap(*cell);
    if (window->isRefusingTouches()) ++pauses;
    env.advance(0.5);
  }
  void tapCamera(int cameraId) {
    const auto row = cameraRow(cameraId);
    ASSERT_TRUE(row) << "camera " << cameraId << " is not listed";
    tapRow(*v().cameraTableView, *row);
  }
  void swipeOpen(platform::ui::TableView& table, const IndexPath& path) {
    table.scrollToRowAtIndexPath(path, platform::ui::TableViewScrollPosition::Middle, false);
    env.advance(0.05);
    layOut();
    auto cell = table.cellForRowAtIndexPath(path);
    ASSERT_TRUE(cell);
    swipeLeft(centreOf(*cell), 200);
  }
  void tapDelete(platform::ui::TableView& table) {
    const auto buttons = table.swipeActionButtons();
    ASSERT_EQ(buttons.size(), 1u);
    tap(*buttons.front());
    env.advance(0.5);
  }
  void fill(platform::ui::TextField& field, const std::string& text) {
    tap(field);
    type(text);
  }
  void openForm() {
    tap(*v().createNewBtn->button());
    env.advance(0.3);
  }
  void save() {
    tap(*v().saveBtn->button());
    if (window->isRefusingTouches()) ++pauses;
    env.advance(0.5);
  }
  // The window's picture; also written to $OSTREL_PAGES_PNG_DIR when set, for a person to look at.
  std::shared_ptr<platform::graphics::Image> shoot(const std::string& name) {
    layOut();
    auto image = render();
    if (const char* dir = std::getenv("OSTREL_PAGES_PNG_DIR")) image->writePNG(std::string(dir) + "/" + name + ".png");
    return image;
  }
  static int64_t storedPreference(const char* key) {
    const auto prefs = platform::foundation::PropertyList::readFile(state::FramesObject::preferencePath());
    return prefs.dictionary()->at(key).toInt64();
  }

  std::shared_ptr<CameraModeAspectViewController> screen;
  int pauses = 0;  // taps after which the window refused touches for the final-pick pause

 private:
};

TEST_F(CameraPickerTest, ListsEveryCameraInTheSectionOfItsFirstCharacterAndPicksFromAnyOfThem) {
  addCamera("Überkamera");
  addCamera("");
  open();
  const auto& keys = screen->cameraList().manufacturerIndex;
  EXPECT_EQ(keys.front(), "#") << "the catalogue lists an empty name first";
  EXPECT_NE(std::find(keys.begin(), keys.end(), "A"), keys.end());
  EXPECT_NE(std::find(keys.begin(), keys.end(), "Ü"), keys.end());
  EXPECT_NE(std::find(keys.begin(), keys.end(), "#"), keys.end());
  EXPECT_EQ(v().cameraTableView->sectionIndexTitles(), keys);
  size_t listed = 0;
  for (const auto& section : screen->cameraList().manufacturerItemsArray) listed += section.size();
  EXPECT_EQ(static_cast<int>(listed), cameraCount()) << "every camera is in exactly one section";
  EXPECT_EQ(v().topBarTitleLabel->text(), "CAMERA");

  // The package's own camera is shown chosen.
  const auto own = cameraRow(edited().cameraManufacturer->manufacturerId);
  ASSERT_TRUE(own);
  EXPECT_EQ(v().cameraTableView->indexPathForSelectedRow(), own);

  const auto uber = cameraNamed("Überkamera");
  ASSERT_TRUE(uber);
  const auto row = cameraRow(uber->manufacturerId);
  ASSERT_TRUE(row);
  v().cameraTableView->scrollToRowAtIndexPath(*row, platform::ui::TableViewScrollPosition::Middle, false);
  env.advance(0.05);
  auto cell = std::dynamic_pointer_cast<ManufacturerCell>(v().cameraTableView->cellForRowAtIndexPath(*row));
  ASSERT_TRUE(cell);
  EXPECT_EQ(cell->comment->text(), "CUSTOM");
  EXPECT_EQ(cell->title->text(), "Überkamera ");

  // One shooting mode: committed with crop 1 and closed, without page 2.
  tapCamera(uber->manufacturerId);
  EXPECT_EQ(edited().cameraManufacturer->manufacturerId, uber->manufacturerId);
  EXPECT_EQ(edited().cropID, 1);
  EXPECT_EQ(pauses, 1);
  EXPECT_FALSE(onScreen());
  EXPECT_EQ(storedPreference("FormatOneID"), editedFormat());
}

TEST_F(CameraPickerTest, ACameraWithoutShootingModesChangesNothing) {
  {
    OpenCatalogue<storage::CameraFormatCatalogue> formats;
    ASSERT_TRUE(formats->database().execute(
        "INSERT INTO ManufactorTable (id, manufactor, model, type, origin) VALUES (9000, 'Empty', 'Body', 'Cine', 1)"));
  }
  open();
  const int format = editedFormat();
  tapCamera(9000);
  EXPECT_TRUE(onScreen());
  EXPECT_EQ(screen->menuPosition, 1);
  EXPECT_EQ(editedFormat(), format);
  EXPECT_EQ(pauses, 0);
  EXPECT_EQ(screen->currentCameraManuID, edited().cameraManufacturer->manufacturerId);
}

TEST_F(CameraPickerTest, SearchFindsEveryWordAndShowsOneSectionWithoutIndexOrDeletion) {
  addCamera("Home made");
  open();
  tap(*v().searchBtn);
  env.advance(0.3);
  EXPECT_TRUE(screen->searchActive);
  type("alexa  35");
  EXPECT_TRUE(screen->cameraList().searching);
  ASSERT_EQ(screen->cameraList().formatItemsSearchArray.size(), 1u);
  EXPECT_EQ(screen->cameraList().formatItemsSearchArray.front().getListString(), "ARRI ALEXA 35");
  EXPECT_EQ(v().cameraTableView->numberOfSections(), 1);
  EXPECT_TRUE(v().cameraTableView->sectionIndexTitles().empty());

  platform::ui::Keyboard::shared().deleteBackward();
  for (int i = 0; i < 9; ++i) platform::ui::Keyboard::shared().deleteBackward();
  type("home");
  ASSERT_EQ(screen->cameraList().formatItemsSearchArray.size(), 1u);
  EXPECT_FALSE(screen->cameraList().tableViewCanEditRowAtIndexPath(*v().cameraTableView, IndexPath::forRow(0, 0)))
      << "no deletion among search results";

  // Picking a result closes the search and commits it.
  tapRow(*v().cameraTableView, IndexPath::forRow(0, 0));
  EXPECT_FALSE(screen->cameraList().searching);
  EXPECT_EQ(edited().cameraManufacturer->manufacturer, "Home made");
  EXPECT_FALSE(onScreen());
}

TEST_F(CameraPickerTest, AMakerWithABlankAfterItsFirstLetterIsFoundWithoutIt) {
  addCamera("Z CAM");
  open();
  tap(*v().searchBtn);
  env.advance(0.3);
  type("zcam");
  ASSERT_EQ(screen->cameraList().formatItemsSearchArray.size(), 1u);
  EXPECT_EQ(screen->cameraList().formatItemsSearchArray.front().manufacturer, "Z CAM");
  // Closing the search brings the whole list back, with its sections.
  tap(*v().searchCancelBtn);
  env.advance(0.3);
  EXPECT_FALSE(screen->cameraList().searching);
  EXPECT_FALSE(screen->searchActive);
  EXPECT_EQ(v().cameraTableView->sectionIndexTitles(), screen->cameraList().manufacturerIndex);
}

TEST_F(CameraPickerTest, TheKeyboardLiftsTheCameraListAndNextWalksTheForm) {
  open();
  openForm();
  tap(*v().customFormatNameTextField);
  env.advance(0.5);
  EXPECT_GT(v().cameraTableView->contentInset().bottom, window->windowSafeAreaInsets().bottom);
  EXPECT_EQ(screen->activeTextFieldTag, CameraModeAspectViewController::kNameFieldTag);
  screen->nextTextField();
  EXPECT_TRUE(v().customFormatSensorWidthTextField->isFirstResponder());
  EXPECT_TRUE(screen->textFieldShouldReturn(*v().customFormatSensorWidthTextField));
  EXPECT_TRUE(v().customFormatSensorHeightTextField->isFirstResponder());
  EXPECT_TRUE(screen->textFieldShouldReturn(*v().customFormatSensorHeightTextField));
  env.advance(0.5);
  EXPECT_FALSE(v().customFormatSensorHeightTextField->isFirstResponder());
  EXPECT_EQ(v().cameraTableView->contentInset().bottom, 0);
  // The close button ends the form, empty and unmarked.
  v().customFormatNameTextField->setText("x");
  save();
  tap(*v().searchCancelBtn);
  env.advance(0.3);
  EXPECT_FALSE(screen->newFormatCreation);
  EXPECT_TRUE(v().customFormatNameTextField->text().empty());
  EXPECT_FALSE(app::setup::isMarkedInputError(*v().customFormatSensorWidthTextField));
  EXPECT_EQ(v().customFormatView->alpha(), 0);
}

TEST_F(CameraPickerTest, TheFiltersExcludeEachOtherAndEndWhenPageOneReturns) {
  open();
  const size_t all = screen->cameraList().copyListOfFormatSearchItems.size();
  tap(*v().filterCameraBtn);
  env.advance(0.5);
  EXPECT_TRUE(screen->filterMenu().filterMenuOpen);
  tap(*v().filterCameraCineBtn);
  for (const auto& camera : screen->cameraList().copyListOfFormatSearchItems) EXPECT_EQ(camera.type, "Cine");
  tap(*v().filterCameraPhotoBtn);
  EXPECT_FALSE(screen->filterMenu().filterCineActive);
  EXPECT_TRUE(screen->filterMenu().filterPhotoActive);
  ASSERT_FALSE(screen->cameraList().copyListOfFormatSearchItems.empty());
  for (const auto& camera : screen->cameraList().copyListOfFormatSearchItems) EXPECT_EQ(camera.type, "Photo");
  tap(*v().filterCameraPhotoBtn);
  EXPECT_EQ(screen->cameraList().copyListOfFormatSearchItems.size(), all);

  tap(*v().filterCameraCineBtn);
  const size_t cine = screen->cameraList().copyListOfFormatSearchItems.size();
  EXPECT_LT(cine, all);
  tapCamera(kAlexa35);
  EXPECT_EQ(screen->menuPosition, 2);
  tap(*v().backBtn);
  env.advance(0.5);
  EXPECT_EQ(screen->menuPosition, 1);
  EXPECT_FALSE(screen->filterMenu().filterCineActive);
  EXPECT_FALSE(screen->filterMenu().filterPhotoActive);
  EXPECT_EQ(screen->cameraList().copyListOfFormatSearchItems.size(), all) << "the list is loaded without the filter";
}

TEST_F(CameraPickerTest, BackCommitsTheEntryFormatWithoutCropAndExitRestoresEverything) {
  ASSERT_TRUE(SetupControllerUtil::setNewCameraCrop(kCrop239));
  const int camera = edited().cameraManufacturer->manufacturerId;
  open();
  tapCamera(kAlexa35);
  EXPECT_EQ(screen->menuPosition, 2);
  EXPECT_EQ(v().topBarTitleLabel->text(), "SHOOTING MODE");
  EXPECT_EQ(v().filterBarTitleLabel->text(), "ARRI ALEXA 35");
  EXPECT_EQ(screen->shootingModeList().shootingModeItemsArray.size(), 9u);
  EXPECT_FALSE(v().backBtn->isHidden());
  EXPECT_TRUE(v().exitBtn->isHidden());
  EXPECT_EQ(editedFormat(), kFormatLF) << "several modes: nothing is committed before one is chosen";

  tap(*v().backBtn);
  env.advance(0.5);
  EXPECT_EQ(screen->menuPosition, 1);
  EXPECT_EQ(editedFormat(), kFormatLF);
  EXPECT_EQ(edited().cropID, 1);

  tap(*v().exitBtn);
  env.advance(0.5);
  EXPECT_FALSE(onScreen());
  EXPECT_EQ(editedFormat(), kFormatLF);
  EXPECT_EQ(edited().cropID, kCrop239);
  EXPECT_EQ(edited().cameraManufacturer->manufacturerId, camera);
}

TEST_F(CameraPickerTest, AModeTapCommitsItWithoutCropAndCloses) {
  open();
  tapCamera(kAlexa35);
  tapRow(*v().shootingModeTableView, IndexPath::forRow(2, 0));
  EXPECT_EQ(editedFormat(), 599);
  EXPECT_EQ(edited().cropID, 1);
  EXPECT_EQ(pauses, 2);
  EXPECT_FALSE(onScreen());
}

// A package the package catalogue refuses: the mode is shown as chosen, the picker stays open instead
// of closing, and says NOT SAVED.
TEST_F(CameraPickerTest, AModeThePackageCatalogueRefusesKeepsThePickerOpenAndSaysSo) {
  refusePackageWrites();
  open();
  tapCamera(kAlexa35);
  tapRow(*v().shootingModeTableView, IndexPath::forRow(2, 0));
  env.advance(1);
  EXPECT_TRUE(onScreen());
  expectToldNotStored(screen->saveFailure(), "The package");
  EXPECT_EQ(editedFormat(), 599);
}

TEST_F(CameraPickerTest, OpenedOnModesTheExitButtonShowsAndTheModeIsChosen) {
  open(true);
  EXPECT_FALSE(screen->shootingModeList().tableViewCanEditRowAtIndexPath(*v().shootingModeTableView, IndexPath::forRow(0, 0)))
      << "shooting modes are never deleted";
  EXPECT_FALSE(screen->shootingModeList().tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(*v().shootingModeTableView,
                                                                                   IndexPath::forRow(0, 0)));
  EXPECT_EQ(screen->menuPosition, 2);
  EXPECT_TRUE(v().backBtn->isHidden());
  EXPECT_FALSE(v().exitBtn->isHidden());
  const auto chosen = v().shootingModeTableView->indexPathForSelectedRow();
  ASSERT_TRUE(chosen);
  EXPECT_EQ(screen->shootingModeList().shootingModeItemsArray[chosen->row].containerID, kFormatLF);
}

TEST_F(CameraPickerTest, TheRatioPageOffersTheOtherRatiosAroundTheNativeRowAndCommitsTheOneTapped) {
  open(false, true);
  EXPECT_EQ(screen->menuPosition, 3);
  EXPECT_TRUE(settings::InteractiveGuideManager::getSingleton()->aspectRatioShown);
  EXPECT_EQ(v().topBarTitleLabel->text(), "ASPECT RATIO");
  const auto& crops = screen->aspectRatioList().cropList;
  ASSERT_TRUE(screen->aspectRatioList().positionNativeAspect);
  const size_t native = *screen->aspectRatioList().positionNativeAspect;
  EXPECT_EQ(crops[native].cropID, 1);
  // 36.7 x 25.54 is 1.437: the native row stands between 1.43 and 1.5.
  EXPECT_FLOAT_EQ(crops[native - 1].value, 1.43f);
  EXPECT_FLOAT_EQ(crops[native + 1].value, 1.5f);
  auto cell = std::dynamic_pointer_cast<AspectRatioTableViewCell>(
      v().aspectRatioTableView->cellForRowAtIndexPath(IndexPath::forRow(native, 0)));
  ASSERT_TRUE(cell);
  EXPECT_EQ(cell->aspectRatio->text(), "1.44:1");
  EXPECT_EQ(cell->native->text(), "Native Aspect Ratio");
  shoot("camera-picker-ratios");

  size_t row239 = 0;
  while (row239 < crops.size() && crops[row239].cropID != kCrop239) ++row239;
  ASSERT_LT(row239, crops.size());
  tapRow(*v().aspectRatioTableView, IndexPath::forRow(row239, 0));
  EXPECT_EQ(edited().cropID, kCrop239);
  EXPECT_EQ(edited().cropAspectRatio, "2.39:1");
  EXPECT_FALSE(onScreen());
}

TEST_F(CameraPickerTest, TheCameraFormMarksWhatIsWrongAndStoresNothingUntilItIsRight) {
  open();
  const int cameras = cameraCount();
  openForm();
  EXPECT_TRUE(screen->newFormatCreation);
  EXPECT_EQ(v().filterBarTitleLabel->text(), "CREATE CUSTOM CAMERA");
  struct Case {
    const char* name;
    const char* width;
    const char* height;
    bool nameMarked, widthMarked, heightMarked;
  };
  const Case cases[] = {
      {"", "36", "24", true, false, false},
      {"Mine", "36x", "24", false, true, false},
      {"Mine", "-36", "0", false, true, true},
      {"Mine", "1e39", "", false, true, true},
  };
  for (const auto& c : cases) {
    v().customFormatNameTextField->setText(c.name);
    v().customFormatSensorWidthTextField->setText(c.width);
    v().customFormatSensorHeightTextField->setText(c.height);
    save();
    EXPECT_EQ(app::setup::isMarkedInputError(*v().customFormatNameTextField), c.nameMarked) << c.name << c.width;
    EXPECT_EQ(app::setup::isMarkedInputError(*v().customFormatSensorWidthTextField), c.widthMarked) << c.width;
    EXPECT_EQ(app::setup::isMarkedInputError(*v().customFormatSensorHeightTextField), c.heightMarked) << c.height;
    EXPECT_TRUE(screen->newFormatCreation);
    EXPECT_EQ(cameraCount(), cameras);
  }

  v().customFormatNameTextField->setText("");
  v().customFormatSensorWidthTextField->setText("");
  v().customFormatSensorHeightTextField->setText("");
  fill(*v().customFormatNameTextField, "Home,made");
  fill(*v().customFormatSensorWidthTextField, "36");
  fill(*v().customFormatSensorHeightTextField, "24,0");
  save();
  const auto stored = cameraNamed("Home.made");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->origin, 1);
  EXPECT_EQ(stored->type, "Cine");
  EXPECT_EQ(edited().cameraManufacturer->manufacturerId, stored->manufacturerId);
  EXPECT_EQ(edited().shootingMode->aspectRatio, "1.5:1");
  EXPECT_FLOAT_EQ(edited().shootingMode->width, 36.0f);
  EXPECT_EQ(edited().shootingMode->formatOrigin, 1);
  EXPECT_EQ(edited().cropID, 1);
  EXPECT_EQ(storedPreference("FormatOneID"), editedFormat());
  EXPECT_FALSE(onScreen());
  EXPECT_EQ(pauses, 0) << "a saved camera closes without the pause";
}

// A sensor a tenth of a micrometre or a kilometre wide is no camera: the form says what a side may be,
// marks a side beyond it, zero, a negative or what is no number, and stores and commits nothing; the
// large-format plate cameras are cameras, and so are its bounds themselves.
TEST_F(CameraPickerTest, TheCameraFormHoldsEachSideToARealCameraAndSaysSo) {
  open();
  openForm();
  std::vector<std::string> captions;
  for (const auto& label : v().formLabels) captions.push_back(label->text());
  EXPECT_NE(std::find(captions.begin(), captions.end(), "SENSOR WIDTH (1–10000 MM)"), captions.end());
  EXPECT_NE(std::find(captions.begin(), captions.end(), "SENSOR HEIGHT (1–10000 MM)"), captions.end());

  const int cameras = cameraCount();
  const int format = editedFormat();
  const float width = edited().shootingMode->width;
  const int64_t storedFormat = storedPreference("FormatOneID");
  struct Refused {
    const char* width;
    const char* height;
    bool widthMarked, heightMarked;
  };
  const Refused refused[] = {{"1e-7", "24", true, false},
                             {"0,99", "24", true, false},
                             {"36", "10000.5", false, true},
                             {"36", "1e9", false, true},
                             {"1e9", "1e-7", true, true},
                             {"0", "-24", true, true},
                             {"abc", "nan", true, true},
                             {"", "1e39", true, true}};
  for (const auto& [w, h, widthMarked, heightMarked] : refused) {
    v().customFormatNameTextField->setText("Absurd");
    v().customFormatSensorWidthTextField->setText(w);
    v().customFormatSensorHeightTextField->setText(h);
    save();
    EXPECT_EQ(app::setup::isMarkedInputError(*v().customFormatSensorWidthTextField), widthMarked) << w << " x " << h;
    EXPECT_EQ(app::setup::isMarkedInputError(*v().customFormatSensorHeightTextField), heightMarked) << w << " x " << h;
    EXPECT_FALSE(app::setup::isMarkedInputError(*v().customFormatNameTextField));
    EXPECT_TRUE(screen->newFormatCreation) << "the form stays open";
    EXPECT_EQ(cameraCount(), cameras);
    EXPECT_EQ(editedFormat(), format);
    EXPECT_FLOAT_EQ(edited().shootingMode->width, width);
    EXPECT_EQ(storedPreference("FormatOneID"), storedFormat);
  }

  const struct {
    const char *name, *width, *height;
  } stored[] = {{"4x5 inch", "127", "101,6"}, {"8x10 inch", "254", "203.2"}, {"Bounds", "1", "10000"}};
  for (const auto& camera : stored) {
    if (!screen->newFormatCreation) {
      open();
      openForm();
    }
    v().customFormatNameTextField->setText(camera.name);
    v().customFormatSensorWidthTextField->setText(camera.width);
    v().customFormatSensorHeightTextField->setText(camera.height);
    save();
    ASSERT_TRUE(cameraNamed(camera.name)) << camera.name;
    EXPECT_EQ(edited().cameraManufacturer->manufacturer, camera.name);
    EXPECT_FLOAT_EQ(edited().shootingMode->width, app::setup::FormNumber::value(camera.width)) << camera.name;
    EXPECT_FLOAT_EQ(edited().shootingMode->height, app::setup::FormNumber::value(camera.height)) << camera.name;
    EXPECT_EQ(storedPreference("FormatOneID"), editedFormat());
  }
}

TEST_F(CameraPickerTest, ACameraThatCannotBeStoredCommitsNothingKeepsTheFormAndSaysSo) {
  refuse<storage::CameraFormatCatalogue>("INSERT", {"FormatContainer"});
  open();
  const int format = editedFormat();
  const int cameras = cameraCount();
  openForm();
  v().customFormatNameTextField->setText("Mine");
  v().customFormatSensorWidthTextField->setText("36");
  v().customFormatSensorHeightTextField->setText("24");
  save();
  EXPECT_TRUE(onScreen());
  EXPECT_TRUE(screen->newFormatCreation);
  EXPECT_EQ(editedFormat(), format);
  EXPECT_EQ(cameraCount(), cameras) << "camera and format are stored together or not at all";
  expectToldNotStored(screen->saveFailure(), "The camera \"Mine\"");
  EXPECT_TRUE(screen->newFormatCreation);
  EXPECT_EQ(v().customFormatNameTextField->text(), "Mine");
}

TEST_F(CameraPickerTest, ARatioThatCannotBeStoredCommitsNothingKeepsTheFormAndSaysSo) {
  refuse<storage::FrameGuideCatalogue>("INSERT", {"QuorvelFrameGuide"});
  open(false, true);
  const int crop = edited().cropID;
  openForm();
  type("2,1");
  screen->nextTextField();
  type("1");
  save();
  EXPECT_TRUE(onScreen());
  EXPECT_TRUE(screen->newFormatCreation);
  EXPECT_EQ(edited().cropID, crop);
  expectToldNotStored(screen->saveFailure(), "The aspect ratio 2.1:1");
  EXPECT_EQ(v().customAspectRatioWidthTextField->text(), "2,1");
}

TEST_F(CameraPickerTest, ARatioThatExistsIsNotWrittenAndANewOneIsCommitted) {
  open(false, true);
  int guides = 0;
  {
    OpenCatalogue<storage::FrameGuideCatalogue> catalogue;
    guides = static_cast<int>(catalogue->getAllFrameGuides().size());
  }
  openForm();
  EXPECT_EQ(v().filterBarTitleLabel->text(), "CREATE CUSTOM ASPECT RATIO");
  EXPECT_TRUE(v().customAspectRatioWidthTextField->isFirstResponder());
  type("2,39");
  screen->nextTextField();
  EXPECT_TRUE(v().customAspectRatioHeightTextField->isFirstResponder());
  type("1");
  save();
  EXPECT_TRUE(onScreen());
  EXPECT_FALSE(screen->newFormatCreation);
  EXPECT_EQ(edited().cropID, 1);
  {
    OpenCatalogue<storage::FrameGuideCatalogue> catalogue;
    EXPECT_EQ(static_cast<int>(catalogue->getAllFrameGuides().size()), guides);
  }

  openForm();
  type("2.1");
  screen->nextTextField();
  type("1");
  save();
  EXPECT_FALSE(onScreen());
  EXPECT_EQ(edited().cropAspectRatio, "2.1:1");
  OpenCatalogue<storage::FrameGuideCatalogue> catalogue;
  const auto made = catalogue->getFrameGuide(edited().cropID);
  ASSERT_TRUE(made);
  EXPECT_EQ(made->type, 1);
}

TEST_F(CameraPickerTest, DeletingTheEditedCameraFallsBackToTheStartFormatEvenAfterExit) {
  const int format = addCamera("Doomed");
  const auto doomed = cameraNamed("Doomed");
  ASSERT_TRUE(doomed);
  ASSERT_TRUE(SetupControllerUtil::setNewCameraManufacturer(doomed->manufacturerId, format));
  const int saved = storage::PackageUtil::savePackage(edited());
  ASSERT_GT(saved, 0);
  open();
  const auto row = cameraRow(doomed->manufacturerId);
  ASSERT_TRUE(row);
  EXPECT_FALSE(screen->cameraList().tableViewCanEditRowAtIndexPath(*v().cameraTableView, IndexPath::forRow(0, 0)))
      << "catalogue cameras cannot be deleted";
  swipeOpen(*v().cameraTableView, *row);
  tapDelete(*v().cameraTableView);
  EXPECT_FALSE(cameraNamed("Doomed"));
  EXPECT_EQ(editedFormat(), kFormatLF);
  EXPECT_EQ(edited().cropID, 1);
  for (const auto& package : storage::PackageUtil::getAllPackages()) EXPECT_NE(package.packageID, saved);
  tap(*v().exitBtn);
  env.advance(0.5);
  EXPECT_FALSE(onScreen());
  EXPECT_EQ(editedFormat(), kFormatLF);
}

// The format catalogue deletes nothing (read-only, or locked by another program): the edited package's
// camera, and the ratio it uses as crop and frame guide, stay listed and the package's, the saved
// package on them stays, and each delete is said not to have happened.
TEST_F(CameraPickerTest, ADeleteTheCatalogueRefusesIsSaidAndChangesNothing) {
  const int format = addCamera("Kept");
  const auto kept = cameraNamed("Kept");
  ASSERT_TRUE(kept);
  model::FrameGuide guide;
  guide.width = 2.2f;
  guide.height = 1.1f;
  {
    OpenCatalogue<storage::FrameGuideCatalogue> catalogue;
    ASSERT_FALSE(catalogue->insertFrameGuideFromCameraSetup(guide));
    ASSERT_TRUE(catalogue->selectOnlyFrameGuide(guide.frameGuideId));
  }
  ASSERT_TRUE(SetupControllerUtil::setNewCameraSetupWithCamera(kept->manufacturerId, format, guide.frameGuideId));
  const int saved = storage::PackageUtil::savePackage(edited());
  ASSERT_GT(saved, 0);
  // The formats go first and the camera last: the refusal of the camera's row takes back its formats'.
  refuseDeletes<storage::CameraFormatCatalogue>({"ManufactorTable", "QuorvelFrameGuide"});
  const auto savedStays = [saved] {
    const auto all = storage::PackageUtil::getAllPackages();
    return std::any_of(all.begin(), all.end(), [saved](const auto& package) { return package.packageID == saved; });
  };

  open();
  swipeOpen(*v().cameraTableView, *cameraRow(kept->manufacturerId));
  tapDelete(*v().cameraTableView);
  expectToldNotDeleted(screen->saveFailure(), "The camera \"Kept\"");
  EXPECT_TRUE(cameraRow(kept->manufacturerId)) << "still listed";
  EXPECT_TRUE(OpenCatalogue<storage::CameraFormatCatalogue>()->getCameraFormat(format)) << "with its format";
  EXPECT_EQ(editedFormat(), format) << "not the fall-back";
  EXPECT_TRUE(savedStays());

  tap(*v().exitBtn);
  env.advance(0.5);
  open(false, true);
  deleteRatio(guide.frameGuideId);
  expectToldNotDeleted(screen->saveFailure(), "The aspect ratio 2.2:1.1");
  EXPECT_EQ(edited().cropID, guide.frameGuideId);
  EXPECT_EQ(edited().frameGuide->frameGuideId, guide.frameGuideId);
  EXPECT_EQ(OpenCatalogue<storage::FrameGuideCatalogue>()->getSelectedFrameGuide().frameGuideId, guide.frameGuideId)
      << "the selection moves off the ratio with its delete or not at all";
  ASSERT_TRUE(savedStays());
  EXPECT_EQ(storage::PackageUtil::getAllPackages().front().frameGuide->frameGuideId, guide.frameGuideId);
}

// A ratio still listed but already gone from the catalogue (deleted by another screen's visit) is not
// a refused delete: no notice, the log says what happened, and the list shows it gone.
TEST_F(CameraPickerTest, DeletingARatioNoLongerInTheCatalogueTellsNoFailure) {
  const model::FrameGuide guide = addRatio();
  open(false, true);
  ASSERT_TRUE(OpenCatalogue<storage::FrameGuideCatalogue>()->deleteFrameGuide(guide));
  platform::log::CapturedLines log;
  deleteRatio(guide.frameGuideId);
  EXPECT_FALSE(screen->saveFailure().isShown());
  EXPECT_TRUE(log.contains("The aspect ratio " + std::to_string(guide.frameGuideId) +
                           " to delete is not in the catalogue"));
  for (const auto& crop : screen->aspectRatioList().cropList) EXPECT_NE(crop.cropID, guide.frameGuideId);
  EXPECT_TRUE(onScreen());
}

// The package catalogue will not delete the saved packages on a deleted ratio: the ratio and the saved
// packages change in one step, so neither changes, and the person is told the ratio stays.
TEST_F(CameraPickerTest, ADeleteTheSavedPackagesCannotFollowWaitsWhole) {
  const model::FrameGuide guide = addRatio();
  auto package = edited();
  package.cropID = guide.frameGuideId;
  const int saved = storage::PackageUtil::savePackage(package);
  ASSERT_GT(saved, 0);
  refuseSavedPackageChanges("DELETE", "PackageData");
  open(false, true);
  deleteRatio(guide.frameGuideId);
  expectToldNotDeleted(screen->saveFailure(), "The aspect ratio 2.2:1.1");
  EXPECT_TRUE(OpenCatalogue<storage::FrameGuideCatalogue>()->getFrameGuide(guide.frameGuideId));
  EXPECT_EQ(OpenCatalogue<storage::PackageDatabaseHelper>()->loadPackage(saved).value_or(storage::PackageDatabaseObject()).cropID,
            guide.frameGuideId);
}

TEST_F(CameraPickerTest, DeletingTheRatioInUseLeavesNoTraceOfItsId) {
  model::FrameGuide guide;
  guide.width = 2.2f;
  guide.height = 1.1f;
  {
    OpenCatalogue<storage::FrameGuideCatalogue> catalogue;
    ASSERT_FALSE(catalogue->insertFrameGuideFromCameraSetup(guide));
    ASSERT_GT(guide.frameGuideId, 0);
    ASSERT_TRUE(catalogue->selectOnlyFrameGuide(guide.frameGuideId));
  }
  ASSERT_TRUE(SetupControllerUtil::setNewCameraCrop(guide.frameGuideId));
  ASSERT_EQ(edited().frameGuide->frameGuideId, guide.frameGuideId);
  const int saved = storage::PackageUtil::savePackage(edited());
  ASSERT_GT(saved, 0);
  open(false, true);
  const auto row = ratioRow(guide.frameGuideId);
  ASSERT_TRUE(row);
  EXPECT_TRUE(screen->aspectRatioList().tableViewCanEditRowAtIndexPath(*v().aspectRatioTableView, *row));
  deleteRatio(guide.frameGuideId);

  EXPECT_TRUE(onScreen());
  EXPECT_EQ(edited().cropID, 1);
  EXPECT_EQ(edited().frameGuide->frameGuideId, 1);
  for (const auto& package : storage::PackageUtil::getAllPackages()) EXPECT_NE(package.packageID, saved);
  storage::PackageDatabaseHelper packages;
  ASSERT_TRUE(packages.openDb(false));
  EXPECT_EQ(packages.loadPackage(-2)->frameGuideId, 1);
  EXPECT_EQ(packages.loadPackage(-2)->cropID, 1);
  OpenCatalogue<storage::FrameGuideCatalogue> catalogue;
  EXPECT_FALSE(catalogue->getFrameGuide(guide.frameGuideId));
  for (const auto& crop : screen->aspectRatioList().cropList) EXPECT_NE(crop.cropID, guide.frameGuideId);
  // Exit keeps the native format: the entry crop is gone.
  tap(*v().exitBtn);
  env.advance(0.5);
  EXPECT_EQ(edited().cropID, 1);
}

}  // namespace

namespace {

// Real pixels: the header bar, the chosen camera's title in the accent, the open form.
TEST_F(CameraPickerTest, DrawsTheHeaderTheChosenRowAndTheForm) {
  open();
  auto image = shoot("camera-picker");
  const double scale = image->scale();
  const auto at = [&](const std::shared_ptr<platform::graphics::Image>& i, double x, double y) {
    return ostrel::testing::bytes(i->pixel(static_cast<int>(x * scale), static_cast<int>(y * scale)));
  };
  const double top = window->windowSafeAreaInsets().top;
  EXPECT_EQ(at(image, 20, top + 5), ostrel::testing::bytes(kit::UIConstants::topBarColor()));
  const auto row = v().cameraTableView->indexPathForSelectedRow();
  ASSERT_TRUE(row);
  auto cell = std::dynamic_pointer_cast<ManufacturerCell>(v().cameraTableView->cellForRowAtIndexPath(*row));
  ASSERT_TRUE(cell);
  EXPECT_EQ(ostrel::testing::bytes(cell->title->textColor()), ostrel::testing::bytes(kit::UIConstants::blue()));
  // Some of the title's pixels are drawn in the accent.
  const auto frame = cell->title->convertRectTo(cell->title->bounds(), nullptr);
  int accent = 0;
  for (double x = frame.minX(); x < frame.minX() + 150; x += 0.5) {
    for (double y = frame.minY(); y < frame.maxY(); y += 0.5) {
      if (at(image, x, y) == ostrel::testing::bytes(kit::UIConstants::blue())) ++accent;
    }
  }
  EXPECT_GT(accent, 10);

  openForm();
  auto form = shoot("camera-picker-form");
  const auto field = v().customFormatNameTextField->convertRectTo(v().customFormatNameTextField->bounds(), nullptr);
  EXPECT_EQ(at(form, field.midX(), field.midY()), ostrel::testing::bytes(kit::UIConstants::textFieldBG()));
  tapCamera(kAlexa35);
  EXPECT_FALSE(screen->newFormatCreation) << "a pick below the form closes it";
  shoot("camera-picker-modes");
}

}  // namespace

namespace {

TEST_F(CameraPickerTest, ShowsOnlyItsOwnGuideRightOfCentre) {
  open(false, true);
  settings::BasicGuide other;
  other.messageRect = {0, 0, 220, 120};
  other.guideTag = 310;
  other.superView = v().topBar->superview()->shared_from_this();
  screen->showGuide(other);
  EXPECT_FALSE(other.guideMessage());
  settings::BasicGuide own;
  own.messageRect = {0, 0, 220, 120};
  own.guideTag = CameraModeAspectViewController::kGuideTag;
  own.superView = v().topBar->superview()->shared_from_this();
  screen->showGuide(own);
  ASSERT_TRUE(own.guideMessage());
  EXPECT_DOUBLE_EQ(own.guideMessage()->center().x, window->bounds().width() - 240);
  EXPECT_DOUBLE_EQ(own.guideMessage()->center().y, 160);
  own.hideInteractiveGuide();
}

}  // namespace

}  // namespace app::setup

