// LensDatabaseHelper: selections, inserts and deletes.
#include "app/model/NumericText.h"
#include "app/storage/LensDatabaseHelper.h"

using app::storage::CatalogueDatabase;
using app::model::NumericText;

namespace app::storage {

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
  if (stored && !NumericText::contains(lens.lensType, "Prime Lens")) {
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

