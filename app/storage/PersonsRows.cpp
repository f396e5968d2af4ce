#include "app/storage/PersonsRows.h"

#include <sqlite3.h>

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

// One kind of the person's rows: how the copy they come from holds them (`theirs`), and which rows of a
// copy they were carried into stand for them (`alike`). Each gives one text per row, what makes the row
// the person's, with numbers to the precision the screens show, so that a value stored through a float
// reads the same as the one it came from.
struct RowKind {
  const char* theirs;
  const char* alike;
};

// The old generic series (1 and 2) are not carried: the generic-lens migration takes their lenses in use.
constexpr RowKind kLensRowKinds[] = {
    {"SELECT printf('series|%s|%s|%s|%.3f|%.3f', m.Manufacturer, m.LensSeries, m.Type, l.FocalLength, "
     "l.FocalLengthMax) FROM Manufacturer m JOIN Lenses l ON l.ManufacturerId = m.ManufacturerId "
     "WHERE m.Origin = 1 AND m.ManufacturerId NOT IN (1, 2)",
     "SELECT printf('series|%s|%s|%s|%.3f|%.3f', m.Manufacturer, m.LensSeries, m.Type, l.FocalLength, "
     "l.FocalLengthMax) FROM Manufacturer m JOIN Lenses l ON l.ManufacturerId = m.ManufacturerId "
     "WHERE m.Origin = 1"},
    // A lens the person added to a shipped series, or the shipped lens of the same focal lengths.
    {"SELECT printf('lens|%d|%.3f|%.3f', ManufacturerId, FocalLength, FocalLengthMax) FROM Lenses "
     "WHERE Custom = 1 AND ManufacturerId NOT IN (1, 2) AND "
     "ManufacturerId NOT IN (SELECT ManufacturerId FROM Manufacturer WHERE Origin = 1)",
     "SELECT printf('lens|%d|%.3f|%.3f', ManufacturerId, FocalLength, FocalLengthMax) FROM Lenses"},
};

constexpr RowKind kFormatRowKinds[] = {
    {"SELECT printf('camera|%s|%s|%.3f|%.3f|%.3f', m.manufactor, f.shootingMode, f.width, f.height, f.anamorphic) "
     "FROM FormatContainer f LEFT JOIN ManufactorTable m ON m.id = f.manufactorId WHERE f.origin = 1",
     "SELECT printf('camera|%s|%s|%.3f|%.3f|%.3f', m.manufactor, f.shootingMode, f.width, f.height, f.anamorphic) "
     "FROM FormatContainer f LEFT JOIN ManufactorTable m ON m.id = f.manufactorId WHERE f.origin = 1"},
    // A ratio of the person's, or the shipped one of the same size.
    {"SELECT printf('ratio|%.3f|%.3f', width, height) FROM QuorvelFrameGuide WHERE type = 1",
     "SELECT printf('ratio|%.3f|%.3f', width, height) FROM QuorvelFrameGuide"},
};

constexpr RowKind kAdapterRowKinds[] = {
    {"SELECT printf('adapter|%s|%.3f|%.3f', LensAdapterName, AdapterWidthValue, AdapterHeightValue) "
     "FROM QuorvelLensAdapter WHERE AdapterType = 1",
     "SELECT printf('adapter|%s|%.3f|%.3f', LensAdapterName, AdapterWidthValue, AdapterHeightValue) "
     "FROM QuorvelLensAdapter WHERE AdapterType = 1"},
};

// Every package is the person's, and keeps its id when carried; what it points at in the other
// catalogues may be renumbered since, so its lenses are counted rather than named.
constexpr RowKind kPackageRowKinds[] = {
    {"SELECT printf('package|%d|%s|%d|%d', packageId, packageName, frameGuideShading, frameGuideColor) "
     "FROM PackageData",
     "SELECT printf('package|%d|%s|%d|%d', packageId, packageName, frameGuideShading, frameGuideColor) "
     "FROM PackageData"},
    {"SELECT printf('lenses of package|%d|%d', packageId, COUNT(*)) FROM PackageLensData GROUP BY packageId",
     "SELECT printf('lenses of package|%d|%d', packageId, COUNT(*)) FROM PackageLensData GROUP BY packageId"},
};

std::vector<RowKind> rowKindsOf(const std::string& fileName) {
  const auto all = [](const auto& kinds) { return std::vector<RowKind>(std::begin(kinds), std::end(kinds)); };
  if (fileName == LensDatabaseHelper::kFileName) return all(kLensRowKinds);
  if (fileName == CameraFormatCatalogue::kFileName) return all(kFormatRowKinds);
  if (fileName == LensAdapterCatalogue::kFileName) return all(kAdapterRowKinds);
  if (fileName == PackageDatabaseHelper::kFileName) return all(kPackageRowKinds);
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

// Adds the rows `sql` gives to `rows`, counting them in `read`.
RowsRead readRowsInto(CatalogueDatabase& database, const char* sql, std::set<std::string>& rows, std::size_t& read) {
  auto statement = database.prepare(sql, true);
  if (!statement.ok()) return lacksTableOrColumn(database) ? RowsRead::NoSuchTable : RowsRead::Unread;
  CatalogueStatement::Step step;
  while ((step = statement.step()) == CatalogueStatement::Step::Row) {
    if (++read > kMostRowsCompared) return RowsRead::PastTheBound;
    rows.insert(statement.columnText(0));
  }
  return step == CatalogueStatement::Step::Done ? RowsRead::Whole : RowsRead::Unread;
}

}  // namespace

std::optional<std::set<std::string>> PersonsRows::of(const std::string& fileName, const std::string& path) {
  std::set<std::string> rows;
  CatalogueDatabase copy;
  if (!copy.openToRead(path)) return std::nullopt;
  std::size_t read = 0;
  for (const RowKind& kind : rowKindsOf(fileName)) {
    const RowsRead result = readRowsInto(copy, kind.theirs, rows, read);
    if (result != RowsRead::Whole && result != RowsRead::NoSuchTable) return std::nullopt;
  }
  return rows;
}

bool PersonsRows::allHeldIn(const std::string& fileName, const std::string& path, const std::set<std::string>& rows) {
  const auto kinds = rowKindsOf(fileName);
  if (kinds.empty()) return false;  // not a catalogue whose rows are known
  CatalogueDatabase copy;
  if (!copy.openToRead(path)) return false;
  {
    auto check = copy.prepare("PRAGMA integrity_check(1)", true);
    if (check.step() != CatalogueStatement::Step::Row || check.columnText(0) != "ok") return false;
  }
  std::set<std::string> held;
  std::size_t read = 0;
  for (const RowKind& kind : kinds) {
    if (readRowsInto(copy, kind.alike, held, read) != RowsRead::Whole) return false;
  }
  for (const std::string& row : rows) {
    if (!held.contains(row)) return false;
  }
  return true;
}

}  // namespace app::storage
