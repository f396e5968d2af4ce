#include "app/storage/recovery/CatalogueOpening.h"

#include <gtest/gtest.h>

#include "app/storage/StorageTestSupport.h"
#include "app/storage/connection/CatalogueSession.h"
#include "platform/foundation/AtomicFile.h"

namespace app::storage {

namespace {

using namespace ostrel::testing;
using platform::foundation::AtomicFile;

constexpr const char* kLastLens = "SELECT LensId FROM Lenses ORDER BY LensId DESC LIMIT 1";

class CatalogueOpeningTest : public StorageTest {
 protected:
  CatalogueDatabase db_;
};

TEST_F(CatalogueOpeningTest, SeedsAMissingFileAndNeverOverwritesAnExistingOne) {
  ASSERT_FALSE(AtomicFile::fileExists(CatalogueDatabase::libraryPath("QuorvelLensAdapterDb.db")));
  ASSERT_TRUE(CatalogueOpening::open(db_, LensAdapterCatalogue::kKind));
  ASSERT_TRUE(db_.execute("DELETE FROM QuorvelLensAdapter"));
  db_.close();
  ASSERT_TRUE(CatalogueOpening::open(db_, LensAdapterCatalogue::kKind));
  EXPECT_EQ(countOf(db_, "SELECT COUNT(*) FROM QuorvelLensAdapter"), 0) << "the user's copy was replaced";
}

TEST_F(CatalogueOpeningTest, FailedSeedLeavesNoFileAndIsRetriedNextTime) {
  useEmptyBundle();
  EXPECT_FALSE(CatalogueOpening::open(db_, LensDatabaseHelper::kKind));
  EXPECT_FALSE(AtomicFile::fileExists(CatalogueDatabase::libraryPath("LensDatabase.db")));

  // Every use of the closed catalogue logs and yields nothing.
  log_.clear();
  auto statement = db_.prepare("SELECT * FROM Lenses");
  EXPECT_FALSE(statement.ok());
  EXPECT_EQ(statement.step(), CatalogueStatement::Step::Error);
  EXPECT_EQ(statement.columnText(1), "");
  EXPECT_FALSE(db_.nextId(kLastLens).has_value());
  EXPECT_FALSE(db_.execute("DELETE FROM Lenses"));
  EXPECT_TRUE(log_.contains("not open"));

  useBuiltBundle();
  ASSERT_TRUE(CatalogueOpening::open(db_, LensDatabaseHelper::kKind));
  EXPECT_GT(db_.nextId(kLastLens).value_or(0), 1);
}

TEST_F(CatalogueOpeningTest, AHelpersOwnCheckRunsOnceAConnectionAndNeverOnAFailedOpen) {
  int checks = 0;
  const auto check = [&checks] { ++checks; };
  {
    const CatalogueSession session;
    for (const auto* kind : {&LensAdapterCatalogue::kKind, &LensAdapterCatalogue::kKind, &PackageDatabaseHelper::kKind}) {
      ASSERT_TRUE(CatalogueOpening::openForHelper(db_, *kind, check));
      EXPECT_TRUE(db_.checked());
      db_.close();
    }
    EXPECT_EQ(checks, 2) << "the session's shared connection to the adapters was checked once";
  }
  // Outside a session every open is a connection of its own.
  ASSERT_TRUE(CatalogueOpening::openForHelper(db_, LensAdapterCatalogue::kKind, check));
  EXPECT_EQ(checks, 3);

  useEmptyBundle();
  db_.close();
  EXPECT_FALSE(CatalogueOpening::openForHelper(db_, LensDatabaseHelper::kKind, check));
  EXPECT_EQ(checks, 3) << "a catalogue that did not open was checked";
  EXPECT_FALSE(db_.checked());
}

}  // namespace

}  // namespace app::storage
