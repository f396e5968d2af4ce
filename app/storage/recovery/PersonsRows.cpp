#include "app/storage/recovery/PersonsRows.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <vector>

#include "app/storage/connection/CatalogueDatabase.h"

namespace app::storage {

namespace {

// Far more than any catalogue of the bundle and a person's own rows together hold.
constexpr std::size_t kMostRowsCompared = 200'000;

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

// The queries for the person's rows of `kind`; none when what it holds of theirs is not known.
std::vector<CatalogueKind::PersonsRowQuery> queriesOf(const CatalogueKind& kind) {
  return kind.personsRows ? kind.personsRows() : std::vector<CatalogueKind::PersonsRowQuery>();
}

std::optional<PersonsRows::Rows> PersonsRows::of(const CatalogueKind& kind, const std::string& path) {
  Rows rows;
  CatalogueDatabase copy;
  if (!copy.openToRead(path)) return std::nullopt;
  std::size_t read = 0;
  for (const auto& query : queriesOf(kind)) {
    const RowsRead result = readRowsInto(copy, query.theirs, rows, read);
    if (result != RowsRead::Whole && result != RowsRead::NoSuchTable) return std::nullopt;
  }
  return rows;
}

bool PersonsRows::allHeldIn(const CatalogueKind& kind, const std::string& path, const Rows& rows) {
  const auto queries = queriesOf(kind);
  if (queries.empty()) return false;  // not a catalogue whose rows are known
  CatalogueDatabase copy;
  if (!copy.openToRead(path)) return false;
  {
    auto check = copy.prepare("PRAGMA integrity_check(1)", true);
    if (check.step() != CatalogueStatement::Step::Row || check.columnText(0) != "ok") return false;
  }
  Rows held;
  std::size_t read = 0;
  for (const auto& query : queries) {
    if (readRowsInto(copy, query.alike, held, read) != RowsRead::Whole) return false;
  }
  return std::all_of(rows.begin(), rows.end(), [&held](const auto& row) {
    return held.contains(row.first) || (!row.second.empty() && held.contains(row.second));
  });
}

}  // namespace app::storage
