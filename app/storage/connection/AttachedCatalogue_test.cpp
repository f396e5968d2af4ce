// A catalogue file joined to another's connection: one transaction over both is stored in both or in
// neither; nothing is made where no file stands, and a file left in write-ahead mode is not joined.
#include "app/storage/connection/AttachedCatalogue.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

#include "app/storage/StorageTestSupport.h"
#include "app/storage/recovery/CatalogueOpening.h"

namespace app::storage {

namespace {

using namespace ostrel::testing;
namespace fs = std::filesystem;

class AttachedCatalogueTest : public StorageTest {
 protected:
  void SetUp() override {
    seedAsAFirstStart();
    ASSERT_TRUE(CatalogueOpening::open(adapters_, LensAdapterCatalogue::kKind));
  }
  static std::string packages() { return CatalogueDatabase::libraryPath(PackageDatabaseHelper::kFileName); }
  int savedIn(CatalogueDatabase& database) { return countOf(database, "SELECT COUNT(*) FROM packages.PackageData"); }
  int adaptersNamed(const char* name) {
    return countOf(adapters_, std::string("SELECT COUNT(*) FROM QuorvelLensAdapter WHERE LensAdapterName = '") + name + "'");
  }
  // Writes one row into each file, in one transaction, committed or not.
  void writeBoth(bool commit) {
    CatalogueDatabase::Transaction transaction(adapters_);
    ASSERT_TRUE(transaction.active());
    ASSERT_TRUE(adapters_.execute("INSERT INTO QuorvelLensAdapter (LensAdapterName) VALUES ('Both')"));
    ASSERT_TRUE(adapters_.execute("INSERT INTO packages.PackageData (packageId) VALUES (7)"));
    if (commit) {
      ASSERT_TRUE(transaction.commit());
    }
  }

  CatalogueDatabase adapters_;
};

TEST_F(AttachedCatalogueTest, OneTransactionIsStoredInBothFilesOrInNeither) {
  {
    const AttachedCatalogue joined(adapters_, packages(), "packages");
    ASSERT_TRUE(joined) << joined.whyNot();
    writeBoth(false);
    EXPECT_EQ(savedIn(adapters_), 0);
    EXPECT_EQ(adaptersNamed("Both"), 0);
    writeBoth(true);
  }
  EXPECT_EQ(adaptersNamed("Both"), 1);
  EXPECT_EQ(countIn<PackageDatabaseHelper>("SELECT COUNT(*) FROM PackageData WHERE packageId = 7"), 1);
  EXPECT_FALSE(adapters_.execute("SELECT 1 FROM packages.PackageData")) << "detached when it goes";
}

TEST_F(AttachedCatalogueTest, NothingIsMadeOrJoinedThatIsNotARollbackJournalledFile) {
  const std::string nowhere = container_.pathFor("Library/Nowhere.db");
  {
    const AttachedCatalogue joined(adapters_, nowhere, "packages");
    EXPECT_FALSE(joined);
    EXPECT_NE(joined.whyNot().find("nothing stands at"), std::string::npos) << joined.whyNot();
  }
  EXPECT_FALSE(fs::exists(nowhere));

  // Another program keeps the package catalogue open in write-ahead mode: it cannot leave that mode now.
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(packages().c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "PRAGMA journal_mode = WAL; SELECT COUNT(*) FROM PackageData", nullptr, nullptr, nullptr),
            SQLITE_OK);
  {
    const AttachedCatalogue joined(adapters_, packages(), "packages");
    EXPECT_FALSE(joined);
    EXPECT_NE(joined.whyNot().find("rollback journal"), std::string::npos) << joined.whyNot();
  }
  sqlite3_close(other);
  EXPECT_FALSE(adapters_.execute("SELECT 1 FROM packages.PackageData")) << "not left attached";
}

}  // namespace

}  // namespace app::storage
