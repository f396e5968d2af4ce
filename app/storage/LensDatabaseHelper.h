#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/model/LensManufacturer.h"
#include "app/model/LensObject.h"
#include "app/model/UpdateFormatIDObject.h"
#include "app/storage/LensSelectionObject.h"
#include "app/storage/connection/CatalogueDatabase.h"
#include "app/storage/recovery/CatalogueKind.h"

namespace app::storage {

// The lens catalogue "LensDatabase.db": lens series (table Manufacturer) and their lenses (Lenses),
// shipped ones beside the user's own, with the user's choice of current series and lens set.
//
// Use: make a helper, openDb(false), a few operations, closeDb(). Failures are logged and yield the
// empty value: an empty list, nullopt, an empty lens (id 0), false, or -1 for an id.
class LensDatabaseHelper {
 public:
  static constexpr const char* kFileName = "LensDatabase.db";
  static constexpr const char* kResourceName = "LensDatabase";
  // The tables without which the file is not this catalogue.
  static constexpr std::array<const char*, 2> kTables{"Manufacturer", "Lenses"};
  // A series the person made has Origin 1, a lens they added Custom 1.
  static constexpr std::array<CatalogueKind::PersonsMark, 2> kPersonsMarks{{{"Manufacturer", "Origin"}, {"Lenses", "Custom"}}};
  static const CatalogueKind kKind;

  // With reset, the catalogue is first brought to the bundle's version (resetdatabase). An old file
  // without the Origin column gains it (every series then counts as shipped).
  [[nodiscard]] bool openDb(bool reset);
  void closeDb() { database_.close(); }
  app::storage::CatalogueDatabase& database() { return database_; }
  // Whether the series' or the lenses' selection flags may not be the app's last choice: a write of
  // them was refused in this run, and none reached the file since (SelectionTrust).
  [[nodiscard]] bool seriesSelectionMayBeStale() const { return database_.mayHoldStaleSelections("Manufacturer"); }
  [[nodiscard]] bool lensSelectionMayBeStale() const { return database_.mayHoldStaleSelections("Lenses"); }
  [[nodiscard]] bool checkIfOriginColumnexist();
  [[nodiscard]] bool insertOriginColumn();

  [[nodiscard]] static int getGenericPrimeLensManufacturerID() { return 1; }
  [[nodiscard]] static int getGenericZoomLensManufacturerID() { return 2; }

  // Series lists, ordered by maker, series and type (case-insensitively).
  std::vector<model::LensManufacturer> getAllLensManufacturers();
  std::vector<model::LensManufacturer> getAllLensManufacturersPrime();
  std::vector<model::LensManufacturer> getAllLensManufacturersZoom();
  std::vector<model::LensManufacturer> getAllLensManufacturersAnamorph();
  std::vector<model::LensManufacturer> getAllLensManufacturersSpherical();
  std::vector<model::LensManufacturer> getAllCustomManufacturers();
  // Zoom wins over prime; a squeeze of -1 passes both the spherical and the anamorphic filter.
  std::vector<model::LensManufacturer> getLensManufacturersWithFilterPrime(bool prime, bool zoom, bool spherical,
                                                                  bool anamorphotic);
  // The condition getLensManufacturersWithFilterPrime puts into its query ("" for all series).
  static std::string filterCondition(bool prime, bool zoom, bool spherical, bool anamorphotic);

  std::optional<model::LensManufacturer> getSelectedLensManufacturer();
  std::optional<model::LensManufacturer> getLensManufacturer(int manufacturerId);

  std::vector<model::LensObject> getAllLensesForManufacturer(int manufacturerId);  // by focal length
  std::vector<model::LensObject> getSelectedLenses4Manufacturer(int manufacturerId);
  model::LensObject getLens(int lensId);  // id 0 when not stored
  // Whether any of the lenses is stored; nullopt when the catalogue could not answer for all of them.
  std::optional<bool> holdsAnyLens(const std::vector<int>& lensIds);
  std::vector<model::LensObject> getAllCustomLenses();
  std::vector<LensSelectionObject> getAllSelections();
  [[nodiscard]] bool genericLensesExist();
  [[nodiscard]] int getGenericPrimeLensId(float focalLength);
  [[nodiscard]] int getGenericZoomLensId(float focalLength, float focalLengthMax);
  // Focal lengths are matched by their "%f" text, so only values that survive six decimals match.
  [[nodiscard]] bool lensExistsAlready(const model::LensObject& lens);
  [[nodiscard]] int lensExistsAlreadyWithID(const model::LensObject& lens);  // -1 when there is no such lens
  // Next free ids (highest + 1, 1 in an empty table), -1 when the table cannot be read.
  [[nodiscard]] int getLastLensID();
  [[nodiscard]] int getLastManufacturerID();
  static std::string clearGenericPrefix(const std::string& text);

  [[nodiscard]] bool deselectManufacturer();
  // The same ends as deselectManufacturer + selectManufacturer, respectively deselectLensesForManufacturer
  // + selectLens of each lens, writing only the rows whose flag changes: a selection that is already
  // as asked writes nothing, so nothing reaches the disk.
  [[nodiscard]] bool selectOnlyManufacturer(int manufacturerId);
  [[nodiscard]] bool selectOnlyLenses(int manufacturerId, const std::vector<int>& lensIds);
  [[nodiscard]] bool selectManufacturer(int manufacturerId);
  [[nodiscard]] bool deselectLensesForManufacturer(int manufacturerId);
  [[nodiscard]] bool selectLens(const model::LensObject& lens);  // writes the lens's own flag, 0 included
  [[nodiscard]] bool updateLensSelection(const LensSelectionObject& selection);

  // Inserts return the new id (also written into the record), or -1 when nothing was stored.
  [[nodiscard]] int insertManufacturer(model::LensManufacturer& manufacturer);  // always a user series (Origin 1)
  // Selects the new lens: a zoom becomes the only selected lens of its series, a prime joins the set.
  [[nodiscard]] int insertNewLens(model::LensObject& lens);
  [[nodiscard]] int insertNewLensWithSelection(model::LensObject& lens);  // keeps the lens's own flag
  [[nodiscard]] int insertNewLensWithOutSelectionUpdate(model::LensObject& lens);
  [[nodiscard]] int insertOldCustomLens(model::LensObject& lens);
  [[nodiscard]] bool insertgenericPrimeLenses(std::vector<model::LensObject>& lenses);
  [[nodiscard]] bool insertgenericZoomLenses(std::vector<model::LensObject>& lenses);

  [[nodiscard]] bool deleteLens(const model::LensObject& lens);
  [[nodiscard]] bool deleteAllLensesForManufacturer(int manufacturerId);
  [[nodiscard]] bool deleteManufacturer(int manufacturerId);  // with its lenses

  // The first entry whose old id is the selection's lens id gives its new id.
  static void updateLensID2New(LensSelectionObject& selection, const std::vector<model::UpdateFormatIDObject>& mapping);

  // Replaces the catalogue by the bundle's and carries the user's series, lenses and selections over
  // (LensDatabaseUpdate). The new catalogue is assembled beside the old one and swapped in whole: if any
  // step fails, the old catalogue and the packages stay exactly as they were and this returns false.
  [[nodiscard]] bool resetdatabase();

  // For the update, which reads an installed file and fills a copy: opens the file at `path`, first
  // finishing a list of renumbered ids left in it.
  [[nodiscard]] bool openPath(const std::string& path);
  // A user lens carried into a new catalogue by an update, with every column it had.
  [[nodiscard]] int carryUserLens(model::LensObject& lens);
  std::vector<model::LensObject> readWholeCustomLenses();

 private:
  void addOriginColumnWhenMissing();
  std::vector<model::LensManufacturer> readSeries(const std::string& sql);
  std::optional<model::LensManufacturer> readOneSeries(const std::string& sql, int manufacturerId);
  // The series as its flag reads once a selection held by a batch is written.
  model::LensManufacturer withHeldSelection(model::LensManufacturer series) const;
  std::vector<model::LensObject> readLenses(const std::string& sql, std::initializer_list<int> parameters);
  [[nodiscard]] int insertLens(model::LensObject& lens, int defaultSelection);
  [[nodiscard]] int matchingLensId(const std::string& sql);

  app::storage::CatalogueDatabase database_;
};

}  // namespace app::storage

