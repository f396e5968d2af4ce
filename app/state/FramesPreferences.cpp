// FramesObject: start-up, the preference file and the catalogue migrations.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "app/state/FramesObject.h"
#include "app/state/SavedThemeFlag.h"
#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/CatalogueBatch.h"
#include "app/storage/LensAdapterCatalogue.h"
#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/OpenCatalogue.h"
#include "app/storage/PackageDatabaseHelper.h"
#include "app/storage/PackageUtil.h"
#include "app/storage/recovery/CatalogueSeeding.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/DamagedFile.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/PropertyList.h"
#include "platform/log/Log.h"

namespace app::state {

namespace {

using platform::foundation::Value;

void logNotice(const std::string& message) { platform::log::write(platform::log::Notice, message); }

// Readers of one key. A value that is not a number (an edited or damaged file) reads as a missing key.
std::optional<int64_t> wholeNumber(const Value& stored, const char* key) {
  const Value& value = stored[key];
  if (!value.isNumber() || (value.isReal() && !std::isfinite(*value.real()))) return std::nullopt;
  return value.toInt64();
}

std::optional<int32_t> int32Value(const Value& stored, const char* key) {
  const auto number = wholeNumber(stored, key);
  if (!number || *number < std::numeric_limits<int32_t>::min() || *number > std::numeric_limits<int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<int32_t>(*number);
}

std::optional<bool> boolValue(const Value& stored, const char* key) {
  const Value& value = stored[key];
  if (!value.isNumber()) return std::nullopt;
  return value.toBool();
}

std::optional<float> floatValue(const Value& stored, const char* key) {
  const Value& value = stored[key];
  if (!value.isNumber()) return std::nullopt;
  return static_cast<float>(value.toDouble());
}

// One catalogue brought to the built-in version; the open that follows finishes whatever re-pointing
// of the packages the update left, and true means both worked.
template <class Helper>
bool updateCatalogue(const char* notice, bool (Helper::*reset)()) {
  logNotice(notice);
  Helper helper;
  const bool updated = (helper.*reset)();
  const bool opened = helper.openDb(false);
  helper.closeDb();
  return updated && opened;
}

// Whether the package catalogue holds either standard package; one that cannot be read may hold them.
bool standardPackagesStored() {
  storage::OpenCatalogue<storage::PackageDatabaseHelper> packages;
  return !packages || packages->packageIDExists(-2) || packages->packageIDExists(-1);
}

bool fStopPositionIsValid(int row, int modus) { return row >= 0 && row <= 14 && modus >= 0 && modus <= 3; }

}  // namespace

std::string FramesObject::preferencePath() { return platform::foundation::Paths::documents() + "/" + kPreferenceFile; }

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
  anamorphicUpdateDone_ = boolValue(stored, "quorvelAnamorphicUpdateDone").value_or(false);
  appIsVersion3_ = boolValue(stored, "appIsVersion3").value_or(false);

  const auto row = int32Value(stored, "FMATRIXROW");
  const int modus = row ? int32Value(stored, "FMATRIXMODUS").value_or(0) : 0;
  // A position outside the table is not one the user chose: the first start's position stands.
  const bool valid = row && fStopPositionIsValid(*row, modus);
  fMatrix.setRow(valid ? *row : kDefaultFStopRow);
  fMatrix.setModus(valid ? modus : 0);

  formatOneId = int32Value(stored, "FormatOneID").value_or(0);
  formatTwoId = int32Value(stored, "FormatTwoID").value_or(0);
  if (const auto one = floatValue(stored, "LensAdapterOne")) {
    lensadapterOne = storage::LensAdapter(*one);
    lensadapterTwo = storage::LensAdapter(floatValue(stored, "LensAdapterTwo").value_or(0.0f));
  }
  if (const auto type = int32Value(stored, "LENSMATCHTYPE")) settings.lensMatchType = *type;
  if (const auto factor = int32Value(stored, "COCFACTOR")) {
    // Only the tile's range is the user's choice; anything else divides by nonsense.
    settings.cocFactor = *factor >= kMinCocFactor && *factor <= kMaxCocFactor ? *factor : kDefaultCocFactor;
  }
  appStarts_ = wholeNumber(stored, "App_Start_Count").value_or(0);
  if (appStarts_ < std::numeric_limits<int64_t>::max()) ++appStarts_;
  appVersion = int32Value(stored, "Version").value_or(0);
  if (const auto version = int32Value(stored, "DBVersion")) dbVersion = *version;
  // The four settings of the settings page are stored together: one key decides for all of them.
  if (const auto theme = int32Value(stored, "SETTINGS_COLORTHEME")) {
    settings.colorTheme = *theme;
    settings.hapticFeedback = boolValue(stored, "SETTINGS_HAPTICFEEDBACK").value_or(false);
    settings.measurementSystem = int32Value(stored, "SETTINGS_MeasurementSystem").value_or(0);
    settings.snap = boolValue(stored, "SETTINGS_SNAP").value_or(false);
  }
  if (const auto dark = boolValue(stored, "SETTINGS_APPINDARKMODE")) appInDarkMode = *dark;
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

bool FramesObject::migrateCatalogues(bool& lensUpdated, const FreshCatalogues& fresh) {
  // A catalogue seeded from the bundle during this start already is the built-in version: replacing
  // it with a copy of itself would only cost time.
  lensUpdated =
      fresh.lenses || updateCatalogue<storage::LensDatabaseHelper>("Update LensDB now!", &storage::LensDatabaseHelper::resetdatabase);
  const bool formatsUpdated = fresh.formats || updateCatalogue<storage::CameraFormatCatalogue>(
                                                   "Update CameraformatDB now!", &storage::CameraFormatCatalogue::resetdatabase);
  const bool adaptersUpdated =
      fresh.adapters || updateCatalogue<storage::LensAdapterCatalogue>("Update LensAdapterUpdate now!",
                                                                    &storage::LensAdapterCatalogue::resetDB);

  // The new version is stored only when every catalogue has it, so a failed update runs again on the
  // next start instead of never.
  if (!lensUpdated || !formatsUpdated || !adaptersUpdated) {
    platform::log::write(platform::log::Error, "Catalogue update incomplete; it is tried again on the next start");
    return false;
  }
  dbVersion = kDBVersion;
  return true;
}

std::optional<storage::GenericSeriesSnapshot> FramesObject::prepareGenericLensMigration() {
  storage::PackageUtil::cleanupPackageDB();
  const model::CameraPackage one = storage::PackageUtil::loadPackage(-2);
  const model::CameraPackage two = storage::PackageUtil::loadPackage(-1);
  return storage::GenericLensMigration::generateUpdateobjectWithPackageOne(one, two);
}

void FramesObject::finishGenericLensMigration(const std::optional<storage::GenericSeriesSnapshot>& snapshot,
                                              bool lensReady) {
  // The old catalogue is still in place: moving lenses into it now would be undone by the update that
  // the next start retries, so the whole migration waits for that start.
  if (!lensReady) return;
  bool complete = true;
  if (snapshot) {
    const auto ids = storage::GenericLensMigration::updateGenericFavorites(*snapshot);
    if (ids.lensmanuID1 >= 1) storage::PackageUtil::updateLensManufacturerID(ids.lensmanuID1, -2);
    if (ids.lensmanuID2 >= 1) storage::PackageUtil::updateLensManufacturerID(ids.lensmanuID2, -1);
    complete = ids.complete;
  }
  anamorphicUpdateDone_ = complete;
}

FramesObject::FreshCatalogues FramesObject::openCatalogues() {
  using app::storage::CatalogueSeeding;
  using app::storage::OpenCatalogue;
  // Missing catalogues are all seeded first, with one sync of the folder for all of them.
  const storage::CatalogueKind* const catalogues[] = {&storage::LensDatabaseHelper::kKind,
                                                      &storage::CameraFormatCatalogue::kKind,
                                                      &storage::LensAdapterCatalogue::kKind,
                                                      &storage::PackageDatabaseHelper::kKind};
  const auto seeded = CatalogueSeeding::seedAllMissing(catalogues);
  const auto fresh_ = [&seeded](const char* fileName) {
    return std::find(seeded.begin(), seeded.end(), fileName) != seeded.end();
  };
  FreshCatalogues fresh{.lenses = fresh_(storage::LensDatabaseHelper::kFileName),
                        .formats = fresh_(storage::CameraFormatCatalogue::kFileName),
                        .adapters = fresh_(storage::LensAdapterCatalogue::kFileName),
                        .packages = fresh_(storage::PackageDatabaseHelper::kFileName)};
  // The first open seeds a missing catalogue, replaces a damaged one and finishes a re-pointing of the
  // packages that an update left; within the start's session every later use shares that connection.
  if (!OpenCatalogue<storage::LensDatabaseHelper>()) fresh.lenses = false;
  if (!OpenCatalogue<storage::CameraFormatCatalogue>()) fresh.formats = false;
  if (!OpenCatalogue<storage::LensAdapterCatalogue>()) fresh.adapters = false;
  static_cast<void>(static_cast<bool>(OpenCatalogue<storage::PackageDatabaseHelper>()));
  return fresh;
}

Value FramesObject::readPreferenceFile(const std::string& path, bool& unreadable) {
  using platform::foundation::DamagedFile;
  Value stored = platform::foundation::PropertyList::readFile(path, kPreferenceFileMaximumBytes);
  unreadable = !stored.isDictionary();
  if (!unreadable) return stored;
  // Defaults are about to be written over it: the user's file is kept first, never lost, and stays in
  // its place until this start's save replaces it.
  const auto kept = DamagedFile::keepBeforeReplacing(path);
  DamagedFile::reportKept(path, kept, "preference file", "the settings start from their defaults");
  // What cannot be kept (a link to a place not there now, a FIFO, a file the app may not read) is
  // someone's, and stays as it is.
  preferenceFileLeftInPlace_ = !kept.ok();
  if (preferenceFileLeftInPlace_) {
    platform::log::write(platform::log::Warning,
                         "The settings start from their defaults for this run and are not saved over " + path);
  }
  app::state::SavedThemeFlag::fileChanged();
  return Value(platform::foundation::Dictionary{});
}

bool FramesObject::isFirstStart(const std::string& path, const FreshCatalogues& fresh) const {
  // Only where nothing at all stands is the file missing: a link that leads nowhere is the person's
  // file out of reach, not a file never written.
  if (platform::foundation::AtomicFile::anythingAt(path)) return false;
  // A file deleted, or a Documents folder emptied by another program, beside the person's packages is
  // a file lost, not a first start: the start packages would go over the person's standard ones.
  return fresh.packages || !standardPackagesStored();
}

Value FramesObject::readLostPreferenceFile(const std::string& path) {
  platform::log::write(platform::log::Warning, "The preference file " + path +
                                                   " is missing, but the catalogues hold the standard packages "
                                                   "stored before: they are kept and the settings start from "
                                                   "their defaults");
  app::state::SavedThemeFlag::fileChanged();
  return Value(platform::foundation::Dictionary{});
}

void FramesObject::loadPrefs() {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequenceChecker_);
  // One connection per catalogue for the whole start.
  app::storage::CatalogueSession session;
  const FreshCatalogues fresh = openCatalogues();
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
    readPreferences(lost ? readLostPreferenceFile(path) : readPreferenceFile(path, settingsLost));
    settingsLost = settingsLost || lost;
    if (settingsLost) {
      // A file lost or damaged is not one from before the current package scheme: the standard packages
      // stored stay, and start packages are made only where there are none.
      appIsVersion3_ = true;
      makeStartPackages = !standardPackagesStored();
    }
  }
  // Start packages come before a catalogue migration, which then carries them over.
  if (makeStartPackages && dbVersion != kDBVersion) {
    generateStartPackages();
    makeStartPackages = false;
  }

  std::optional<storage::GenericSeriesSnapshot> snapshot;
  if (!anamorphicUpdateDone_) snapshot = prepareGenericLensMigration();
  bool lensReady = true;
  if (updateDatabase()) migrateCatalogues(lensReady, fresh);
  if (!anamorphicUpdateDone_) finishGenericLensMigration(snapshot, lensReady);

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

void FramesObject::writePreferenceFile() const {
  using platform::foundation::PropertyList;
  if (preferenceFileLeftInPlace_) return;
  const std::string path = preferencePath();
  const auto bytes = PropertyList::write(preferenceDictionary(), PropertyList::Format::Xml);
  if (bytes.empty()) {
    platform::log::write(platform::log::Error, "The preferences could not be serialised; the file is left as it was");
    return;
  }
  // Unchanged preferences touch no file.
  if (const auto stored = platform::foundation::AtomicFile::readFile(path, kPreferenceFileMaximumBytes);
      stored.ok() && *stored == bytes) {
    app::state::SavedThemeFlag::fileWritten(appInDarkMode);
    return;
  }
  // The new file is whole on the disk before it takes the old one's name; the folder is not synced,
  // so a power cut right after may bring back the previous file (the last save lost, nothing torn).
  if (auto written = platform::foundation::AtomicFile::writeAtomically(path, bytes.data(), bytes.size(), 0644, false);
      !written.ok()) {
    platform::log::write(platform::log::Error,
                         "The preference file could not be written: " + written.error().localizedDescription());
    app::state::SavedThemeFlag::fileChanged();
    return;
  }
  app::state::SavedThemeFlag::fileWritten(appInDarkMode);
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
  writePreferenceFile();
  storeStandardPackages();
  applyThemeFlag();
  if (!hapticBlocked_) hapticFeedbackWasSet_ = settings.hapticFeedback;
}

}  // namespace app::state

