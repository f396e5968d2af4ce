// The shipped catalogues against the sourced reference rows their newest content was taken from
// (resources/catalogues/reference: each row as the reference gives it, led by the catalogue id it became,
// or by none and the reason it was left out). A figure in the catalogue is the figure of its row or empty,
// never another one, and nothing added since the previous release ships without a row behind it.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/storage/CatalogueDatabase.h"
#include "app/storage/StorageTestSupport.h"

#ifndef OSTREL_CATALOGUE_REFERENCE_DIR
#error "OSTREL_CATALOGUE_REFERENCE_DIR must name resources/catalogues/reference"
#endif
#ifndef OSTREL_STORAGE_TESTDATA_DIR
#error "OSTREL_STORAGE_TESTDATA_DIR must name app/storage/testdata"
#endif

namespace app::storage {

namespace {

// The release before this one, whose rows need no reference row here.
constexpr const char* kPreviousRelease = "release-2";
// How the reference marks a row that rests on one third-party list no maker document confirms.
constexpr const char* kSingleSource = "Single third-party source";

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

using Row = std::map<std::string, std::string>;

// RFC 4180 text: fields split by commas, quoted fields may hold commas and doubled quotes.
std::vector<Row> readCsv(const std::string& path) {
  const std::string text = readText(path);
  std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    std::string& field = records.back().back();
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      records.back().emplace_back();
    } else if (c == '\n') {
      records.emplace_back(1);
    } else if (c != '\r') {
      field += c;
    }
  }
  EXPECT_FALSE(quoted) << path << " ends inside a quoted field";
  if (records.back().size() == 1 && records.back()[0].empty()) records.pop_back();
  std::vector<Row> rows;
  for (size_t r = 1; r < records.size(); ++r) {
    EXPECT_EQ(records[r].size(), records[0].size()) << path << " record " << r;
    Row row;
    for (size_t c = 0; c < records[0].size() && c < records[r].size(); ++c) row[records[0][c]] = records[r][c];
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<Row> reference(const char* name) {
  return readCsv(std::string(OSTREL_CATALOGUE_REFERENCE_DIR) + "/" + name);
}

double number(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

// A camera head in brackets is part of the model's name ("Inspire 3 (Zenmuse X9-8K Air)"), written without them.
std::string withoutBrackets(const std::string& model) {
  std::string plain;
  for (char c : model) {
    if (c != '(' && c != ')') plain += c;
  }
  return plain;
}

// A remark in brackets after a series' name ("Pictor Zoom (S35)") is not part of it.
std::string withoutRemark(const std::string& series) { return series.substr(0, series.find(" (")); }

void openBundled(CatalogueDatabase& db, const std::string& name) {
  EXPECT_TRUE(db.openPath(std::string(OSTREL_TEST_BUNDLE_DIR) + "/" + name + ".db")) << name;
}

std::set<int> ids(CatalogueDatabase& db, const std::string& sql) {
  std::set<int> found;
  auto statement = db.prepare(sql);
  while (statement.step() == CatalogueStatement::Step::Row) found.insert(statement.columnInt(0));
  return found;
}

// Ids of `table` in the previous release's catalogue, built from its SQL text in memory.
std::set<int> previousIds(const std::string& catalogue, const std::string& sql) {
  const std::string text =
      readText(std::string(OSTREL_STORAGE_TESTDATA_DIR) + "/" + kPreviousRelease + "/" + catalogue + ".sql");
  sqlite3* db = nullptr;
  std::set<int> found;
  if (sqlite3_open(":memory:", &db) == SQLITE_OK &&
      sqlite3_exec(db, text.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
      while (sqlite3_step(statement) == SQLITE_ROW) found.insert(sqlite3_column_int(statement, 0));
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  EXPECT_FALSE(found.empty()) << catalogue << " of " << kPreviousRelease;
  return found;
}

std::set<int> referencedIds(const std::vector<Row>& rows) {
  std::set<int> found;
  for (const Row& row : rows) {
    if (!row.at("catalogue_id").empty()) found.insert(std::atoi(row.at("catalogue_id").c_str()));
  }
  return found;
}

// The catalogue row a reference row became, read by `sql` (its one parameter the id), or nothing for a row
// left out, which must say why.
std::optional<CatalogueStatement> shippedRow(CatalogueDatabase& db, const char* sql, const Row& row,
                                             const std::string& what) {
  if (row.at("catalogue_id").empty()) {
    EXPECT_FALSE(row.at("catalogue_note").empty()) << what << ": left out without a reason";
    return std::nullopt;
  }
  auto statement = db.prepare(sql);
  statement.bind(1, std::atoi(row.at("catalogue_id").c_str()));
  if (statement.step() != CatalogueStatement::Step::Row) {
    ADD_FAILURE() << what << ": no catalogue row " << row.at("catalogue_id");
    return std::nullopt;
  }
  return statement;
}

TEST(CatalogueReference, EveryShippedModeOfTheReferenceHasItsRowsSize) {
  CatalogueDatabase db;
  openBundled(db, "QuorvelFormatDatabase");
  const auto rows = reference("cameras.csv");
  ASSERT_FALSE(rows.empty());
  for (const Row& row : rows) {
    const std::string what = row.at("maker") + " " + row.at("model") + " / " + row.at("mode_name");
    auto shipped = shippedRow(db,
                              "SELECT m.manufactor, m.model, m.type, f.width, f.height FROM FormatContainer f "
                              "JOIN ManufactorTable m ON m.id = f.manufactorId WHERE f.id = ?",
                              row, what);
    if (!shipped) continue;
    const CatalogueStatement& mode = *shipped;
    EXPECT_EQ(mode.columnText(0), row.at("maker")) << what;
    EXPECT_EQ(mode.columnText(1), withoutBrackets(row.at("model"))) << what;
    EXPECT_EQ(mode.columnText(2), row.at("category")) << what;
    EXPECT_EQ(mode.columnDouble(3), number(row.at("width_mm"))) << what;
    EXPECT_EQ(mode.columnDouble(4), number(row.at("height_mm"))) << what;
  }
}

TEST(CatalogueReference, EveryShippedLensOfTheReferenceHasItsRowsFiguresOrNone) {
  CatalogueDatabase db;
  openBundled(db, "LensDatabase");
  const auto rows = reference("lenses.csv");
  ASSERT_FALSE(rows.empty());
  // A single-source circle may ship only where a row of its series that does not rest on that list alone
  // gives the same circle (the makers round the same figure to one or two decimals).
  std::multimap<std::string, double> confirmedCircles;
  for (const Row& row : rows) {
    if (row.at("note").rfind(kSingleSource, 0) != 0 && !row.at("image_circle_mm").empty()) {
      confirmedCircles.emplace(row.at("maker") + "|" + row.at("series"), number(row.at("image_circle_mm")));
    }
  }
  for (const Row& row : rows) {
    const std::string what = row.at("maker") + " " + row.at("series") + " " + row.at("focal_mm");
    auto shipped = shippedRow(db,
                              "SELECT m.Manufacturer, m.LensSeries, l.FocalLength, IFNULL(l.FocalLengthMax, 0), "
                              "l.Aperture, l.Anamorphotic, l.Category, l.ImageCircle, l.ImageCircleMax FROM Lenses l "
                              "JOIN Manufacturer m ON m.ManufacturerId = l.ManufacturerId WHERE l.LensId = ?",
                              row, what);
    if (!shipped) continue;
    const CatalogueStatement& lens = *shipped;
    EXPECT_EQ(lens.columnText(0), row.at("maker")) << what;
    EXPECT_EQ(lens.columnText(1).rfind(withoutRemark(row.at("series")), 0), 0u) << what << " in " << lens.columnText(1);
    const std::string& focal = row.at("focal_mm");
    const auto dash = focal.find('-');
    EXPECT_EQ(lens.columnDouble(2), number(focal)) << what;
    EXPECT_EQ(lens.columnDouble(3), dash == std::string::npos ? 0.0 : number(focal.substr(dash + 1))) << what;
    EXPECT_EQ(lens.columnText(4), row.at("t_stop")) << what;
    EXPECT_EQ(lens.columnDouble(5), number(row.at("squeeze"))) << what;

    const std::string closeFocus = lens.columnText(6);
    if (!closeFocus.empty()) {
      EXPECT_EQ(number(closeFocus), number(row.at("close_focus_m"))) << what << ": " << closeFocus;
    }
    const auto circle = lens.columnOptionalText(7), circleMax = lens.columnOptionalText(8);
    if (circle) {
      EXPECT_EQ(lens.columnDouble(7), number(row.at("image_circle_mm"))) << what;
    }
    if (circleMax) {
      EXPECT_EQ(lens.columnDouble(8), number(row.at("image_circle_mm"))) << what;
    }

    if (row.at("note").rfind(kSingleSource, 0) == 0) {
      EXPECT_EQ(closeFocus, "") << what << ": a single-source close focus";
      if (circle) {
        bool confirmed = false;
        const auto [first, last] = confirmedCircles.equal_range(row.at("maker") + "|" + row.at("series"));
        for (auto it = first; it != last; ++it) {
          confirmed |= std::fabs(it->second - lens.columnDouble(7)) <= 0.01 + 1e-9;
        }
        EXPECT_TRUE(confirmed) << what << ": a single-source image circle no other row confirms";
      }
    }
  }
}

TEST(CatalogueReference, NothingAddedSinceThePreviousReleaseShipsWithoutAReferenceRow) {
  const auto check = [](const char* catalogue, const char* sql, const char* csv) {
    CatalogueDatabase db;
    openBundled(db, catalogue);
    const std::set<int> before = previousIds(catalogue, sql), referenced = referencedIds(reference(csv));
    for (int id : ids(db, sql)) {
      EXPECT_TRUE(before.count(id) || referenced.count(id)) << catalogue << " row " << id << " has no reference row";
    }
  };
  check("QuorvelFormatDatabase", "SELECT id FROM FormatContainer", "cameras.csv");
  check("LensDatabase", "SELECT LensId FROM Lenses", "lenses.csv");
}

}  // namespace

}  // namespace app::storage

