#include "app/storage/LensDatabaseUpdate.h"

#include <unordered_set>

#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/recovery/CatalogueReplacement.h"

namespace app::storage {

namespace {

using Step = CatalogueStatement::Step;
using Kind = PendingPackageRemap::Kind;

// What of the installed catalogue is the user's, read without changing it.
struct LensCarryOver {
  std::vector<UpdateLensObject> userSeries;     // series the user made, each with its lenses
  std::vector<model::LensObject> customLenses;         // lenses the user added to shipped series
  std::vector<LensSelectionObject> selections;  // the lens sets chosen among shipped lenses
};

// The old generic series: their lenses are not carried over (the generic-lens migration moves the
// ones in use into the newer generic series).
bool isOldGenericSeries(int seriesId) { return seriesId == 1 || seriesId == 2; }

constexpr const char* kSelectionProbe = "SELECT LensId, ManufacturerId, Custom, DefaultSelection FROM Lenses";

// The person's rows of the installed catalogue.
LensCarryOver readCarryOver(LensDatabaseHelper& installed) {
  LensCarryOver old;
  std::unordered_set<int> userSeriesIds;
  // A file from before the Origin column holds no series of the user's.
  if (installed.checkIfOriginColumnexist()) {
    for (auto& series : installed.getAllCustomManufacturers()) {
      userSeriesIds.insert(series.manufacturerId);
      if (isOldGenericSeries(series.manufacturerId)) continue;
      auto lenses = installed.getAllLensesForManufacturer(series.manufacturerId);
      if (!lenses.empty()) old.userSeries.push_back({.manufacturer = series, .lensSet = std::move(lenses)});
    }
  }
  const auto carried = [&](int seriesId) { return !isOldGenericSeries(seriesId) && !userSeriesIds.contains(seriesId); };
  for (auto& lens : installed.readWholeCustomLenses()) {
    if (carried(lens.manufacturerId)) old.customLenses.push_back(lens);
  }
  auto rows = installed.database().prepare(kSelectionProbe);
  while (rows.step() == Step::Row) {
    if (rows.columnInt(2) != CatalogueKind::kPersons && carried(rows.columnInt(1))) {
      old.selections.push_back({.lensId = rows.columnInt(0), .defaultSelection = rows.columnInt(3)});
    }
  }
  return old;
}

// The person's rows into the copy at `staging`, with the list of ids they were renumbered by.
bool carryInto(const std::string& staging, const LensCarryOver& old) {
  LensDatabaseHelper fresh;
  if (!fresh.openPath(staging)) return false;
  if (!CatalogueReplacement::fillWithoutSyncing(fresh.database())) return false;
  CatalogueDatabase::Transaction transaction(fresh.database());
  if (!transaction.active()) return false;
  // Shipped lenses keep their ids from one version to the next, and so do their flags. Written
  // before any user row exists here, so an id that is now a user lens's is never touched.
  for (const auto& selection : old.selections) {
    if (!fresh.updateLensSelection(selection)) return false;
  }
  PendingPackageRemap remap;
  for (const auto& entry : old.userSeries) {
    model::LensManufacturer series = entry.manufacturer;
    series.selected = 0;  // the new catalogue's current series stands; two selected series would clash
    if (fresh.insertManufacturer(series) < 0) return false;
    remap.add(Kind::LensSeries, entry.manufacturer.manufacturerId, series.manufacturerId);
    for (model::LensObject lens : entry.lensSet) {
      const int oldId = lens.lensId;
      lens.manufacturerId = series.manufacturerId;
      if (fresh.carryUserLens(lens) < 0) return false;
      remap.add(Kind::Lens, oldId, lens.lensId);
    }
  }
  CatalogueUpdate::reached(CatalogueUpdate::Stage::Staging);
  for (model::LensObject lens : old.customLenses) {
    const int oldId = lens.lensId;
    const int twin = fresh.lensExistsAlreadyWithID(lens);
    if (twin >= 0) {
      // The new catalogue ships the same lens: packages move to it and it stays in the user's set.
      remap.add(Kind::Lens, oldId, twin);
      if (lens.selected == 1 && !fresh.updateLensSelection({.lensId = twin, .defaultSelection = 1})) return false;
      continue;
    }
    if (fresh.carryUserLens(lens) < 0) return false;
    remap.add(Kind::Lens, oldId, lens.lensId);
  }
  return remap.store(fresh.database()) && transaction.commit();
}

// The values of a lens, its id, series and selection aside, as a carry writes them (an empty second
// aperture and no image circle alike).
std::string lensFormat() { return "%.3f|%.3f|%s|%s|%s|%s|%.3f|%s|%s|%s|%.3f|%.3f"; }
std::string lensValues(const std::string& table) {
  std::string values;
  for (const char* column : {"FocalLength", "FocalLengthMax", "Aperture", "LensMount", "Category", "LensType",
                             "Anamorphotic", "SizeCategory", "Comment", "ApertureClose", "ImageCircle", "ImageCircleMax"}) {
    values += ", " + table + column;
  }
  return values;
}

}  // namespace

CatalogueUpdate::Rebuilt LensDatabaseUpdate::run(LensDatabaseHelper& own, const std::string& source) {
  LensCarryOver old;
  LensDatabaseHelper installed;
  const auto opened = CatalogueUpdate::openInstalled(own.database(), installed.database(), source, {kSelectionProbe},
                                                     "The lens catalogue");
  if (opened == CatalogueUpdate::Installed::Unreadable) return CatalogueUpdate::Rebuilt::SourceUnreadable;
  if (opened == CatalogueUpdate::Installed::Open) old = readCarryOver(installed);
  return CatalogueReplacement::rebuild(LensDatabaseHelper::kKind,
                                       [&old](const std::string& staging) { return carryInto(staging, old); });
}

CatalogueUpdate::Rebuilt LensDatabaseUpdate::carryRowsFrom(const std::string& readable) {
  LensDatabaseHelper own;
  return run(own, readable);
}

std::vector<CatalogueKind::PersonsRowQuery> LensDatabaseUpdate::personsRows() {
  const CatalogueKind& kind = LensDatabaseHelper::kKind;
  const std::string series = "printf('series|%s|%s|%s|%.3f', Manufacturer, LensSeries, Type, Anamorphotic)";
  const std::string seriesLens = "printf('series lens|%s|%s|%s|%.3f|" + lensFormat() +
                                 "', m.Manufacturer, m.LensSeries, m.Type, m.Anamorphotic" + lensValues("l.") + ")";
  const std::string lens = "printf('lens|%d|" + lensFormat() + "', ManufacturerId" + lensValues("") + ")";
  const std::string twin = "printf('lens|%d|%.3f|%.3f', ManufacturerId, FocalLength, FocalLengthMax)";
  const std::string personsSeries = kind.personsRowsOf("Manufacturer");
  const std::string personsLens = kind.personsRowsOf("Lenses");
  const std::string seriesLenses =
      " FROM Manufacturer m JOIN Lenses l ON l.ManufacturerId = m.ManufacturerId WHERE " + kind.personsRowsOf("Manufacturer", "m.");
  // The old generic series (1 and 2) are not carried: the generic-lens migration takes their lenses in
  // use. Nor is a series without lenses.
  return {
      {"SELECT " + series + ", NULL FROM Manufacturer WHERE " + personsSeries + " AND ManufacturerId NOT IN (1, 2) AND "
       "ManufacturerId IN (SELECT ManufacturerId FROM Lenses)",
       "SELECT " + series + " FROM Manufacturer WHERE " + personsSeries},
      {"SELECT " + seriesLens + ", NULL" + seriesLenses + " AND m.ManufacturerId NOT IN (1, 2)",
       "SELECT " + seriesLens + seriesLenses},
      // A lens the person added to a shipped series, or the shipped lens of the same focal lengths.
      {"SELECT " + lens + ", " + twin + " FROM Lenses WHERE " + personsLens + " AND ManufacturerId NOT IN (1, 2) AND "
       "ManufacturerId NOT IN (SELECT ManufacturerId FROM Manufacturer WHERE " + personsSeries + ")",
       "SELECT CASE WHEN " + personsLens + " THEN " + lens + " ELSE " + twin + " END FROM Lenses"},
  };
}

}  // namespace app::storage

