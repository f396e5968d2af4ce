// The update from the catalogues each earlier release shipped (their SQL text, kept in testdata/<release>/)
// to the ones this build ships: a user keeps every row of their own and every package.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/storage/CatalogueUpdateTestSupport.h"
#include "app/storage/StorageTestSupport.h"

#ifndef OSTREL_STORAGE_TESTDATA_DIR
#error "OSTREL_STORAGE_TESTDATA_DIR must name app/storage/testdata"
#endif

namespace app::storage {

namespace {

using namespace ostrel::testing;

class PreviousCatalogueUpdateTest : public StorageTest, public ::testing::WithParamInterface<const char*> {
 protected:
  // Library/<fileName> as the release under test left it installed, built from its SQL text.
  static void installPrevious(const std::string& fileName, const std::string& sqlName) {
    std::ifstream in(std::string(OSTREL_STORAGE_TESTDATA_DIR) + "/" + GetParam() + "/" + sqlName, std::ios::binary);
    ASSERT_TRUE(in) << sqlName;
    std::ostringstream sql;
    sql << in.rdbuf();
    const std::string path = CatalogueDatabase::libraryPath(fileName);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr), SQLITE_OK);
    char* message = nullptr;
    const int result = sqlite3_exec(db, ("PRAGMA journal_mode = DELETE; BEGIN; " + sql.str() + " COMMIT;").c_str(),
                                    nullptr, nullptr, &message);
    const std::string error = message ? message : "";
    sqlite3_free(message);
    sqlite3_close(db);
    ASSERT_EQ(result, SQLITE_OK) << sqlName << ": " << error;
  }

  // Rows of `table` that came with the catalogue, counted in the installed file and in the bundle's.
  template <class Helper>
  static std::pair<int, int> shippedRows(const std::string& fileName, const std::string& sql) {
    CatalogueDatabase bundle;
    EXPECT_TRUE(bundle.openPath(std::string(OSTREL_TEST_BUNDLE_DIR) + "/" + fileName));
    return {countIn<Helper>(sql), countOf(bundle, sql)};
  }

  // The text of every row `sql` gives (one text column per row), in the installed file and in the bundle's:
  // equal once the installed catalogue holds the shipped rows with the figures this build ships.
  template <class Helper>
  static std::pair<std::string, std::string> shippedTexts(const std::string& fileName, const std::string& sql) {
    const auto textOf = [&sql](CatalogueDatabase& database) {
      std::string text;
      auto statement = database.prepare(sql);
      while (statement.step() == CatalogueStatement::Step::Row) text += statement.columnText(0) + "\n";
      return text;
    };
    CatalogueDatabase bundle;
    EXPECT_TRUE(bundle.openPath(std::string(OSTREL_TEST_BUNDLE_DIR) + "/" + fileName));
    return {withOpen<Helper>([&](auto& helper) { return textOf(helper.database()); }), textOf(bundle)};
  }
};

// Each shipped lens with every figure a person reads from it (not the user's selection), in id order.
constexpr const char* kShippedLensTexts =
    "SELECT printf('%d %d %s %.4f-%.4f %s %s %s %.2f %s %s %s %s', l.LensId, l.ManufacturerId, m.LensSeries, "
    "l.FocalLength, IFNULL(l.FocalLengthMax, 0), l.Aperture, l.LensMount, l.Category, l.Anamorphotic, l.SizeCategory, "
    "l.Comment, IFNULL(l.ImageCircle, '-'), IFNULL(l.ImageCircleMax, '-')) FROM Lenses l JOIN Manufacturer m "
    "ON m.ManufacturerId = l.ManufacturerId WHERE l.Custom = 0 AND m.Origin = 0 AND m.ManufacturerId > 2 "
    "ORDER BY l.LensId";
// Each shipped recording mode with its camera, name and size, in id order.
constexpr const char* kShippedModeTexts =
    "SELECT printf('%d %s %s %s %.4f %.4f %s %d', f.id, m.manufactor, m.model, f.shootingMode, f.width, f.height, "
    "f.aspectratio, f.orderNumber) FROM FormatContainer f JOIN ManufactorTable m ON m.id = f.manufactorId "
    "WHERE f.origin = 0 ORDER BY f.id";

TEST_P(PreviousCatalogueUpdateTest, LensUserRowsAndPackagesComeThroughAndTheNewLensesArrive) {
  installPrevious(LensDatabaseHelper::kFileName, "LensDatabase.sql");
  scenes::LensScene scene;
  scene.build();
  const char* const shipped = "SELECT COUNT(*) FROM Lenses WHERE Custom = 0 AND ManufacturerId NOT IN "
                              "(SELECT ManufacturerId FROM Manufacturer WHERE Origin != 0) AND ManufacturerId > 2";
  const auto before = shippedTexts<LensDatabaseHelper>(LensDatabaseHelper::kFileName, kShippedLensTexts);
  ASSERT_NE(before.first, before.second) << "the installed catalogue is the previous one";

  LensDatabaseHelper helper;
  ASSERT_TRUE(helper.openDb(true));
  helper.closeDb();

  scene.expectWhole();
  EXPECT_EQ(countIn<LensDatabaseHelper>("SELECT COUNT(*) FROM Manufacturer WHERE Origin = 1"), 2)
      << "the two user series with lenses, once each";
  const auto lenses = shippedRows<LensDatabaseHelper>(LensDatabaseHelper::kFileName, shipped);
  EXPECT_EQ(lenses.first, lenses.second);
  const auto after = shippedTexts<LensDatabaseHelper>(LensDatabaseHelper::kFileName, kShippedLensTexts);
  EXPECT_EQ(after.first, after.second) << "the new lenses, close focus and image circles came with the update";
  EXPECT_EQ(selectedSeries(), 5);
}

TEST_P(PreviousCatalogueUpdateTest, FormatUserRowsAndPackagesComeThroughAndTheNewModesArrive) {
  installPrevious(CameraFormatCatalogue::kFileName, "QuorvelFormatDatabase.sql");
  scenes::FormatScene scene;
  scene.build();
  const auto before = shippedTexts<CameraFormatCatalogue>(CameraFormatCatalogue::kFileName, kShippedModeTexts);
  ASSERT_NE(before.first, before.second) << "the installed catalogue is the previous one";

  CameraFormatCatalogue helper;
  ASSERT_TRUE(helper.openDb(true));
  helper.closeDb();

  scene.expectWhole();
  const auto modes = shippedRows<CameraFormatCatalogue>(CameraFormatCatalogue::kFileName,
                                                        "SELECT COUNT(*) FROM FormatContainer WHERE origin = 0");
  EXPECT_EQ(modes.first, modes.second);
  const auto after = shippedTexts<CameraFormatCatalogue>(CameraFormatCatalogue::kFileName, kShippedModeTexts);
  EXPECT_EQ(after.first, after.second) << "the new modes and sizes came with the update";
}

// Oldest first: the first shipped catalogues, the ones with today's cameras and sourced lens figures, and the
// ones with the second round of sourced cameras and lens series.
INSTANTIATE_TEST_SUITE_P(Releases, PreviousCatalogueUpdateTest,
                         ::testing::Values("release-1", "release-2", "release-3"));

}  // namespace

}  // namespace app::storage

