// LensDatabaseHelper: selections, inserts and deletes.
#include "app/model/NumericText.h"
#include "app/storage/LensDatabaseHelper.h"
#include "platform/log/Log.h"

namespace {

void logError(const std::string& message) { platform::log::write(platform::log::Error, message); }

}  // namespace

bool LensDatabaseHelper::runUpdate(const char* sql, std::initializer_list<int> parameters) {
  auto statement = database_.prepare(sql, true);
  if (!statement.ok()) {
    logError("Error, failed to prepare statement while updating." + database_.errorMessage());
    return false;
  }
  int index = 1;
  for (int parameter : parameters) statement.bind(index++, parameter);
  const bool done = statement.run();
  if (!statement.finalize() || !done) logError("Failed to finalize data statement, normally error handling here.");
  return done;
}

bool LensDatabaseHelper::deselectManufacturer() { return runUpdate("UPDATE Manufacturer SET Selected = 0", {}); }

bool LensDatabaseHelper::selectManufacturer(int manufacturerId) {
  return runUpdate("UPDATE Manufacturer SET Selected = 1 WHERE ManufacturerId = ?", {manufacturerId});
}

bool LensDatabaseHelper::deslectLensesForManufacturer(int manufacturerId) {
  return runUpdate("UPDATE Lenses SET DefaultSelection = 0 WHERE Lenses.ManufacturerId = ?", {manufacturerId});
}

bool LensDatabaseHelper::selectLens(const LensObject& lens) {
  return runUpdate("UPDATE Lenses SET DefaultSelection = ? WHERE LensId = ?", {lens.selected, lens.lensId});
}

bool LensDatabaseHelper::updateLensSelection(const LensSelectionObject& selection) {
  return runUpdate("UPDATE Lenses SET DefaultSelection = ? WHERE LensId = ?",
                   {selection.defaultSelection, selection.lensId});
}

int LensDatabaseHelper::insertManufactor(LensManufacturer& manufacturer) {
  const int id = getLastManufacturerID();
  if (id < 0) return -1;
  auto statement = database_.prepare(
      "INSERT INTO Manufacturer (ManufacturerId,Manufacturer,LensSeries,Type,Selected,Anamorphotic,Origin) "
      "VALUES(?,?,?,?,?,?,?)",
      true);
  if (!statement.ok()) {
    logError("Error, failed to prepare statement, normally handle error here.");
    return -1;
  }
  statement.bind(1, id)
      .bind(2, manufacturer.manufactor)
      .bind(3, manufacturer.series)
      .bind(4, manufacturer.lensType)
      .bind(5, manufacturer.selected)
      .bind(6, static_cast<double>(manufacturer.anamorphotic))
      .bind(7, 1);
  const bool done = statement.run();
  if (!done) logError("Failed to do data statement, normally error handling here.");
  if (!statement.finalize()) logError("Failed to finalize data statement, normally error handling here.");
  if (!done) return -1;
  manufacturer.manufactorId = id;
  manufacturer.origin = 1;
  return id;
}

// Aperture, mount, size category and comment are stored empty, and the image-circle columns stay
// NULL: a lens the user makes carries only its focal lengths, squeeze and close focus.
int LensDatabaseHelper::insertLens(LensObject& lens, int defaultSelection) {
  const int id = getLastLensID();
  if (id < 0) return -1;
  auto statement = database_.prepare(
      "INSERT INTO Lenses (LensId,ManufacturerId,FocalLength,Aperture,LensMount,Category,LensType,Anamorphotic,"
      "SizeCategory,DefaultSelection,Custom,FocalLengthMax,Comment) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?)",
      true);
  if (!statement.ok()) {
    logError("Error, failed to prepare statement, normally handle error here.");
    return -1;
  }
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
      .bind(11, 1)
      .bind(12, static_cast<double>(lens.focalLengthMax))
      .bind(13, "");
  const bool done = statement.run();
  if (!done) logError("Failed to do data statement, normally error handling here.");
  if (!statement.finalize()) logError("Failed to finalize data statement, normally error handling here.");
  if (!done) return -1;
  lens.lensId = id;
  return id;
}

int LensDatabaseHelper::insertNewLens(LensObject& lens) {
  CatalogueDatabase::Transaction transaction(database_);
  if (!transaction.active()) return -1;
  const int id = insertLens(lens, 0);
  if (id < 0) return -1;
  if (!NumericText::contains(lens.lensType, "Prime Lens") && !deslectLensesForManufacturer(lens.manufacturerId)) {
    return -1;
  }
  lens.selected = 1;
  if (!selectLens(lens) || !transaction.commit()) return -1;
  return id;
}

int LensDatabaseHelper::insertNewLensWithSelection(LensObject& lens) { return insertLens(lens, lens.selected); }

int LensDatabaseHelper::insertNewLensWithOutSelectionUpdate(LensObject& lens) {
  return insertLens(lens, lens.selected);
}

int LensDatabaseHelper::insertOldCustomLens(LensObject& lens) { return insertLens(lens, lens.selected); }

bool LensDatabaseHelper::insertgenericPrimeLenses(std::vector<LensObject>& lenses) {
  bool all = true;
  for (auto& lens : lenses) {
    lens.manufacturerId = getGenericPrimeLenseManufactuerID();
    all = insertNewLensWithSelection(lens) >= 0 && all;
  }
  return all;
}

bool LensDatabaseHelper::insertgenericZoomLenses(std::vector<LensObject>& lenses) {
  bool all = true;
  for (auto& lens : lenses) {
    lens.manufacturerId = getGenericZoomLensManufacturerID();
    all = insertNewLensWithSelection(lens) >= 0 && all;
  }
  return all;
}

bool LensDatabaseHelper::runDelete(const char* sql, int id) {
  auto statement = database_.prepare(sql, true);
  if (!statement.ok()) {
    logError("DATABASE ERROR WHILE DELETING ID");
    return false;
  }
  statement.bind(1, id);
  return statement.run();
}

bool LensDatabaseHelper::deleteLens(const LensObject& lens) {
  return runDelete("DELETE FROM Lenses WHERE LensId = ?", lens.lensId);
}

bool LensDatabaseHelper::deleteAllLenses4Manufactorer(int manufacturerId) {
  return runDelete("DELETE FROM Lenses WHERE ManufacturerId = ?", manufacturerId);
}

// A series never goes without its lenses, nor its lenses without it.
bool LensDatabaseHelper::deleteManufacturer(int manufacturerId) {
  CatalogueDatabase::Transaction transaction(database_);
  if (!transaction.active()) return false;
  return deleteAllLenses4Manufactorer(manufacturerId) &&
         runDelete("DELETE FROM Manufacturer WHERE ManufacturerId = ?", manufacturerId) && transaction.commit();
}
