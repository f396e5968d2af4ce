// A first start's catalogues are staged beside their places and put in place together: until then
// nothing half-made is in Library, a start stopped before that is a first start again, and the start's
// writes are in the catalogues once they are in place.
#include "app/storage/recovery/CatalogueSeeding.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/LensAdapterCatalogue.h"
#include "app/storage/PackageDatabaseHelper.h"
#include "app/storage/StorageTestSupport.h"
#include "app/storage/connection/CatalogueSession.h"
#include "app/storage/recovery/CatalogueOpening.h"
#include "platform/foundation/AtomicFile.h"

using app::storage::CatalogueSeeding;
using app::storage::CatalogueSession;
using platform::foundation::AtomicFile;

namespace app::storage {

namespace {

using namespace ostrel::testing;

constexpr const CatalogueKind* kCatalogues[] = {&LensDatabaseHelper::kKind, &CameraFormatCatalogue::kKind,
                                                &LensAdapterCatalogue::kKind, &PackageDatabaseHelper::kKind};

constexpr const char* kMarkSeries = "UPDATE Manufacturer SET Selected = 7 WHERE ManufacturerId = 3";
constexpr const char* kMarkedSeries = "SELECT COUNT(*) FROM Manufacturer WHERE Selected = 7";

std::string lensPath() { return CatalogueDatabase::libraryPath(LensDatabaseHelper::kFileName); }
std::string copyOfLenses() { return lensPath() + ".seeding"; }

int inPlace() {
  int count = 0;
  for (const CatalogueKind* kind : kCatalogues) count += AtomicFile::fileExists(CatalogueDatabase::libraryPath(kind->fileName));
  return count;
}

// What a first start does before it publishes: stage, then write into the lens catalogue.
void stageAndMarkLenses() {
  ASSERT_EQ(CatalogueSeeding::seedAllMissing(kCatalogues).size(), 4u);
  CatalogueDatabase lenses;
  ASSERT_TRUE(CatalogueOpening::open(lenses, LensDatabaseHelper::kKind));
  ASSERT_TRUE(lenses.execute(kMarkSeries));
}

int markedSeries() { return countIn<LensDatabaseHelper>(kMarkedSeries); }

using CatalogueSeedingTest = StorageTest;

TEST_F(CatalogueSeedingTest, AFirstStartsWritesAreInTheCataloguesOnceTheyAreInPlace) {
  {
    CatalogueSession session;
    stageAndMarkLenses();
    EXPECT_EQ(inPlace(), 0) << "nothing is in Library before publish";
    EXPECT_TRUE(AtomicFile::fileExists(copyOfLenses()));
    ASSERT_TRUE(CatalogueSeeding::publish());
    EXPECT_EQ(inPlace(), 4);
    EXPECT_FALSE(AtomicFile::fileExists(copyOfLenses()));
    EXPECT_FALSE(AtomicFile::fileExists(lensPath() + "-journal"));
  }
  EXPECT_EQ(markedSeries(), 1);
}

TEST_F(CatalogueSeedingTest, TheEndOfTheSessionPutsInPlaceWhatNobodyPublished) {
  {
    CatalogueSession session;
    stageAndMarkLenses();
  }
  EXPECT_EQ(inPlace(), 4);
  EXPECT_EQ(markedSeries(), 1);
}

TEST_F(CatalogueSeedingTest, ACatalogueStillInUseStaysStagedUntilItIsLetGo) {
  CatalogueSession session;
  stageAndMarkLenses();
  {
    CatalogueDatabase held;
    ASSERT_TRUE(CatalogueOpening::open(held, LensDatabaseHelper::kKind));
    EXPECT_FALSE(CatalogueSeeding::publish());
    EXPECT_FALSE(AtomicFile::fileExists(lensPath()));
    EXPECT_EQ(inPlace(), 3) << "the others are in place";
    EXPECT_EQ(countOf(held, kMarkedSeries), 1) << "the held catalogue keeps serving its copy";
  }
  EXPECT_TRUE(CatalogueSeeding::publish());
  EXPECT_EQ(markedSeries(), 1);
}

TEST_F(CatalogueSeedingTest, AStartStoppedBeforePublishingIsAFirstStartAgain) {
  const pid_t child = fork();
  if (child == 0) {
    CatalogueSession session;
    stageAndMarkLenses();
    _exit(0);  // as a kill would: no session end, nothing published
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_EQ(inPlace(), 0);
  ASSERT_TRUE(AtomicFile::fileExists(copyOfLenses())) << "the stopped start left its copies";
  std::ofstream(copyOfLenses(), std::ios::trunc) << "not a database";

  {
    CatalogueSession session;
    ASSERT_EQ(CatalogueSeeding::seedAllMissing(kCatalogues).size(), 4u);
    ASSERT_TRUE(CatalogueSeeding::publish());
  }
  EXPECT_EQ(inPlace(), 4);
  EXPECT_EQ(markedSeries(), 0) << "the stopped start's writes are gone with it";
  EXPECT_GT(countIn<LensDatabaseHelper>("SELECT COUNT(*) FROM Lenses"), 0);
  for (const auto& line : log_.lines()) ADD_FAILURE() << "logged: " << line.message;
}

TEST_F(CatalogueSeedingTest, WithOneCatalogueInPlaceTheMissingOnesAreSeededAtOnceAndStaleCopiesGo) {
  {
    CatalogueDatabase packages;
    ASSERT_TRUE(CatalogueOpening::open(packages, PackageDatabaseHelper::kKind));
  }
  std::ofstream(copyOfLenses()) << "left by a start stopped while it published";
  CatalogueSession session;
  EXPECT_EQ(CatalogueSeeding::seedAllMissing(kCatalogues).size(), 3u);
  EXPECT_EQ(inPlace(), 4);
  EXPECT_FALSE(AtomicFile::fileExists(copyOfLenses()));
}

// A link at the staged copy's name is someone's: the copy is never made at its far end, the catalogues
// are seeded in their places instead, and the link is left.
TEST_F(CatalogueSeedingTest, ALinkAtAStagedCopysNameIsNeitherFollowedNorRemoved) {
  namespace fs = std::filesystem;
  const std::string farEnd = container_.pathFor("OtherDisk/LensDatabase.db");
  fs::create_directories(fs::path(farEnd).parent_path());
  fs::create_symlink(farEnd, copyOfLenses());
  {
    CatalogueSession session;
    EXPECT_EQ(CatalogueSeeding::seedAllMissing(kCatalogues).size(), 4u);
    EXPECT_TRUE(CatalogueSeeding::publish());
  }
  EXPECT_EQ(inPlace(), 4);
  EXPECT_FALSE(fs::is_symlink(lensPath())) << "the catalogue is a file of its own";
  EXPECT_FALSE(fs::exists(farEnd)) << "nothing made at the far end";
  EXPECT_TRUE(fs::is_symlink(copyOfLenses())) << "left in place";
}

TEST_F(CatalogueSeedingTest, WithoutASessionNothingIsStaged) {
  EXPECT_EQ(CatalogueSeeding::seedAllMissing(kCatalogues).size(), 4u);
  EXPECT_EQ(inPlace(), 4);
  EXPECT_FALSE(AtomicFile::fileExists(copyOfLenses()));
}

TEST_F(CatalogueSeedingTest, AReplacementThatCannotBeMadeKeepsTheOldFile) {
  CatalogueDatabase adapters;
  ASSERT_TRUE(CatalogueOpening::open(adapters, LensAdapterCatalogue::kKind));
  ASSERT_TRUE(adapters.execute("DELETE FROM QuorvelLensAdapter WHERE LensAdapterId > 1"));
  adapters.close();
  useEmptyBundle();
  const std::string path = CatalogueDatabase::libraryPath("QuorvelLensAdapterDb.db");
  EXPECT_FALSE(CatalogueSeeding::replaceWithBundleCopy(path, "QuorvelLensAdapterDb"));
  ASSERT_TRUE(adapters.openPath(path));
  EXPECT_EQ(countOf(adapters, "SELECT COUNT(*) FROM QuorvelLensAdapter"), 1);
}

}  // namespace

}  // namespace app::storage

