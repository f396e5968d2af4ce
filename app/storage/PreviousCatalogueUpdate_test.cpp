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
};

TEST_P(PreviousCatalogueUpdateTest, LensUserRowsAndPackagesComeThroughAndTheNewLensesArrive) {
  installPrevious(LensDatabaseHelper::kFileName, "LensDatabase.sql");
  scenes::LensScene scene;
  scene.build();
  const char* const shipped = "SELECT COUNT(*) FROM Lenses WHERE Custom = 0 AND ManufacturerId NOT IN "
                              "(SELECT ManufacturerId FROM Manufacturer WHERE Origin != 0) AND ManufacturerId > 2";
  const char* const filled = "SELECT COUNT(*) FROM Lenses WHERE Category != '' OR ImageCircle IS NOT NULL";
  const auto before = shippedRows<LensDatabaseHelper>(LensDatabaseHelper::kFileName, filled);
  ASSERT_LT(before.first, before.second) << "the installed catalogue is the previous one";

  LensDatabaseHelper helper;
  ASSERT_TRUE(helper.openDb(true));
  helper.closeDb();

  scene.expectWhole();
  EXPECT_EQ(countIn<LensDatabaseHelper>("SELECT COUNT(*) FROM Manufacturer WHERE Origin = 1"), 2)
      << "the two user series with lenses, once each";
  const auto lenses = shippedRows<LensDatabaseHelper>(LensDatabaseHelper::kFileName, shipped);
  EXPECT_EQ(lenses.first, lenses.second);
  const auto after = shippedRows<LensDatabaseHelper>(LensDatabaseHelper::kFileName, filled);
  EXPECT_EQ(after.first, after.second) << "close focus and image circles came with the update";
  EXPECT_EQ(selectedSeries(), 5);
}

TEST_P(PreviousCatalogueUpdateTest, FormatUserRowsAndPackagesComeThroughAndTheNewModesArrive) {
  installPrevious(CameraFormatCatalogue::kFileName, "QuorvelFormatDatabase.sql");
  scenes::FormatScene scene;
  scene.build();

  CameraFormatCatalogue helper;
  ASSERT_TRUE(helper.openDb(true));
  helper.closeDb();

  scene.expectWhole();
  const auto modes = shippedRows<CameraFormatCatalogue>(CameraFormatCatalogue::kFileName,
                                                        "SELECT COUNT(*) FROM FormatContainer WHERE origin = 0");
  EXPECT_EQ(modes.first, modes.second);
}

// Oldest first: the first shipped catalogues, then the ones with today's cameras and sourced lens figures.
INSTANTIATE_TEST_SUITE_P(Releases, PreviousCatalogueUpdateTest, ::testing::Values("release-1", "release-2"));

}  // namespace

}  // namespace app::storage

