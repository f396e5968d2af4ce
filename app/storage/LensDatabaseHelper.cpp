#include "app/storage/LensDatabaseHelper.h"

#include "app/storage/LensDatabaseUpdate.h"
#include "app/storage/recovery/CatalogueOpening.h"
#include "app/storage/recovery/CatalogueUpdate.h"
#include "app/storage/recovery/PendingPackageRemap.h"
#include "platform/foundation/Format.h"
#include "platform/log/Log.h"

using app::storage::CatalogueDatabase;
using app::storage::CatalogueStatement;
using app::storage::CatalogueUpdate;
using app::storage::PendingPackageRemap;
namespace app::storage {

namespace {

using Step = CatalogueStatement::Step;
using platform::foundation::format;

constexpr const char* kSeriesOrder = " ORDER BY LOWER (Manufacturer), LOWER (LensSeries), LOWER (Type)";
constexpr const char* kSeriesColumns =
    "SELECT Manufacturer.ManufacturerId, Manufacturer.Manufacturer, Manufacturer.LensSeries, Manufacturer.Type, "
    "Manufacturer.Selected,  Manufacturer.Anamorphotic, Manufacturer.Origin FROM Manufacturer ";
constexpr const char* kLensColumns =
    "SELECT Lenses.LensId, Lenses.ManufacturerId, Lenses.FocalLength, Lenses.Aperture, Lenses.LensMount, "
    "Lenses.Category, Lenses.LensType, Lenses.Anamorphotic,Lenses.SizeCategory,Lenses.DefaultSelection,"
    "Lenses.Custom,Lenses.FocalLengthMax, Lenses.Comment";
constexpr const char* kImageColumns = ", Lenses.ApertureClose, Lenses.ImageCircle, Lenses.ImageCircleMax ";
constexpr const char* kSeriesJoin =
    " FROM Manufacturer, Lenses WHERE Manufacturer.ManufacturerId = ? And Lenses.ManufacturerId = "
    "Manufacturer.ManufacturerId";

// Columns 0-6 of the series table, in stored order.
model::LensManufacturer seriesFromRow(const CatalogueStatement& row) {
  return model::LensManufacturer(row.columnInt(0), row.columnText(1), row.columnText(2), row.columnText(3), row.columnInt(4),
                          row.columnFloat(5), row.columnInt(6));
}

// The lens columns in table order; the 13-column lists leave the image values at zero.
model::LensObject lensFromRow(const CatalogueStatement& row) {
  model::LensObject lens;
  lens.lensId = row.columnInt(0);
  lens.manufacturerId = row.columnInt(1);
  lens.focalLength = row.columnFloat(2);
  lens.aperture = row.columnText(3);
  lens.lensmMount = row.columnText(4);
  lens.closeFocus = row.columnText(5);
  lens.lensType = row.columnText(6);
  lens.anamorphic = row.columnFloat(7);
  lens.sizeCategory = row.columnText(8);
  lens.selected = row.columnInt(9);
  lens.custom = row.columnInt(10);
  lens.focalLengthMax = row.columnFloat(11);
  lens.comment = row.columnText(12);
  if (row.columnCount() > 15) {
    lens.apertureClose = row.columnText(13);
    lens.imageCircle = row.columnFloat(14);
    lens.imageCircleMax = row.columnFloat(15);
  }
  return lens;
}

// "%f" of the single-precision value, as the lookups have always compared focal lengths.
std::string sixDecimals(float value) { return format("%f", static_cast<double>(value)); }

}  // namespace

constinit const CatalogueKind LensDatabaseHelper::kKind{.fileName = kFileName,
                                                        .resourceName = kResourceName,
                                                        .tables = kTables,
                                                        .carryRows = &LensDatabaseUpdate::carryRowsFrom,
                                                        .marks = kPersonsMarks,
                                                        .personsRows = &LensDatabaseUpdate::personsRows};

bool LensDatabaseHelper::openDb(bool reset) {
  if (reset && !resetdatabase()) CatalogueUpdate::keptInstalled(kFileName);
  return CatalogueOpening::openForHelper(database_, kKind, [this] { addOriginColumnWhenMissing(); });
}

bool LensDatabaseHelper::resetdatabase() {
  return LensDatabaseUpdate::run(*this, CatalogueDatabase::libraryPath(kFileName)) == CatalogueUpdate::Rebuilt::Done;
}

bool LensDatabaseHelper::openPath(const std::string& path) {
  if (!PendingPackageRemap::openFinishing(database_, path)) return false;
  addOriginColumnWhenMissing();
  return true;
}

void LensDatabaseHelper::addOriginColumnWhenMissing() {
  if (checkIfOriginColumnexist()) return;
  // Without the column every series reads as shipped, which is what a file from before it means.
  if (insertOriginColumn()) {
    platform::log::write(platform::log::Notice, "Inserted Origin Colum!");
  } else {
    platform::log::write(platform::log::Warning, "The lens catalogue has no Origin column and cannot gain one");
  }
}

bool LensDatabaseHelper::checkIfOriginColumnexist() {
  return database_.prepare("SELECT Origin FROM Manufacturer", true).ok();
}

bool LensDatabaseHelper::insertOriginColumn() {
  if (!database_.execute("ALTER TABLE Manufacturer ADD COLUMN Origin INTEGER DEFAULT 0")) return false;
  platform::log::write(platform::log::Notice, "Added Origin Column!");
  return true;
}

std::vector<model::LensManufacturer> LensDatabaseHelper::readSeries(const std::string& sql) {
  std::vector<model::LensManufacturer> series;
  auto statement = database_.prepare(sql, true);
  while (statement.step() == Step::Row) series.push_back(withHeldSelection(seriesFromRow(statement)));
  return series;
}

std::vector<model::LensManufacturer> LensDatabaseHelper::getAllLensManufacturers() {
  return readSeries(std::string("SELECT * FROM Manufacturer") + kSeriesOrder);
}

std::vector<model::LensManufacturer> LensDatabaseHelper::getAllLensManufacturersPrime() {
  return readSeries(std::string("SELECT * FROM Manufacturer WHERE TYPE = 'Prime Lens'") + kSeriesOrder);
}

std::vector<model::LensManufacturer> LensDatabaseHelper::getAllLensManufacturersZoom() {
  return readSeries(std::string("SELECT * FROM Manufacturer WHERE Type = 'Zoom Lens'") + kSeriesOrder);
}

std::vector<model::LensManufacturer> LensDatabaseHelper::getAllLensManufacturersAnamorph() {
  return readSeries(std::string("SELECT * FROM Manufacturer WHERE Anamorphotic>1") + kSeriesOrder);
}

std::vector<model::LensManufacturer> LensDatabaseHelper::getAllLensManufacturersSpherical() {
  return readSeries(std::string("SELECT * FROM Manufacturer WHERE Anamorphotic = 1.0") + kSeriesOrder);
}

std::vector<model::LensManufacturer> LensDatabaseHelper::getAllCustomManufacturers() {
  return readSeries("SELECT * FROM Manufacturer WHERE " + kKind.personsRowsOf("Manufacturer") + kSeriesOrder);
}

std::string LensDatabaseHelper::filterCondition(bool prime, bool zoom, bool spherical, bool anamorphotic) {
  std::string condition;
  if (zoom) {
    condition = "WHERE Type = 'Zoom Lens'";
  } else if (prime) {
    condition = "WHERE TYPE = 'Prime Lens'";
  }
  if (!condition.empty()) {
    if (spherical) condition += " AND (Anamorphotic = 1.0 OR Anamorphotic = -1.0)";
    if (anamorphotic) condition += " AND (Anamorphotic > 1.0 OR Anamorphotic = -1.0)";
  } else if (anamorphotic) {
    condition = "WHERE Anamorphotic>1 OR Anamorphotic = -1.0";
  } else if (spherical) {
    condition = "WHERE Anamorphotic = 1.0 OR Anamorphotic = -1.0";
  }
  return condition;
}

std::vector<model::LensManufacturer> LensDatabaseHelper::getLensManufacturersWithFilterPrime(bool prime, bool zoom,
                                                                                    bool spherical, bool anamorphotic) {
  return readSeries("SELECT * FROM Manufacturer " + filterCondition(prime, zoom, spherical, anamorphotic) +
                    kSeriesOrder);
}

std::optional<model::LensManufacturer> LensDatabaseHelper::readOneSeries(const std::string& sql, int manufacturerId) {
  auto statement = database_.prepare(sql, true);
  if (!statement.ok()) {
    database_.logUpdateFailure();
    return std::nullopt;
  }
  if (manufacturerId >= 0) statement.bind(1, manufacturerId);
  std::optional<model::LensManufacturer> series;
  while (statement.step() == Step::Row) series = withHeldSelection(seriesFromRow(statement));
  return series;
}

model::LensManufacturer LensDatabaseHelper::withHeldSelection(model::LensManufacturer series) const {
  if (const auto held = database_.heldSelection()) series.selected = series.manufacturerId == *held ? 1 : 0;
  return series;
}

std::optional<model::LensManufacturer> LensDatabaseHelper::getSelectedLensManufacturer() {
  if (!database_.writeHeldSelection()) database_.logUpdateFailure();
  return readOneSeries(std::string(kSeriesColumns) + "WHERE Manufacturer.Selected = 1", -1);
}

std::optional<model::LensManufacturer> LensDatabaseHelper::getLensManufacturer(int manufacturerId) {
  if (manufacturerId < 0) return std::nullopt;
  return readOneSeries(std::string(kSeriesColumns) + "WHERE Manufacturer.ManufacturerId = ?", manufacturerId);
}

std::vector<model::LensObject> LensDatabaseHelper::readLenses(const std::string& sql, std::initializer_list<int> parameters) {
  std::vector<model::LensObject> lenses;
  auto statement = database_.prepare(sql, true);
  if (!statement.ok()) {
    database_.logUpdateFailure();
    return lenses;
  }
  int index = 1;
  for (int parameter : parameters) statement.bind(index++, parameter);
  while (statement.step() == Step::Row) lenses.push_back(lensFromRow(statement));
  return lenses;
}

std::vector<model::LensObject> LensDatabaseHelper::getAllLensesForManufacturer(int manufacturerId) {
  return readLenses(std::string(kLensColumns) + kImageColumns + kSeriesJoin + " ORDER BY Lenses.FocalLength ASC",
                    {manufacturerId});
}

std::vector<model::LensObject> LensDatabaseHelper::getSelectedLenses4Manufacturer(int manufacturerId) {
  return readLenses(std::string(kLensColumns) + kImageColumns + kSeriesJoin +
                        " AND Lenses.DefaultSelection = 1 ORDER BY Lenses.FocalLength ASC",
                    {manufacturerId});
}

model::LensObject LensDatabaseHelper::getLens(int lensId) {
  const auto lenses = readLenses(std::string(kLensColumns) + kImageColumns + "FROM Lenses WHERE LensId = ?", {lensId});
  return lenses.empty() ? model::LensObject() : lenses.back();
}

std::optional<bool> LensDatabaseHelper::holdsAnyLens(const std::vector<int>& lensIds) {
  for (int lensId : lensIds) {
    const auto held = database_.holdsRow("Lenses", "LensId", lensId);
    if (!held || *held) return held;
  }
  return false;
}

std::vector<model::LensObject> LensDatabaseHelper::getAllCustomLenses() {
  return readLenses(std::string(kLensColumns) + " FROM Lenses WHERE " + kKind.personsRowsOf("Lenses"), {});
}

std::vector<model::LensObject> LensDatabaseHelper::readWholeCustomLenses() {
  return readLenses(std::string(kLensColumns) + kImageColumns + "FROM Lenses WHERE " + kKind.personsRowsOf("Lenses"), {});
}

std::vector<LensSelectionObject> LensDatabaseHelper::getAllSelections() {
  std::vector<LensSelectionObject> selections;
  auto statement = database_.prepare("SELECT Lenses.LensId,Lenses.DefaultSelection FROM Lenses", true);
  if (!statement.ok()) database_.logUpdateFailure();
  while (statement.step() == Step::Row) {
    selections.push_back({.lensId = statement.columnInt(0), .defaultSelection = statement.columnInt(1)});
  }
  return selections;
}

bool LensDatabaseHelper::genericLensesExist() {
  return !getAllLensesForManufacturer(getGenericPrimeLensManufacturerID()).empty();
}

int LensDatabaseHelper::matchingLensId(const std::string& sql) {
  auto statement = database_.prepare(sql, true);
  if (!statement.ok()) {
    database_.logUpdateFailure();
    return -1;
  }
  int id = -1;
  while (statement.step() == Step::Row) id = statement.columnInt(0);
  return id;
}

int LensDatabaseHelper::getGenericPrimeLensId(float focalLength) {
  const int id = matchingLensId(std::string(kLensColumns) +
                                " FROM Manufacturer, Lenses WHERE Manufacturer.ManufacturerId = 1 And "
                                "Lenses.ManufacturerId = Manufacturer.ManufacturerId AND Lenses.FocalLength = " +
                                sixDecimals(focalLength));
  return id < 0 ? 0 : id;
}

int LensDatabaseHelper::getGenericZoomLensId(float focalLength, float focalLengthMax) {
  const int id =
      matchingLensId(std::string(kLensColumns) +
                     " FROM Manufacturer, Lenses WHERE Manufacturer.ManufacturerId = 2 And "
                     "Lenses.ManufacturerId = Manufacturer.ManufacturerId AND Lenses.FocalLength = " +
                     sixDecimals(focalLength) + " AND Lenses.FocalLengthMax = " + sixDecimals(focalLengthMax));
  return id < 0 ? 0 : id;
}

bool LensDatabaseHelper::lensExistsAlready(const model::LensObject& lens) { return lensExistsAlreadyWithID(lens) >= 0; }

int LensDatabaseHelper::lensExistsAlreadyWithID(const model::LensObject& lens) {
  return matchingLensId(
      "SELECT Lenses.LensId  FROM Lenses WHERE  Lenses.FocalLength = " + sixDecimals(lens.focalLength) +
      " AND Lenses.FocalLengthMax = " + sixDecimals(lens.focalLengthMax) +
      " AND Lenses.ManufacturerId = " + std::to_string(lens.manufacturerId));
}

int LensDatabaseHelper::getLastLensID() {
  return database_.nextIdOrLog("SELECT LensId FROM Lenses ORDER BY LensId DESC LIMIT 1");
}

int LensDatabaseHelper::getLastManufacturerID() {
  return database_.nextIdOrLog(
      "SELECT Manufacturer.ManufacturerId FROM Manufacturer ORDER BY Manufacturer.ManufacturerId DESC LIMIT 1");
}

std::string LensDatabaseHelper::clearGenericPrefix(const std::string& text) {
  std::string cleared = text;
  for (size_t at = cleared.find("aaa"); at != std::string::npos; at = cleared.find("aaa", at)) cleared.erase(at, 3);
  return cleared;
}

void LensDatabaseHelper::updateLensID2New(LensSelectionObject& selection,
                                          const std::vector<model::UpdateFormatIDObject>& mapping) {
  for (const auto& entry : mapping) {
    if (entry.oldID == selection.lensId) {
      selection.lensId = entry.newID;
      return;
    }
  }
}

bool LensDatabaseHelper::selectOnlyManufacturer(int manufacturerId) {
  return database_.selectOnly(
      "UPDATE Manufacturer SET Selected = (ManufacturerId = ?1) WHERE Selected IS NOT (ManufacturerId = ?1)",
      manufacturerId);
}

bool LensDatabaseHelper::selectOnlyLenses(int manufacturerId, const std::vector<int>& lensIds) {
  std::string kept;
  for (int id : lensIds) kept += (kept.empty() ? "" : ",") + std::to_string(id);
  if (!database_.writeSelection("UPDATE Lenses SET DefaultSelection = 0 WHERE ManufacturerId = ? AND "
                                "DefaultSelection IS NOT 0 AND LensId NOT IN (" + kept + ")",
                                {manufacturerId})) {
    return false;
  }
  for (int id : lensIds) {
    if (!database_.writeSelection(
            "UPDATE Lenses SET DefaultSelection = 1 WHERE LensId = ? AND DefaultSelection IS NOT 1", {id})) {
      return false;
    }
  }
  return true;
}

bool LensDatabaseHelper::deselectManufacturer() {
  return database_.writeSelection("UPDATE Manufacturer SET Selected = 0", {});
}

bool LensDatabaseHelper::selectManufacturer(int manufacturerId) {
  return database_.writeSelection("UPDATE Manufacturer SET Selected = 1 WHERE ManufacturerId = ?", {manufacturerId});
}

bool LensDatabaseHelper::deselectLensesForManufacturer(int manufacturerId) {
  return database_.writeSelection("UPDATE Lenses SET DefaultSelection = 0 WHERE Lenses.ManufacturerId = ?",
                                  {manufacturerId});
}

bool LensDatabaseHelper::selectLens(const model::LensObject& lens) {
  return database_.writeSelection("UPDATE Lenses SET DefaultSelection = ? WHERE LensId = ?",
                                  {lens.selected, lens.lensId});
}

bool LensDatabaseHelper::updateLensSelection(const LensSelectionObject& selection) {
  return database_.writeSelection("UPDATE Lenses SET DefaultSelection = ? WHERE LensId = ?",
                                  {selection.defaultSelection, selection.lensId});
}

int LensDatabaseHelper::insertManufacturer(model::LensManufacturer& manufacturer) {
  const int id = getLastManufacturerID();
  if (id < 0) return -1;
  auto statement = database_.prepareInsert(
      "INSERT INTO Manufacturer (ManufacturerId,Manufacturer,LensSeries,Type,Selected,Anamorphotic,Origin) "
      "VALUES(?,?,?,?,?,?,?)");
  statement.bind(1, id)
      .bind(2, manufacturer.manufacturer)
      .bind(3, manufacturer.series)
      .bind(4, manufacturer.lensType)
      .bind(5, manufacturer.selected)
      .bind(6, static_cast<double>(manufacturer.anamorphotic))
      .bind(7, CatalogueKind::kPersons);
  if (!CatalogueDatabase::finishInsert(statement)) return -1;
  manufacturer.manufacturerId = id;
  manufacturer.origin = CatalogueKind::kPersons;
  return id;
}

// Aperture, mount, size category and comment are stored empty, and the image-circle columns stay
// NULL: a lens the user makes carries only its focal lengths, squeeze and close focus.
int LensDatabaseHelper::insertLens(model::LensObject& lens, int defaultSelection) {
  const int id = getLastLensID();
  if (id < 0) return -1;
  auto statement = database_.prepareInsert(
      "INSERT INTO Lenses (LensId,ManufacturerId,FocalLength,Aperture,LensMount,Category,LensType,Anamorphotic,"
      "SizeCategory,DefaultSelection,Custom,FocalLengthMax,Comment) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?)");
  statement.bind(1, id)
      .bind(2, lens.manufacturerId)
      .bind(3, static_cast<double>(lens.focalLength))
      .bind(4, "")
      .bind(5, "")
      .bind(6, lens.closeFocus)
      .bind(7, lens.lensType)
      .bind(8, static_cast<double>(lens.anamorphic))
      .bind(9, "")
      .bind(10, defaultSelection)
      .bind(11, CatalogueKind::kPersons)
      .bind(12, static_cast<double>(lens.focalLengthMax))
      .bind(13, "");
  if (!CatalogueDatabase::finishInsert(statement)) return -1;
  lens.lensId = id;
  return id;
}

// Every column the user's lens has, for an update that carries it into a new catalogue: an empty
// second aperture and zero image circles go back as NULL, as they were stored.
int LensDatabaseHelper::carryUserLens(model::LensObject& lens) {
  const int id = getLastLensID();
  if (id < 0) return -1;
  auto statement = database_.prepareInsert(
      "INSERT INTO Lenses (LensId,ManufacturerId,FocalLength,Aperture,LensMount,Category,LensType,Anamorphotic,"
      "SizeCategory,DefaultSelection,Custom,FocalLengthMax,Comment,ApertureClose,ImageCircle,ImageCircleMax) "
      "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
  statement.bind(1, id)
      .bind(2, lens.manufacturerId)
      .bind(3, static_cast<double>(lens.focalLength))
      .bind(4, lens.aperture)
      .bind(5, lens.lensmMount)
      .bind(6, lens.closeFocus)
      .bind(7, lens.lensType)
      .bind(8, static_cast<double>(lens.anamorphic))
      .bind(9, lens.sizeCategory)
      .bind(10, lens.selected)
      .bind(11, CatalogueKind::kPersons)
      .bind(12, static_cast<double>(lens.focalLengthMax))
      .bind(13, lens.comment);
  if (!lens.apertureClose.empty()) statement.bind(14, lens.apertureClose);
  if (lens.imageCircle != 0.0f) statement.bind(15, static_cast<double>(lens.imageCircle));
  if (lens.imageCircleMax != 0.0f) statement.bind(16, static_cast<double>(lens.imageCircleMax));
  if (!CatalogueDatabase::finishInsert(statement)) return -1;
  lens.lensId = id;
  return id;
}

int LensDatabaseHelper::insertNewLens(model::LensObject& lens) {
  const model::LensObject before = lens;
  CatalogueDatabase::Transaction transaction(database_);
  bool stored = transaction.active() && insertLens(lens, 0) >= 0;
  // A new zoom takes the series' selection over; a new prime joins it.
  if (stored && !lens.isPrime()) {
    stored = deselectLensesForManufacturer(lens.manufacturerId);
  }
  lens.selected = 1;
  stored = stored && selectLens(lens) && transaction.commit();
  if (!stored) {
    // The insert went back with the rest: the record must not carry an id that nothing is stored under.
    lens = before;
    return -1;
  }
  return lens.lensId;
}

int LensDatabaseHelper::insertNewLensWithSelection(model::LensObject& lens) { return insertLens(lens, lens.selected); }

int LensDatabaseHelper::insertNewLensWithOutSelectionUpdate(model::LensObject& lens) {
  return insertLens(lens, lens.selected);
}

int LensDatabaseHelper::insertOldCustomLens(model::LensObject& lens) { return insertLens(lens, lens.selected); }

bool LensDatabaseHelper::insertgenericPrimeLenses(std::vector<model::LensObject>& lenses) {
  bool all = true;
  for (auto& lens : lenses) {
    lens.manufacturerId = getGenericPrimeLensManufacturerID();
    all = insertNewLensWithSelection(lens) >= 0 && all;
  }
  return all;
}

bool LensDatabaseHelper::insertgenericZoomLenses(std::vector<model::LensObject>& lenses) {
  bool all = true;
  for (auto& lens : lenses) {
    lens.manufacturerId = getGenericZoomLensManufacturerID();
    all = insertNewLensWithSelection(lens) >= 0 && all;
  }
  return all;
}

bool LensDatabaseHelper::deleteLens(const model::LensObject& lens) {
  return database_.runDelete("DELETE FROM Lenses WHERE LensId = ?", {lens.lensId});
}

bool LensDatabaseHelper::deleteAllLensesForManufacturer(int manufacturerId) {
  return database_.runDelete("DELETE FROM Lenses WHERE ManufacturerId = ?", {manufacturerId});
}

// A series never goes without its lenses, nor its lenses without it.
bool LensDatabaseHelper::deleteManufacturer(int manufacturerId) {
  CatalogueDatabase::Transaction transaction(database_);
  if (!transaction.active()) return false;
  return deleteAllLensesForManufacturer(manufacturerId) &&
         database_.runDelete("DELETE FROM Manufacturer WHERE ManufacturerId = ?", {manufacturerId}) &&
         transaction.commit();
}

}  // namespace app::storage

