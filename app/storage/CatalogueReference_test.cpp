// The shipped catalogues against the sourced reference rows their content since the first catalogue was
// taken from (resources/catalogues/reference: each row as the reference gives it, led by the round of the
// reference it came in and the catalogue id it became, or by none and the reason it was left out). A figure
// in the catalogue is the figure of its row or empty, never another one, and nothing added since the first
// catalogue ships without a row behind it.
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

#include "app/storage/StorageTestSupport.h"
#include "app/storage/connection/CatalogueDatabase.h"

#ifndef OSTREL_CATALOGUE_REFERENCE_DIR
#error "OSTREL_CATALOGUE_REFERENCE_DIR must name resources/catalogues/reference"
#endif
#ifndef OSTREL_STORAGE_TESTDATA_DIR
#error "OSTREL_STORAGE_TESTDATA_DIR must name app/storage/testdata"
#endif

namespace app::storage {

namespace {

// The first catalogue, whose rows and figures came before the reference.
constexpr const char* kFirstRelease = "release-1";
// How the reference marks a row that rests on one third-party list no maker document confirms.
constexpr const char* kSingleSource = "Single third-party source";
// From this round of the reference on, such a row gives focal lengths and stops only; the figures the first
// round shipped from such rows came before that rule.
constexpr int kSingleSourceRuleFrom = 2;

// Series and cameras the catalogue held under another name before the reference named them.
const std::map<std::string, std::string> kCatalogueNames = {
    {"Cooke|S7/i FF", "S7/i"},
    {"Cooke|Anamorphic/i S35", "Anamorphic/i"},
    {"DJI|Zenmuse X9-6K (Ronin 4D 6K)", "Ronin 4D Zenmuse X9-6K"},
    {"DJI|Zenmuse X9-8K", "Ronin 4D Zenmuse X9-8K"},
};

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

// "T2" and "T2.0" (or "f/2.8") name the same stop.
double stop(const std::string& text) { return number(text.substr(text.find_first_of("0123456789"))); }

// A shipped figure that rounds to the row's, at the precision the row gives it (46.31 is the 46.3 of a
// source that gives one decimal).
bool roundsTo(double shipped, const std::string& given) {
  const auto point = given.find('.');
  const int decimals = point == std::string::npos ? 0 : static_cast<int>(given.size() - point - 1);
  return std::fabs(shipped - number(given)) <= 0.5 * std::pow(10.0, -decimals) + 1e-9;
}

bool singleSource(const Row& row) {
  return std::atoi(row.at("round").c_str()) >= kSingleSourceRuleFrom &&
         row.at("note").find(kSingleSource) != std::string::npos;
}

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

// The name the catalogue gives the row's camera or series (`column` "model" or "series").
std::string catalogueName(const Row& row, const std::string& column) {
  const auto renamed = kCatalogueNames.find(row.at("maker") + "|" + row.at(column));
  if (renamed != kCatalogueNames.end()) return renamed->second;
  return column == "model" ? withoutBrackets(row.at(column)) : withoutRemark(row.at(column));
}

void openBundled(CatalogueDatabase& db, const std::string& name) {
  EXPECT_TRUE(db.openPath(std::string(OSTREL_TEST_BUNDLE_DIR) + "/" + name + ".db")) << name;
}

std::set<int> ids(CatalogueDatabase& db, const std::string& sql) {
  std::set<int> found;
  auto statement = db.prepare(sql);
  while (statement.step() == CatalogueStatement::Step::Row) found.insert(statement.columnInt(0));
  return found;
}

using FirstReleaseRows = std::map<int, std::vector<std::optional<std::string>>>;

// The rows `sql` gives in the first catalogue, built from its SQL text in memory: by the id in the first
// column, the other columns as text (NULL as nothing).
FirstReleaseRows firstReleaseRows(const std::string& catalogue, const std::string& sql) {
  const std::string text =
      readText(std::string(OSTREL_STORAGE_TESTDATA_DIR) + "/" + kFirstRelease + "/" + catalogue + ".sql");
  sqlite3* db = nullptr;
  FirstReleaseRows found;
  if (sqlite3_open(":memory:", &db) == SQLITE_OK &&
      sqlite3_exec(db, text.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
      while (sqlite3_step(statement) == SQLITE_ROW) {
        auto& columns = found[sqlite3_column_int(statement, 0)];
        for (int c = 1; c < sqlite3_column_count(statement); ++c) {
          const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
          columns.push_back(value ? std::optional<std::string>(value) : std::nullopt);
        }
      }
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  EXPECT_FALSE(found.empty()) << catalogue << " of " << kFirstRelease;
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

// A close focus ("0.35m | 1'2\"") or image circle the catalogue ships for a row: the row's own figure, or,
// where the row gives none, the one the first catalogue already shipped for that lens.
void expectFigure(const std::string& name, const std::optional<std::string>& shipped, const std::string& given,
                  const std::optional<std::string>& first, const std::string& what) {
  if (!shipped || shipped->empty()) return;
  if (given.empty()) {
    EXPECT_EQ(shipped, first) << what << ": " << name << " given by neither the row nor the first catalogue";
  } else {
    EXPECT_TRUE(roundsTo(number(*shipped), given)) << what << ": " << name << " " << *shipped << " for " << given;
  }
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
    EXPECT_EQ(mode.columnText(1), catalogueName(row, "model")) << what;
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
  const auto first = firstReleaseRows("LensDatabase", "SELECT LensId, Category, ImageCircle, ImageCircleMax FROM Lenses");
  // A single-source circle may ship only where a row of its series that does not rest on that list alone
  // gives the same circle (the makers round the same figure to one or two decimals).
  std::multimap<std::string, double> confirmedCircles;
  for (const Row& row : rows) {
    if (row.at("note").find(kSingleSource) == std::string::npos && !row.at("image_circle_mm").empty()) {
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
    EXPECT_EQ(lens.columnText(1).rfind(catalogueName(row, "series"), 0), 0u) << what << " in " << lens.columnText(1);
    const std::string& focal = row.at("focal_mm");
    const auto dash = focal.find('-');
    EXPECT_EQ(lens.columnDouble(2), number(focal)) << what;
    EXPECT_EQ(lens.columnDouble(3), dash == std::string::npos ? 0.0 : number(focal.substr(dash + 1))) << what;
    EXPECT_EQ(stop(lens.columnText(4)), stop(row.at("t_stop"))) << what << ": " << lens.columnText(4);
    EXPECT_EQ(lens.columnDouble(5), number(row.at("squeeze"))) << what;

    const int id = std::atoi(row.at("catalogue_id").c_str());
    const auto firstFigures = first.count(id) ? first.at(id) : std::vector<std::optional<std::string>>(3);
    const std::string closeFocus = lens.columnText(6);
    expectFigure("close focus", closeFocus, row.at("close_focus_m"), firstFigures[0], what);
    expectFigure("image circle", lens.columnOptionalText(7), row.at("image_circle_mm"), firstFigures[1], what);
    expectFigure("long-end image circle", lens.columnOptionalText(8), row.at("image_circle_mm"), firstFigures[2], what);

    if (singleSource(row)) {
      EXPECT_EQ(closeFocus, "") << what << ": a single-source close focus";
      if (lens.columnOptionalText(7)) {
        bool confirmed = false;
        const auto [from, to] = confirmedCircles.equal_range(row.at("maker") + "|" + row.at("series"));
        for (auto it = from; it != to; ++it) {
          confirmed |= std::fabs(it->second - lens.columnDouble(7)) <= 0.01 + 1e-9;
        }
        EXPECT_TRUE(confirmed) << what << ": a single-source image circle no other row confirms";
      }
    }
  }
}

TEST(CatalogueReference, NothingAddedSinceTheFirstCatalogueShipsWithoutAReferenceRow) {
  const auto check = [](const char* catalogue, const char* sql, const char* csv) {
    CatalogueDatabase db;
    openBundled(db, catalogue);
    const auto before = firstReleaseRows(catalogue, sql);
    const std::set<int> referenced = referencedIds(reference(csv));
    for (int id : ids(db, sql)) {
      EXPECT_TRUE(before.count(id) || referenced.count(id)) << catalogue << " row " << id << " has no reference row";
    }
  };
  check("QuorvelFormatDatabase", "SELECT id FROM FormatContainer", "cameras.csv");
  check("LensDatabase", "SELECT LensId FROM Lenses", "lenses.csv");
}

}  // namespace

}  // namespace app::storage
