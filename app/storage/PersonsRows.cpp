#include "app/storage/PersonsRows.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <vector>

#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/CatalogueDatabase.h"
#include "app/storage/LensAdapterCatalogue.h"
#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/PackageDatabaseHelper.h"

namespace app::storage {

namespace {

// Far more than any catalogue of the bundle and a person's own rows together hold.
constexpr std::size_t kMostRowsCompared = 200'000;

// One kind of the person's rows: how the copy they come from holds them (`theirs`: each row's text, and
// the text of the shipped row that stands for it or NULL), and which rows of a copy they were carried
// into stand for them (`alike`). A text holds every value the person set, with numbers to the precision
// the screens show, so that a value stored through a float reads the same as the one it came from; a
// selection is not among them, since every start stores it again from the packages.
struct RowKind {
  std::string theirs;
  std::string alike;
};

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

std::vector<RowKind> lensRowKinds() {
  const std::string series = "printf('series|%s|%s|%s|%.3f', Manufacturer, LensSeries, Type, Anamorphotic)";
  const std::string seriesLens = "printf('series lens|%s|%s|%s|%.3f|" + lensFormat() +
                                 "', m.Manufacturer, m.LensSeries, m.Type, m.Anamorphotic" + lensValues("l.") + ")";
  const std::string lens = "printf('lens|%d|" + lensFormat() + "', ManufacturerId" + lensValues("") + ")";
  const std::string twin = "printf('lens|%d|%.3f|%.3f', ManufacturerId, FocalLength, FocalLengthMax)";
  const std::string seriesLenses = " FROM Manufacturer m JOIN Lenses l ON l.ManufacturerId = m.ManufacturerId WHERE m.Origin = 1";
  // The old generic series (1 and 2) are not carried: the generic-lens migration takes their lenses in
  // use. Nor is a series without lenses.
  return {
      {"SELECT " + series + ", NULL FROM Manufacturer WHERE Origin = 1 AND ManufacturerId NOT IN (1, 2) AND "
       "ManufacturerId IN (SELECT ManufacturerId FROM Lenses)",
       "SELECT " + series + " FROM Manufacturer WHERE Origin = 1"},
      {"SELECT " + seriesLens + ", NULL" + seriesLenses + " AND m.ManufacturerId NOT IN (1, 2)",
       "SELECT " + seriesLens + seriesLenses},
      // A lens the person added to a shipped series, or the shipped lens of the same focal lengths.
      {"SELECT " + lens + ", " + twin + " FROM Lenses WHERE Custom = 1 AND ManufacturerId NOT IN (1, 2) AND "
       "ManufacturerId NOT IN (SELECT ManufacturerId FROM Manufacturer WHERE Origin = 1)",
       "SELECT CASE WHEN Custom = 1 THEN " + lens + " ELSE " + twin + " END FROM Lenses"},
  };
}

std::vector<RowKind> formatRowKinds() {
  const std::string camera =
      "SELECT printf('camera|%s|%s|%.3f|%.3f|%.3f|%s', m.manufactor, f.shootingMode, f.width, f.height, f.anamorphic, "
      "f.aspectratio)";
  const std::string cameras = " FROM FormatContainer f LEFT JOIN ManufactorTable m ON m.id = f.manufactorId WHERE f.origin = 1";
  // A ratio of the person's, or the shipped one of the same size.
  const std::string ratio = "SELECT printf('ratio|%.3f|%.3f', width, height)";
  return {{camera + ", NULL" + cameras, camera + cameras},
          {ratio + ", NULL FROM QuorvelFrameGuide WHERE type = 1", ratio + " FROM QuorvelFrameGuide"}};
}

std::vector<RowKind> adapterRowKinds() {
  const std::string adapter =
      "SELECT printf('adapter|%s|%.3f|%.3f|%s', LensAdapterName, AdapterWidthValue, AdapterHeightValue, Comment)";
  const std::string adapters = " FROM QuorvelLensAdapter WHERE AdapterType = 1";
  return {{adapter + ", NULL" + adapters, adapter + adapters}};
}

// Every package is the person's, and a carry keeps its id and what it points at in the other catalogues
// (their own rescues and updates re-point it where it lies).
std::vector<RowKind> packageRowKinds() {
  const std::string package =
      "SELECT printf('package|%d|%s|%d|%d|%d|%d|%d|%d|%d', packageId, packageName, cameraFormatId, cropId, "
      "lensManufacturerId, adapterId, frameGuideId, frameGuideShading, frameGuideColor)";
  const std::string lenses = "SELECT printf('lenses of package|%d|%s', packageId, group_concat(lensID, ','))";
  const std::string eachPackage =
      " FROM (SELECT packageId, lensID FROM PackageLensData ORDER BY packageId, lensID) GROUP BY packageId";
  return {{package + ", NULL FROM PackageData", package + " FROM PackageData"},
          {lenses + ", NULL" + eachPackage, lenses + eachPackage}};
}

std::vector<RowKind> rowKindsOf(const std::string& fileName) {
  if (fileName == LensDatabaseHelper::kFileName) return lensRowKinds();
  if (fileName == CameraFormatCatalogue::kFileName) return formatRowKinds();
  if (fileName == LensAdapterCatalogue::kFileName) return adapterRowKinds();
  if (fileName == PackageDatabaseHelper::kFileName) return packageRowKinds();
  return {};
}

enum class RowsRead { Whole, NoSuchTable, Unread, PastTheBound };

// Whether the statement that did not prepare names a table or column the copy lacks. Any other reason
// (not a database, damage, a lock) says nothing of what the copy holds.
bool lacksTableOrColumn(const CatalogueDatabase& database) {
  const std::string reason = database.errorMessage();
  return (database.errorCode() & 0xff) == SQLITE_ERROR &&
         (reason.starts_with("no such table") || reason.starts_with("no such column"));
}

// Adds the rows `sql` gives to `rows` (with the second column, when it has one, as each row's twin),
// counting them in `read`.
RowsRead readRowsInto(CatalogueDatabase& database, const std::string& sql, PersonsRows::Rows& rows, std::size_t& read) {
  auto statement = database.prepare(sql, true);
  if (!statement.ok()) return lacksTableOrColumn(database) ? RowsRead::NoSuchTable : RowsRead::Unread;
  CatalogueStatement::Step step;
  while ((step = statement.step()) == CatalogueStatement::Step::Row) {
    if (++read > kMostRowsCompared) return RowsRead::PastTheBound;
    rows.emplace(statement.columnText(0), statement.columnCount() > 1 ? statement.columnText(1) : std::string());
  }
  return step == CatalogueStatement::Step::Done ? RowsRead::Whole : RowsRead::Unread;
}

}  // namespace

std::optional<PersonsRows::Rows> PersonsRows::of(const std::string& fileName, const std::string& path) {
  Rows rows;
  CatalogueDatabase copy;
  if (!copy.openToRead(path)) return std::nullopt;
  std::size_t read = 0;
  for (const RowKind& kind : rowKindsOf(fileName)) {
    const RowsRead result = readRowsInto(copy, kind.theirs, rows, read);
    if (result != RowsRead::Whole && result != RowsRead::NoSuchTable) return std::nullopt;
  }
  return rows;
}

bool PersonsRows::allHeldIn(const std::string& fileName, const std::string& path, const Rows& rows) {
  const auto kinds = rowKindsOf(fileName);
  if (kinds.empty()) return false;  // not a catalogue whose rows are known
  CatalogueDatabase copy;
  if (!copy.openToRead(path)) return false;
  {
    auto check = copy.prepare("PRAGMA integrity_check(1)", true);
    if (check.step() != CatalogueStatement::Step::Row || check.columnText(0) != "ok") return false;
  }
  Rows held;
  std::size_t read = 0;
  for (const RowKind& kind : kinds) {
    if (readRowsInto(copy, kind.alike, held, read) != RowsRead::Whole) return false;
  }
  return std::all_of(rows.begin(), rows.end(), [&held](const auto& row) {
    return held.contains(row.first) || (!row.second.empty() && held.contains(row.second));
  });
}

}  // namespace app::storage
