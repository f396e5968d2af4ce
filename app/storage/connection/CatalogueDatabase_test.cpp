#include "app/storage/connection/CatalogueDatabase.h"

#include <gtest/gtest.h>

#include <limits>

#include "app/storage/StorageTestSupport.h"
#include "app/storage/recovery/CatalogueOpening.h"
#include "platform/foundation/AtomicFile.h"

using app::storage::CatalogueDatabase;
using app::storage::CatalogueStatement;

using platform::foundation::AtomicFile;

namespace app::storage {

namespace {

using namespace ostrel::testing;

constexpr const char* kLastLens = "SELECT LensId FROM Lenses ORDER BY LensId DESC LIMIT 1";
constexpr const char* kLastPackage = "SELECT packageId FROM PackageData ORDER BY packageId DESC LIMIT 1";

class CatalogueDatabaseTest : public StorageTest {
 protected:
  // A package catalogue opened from the bundle, with packages 1, 2, 3 on format ids 5, 7 and 9.
  void openWithFormats() {
    ASSERT_TRUE(CatalogueOpening::open(db_, PackageDatabaseHelper::kKind));
    for (int id : {1, 2, 3}) {
      ASSERT_TRUE(db_.execute("INSERT INTO PackageData (packageId, cameraFormatId) VALUES (?, ?)", {id, 3 + 2 * id}));
    }
  }
  int formatOf(int packageId) {
    return countOf(db_, "SELECT cameraFormatId FROM PackageData WHERE packageId = " + std::to_string(packageId));
  }

  CatalogueDatabase db_;
};

TEST_F(CatalogueDatabaseTest, NextIdFollowsTheHighestIdAndNeverGivesOutTheFailureValue) {
  openWithFormats();
  EXPECT_EQ(db_.nextId(kLastPackage), 4);
  EXPECT_EQ(db_.nextId("SELECT lensPackageId FROM PackageLensData ORDER BY lensPackageId DESC LIMIT 1"), 1);
  EXPECT_FALSE(db_.nextId("SELECT nothing FROM Nowhere").has_value());

  // Only the standard packages -2 and -1: the next id is 1, not -1 (which callers read as failure).
  ASSERT_TRUE(db_.execute("DELETE FROM PackageData"));
  ASSERT_TRUE(db_.execute("INSERT INTO PackageData (packageId) VALUES (-2), (-1)"));
  EXPECT_EQ(db_.nextIdOrLog(kLastPackage), 1);
  log_.clear();
  EXPECT_EQ(db_.nextIdOrLog("SELECT nothing FROM Nowhere"), -1);
  EXPECT_TRUE(log_.contains("Eror fetching the lat id..."));
}

// A catalogue edited by hand may hold the largest id there is: the one below it still gets its next id,
// but after it there is none, so nothing new is stored and the new row is given no id.
TEST_F(CatalogueDatabaseTest, AnIdAtTheTopOfTheRangeLeavesNoNextIdAndStoresNothing) {
  seedAsAFirstStart();
  constexpr int kTop = std::numeric_limits<int>::max();
  FrameGuideCatalogue guides;
  ASSERT_TRUE(guides.openDb(false));
  ASSERT_TRUE(guides.database().execute("INSERT INTO QuorvelFrameGuide (id, width, height, type) VALUES (?, 7.13, 1, 1)",
                                        {kTop - 1}));
  model::FrameGuide below{0, 8.17f, 1.0f, 0, 0};
  EXPECT_FALSE(guides.insertFrameGuideFromCameraSetup(below));
  EXPECT_EQ(below.frameGuideId, kTop);
  model::FrameGuide past{0, 9.19f, 1.0f, 0, 0};
  log_.clear();
  EXPECT_FALSE(guides.insertFrameGuideFromCameraSetup(past));
  EXPECT_EQ(past.frameGuideId, 0);
  EXPECT_EQ(countOf(guides.database(), "SELECT COUNT(*) FROM QuorvelFrameGuide WHERE width > 9.18 AND width < 9.2"), 0);
  EXPECT_TRUE(log_.contains("after which no new row can be numbered"));
}

TEST_F(CatalogueDatabaseTest, RemapAppliesOneMappingWithoutChainingAndOnlyToPlainNames) {
  openWithFormats();
  EXPECT_FALSE(db_.remapIds("PackageData; DROP TABLE PackageData", "cameraFormatId", {{5, 6}}));
  EXPECT_EQ(formatOf(1), 5);
  ASSERT_TRUE(db_.remapIds("PackageData", "cameraFormatId", {{5, 7}, {7, 9}, {9, 11}, {5, 100}}));
  EXPECT_EQ(formatOf(1), 7);  // the first entry for 5 wins; 5 -> 7 is not moved on to 9
  EXPECT_EQ(formatOf(2), 9);
  EXPECT_EQ(formatOf(3), 11);
  EXPECT_FALSE(db_.inTransaction());
}

TEST_F(CatalogueDatabaseTest, TransactionRollsBackUnlessCommittedAndJoinsAnOpenOne) {
  openWithFormats();
  {
    CatalogueDatabase::Transaction transaction(db_);
    ASSERT_TRUE(transaction.active());
    ASSERT_TRUE(db_.execute("DELETE FROM PackageData"));
  }
  EXPECT_EQ(formatOf(1), 5);
  {
    CatalogueDatabase::Transaction outer(db_);
    {
      CatalogueDatabase::Transaction inner(db_);
      ASSERT_TRUE(db_.execute("DELETE FROM PackageData WHERE packageId = 1"));
      EXPECT_TRUE(inner.commit());
      EXPECT_TRUE(db_.inTransaction()) << "the inner scope must not end the outer transaction";
    }
  }
  EXPECT_EQ(formatOf(1), 5) << "the outer scope rolled back the inner one's work";
}

TEST_F(CatalogueDatabaseTest, FailedWritesAreReportedAsFailedAndNullsReadAsEmpty) {
  openWithFormats();
  EXPECT_FALSE(db_.runUpdate("UPDATE Nowhere SET x = ?", {1}));
  EXPECT_FALSE(db_.runDelete("DELETE FROM Nowhere WHERE id = ?", {1}));
  auto broken = db_.prepareInsert("INSERT INTO Nowhere VALUES (?)");
  EXPECT_FALSE(CatalogueDatabase::finishInsert(broken));
  // A row that is already stored under the id: nothing written, and not reported as written.
  auto duplicate = db_.prepareInsert("INSERT INTO PackageData (packageId, cameraFormatId) VALUES (?, ?)");
  duplicate.bind(1, 1).bind(2, 42);
  EXPECT_FALSE(CatalogueDatabase::finishInsert(duplicate));
  EXPECT_EQ(formatOf(1), 5);

  // NULL columns read as empty.
  auto read = db_.prepare("SELECT packageName, adapterId FROM PackageData");
  ASSERT_EQ(read.step(), CatalogueStatement::Step::Row);
  EXPECT_FALSE(read.columnOptionalText(0).has_value());
  EXPECT_EQ(read.columnText(0), "");
  EXPECT_TRUE(read.columnIsNull(1));
}

// A delete the file does not take (one the app may only read) is said in the log and counted as a
// refused write, as an update's is, so that the screen that asked for it can tell the person; the row
// stays.
TEST_F(CatalogueDatabaseTest, ADeleteTheFileRefusesIsLoggedAndCounted) {
  openWithFormats();
  ASSERT_TRUE(db_.execute("PRAGMA query_only = 1"));
  const int refusedBefore = CatalogueDatabase::refusedWritesAt(db_.path());
  log_.clear();
  EXPECT_FALSE(db_.runDelete("DELETE FROM PackageData WHERE packageId = ?", {1}));
  EXPECT_TRUE(
      log_.contains("A catalogue row could not be deleted (attempt to write a readonly database); it stays stored"));
  EXPECT_EQ(CatalogueDatabase::refusedWritesAt(db_.path()), refusedBefore + 1);
  EXPECT_EQ(formatOf(1), 5);
}

// A refused write of a table's selection flags leaves them untrusted for the run, until a write of
// them reaches the file: one rolled back, or one in a transaction in which another write was refused,
// does not. A transaction that cannot begin may have been meant for any table.
TEST_F(CatalogueDatabaseTest, RefusedSelectionsAreTrustedAgainOnceAWriteOfThemIsInTheFile) {
  ASSERT_TRUE(CatalogueOpening::open(db_, LensDatabaseHelper::kKind));
  constexpr const char* kSeries = "UPDATE Manufacturer SET Selected = (ManufacturerId = ?1)";
  constexpr const char* kLens = "UPDATE Lenses SET DefaultSelection = 1 WHERE LensId = ?";
  ASSERT_TRUE(db_.execute("CREATE TRIGGER refuse BEFORE UPDATE ON Manufacturer BEGIN SELECT RAISE(ABORT, 'no'); END"));
  EXPECT_FALSE(db_.writeSelection(kSeries, {250}));
  EXPECT_TRUE(db_.mayHoldStaleSelections("Manufacturer"));
  EXPECT_FALSE(db_.mayHoldStaleSelections("Lenses"));
  ASSERT_TRUE(db_.execute("CREATE TRIGGER refuseLens BEFORE UPDATE ON Lenses BEGIN SELECT RAISE(ABORT, 'no'); END"));
  EXPECT_FALSE(db_.writeSelection(kLens, {1}));
  ASSERT_TRUE(db_.execute("DROP TRIGGER refuseLens"));
  {
    CatalogueDatabase::Transaction transaction(db_);
    ASSERT_TRUE(db_.writeSelection(kLens, {1}));
    EXPECT_FALSE(db_.writeSelection(kSeries, {250}));
    ASSERT_TRUE(transaction.commit());
  }
  EXPECT_TRUE(db_.mayHoldStaleSelections("Lenses")) << "its transaction had a write refused";
  ASSERT_TRUE(db_.writeSelection(kLens, {1}));
  EXPECT_FALSE(db_.mayHoldStaleSelections("Lenses"));
  ASSERT_TRUE(db_.execute("DROP TRIGGER refuse"));
  {
    CatalogueDatabase::Transaction rolledBack(db_);
    ASSERT_TRUE(db_.writeSelection(kSeries, {250}));
  }
  EXPECT_TRUE(db_.mayHoldStaleSelections("Manufacturer"));
  {
    CatalogueDatabase::Transaction transaction(db_);
    ASSERT_TRUE(db_.writeSelection(kSeries, {250}));
    EXPECT_TRUE(db_.mayHoldStaleSelections("Manufacturer")) << "not in the file before the commit";
    ASSERT_TRUE(transaction.commit());
  }
  EXPECT_FALSE(db_.mayHoldStaleSelections("Manufacturer"));
  EXPECT_EQ(CatalogueDatabase::refusedWritesAt(db_.path()), 3) << "each refusal still counts for the screens";

  CatalogueDatabase other;
  ASSERT_TRUE(other.openPath(db_.path(), false));
  ASSERT_TRUE(other.begin());
  EXPECT_FALSE(db_.begin());
  other.rollback();
  EXPECT_TRUE(db_.mayHoldStaleSelections("Manufacturer"));
  EXPECT_TRUE(db_.mayHoldStaleSelections("Lenses"));
  ASSERT_TRUE(db_.writeSelection(kLens, {1}));
  EXPECT_FALSE(db_.mayHoldStaleSelections("Lenses"));
  EXPECT_TRUE(db_.mayHoldStaleSelections("Manufacturer"));
}

}  // namespace

}  // namespace app::storage

