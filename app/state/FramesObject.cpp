#include "app/state/FramesObject.h"

#include <algorithm>

#include "app/state/SavedThemeFlag.h"
#include "app/storage/CatalogueBatch.h"
#include "app/storage/recovery/CatalogueSeeding.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/CurrentRegion.h"
#include "app/storage/PackageUtil.h"
#include "platform/log/Log.h"

using platform::foundation::CurrentRegion;
using platform::foundation::Value;

namespace app::state {

namespace {

constexpr int kStandardOne = -2;
constexpr int kStandardTwo = -1;
constexpr const char* kNameOne = "Pacakge One";
constexpr const char* kNameTwo = "Pacakge Two";

// A standard package that is stored but cannot be shown whole: what is shown stands in for this run only.
bool standsIn(storage::PackageUtil::Found found, const char* which) {
  using Found = storage::PackageUtil::Found;
  if (found != Found::Unusable && found != Found::InPart) return false;
  platform::log::write(platform::log::Warning,
                       std::string("Standard package ") + which +
                           (found == Found::Unusable ? " could not be read; the default package is shown"
                                                     : " could not be read whole; it is shown without what is missing") +
                           " and the stored one is kept");
  return true;
}

void take(PersonsPackage& persons, storage::PackageUtil::Found found, const char* which) {
  standsIn(found, which) ? persons.shownStandsIn() : persons.shownIsPersons();
}

void logNotice(const std::string& message) { platform::log::write(platform::log::Notice, message); }

bool fStopPositionIsValid(int row, int modus) { return row >= 0 && row <= 14 && modus >= 0 && modus <= 3; }

}  // namespace

std::shared_ptr<FramesObject> FramesObject::getSingleton() {
  static const std::shared_ptr<FramesObject> instance = std::make_shared<FramesObject>();
  DCHECK_CALLED_ON_VALID_SEQUENCE(instance->sequenceChecker_);
  return instance;
}

FramesObject::FramesObject() = default;

bool FramesObject::phoneRegionIsImperial() {
  const std::string country = CurrentRegion::countryCode();
  return country == "US" || country == "UM" || country == "MM" || country == "LR";
}

bool FramesObject::onFirstStart() {
  if (appStarts_ == 1 && !first_Start) {
    first_Start = true;
    appStarts_ = 2;
    return true;
  }
  first_Start = false;
  return false;
}

void FramesObject::dress(model::CameraPackage& package, const char* name, bool withAdapter) {
  if (frameGuideStyleChosen_) {
    package.frameGuideShading = frameGuideShading_;
    package.frameGuideColor = getUIColorFromInt(frameGuideColor_);
  }
  if (withAdapter) setLensAdapterFromPackage();
  package.packageName = name;
}

void FramesObject::setLensAdapterFromPackage() {
  lensAdapter = currentPackage ? currentPackage->lensAdapter : std::nullopt;
}

void FramesObject::loadPackages() {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequenceChecker_);
  auto found = storage::PackageUtil::Found::Stored;
  packageOne = storage::PackageUtil::loadPackage(kStandardOne, &found);
  take(personsOne_, found, "one");
  dress(*packageOne, kNameOne, true);
  packageTwo = storage::PackageUtil::loadPackage(kStandardTwo, &found);
  take(personsTwo_, found, "two");
  dress(*packageTwo, kNameTwo, true);
  currentPackageModus = 1;
}

void FramesObject::setPackageOneAsCurrentPackage() { editSlot(0); }

void FramesObject::setPackageTwoAsCurrentPackage() { editSlot(1); }

void FramesObject::editSlot(int32_t modus) {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequenceChecker_);
  currentPackageModus = modus;
  const bool two = modus != 0;
  auto found = storage::PackageUtil::Found::Stored;
  model::CameraPackage loaded = storage::PackageUtil::loadPackage(two ? kStandardTwo : kStandardOne, &found);
  const bool readWhole = found == storage::PackageUtil::Found::Stored || found == storage::PackageUtil::Found::Mended;
  auto& slot = two ? packageTwo : packageOne;
  if (!readWhole && slot) {
    // What was read stands in: the slot's own package is the one edited, with its own selections.
    loaded = *slot;
    storage::PackageUtil::setLoadedPackageinDB(loaded);
  } else if (readWhole && persons().standsIn()) {
    // Read whole at last: what stood in gives way to the person's package.
    persons().shownIsPersons();
    slot = loaded;
    dress(*slot, two ? kNameTwo : kNameOne, false);
  }
  currentPackage = loaded;
  dress(*currentPackage, two ? kNameTwo : kNameOne, true);
}

void FramesObject::generateStartPackages() {
  currentPackage = storage::PackageUtil::getStartPackageOne();
  dress(*currentPackage, kNameOne, true);
  storage::PackageUtil::saveStandardPackageOne(*currentPackage);
  currentPackage.reset();
  currentPackageModus = 1;
  currentPackage = storage::PackageUtil::getStartPackageTwo();
  dress(*currentPackage, kNameTwo, true);
  storage::PackageUtil::saveStandardPackageTwo(*currentPackage);
}

void FramesObject::loadPackage(const model::CameraPackage& package, unsigned parts) {
  auto& slot = currentPackageModus != 0 ? packageTwo : packageOne;
  if (!persons().choose(slot.value_or(model::CameraPackage()), package, parts)) {
    ++packageStoresRefused_;
    platform::log::write(platform::log::Warning,
                         std::string("A choice for standard package ") + (currentPackageModus != 0 ? "two" : "one") +
                             " could not be read whole; it is shown and not stored");
  }
  currentPackage.reset();
  slot = package;
  currentPackage = package;
  lensAdapter = package.lensAdapter;
  changeFormatFromPackage(package);
}

void FramesObject::changeFormatFromPackage(const model::CameraPackage& package) {
  const int32_t format = package.shootingMode ? package.shootingMode->containerID : 0;
  if (currentPackageModus != 0) {
    formatTwoId = format;
    cropIDTwo_ = package.cropID;
  } else {
    formatOneId = format;
    cropIDOne_ = package.cropID;
  }
}

void FramesObject::loadCurrentPackage() {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequenceChecker_);
  const bool two = currentPackageModus != 0;
  currentPackage =
      storage::PackageUtil::getCurrentPackageWithFormatID(two ? formatTwoId : formatOneId, two ? cropIDTwo_ : cropIDOne_);
  if (frameGuideStyleChosen_) {
    currentPackage->frameGuideShading = frameGuideShading_;
    currentPackage->frameGuideColor = getUIColorFromInt(frameGuideColor_);
  } else if (const auto& stored = two ? packageTwo : packageOne) {
    // The colour and shading stay the ones the package being edited was stored with.
    currentPackage->frameGuideShading = stored->frameGuideShading;
    currentPackage->frameGuideColor = stored->frameGuideColor;
  }
  setLensAdapterFromPackage();
  storage::PackageUtil::setLoadedPackageinDB(*currentPackage);
}

void FramesObject::blockHapticFeedback() {
  if (hapticBlocked_) return;
  hapticFeedbackWasSet_ = settings.hapticFeedback;
  hapticBlocked_ = true;
  settings.hapticFeedback = false;
}

void FramesObject::unblockHapticFeedback() {
  hapticBlocked_ = false;
  settings.hapticFeedback = hapticFeedbackWasSet_;
  savePrefs();
}

model::LensSet FramesObject::thinLensSet(std::optional<model::CameraPackage>& package) {
  if (!package) return {};
  if (!package->mLensSet) package->mLensSet = model::LensSet();
  model::LensSet& set = *package->mLensSet;
  std::vector<model::LensObject> result;
  for (const auto& lens : set.lenses) {
    if (!lens.isPrime()) {
      result.push_back(lens);
      continue;
    }
    const auto twin = std::find_if(result.begin(), result.end(), [&](const model::LensObject& kept) {
      return kept.isPrime() && kept.focalLength == lens.focalLength;
    });
    if (twin == result.end()) {
      result.push_back(lens);
      continue;
    }
    // Of two primes of one focal length the first stays, unless the later one is in the user's set.
    const bool selected = std::any_of(set.selectedLenses.begin(), set.selectedLenses.end(),
                                      [&](const model::LensObject& chosen) { return chosen.lensId == lens.lensId; });
    if (selected) {
      result.erase(twin);
      result.push_back(lens);
    }
  }
  set.lenses = std::move(result);
  return set;
}

model::LensSet FramesObject::getLensSetForPackageOne() { return thinLensSet(packageOne); }

model::LensSet FramesObject::getLensSetForPackageTwo() { return thinLensSet(packageTwo); }

// --- start-up and the preference file ---

void FramesObject::setDefaults() {
  anamorphicUpdateDone_ = true;
  settings.colorTheme = 0;
  settings.lensMatchType = 0;
  settings.hapticFeedback = true;
  settings.measurementSystem = phoneRegionIsImperial() ? 1 : 0;
  settings.snap = true;
  first_Start = false;
  appIsVersion3_ = false;
  appInDarkMode = true;
  settings.cocFactor = kDefaultCocFactor;
  lensadapterOne = storage::LensAdapter(1.0f);
  lensadapterTwo = storage::LensAdapter(1.0f);
  fMatrix = optics::FStopMatrix();
  frameGuideStyleChosen_ = false;
}

// The formats, crops and frame-guide style the start packages are made with.
void FramesObject::setStartPackageValues() {
  cropIDOne_ = 1;
  cropIDTwo_ = 1;
  formatOneId = kDefaultFormatOne;
  formatTwoId = kDefaultFormatTwo;
  frameGuideColor_ = model::StoredColor::defaultFrameGuideColor().colorCode();
  frameGuideShading_ = kDefaultShading;
  frameGuideStyleChosen_ = true;
}

void FramesObject::setFirstStartValues() {
  appIsVersion3_ = true;
  anamorphicUpdateDone_ = true;
  first_Start = true;
  setStartPackageValues();
  fMatrix.setRow(kDefaultFStopRow);
  fMatrix.setModus(0);
  appStarts_ = 1;
  appVersion = kAppVersion;
}

void FramesObject::readPreferences(const Value& stored) {
  anamorphicUpdateDone_ = FramesPreferenceFile::boolValue(stored, "quorvelAnamorphicUpdateDone").value_or(false);
  appIsVersion3_ = FramesPreferenceFile::boolValue(stored, "appIsVersion3").value_or(false);

  const auto row = FramesPreferenceFile::int32Value(stored, "FMATRIXROW");
  const int modus = row ? FramesPreferenceFile::int32Value(stored, "FMATRIXMODUS").value_or(0) : 0;
  // A position outside the table is not one the user chose: the first start's position stands.
  const bool valid = row && fStopPositionIsValid(*row, modus);
  fMatrix.setRow(valid ? *row : kDefaultFStopRow);
  fMatrix.setModus(valid ? modus : 0);

  formatOneId = FramesPreferenceFile::int32Value(stored, "FormatOneID").value_or(0);
  formatTwoId = FramesPreferenceFile::int32Value(stored, "FormatTwoID").value_or(0);
  if (const auto one = FramesPreferenceFile::floatValue(stored, "LensAdapterOne")) {
    lensadapterOne = storage::LensAdapter(*one);
    lensadapterTwo = storage::LensAdapter(FramesPreferenceFile::floatValue(stored, "LensAdapterTwo").value_or(0.0f));
  }
  if (const auto type = FramesPreferenceFile::int32Value(stored, "LENSMATCHTYPE")) settings.lensMatchType = *type;
  if (const auto factor = FramesPreferenceFile::int32Value(stored, "COCFACTOR")) {
    // Only the tile's range is the user's choice; anything else divides by nonsense.
    settings.cocFactor = *factor >= kMinCocFactor && *factor <= kMaxCocFactor ? *factor : kDefaultCocFactor;
  }
  appStarts_ = FramesPreferenceFile::wholeNumber(stored, "App_Start_Count").value_or(0);
  if (appStarts_ < std::numeric_limits<int64_t>::max()) ++appStarts_;
  appVersion = FramesPreferenceFile::int32Value(stored, "Version").value_or(0);
  if (const auto version = FramesPreferenceFile::int32Value(stored, "DBVersion")) dbVersion = *version;
  // The four settings of the settings page are stored together: one key decides for all of them.
  if (const auto theme = FramesPreferenceFile::int32Value(stored, "SETTINGS_COLORTHEME")) {
    settings.colorTheme = *theme;
    settings.hapticFeedback = FramesPreferenceFile::boolValue(stored, "SETTINGS_HAPTICFEEDBACK").value_or(false);
    settings.measurementSystem = FramesPreferenceFile::int32Value(stored, "SETTINGS_MeasurementSystem").value_or(0);
    settings.snap = FramesPreferenceFile::boolValue(stored, "SETTINGS_SNAP").value_or(false);
  }
  if (const auto dark = FramesPreferenceFile::boolValue(stored, "SETTINGS_APPINDARKMODE")) appInDarkMode = *dark;
}

Value FramesObject::preferenceDictionary() const {
  // While haptics are blocked the setting holds a temporary NO; the file keeps the user's own.
  const bool haptics = hapticBlocked_ ? hapticFeedbackWasSet_ : settings.hapticFeedback;
  return Value(platform::foundation::Dictionary{
      {"Version", appVersion},
      {"DBVersion", dbVersion},
      {"FormatOneID", formatOneId},
      {"FormatTwoID", formatTwoId},
      {"App_Start_Count", appStarts_},
      {"LensAdapterOne", lensadapterOne.currentAdapter()},
      {"LensAdapterTwo", lensadapterTwo.currentAdapter()},
      {"FMATRIXROW", static_cast<double>(fMatrix.row())},
      {"FMATRIXMODUS", static_cast<double>(fMatrix.modus())},
      {"quorvelAnamorphicUpdateDone", anamorphicUpdateDone_},
      {"SETTINGS_COLORTHEME", settings.colorTheme},
      {"SETTINGS_MeasurementSystem", settings.measurementSystem},
      {"SETTINGS_HAPTICFEEDBACK", haptics},
      {"SETTINGS_SNAP", settings.snap},
      {"SETTINGS_APPINDARKMODE", appInDarkMode},
      {"LENSMATCHTYPE", settings.lensMatchType},
      {"appIsVersion3", appIsVersion3_},
      {"COCFACTOR", settings.cocFactor},
  });
}

void FramesObject::applyThemeFlag() {
  if (settings.colorTheme == 0) appInDarkMode = true;
  if (settings.colorTheme == 1) appInDarkMode = false;
}

bool FramesObject::updateDatabase() {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequenceChecker_);
  if (appVersion != kAppVersion) {
    logNotice("Quorvel Update!");
    appVersion = kAppVersion;
  }
  if (dbVersion != kDBVersion) {
    logNotice("DBUpate!");
    return true;
  }
  logNotice("NO DBUpate!");
  return false;
}

bool FramesObject::isFirstStart(const std::string& path, const StartUpCatalogues::Fresh& fresh) const {
  // Only where nothing at all stands is the file missing: a link that leads nowhere is the person's
  // file out of reach, not a file never written.
  if (platform::foundation::AtomicFile::anythingAt(path)) return false;
  // A file deleted, or a Documents folder emptied by another program, beside the person's packages is
  // a file lost, not a first start: the start packages would go over the person's standard ones.
  return fresh.packages || !StartUpCatalogues::standardPackagesStored();
}

void FramesObject::loadPrefs() {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequenceChecker_);
  // One connection per catalogue for the whole start.
  app::storage::CatalogueSession session;
  const StartUpCatalogues::Fresh fresh = StartUpCatalogues::open();
  setDefaults();
  const std::string path = preferencePath();
  // Saves killed before their rename leave hidden temporaries beside the file that no start reads.
  platform::foundation::AtomicFile::removeStaleTemporariesOf(path);
  bool makeStartPackages = false;
  // The stored settings are lost to this start: the file could not be read, or is missing beside the
  // person's packages.
  bool settingsLost = false;
  if (isFirstStart(path, fresh)) {
    setFirstStartValues();
    // Catalogues just seeded from the bundle are the built-in version: there is nothing to migrate.
    if (fresh.all()) dbVersion = kDBVersion;
    makeStartPackages = true;
  } else {
    anamorphicUpdateDone_ = false;
    first_Start = false;
    const bool lost = !platform::foundation::AtomicFile::anythingAt(path);
    readPreferences(lost ? preferenceFile_.readLost() : preferenceFile_.read(settingsLost));
    settingsLost = settingsLost || lost;
    if (settingsLost) {
      // A file lost or damaged is not one from before the current package scheme: the standard packages
      // stored stay, and start packages are made only where there are none.
      appIsVersion3_ = true;
      makeStartPackages = !StartUpCatalogues::standardPackagesStored();
    }
  }
  // Start packages come before a catalogue migration, which then carries them over.
  if (makeStartPackages && dbVersion != kDBVersion) {
    generateStartPackages();
    makeStartPackages = false;
  }

  std::optional<storage::GenericSeriesSnapshot> snapshot;
  if (!anamorphicUpdateDone_) snapshot = StartUpCatalogues::prepareGenericLensMigration();
  bool lensReady = true;
  if (updateDatabase() && StartUpCatalogues::migrate(lensReady, fresh)) dbVersion = kDBVersion;
  if (!anamorphicUpdateDone_) {
    if (const auto complete = StartUpCatalogues::finishGenericLensMigration(snapshot, lensReady)) {
      anamorphicUpdateDone_ = *complete;
    }
  }

  applyThemeFlag();
  if (!appIsVersion3_) {
    // A file from before the current package scheme: the start packages are made again.
    first_Start = true;
    setStartPackageValues();
    makeStartPackages = true;
    appIsVersion3_ = true;
  }
  {
    // The start packages and both loads' selections reach each catalogue in one commit.
    app::storage::CatalogueBatch writes;
    if (makeStartPackages) generateStartPackages();
    loadPackages();
    if (settingsLost) takeFormatsFromPackages();
    storeStandardPackages();
    static_cast<void>(writes.commit());  // a failure is logged; the next start makes the same writes
  }
  // A first start's catalogues go in place, flushed, before the preference file says the start is done.
  static_cast<void>(app::storage::CatalogueSeeding::publish());
  savePrefs();
  hapticFeedbackWasSet_ = settings.hapticFeedback;
}

void FramesObject::takeFormatsFromPackages() {
  const auto formatOf = [](const std::optional<model::CameraPackage>& package, const PersonsPackage& persons) {
    return package && package->shootingMode && !persons.standsIn() ? package->shootingMode->containerID : 0;
  };
  if (const int32_t one = formatOf(packageOne, personsOne_)) formatOneId = one;
  if (const int32_t two = formatOf(packageTwo, personsTwo_)) formatTwoId = two;
}

void FramesObject::storeStandardPackages() {
  storeStandardPackage(packageOne, personsOne_, -2, "Standard Package One");
  storeStandardPackage(packageTwo, personsTwo_, -1, "Standard Package Two");
}

void FramesObject::storeStandardPackage(std::optional<model::CameraPackage>& package, PersonsPackage& persons,
                                        int packageId, const char* name) {
  // Without a loaded package there is nothing to store; an empty row would replace the stored one. What
  // stands in for one that could not be read is stored only as what the person chose on it. A package
  // stored as it is now is not written again.
  if (!package || (persons.standsIn() && !persons.choicesWaiting())) return;
  package->packageName = name;
  auto row = persons.personsRow(*package, [packageId] { return storage::PackageUtil::storedPackage(packageId); });
  if (!row) {
    ++packageStoresRefused_;
    platform::log::write(platform::log::Warning,
                         std::string(name) +
                             " is not stored: what is shown of it, or the stored one it stands for, could not be read whole");
    return;
  }
  row->packageName = name;
  if (!storage::PackageUtil::storeStandardPackage(*row, packageId)) {
    ++packageStoresRefused_;
    return;
  }
  persons.choicesStored();
}

std::optional<storage::PackageDatabaseObject> FramesObject::editedPackageRow() const {
  const bool two = currentPackageModus != 0;
  const auto& shown = currentPackage ? currentPackage : two ? packageTwo : packageOne;
  if (!shown) return std::nullopt;
  return (two ? personsTwo_ : personsOne_).personsRow(*shown, [two] {
    return storage::PackageUtil::storedPackage(two ? -1 : -2);
  });
}

void FramesObject::savePrefs() {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequenceChecker_);
  app::storage::CatalogueSession session;
  preferenceFile_.write(preferenceDictionary(), appInDarkMode);
  storeStandardPackages();
  applyThemeFlag();
  if (!hapticBlocked_) hapticFeedbackWasSet_ = settings.hapticFeedback;
}

}  // namespace app::state

