// Whatever stands at a catalogue's path in place of the person's file (nothing, a link that leads
// nowhere or to itself, a FIFO, a device), and a write-ahead log from elsewhere beside it: a start
// leaves it as it is and names it, deletes and writes over nothing, and once the person puts their
// file back every row and package of theirs is there.
#include "app/storage/recovery/CataloguePlace.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "app/storage/CatalogueUpdateTestSupport.h"
#include "app/storage/PackageUtil.h"
#include "app/storage/recovery/CatalogueSeeding.h"
#include "platform/foundation/AtomicFile.h"
#include "testing/FileContents.h"

namespace app::storage {

namespace {

using namespace ostrel::testing;
namespace fs = std::filesystem;
using platform::foundation::AtomicFile;

enum class Standing { Nothing, LinkToNowhere, LinkToItself, Fifo, LinkToDevice };

const char* described(Standing standing) {
  switch (standing) {
    case Standing::Nothing: return "nothing";
    case Standing::LinkToNowhere: return "a link that leads nowhere";
    case Standing::LinkToItself: return "a link in a loop";
    case Standing::Fifo: return "a FIFO";
    case Standing::LinkToDevice: return "a link to a device";
  }
  return "?";
}

// What `path` is, without following it: its kind and, for a link, where it leads.
std::string lookAt(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return "nothing";
  std::error_code error;
  return std::to_string(info.st_mode & S_IFMT) + " " + fs::read_symlink(path, error).native();
}

class CataloguePlaceTest : public StorageTest {
 protected:
  // The person's catalogue moved away and `standing` put in its place; a start as the app makes one (each
  // catalogue seeded and opened, the saved packages listed, an update tried); then the person's file
  // back in its place.
  template <class Helper, class Scene>
  void standInItsPlace() {
    for (Standing standing : {Standing::Nothing, Standing::LinkToNowhere, Standing::LinkToItself, Standing::Fifo,
                              Standing::LinkToDevice}) {
      SCOPED_TRACE(std::string(Helper::kFileName) + ", " + described(standing));
      TempContainer container;
      seedAsAFirstStart();
      Scene scene;
      scene.build();
      const std::string path = CatalogueDatabase::libraryPath(Helper::kFileName);
      const std::string aside = container.pathFor(std::string("Elsewhere/") + Helper::kFileName);
      fs::create_directories(fs::path(aside).parent_path());
      fs::rename(path, aside);
      putInPlace(standing, path, container.pathFor(std::string("NotMounted/") + Helper::kFileName));
      const std::string standingThere = lookAt(path);
      log_.clear();
      static_cast<void>(CatalogueSeeding::seedAllMissing(kEveryCatalogue));
      EXPECT_EQ(Helper().openDb(false), standing == Standing::Nothing);
      static_cast<void>(PackageUtil::getAllPackages());
      if constexpr (!std::is_same_v<Helper, PackageDatabaseHelper>) static_cast<void>(Helper().openDb(true));
      if (standing == Standing::Nothing) {
        EXPECT_TRUE(log_.contains(std::string("The catalogue ") + Helper::kFileName +
                                  " was missing; a fresh copy takes its place, and nothing of yours is deleted for what it lacks (noted in " +
                                  path + ".was-missing)"));
      } else {
        EXPECT_EQ(lookAt(path), standingThere) << "left as it is";
        EXPECT_TRUE(log_.contains(std::string("The catalogue ") + Helper::kFileName + " cannot be read: " +
                                  described(standing) + " stands at " + path + "; it is left as it is"));
      }
      fs::remove(path);
      fs::rename(aside, path);
      scene.expectWhole();
    }
  }

  static void putInPlace(Standing standing, const std::string& path, const std::string& notMounted) {
    switch (standing) {
      case Standing::Nothing: break;
      case Standing::LinkToNowhere: ASSERT_EQ(::symlink(notMounted.c_str(), path.c_str()), 0); break;
      case Standing::LinkToItself:
        ASSERT_EQ(::symlink(fs::path(path).filename().c_str(), path.c_str()), 0);
        break;
      case Standing::Fifo: ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0); break;
      case Standing::LinkToDevice: ASSERT_EQ(::symlink("/dev/null", path.c_str()), 0); break;
    }
  }

  // A write-ahead log and its index from another copy of the catalogue, one where every row was deleted,
  // beside the person's: the open keeps both aside and names them, and nothing of them reaches it.
  template <class Helper, class Scene>
  void strayLogBeside() {
    TempContainer container;
    Scene scene;
    scene.build();
    const std::string path = CatalogueDatabase::libraryPath(Helper::kFileName);
    const std::string other = container.pathFor(std::string("Other/") + Helper::kFileName);
    fs::create_directories(fs::path(other).parent_path());
    fs::copy_file(path, other);
    const std::string emptying = emptyingEveryTable(other);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(other.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA journal_mode = WAL; PRAGMA wal_autocheckpoint = 0", nullptr, nullptr, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, emptying.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    for (const char* suffix : {"-wal", "-shm"}) fs::copy_file(other + suffix, path + suffix);
    sqlite3_close(db);
    const auto before = AtomicFile::readFile(path).valueOr({});
    log_.clear();
    EXPECT_TRUE(withOpen<Helper>([](Helper&) { return true; }));
    EXPECT_EQ(AtomicFile::readFile(path).valueOr({}), before) << "nothing replayed";
    scene.expectWhole();
    for (const char* suffix : {"-wal", "-shm"}) {
      EXPECT_FALSE(fs::exists(path + suffix));
      const auto kept = damagedCopiesOf(path + suffix);
      ASSERT_EQ(kept.size(), 1u) << suffix;
      EXPECT_TRUE(log_.contains("beside the catalogue " + path + " is not the app's own; it is kept as " + kept[0]));
    }
  }

  static std::string emptyingEveryTable(const std::string& path) {
    CatalogueDatabase database;
    EXPECT_TRUE(database.openPath(path, false));
    std::string sql;
    auto tables = database.prepare("SELECT name FROM sqlite_master WHERE type = 'table'");
    while (tables.step() == CatalogueStatement::Step::Row) sql += "DELETE FROM \"" + tables.columnText(0) + "\";";
    return sql;
  }
};

TEST_F(CataloguePlaceTest, TheLensCatalogue) {
  standInItsPlace<LensDatabaseHelper, scenes::LensScene>();
  strayLogBeside<LensDatabaseHelper, scenes::LensScene>();
}

TEST_F(CataloguePlaceTest, TheFormatCatalogue) {
  standInItsPlace<CameraFormatCatalogue, scenes::FormatScene>();
  strayLogBeside<CameraFormatCatalogue, scenes::FormatScene>();
}

TEST_F(CataloguePlaceTest, TheAdapterCatalogue) {
  standInItsPlace<LensAdapterCatalogue, scenes::AdapterScene>();
  strayLogBeside<LensAdapterCatalogue, scenes::AdapterScene>();
}

TEST_F(CataloguePlaceTest, ThePackageCatalogue) {
  standInItsPlace<PackageDatabaseHelper, scenes::PackageScene>();
  strayLogBeside<PackageDatabaseHelper, scenes::PackageScene>();
}

// A first start finds every catalogue missing: it seeds them all without a word, and a package whose
// lenses are later known gone is deleted from the list as before. One found missing later is noted,
// and the packages its fresh copy lacks the lenses of stay stored for good.
TEST_F(CataloguePlaceTest, OnlyAFirstStartSeedsWithoutANote) {
  seedAsAFirstStart();
  EXPECT_FALSE(log_.contains("was missing"));
  const int gone = scenes::savePackage(5, {99999});
  EXPECT_TRUE(PackageUtil::getAllPackages().empty());
  EXPECT_EQ(scenes::loadPackage(gone).packageID, 0);

  const std::string lenses = CatalogueDatabase::libraryPath(LensDatabaseHelper::kFileName);
  const int kept = scenes::savePackage(5, {99998});
  fs::remove(lenses);
  static_cast<void>(CatalogueSeeding::seedAllMissing(kEveryCatalogue));
  EXPECT_TRUE(fs::exists(lenses + ".was-missing"));
  for (int start = 0; start < 2; ++start) {
    EXPECT_TRUE(PackageUtil::getAllPackages().empty());
    EXPECT_EQ(scenes::loadPackage(kept).packageID, kept);
  }
}

}  // namespace

}  // namespace app::storage
