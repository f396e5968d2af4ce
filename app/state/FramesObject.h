#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/model/StoredColor.h"
#include "app/model/LensAdapterRecord.h"
#include "app/model/CameraPackage.h"
#include "app/optics/FStopMatrix.h"
#include "app/state/FramesPreferenceFile.h"
#include "app/state/FramesSettings.h"
#include "app/state/PersonsPackage.h"
#include "app/state/StartUpCatalogues.h"
#include "app/storage/LensAdapter.h"
#include "app/storage/GenericLensMigration.h"
#include "platform/foundation/SequenceChecker.h"
#include "platform/foundation/Value.h"

namespace app::state {

// The app-wide state: the two packages the main screen shows side by side, the package the setup
// screens are editing, the user's settings, the f-stop position and the bookkeeping of versions and
// starts. It owns the preference file "FramesData.plist" in the Documents folder and, through the
// package facade, the two standard packages of the package catalogue. Main thread only.
class FramesObject {
 public:
  static constexpr const char* kPreferenceFile = FramesPreferenceFile::kFileName;
  static constexpr std::size_t kPreferenceFileMaximumBytes = FramesPreferenceFile::kMaximumBytes;
  // The data and catalogue versions this build carries. The catalogue version goes up with every change
  // to the shipped catalogues: an installed copy is only brought up to date (the user's rows kept) when
  // its stored version differs. 52 was the version of the catalogues first shipped.
  static constexpr int32_t kAppVersion = 32;
  static constexpr int32_t kDBVersion = 55;
  static constexpr int32_t kDefaultFormatOne = 1084;
  static constexpr int32_t kDefaultFormatTwo = 599;
  static constexpr int32_t kDefaultShading = 2;
  static constexpr int kDefaultFStopRow = 4;
  static constexpr int32_t kDefaultCocFactor = 1500;
  // The range the circle-of-confusion tile offers; a stored factor outside it is not the user's.
  static constexpr int32_t kMinCocFactor = 1000;
  static constexpr int32_t kMaxCocFactor = 2000;

  // The one shared instance, made on first call.
  static std::shared_ptr<FramesObject> getSingleton();
  FramesObject();

  // Documents/FramesData.plist.
  static std::string preferencePath() { return FramesPreferenceFile::path(); }

  // Start-up: defaults, the preference file, start packages on a first start, catalogue migrations when
  // the built-in catalogue version changed, the two standard packages; then a save.
  void loadPrefs();
  // Rewrites the whole preference file and the two standard packages.
  void savePrefs();
  // How many times in this run the package catalogue refused to store a standard package (one it
  // may only read, or one another program holds): a screen that sees the count grow across its commit
  // knows that the package shown was not stored. A later save tries again.
  int packageStoresRefused() const { return packageStoresRefused_; }
  // Loads both standard packages and leaves package two the one being edited (currentPackageModus 1).
  void loadPackages();
  void setPackageOneAsCurrentPackage();
  void setPackageTwoAsCurrentPackage();
  void generateStartPackages();
  // A package the person chose on the setup screens becomes package one or two (by currentPackageModus);
  // `parts` (PersonsPackage::Parts) are what the choice was about. What of it may be stored is decided
  // by the slot's PersonsPackage: a choice that cannot be stored counts as a refused store (and is logged).
  void loadPackage(const model::CameraPackage& package, unsigned parts);
  // Whether package one (two) stands in for a stored package that could not be read.
  bool packageOneStandsIn() const { return personsOne_.standsIn(); }
  bool packageTwoStandsIn() const { return personsTwo_.standsIn(); }
  // The row holding the person's package being edited (by currentPackageModus), for a save under a name:
  // nothing when it cannot be known (PersonsPackage::personsRow).
  std::optional<storage::PackageDatabaseObject> editedPackageRow() const;
  void changeFormatFromPackage(const model::CameraPackage& package);
  void loadCurrentPackage();
  void setLensAdapterFromPackage();
  // Whether the catalogues must be brought to the built-in version (the version itself is stored only
  // once they were, see migrateCatalogues).
  bool updateDatabase();

  // While blocked, haptic ticks are off; the user's own setting is kept, saved and restored.
  void blockHapticFeedback();
  void unblockHapticFeedback();
  bool hapticBlocked() const { return hapticBlocked_; }

  // One lens per focal length among the primes of the package's set (a selected one wins); changes
  // the package's mLensSet and returns it.
  model::LensSet getLensSetForPackageOne();
  model::LensSet getLensSetForPackageTwo();

  static int32_t colorCodeFromColor(const model::StoredColor& color) { return color.colorCode(); }
  static model::StoredColor getUIColorFromInt(int32_t code) { return model::StoredColor::fromColorCode(code); }
  static bool phoneRegionIsImperial();

  bool onFirstStart();
  void initSimulationData() { createdButNotInit_ = false; }
  bool appIsNotInitialized() const { return createdButNotInit_; }

  // What loadPrefs read or made, for the screens and for tests.
  bool anamorphicUpdateDone() const { return anamorphicUpdateDone_; }
  bool appIsVersion3() const { return appIsVersion3_; }
  int64_t appStarts() const { return appStarts_; }
  int32_t frameGuideColor() const { return frameGuideColor_; }
  int32_t frameGuideShading() const { return frameGuideShading_; }
  int32_t cropIDOne() const { return cropIDOne_; }
  int32_t cropIDTwo() const { return cropIDTwo_; }

  // Properties.
  int32_t formatOneId = 0;
  int32_t formatTwoId = 0;
  bool first_Start = false;
  optics::FStopMatrix fMatrix;
  storage::LensAdapter lensadapterOne;
  storage::LensAdapter lensadapterTwo;
  int32_t appVersion = 0;
  std::optional<model::CameraPackage> currentPackage;
  // Which standard package the setup screens' edits go to: 0 package one, 1 package two. Read only by
  // loadPackage, changeFormatFromPackage and loadCurrentPackage; set by the main screen
  // (setPackageOne/TwoAsCurrentPackage); start-up (loadPackages, generateStartPackages) leaves it at 1.
  int32_t currentPackageModus = 0;
  bool appInDarkMode = false;
  bool restartFromSettings = false;
  int32_t dbVersion = 0;
  std::string storyBoardName;
  std::optional<model::LensAdapterRecord> lensAdapter;
  std::optional<model::CameraPackage> packageOne;
  std::optional<model::CameraPackage> packageTwo;
  FramesSettings settings;

 private:
  void setDefaults();
  void setFirstStartValues();
  void setStartPackageValues();
  void readPreferences(const platform::foundation::Value& stored);
  platform::foundation::Value preferenceDictionary() const;
  // Whether this start is the first: no preference file, and no standard package stored before it
  // (none in a package catalogue this start did not seed).
  bool isFirstStart(const std::string& path, const StartUpCatalogues::Fresh& fresh) const;
  // After a damaged preference file: the formats it held are the standard packages' own.
  void takeFormatsFromPackages();
  void storeStandardPackages();
  void storeStandardPackage(std::optional<model::CameraPackage>& package, PersonsPackage& persons, int packageId,
                            const char* name);
  // Opening a slot for editing: the stored package read again, or, where it cannot be read whole now,
  // the slot's own.
  void editSlot(int32_t modus);
  void applyThemeFlag();
  void dress(model::CameraPackage& package, const char* name, bool withAdapter);
  model::LensSet thinLensSet(std::optional<model::CameraPackage>& package);

  bool anamorphicUpdateDone_ = false;
  int32_t frameGuideColor_ = 0;
  int32_t frameGuideShading_ = 0;
  // Set when this launch chose the frame-guide colour and shading (a first start, or start packages
  // made again); otherwise the standard packages keep the ones stored with them.
  bool frameGuideStyleChosen_ = false;
  int32_t cropIDOne_ = 0;
  int32_t cropIDTwo_ = 0;
  int64_t appStarts_ = 0;
  bool createdButNotInit_ = true;
  // The app's state is the main thread's, read and changed there without a guard: a debug run stops on
  // a use from anywhere else.
  platform::foundation::SequenceChecker sequenceChecker_;
  // What of each slot is the person's: a package shown in place of a stored one that could not be read
  // or used (a catalogue locked, unreadable or damaged) stands in, and only what the person chooses on it
  // reaches the stored one.
  PersonsPackage personsOne_;
  PersonsPackage personsTwo_;
  PersonsPackage& persons() { return currentPackageModus != 0 ? personsTwo_ : personsOne_; }
  int packageStoresRefused_ = 0;
  bool hapticFeedbackWasSet_ = false;
  bool hapticBlocked_ = false;
  bool appIsVersion3_ = false;
  FramesPreferenceFile preferenceFile_;
};

}  // namespace app::state

