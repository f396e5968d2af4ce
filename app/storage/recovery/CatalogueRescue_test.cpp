// Damage inside a catalogue, as a disk error leaves it: SQLite still reads most pages. The open finds it,
// keeps the file aside and carries every row of the person's that can still be read into the fresh
// copy, naming what could not be read.
#include "app/storage/recovery/CatalogueRescue.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>

#include "app/storage/CatalogueUpdateTestSupport.h"
#include "app/storage/PackageUtil.h"
#include "app/storage/recovery/CatalogueSalvage.h"
#include "app/storage/recovery/CatalogueSeeding.h"
#include "app/storage/recovery/CatalogueSweep.h"
#include "platform/foundation/AtomicFile.h"
#include "testing/FileContents.h"
#include "testing/ScopedClock.h"
#include "testing/ScopedFileSizeLimit.h"

namespace app::storage {

namespace {

using namespace ostrel::testing;
namespace fs = std::filesystem;

using scenes::damage;
using scenes::damageMiddle;
using scenes::kPage;

std::set<int64_t> idsOf(const std::string& path, const std::string& table) {
  CatalogueDatabase database;
  EXPECT_TRUE(database.openPath(path, false));
  std::set<int64_t> ids;
  auto rows = database.prepare("SELECT rowid FROM " + table);
  while (rows.step() == CatalogueStatement::Step::Row) ids.insert(rows.columnInt(0));
  return ids;
}

class SalvageTest : public StorageTest {
 protected:
  SalvageTest() { build(); }
  // Table t: 3000 rows over some 80 leaf pages under one interior page, beside a table of one page.
  void build() {
    fs::remove(path_);
    ASSERT_TRUE(CatalogueSeeding::seedIfMissing(path_, "QuorvelLensAdapterDb"));
    CatalogueDatabase database;
    ASSERT_TRUE(database.openPath(path_, false));
    ASSERT_TRUE(database.execute("CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT)"));
    ASSERT_TRUE(database.execute(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
        "INSERT INTO t SELECT i, printf('%0100d', i) FROM n"));
  }
  // Pages of `table` of a kind, in key order.
  std::vector<int> pages(const char* table, const char* kind) {
    CatalogueDatabase database;
    EXPECT_TRUE(database.openPath(path_, false));
    std::vector<int> found;
    auto rows = database.prepare(std::string("SELECT pageno FROM dbstat WHERE name = '") + table +
                                 "' AND pagetype = '" + kind + "' ORDER BY path");
    while (rows.step() == CatalogueStatement::Step::Row) found.push_back(rows.columnInt(0));
    return found;
  }
  // Salvages after damaging `page`: every id of t is either copied or inside a range the result names,
  // and the other table is copied whole.
  CatalogueSalvage::Result salvageAfterDamaging(int page) {
    const std::set<int64_t> before = idsOf(path_, "t");
    const size_t others = idsOf(path_, "QuorvelLensAdapter").size();
    damage(path_, static_cast<std::streamoff>(page - 1) * kPage, kPage);
    const auto result = CatalogueSalvage::copyReadable(path_, copy_);
    if (!result.made) return result;
    std::set<int64_t> lost, named;
    const std::set<int64_t> copied = idsOf(copy_, "t");
    for (int64_t id : before) {
      if (!copied.contains(id)) lost.insert(id);
    }
    const std::regex range(R"(t \(ids (\d+) to (\d+)\))"), below(R"(t \(ids below (\d+)\))"),
        from(R"(t \(from id (\d+)\))");
    std::string unread;
    for (const auto& part : result.unread) {
      unread += part + "; ";
      std::smatch match;
      int64_t first = 0, last = 0;
      if (std::regex_match(part, match, range)) {
        first = std::stoll(match[1]), last = std::stoll(match[2]);
      } else if (std::regex_match(part, match, below)) {
        first = *before.begin(), last = std::stoll(match[1]) - 1;
      } else if (std::regex_match(part, match, from)) {
        first = std::stoll(match[1]), last = *before.rbegin();
      }
      for (int64_t id = first; id <= last && id > 0; ++id) {
        if (before.contains(id)) named.insert(id);
      }
    }
    if (result.unread != std::vector<std::string>{"t"}) {
      EXPECT_EQ(lost, named) << unread;
    }
    EXPECT_EQ(idsOf(copy_, "QuorvelLensAdapter").size(), others) << "the other table is whole";
    return result;
  }

  std::string path_ = CatalogueDatabase::libraryPath("scratch.db");
  std::string copy_ = CatalogueDatabase::libraryPath("scratch.readable");
};

TEST_F(SalvageTest, ReadsAroundADamagedLeafWhereverItIs) {
  for (size_t which : {size_t{0}, size_t{40}, size_t{1000}}) {
    build();
    const auto leaves = pages("t", "leaf");
    ASSERT_GT(leaves.size(), 50u);
    const auto result = salvageAfterDamaging(leaves[std::min(which, leaves.size() - 1)]);
    ASSERT_TRUE(result.made);
    EXPECT_EQ(result.unread.size(), 1u) << "leaf " << which;
    EXPECT_LT(3000 - idsOf(copy_, "t").size(), 60u) << "at most a page of rows is lost";
  }
}

TEST_F(SalvageTest, ADamagedTableRootLosesThatTableAndADamagedOrEmptiedFileEverything) {
  const auto result = salvageAfterDamaging(pages("t", "internal").front());
  ASSERT_TRUE(result.made);
  EXPECT_EQ(result.unread, (std::vector<std::string>{"t"}));
  for (const bool emptied : {false, true}) {
    emptied ? fs::resize_file(path_, 0) : damage(path_, 0, kPage);
    const auto nothing = CatalogueSalvage::copyReadable(path_, copy_);
    EXPECT_FALSE(nothing.made);
    EXPECT_FALSE(nothing.notWritten);
    EXPECT_EQ(nothing.unread, (std::vector<std::string>{"all of it"}));
    EXPECT_FALSE(fs::exists(copy_));
  }
}

// A file the app cannot read now holds rows unknown, never none: another program's lock on it, or a link
// at its name that leads nowhere. A link to it is read through.
TEST_F(SalvageTest, AFileThatCannotBeReadNowHoldsRowsUnknown) {
  {
    CatalogueDatabase other;
    ASSERT_TRUE(other.openPath(path_, false));
    ASSERT_TRUE(other.execute("BEGIN EXCLUSIVE"));
    const auto locked = CatalogueSalvage::copyReadable(path_, copy_);
    EXPECT_FALSE(locked.made);
    EXPECT_FALSE(locked.notWritten);
    EXPECT_EQ(locked.unknown, "it could not be read now (database is locked)");
    EXPECT_FALSE(fs::exists(copy_));
    ASSERT_TRUE(other.execute("ROLLBACK"));
  }
  const std::string moved = container_.pathFor("Elsewhere.db"), link = container_.pathFor("Linked.db");
  fs::rename(path_, moved);
  fs::create_symlink(container_.pathFor("NotMounted/scratch.db"), link);
  EXPECT_EQ(CatalogueSalvage::copyReadable(link, copy_).unknown, "it is a link that leads nowhere");
  fs::remove(link);
  fs::create_symlink(moved, link);
  const auto through = CatalogueSalvage::copyReadable(link, copy_);
  EXPECT_TRUE(through.made && through.unknown.empty() && through.unread.empty());
  EXPECT_EQ(idsOf(copy_, "t").size(), 3000u);

  fs::permissions(moved, fs::perms::none);
  if (platform::foundation::AtomicFile::mayNotRead(moved)) {
    EXPECT_EQ(CatalogueSalvage::copyReadable(moved, copy_).unknown, "it is a file the app may not read");
  }
}

// Damage in the middle of a catalogue holding the person's rows: the first open keeps it aside and
// the fresh copy holds them, with the packages pointing at them.
class RescueTest : public StorageTest {
 protected:
  template <class Helper>
  std::string openAfterDamage(int bytes, std::streamoff at = -1) {
    const std::string path = CatalogueDatabase::libraryPath(Helper::kFileName);
    at < 0 ? damageMiddle(path, bytes) : damage(path, at, bytes);
    log_.clear();
    EXPECT_TRUE(withOpen<Helper>([](Helper&) { return true; }));
    const auto kept = damagedCopiesOf(path);
    EXPECT_EQ(kept.size(), 1u);
    std::string lines;
    for (const auto& line : log_.lines()) lines += line.message + "\n";
    EXPECT_NE(lines.find(kept.empty() ? "?" : "kept as " + kept[0] + " and a fresh copy takes its place, with your own rows"),
              std::string::npos)
        << lines;
    return lines;
  }
};

TEST_F(RescueTest, TheLensCatalogueKeepsTheUsersSeriesLensesAndPackages) {
  scenes::LensScene scene;
  scene.build();
  EXPECT_NE(openAfterDamage<LensDatabaseHelper>(2 * kPage).find("not read: Lenses (ids "), std::string::npos);
  scene.expectWhole();
}

TEST_F(RescueTest, TheFormatCatalogueKeepsTheUsersCamerasCropsAndPackages) {
  scenes::FormatScene scene;
  scene.build();
  openAfterDamage<CameraFormatCatalogue>(2 * kPage);
  scene.expectWhole();
}

TEST_F(RescueTest, TheAdapterCatalogueKeepsTheUsersAdapters) {
  scenes::AdapterScene scene;
  scene.build();
  // The shipped rows' end of the one table page.
  openAfterDamage<LensAdapterCatalogue>(512, 2 * kPage - 512);
  scene.expectWhole();
}

TEST_F(RescueTest, ThePackageCatalogueKeepsItsPackagesAndNamesLostLensRows) {
  const int one = scenes::savePackage(5, {14, 16}), two = scenes::savePackage(192, {1246});
  const auto stored = scenes::loadPackage(two);
  openAfterDamage<PackageDatabaseHelper>(kPage, 3 * kPage);  // the index of the lens rows
  EXPECT_EQ(scenes::loadPackage(one).lensSetIDs, (std::vector<int>{14, 16}));
  EXPECT_EQ(scenes::loadPackage(two).packageName, stored.packageName);

  fs::remove_all(damagedCopiesOf(CatalogueDatabase::libraryPath(PackageDatabaseHelper::kFileName))[0]);
  EXPECT_NE(openAfterDamage<PackageDatabaseHelper>(kPage, 2 * kPage).find("not read: PackageLensData"),
            std::string::npos);
  EXPECT_EQ(countIn<PackageDatabaseHelper>("SELECT COUNT(*) FROM PackageData WHERE packageId > 0"), 2);
}

// A damaged catalogue met by a full disk, then by room again. Until the fresh copy holds the person's
// rows the rescue stays pending and its place empty: a start seeds nothing there, an update builds
// nothing there and the saved packages' list deletes nothing, and an open after a while tries again.
// Once there is room every row and package is back, from the one copy kept aside.
class FullDiskRescueTest : public StorageTest {
 protected:
  enum class Disk { NoRoomAtAll, RoomForItsNoteOnly, FullWhileCarrying };

  template <class Helper, class Scene>
  void fillThenFree() {
    for (Disk disk : {Disk::NoRoomAtAll, Disk::RoomForItsNoteOnly, Disk::FullWhileCarrying}) {
      SCOPED_TRACE(std::string(Helper::kFileName) + ", disk " + std::to_string(static_cast<int>(disk)));
      TempContainer container;
      Scene scene;
      scene.build();
      scenes::damageRows(Helper::kFileName);
      openOnAFullDisk<Helper>(disk);
      expectPending<Helper>(disk);
      clock_->advance(60);
      log_.clear();
      EXPECT_TRUE(withOpen<Helper>([](Helper&) { return true; }));
      scene.expectWhole();
      expectRescued(Helper::kFileName);
    }
  }

  template <class Helper>
  void openOnAFullDisk(Disk disk) {
    log_.clear();
    std::optional<ScopedFileSizeLimit> full;
    if (disk == Disk::NoRoomAtAll) full.emplace(0);
    if (disk == Disk::RoomForItsNoteOnly) full.emplace(scenes::kPage);
    CatalogueUpdate::setObserver([&full](CatalogueUpdate::Stage stage) {
      if (stage == CatalogueUpdate::Stage::Staging && !full) full.emplace(scenes::kPage);
    });
    Helper helper;
    EXPECT_FALSE(helper.openDb(false));
    CatalogueUpdate::setObserver({});
  }

  template <class Helper>
  void expectPending(Disk disk) {
    const std::string path = CatalogueDatabase::libraryPath(Helper::kFileName);
    const auto kept = damagedCopiesOf(path);
    if (disk == Disk::NoRoomAtAll) {
      EXPECT_TRUE(kept.empty());
      EXPECT_TRUE(fs::exists(path)) << "left in place, unread";
      EXPECT_TRUE(log_.contains("could not be read, and its rescue cannot begin"));
    } else {
      ASSERT_EQ(kept.size(), 1u);
      EXPECT_FALSE(fs::exists(path));
      EXPECT_TRUE(log_.contains("kept as " + kept[0] + " and a fresh copy holding your own rows could not be written"));
      EXPECT_TRUE(CatalogueRescue::isPending(Helper::kFileName));
    }
    EXPECT_FALSE(fs::exists(CatalogueRescue::scratchPath(path))) << "its room is given back";
    const app::storage::CatalogueKind* const catalogue[] = {&Helper::kKind};
    EXPECT_TRUE(CatalogueSeeding::seedAllMissing(catalogue).empty());
    static_cast<void>(PackageUtil::getAllPackages());
    if constexpr (!std::is_same_v<Helper, PackageDatabaseHelper>) {
      EXPECT_FALSE(Helper().openDb(true)) << "no update";
    }
    EXPECT_FALSE(Helper().openDb(false)) << "left alone for a while";
    EXPECT_EQ(fs::exists(path), disk == Disk::NoRoomAtAll);
  }

  void expectRescued(const std::string& fileName) {
    const std::string path = CatalogueDatabase::libraryPath(fileName);
    const auto kept = damagedCopiesOf(path);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_TRUE(log_.contains("kept as " + kept[0] + " and a fresh copy takes its place, with your own rows")) << fileName;
    EXPECT_FALSE(CatalogueRescue::isPending(fileName));
    EXPECT_FALSE(fs::exists(CatalogueRescue::scratchPath(path)));
  }

  // Damage where the person's rows are in Library/<Helper's file>, met by an open with room for the
  // rescue's note only: the rescue waits, its place empty; the copy kept aside.
  template <class Helper>
  std::string leavePending() {
    scenes::damageRows(Helper::kFileName);
    openOnAFullDisk<Helper>(Disk::RoomForItsNoteOnly);
    const auto kept = damagedCopiesOf(CatalogueDatabase::libraryPath(Helper::kFileName));
    EXPECT_EQ(kept.size(), 1u);
    return kept.empty() ? std::string() : kept[0];
  }
  // An open a while later, as the next use of a catalogue left alone makes it; whether it opened.
  template <class Helper>
  bool openLater() {
    clock_->advance(60);
    log_.clear();
    return Helper().openDb(false);
  }

  static std::set<std::string> filesBeside(const std::string& path) {
    std::set<std::string> files;
    for (const auto& entry : fs::directory_iterator(fs::path(path).parent_path())) files.insert(entry.path());
    return files;
  }

  std::shared_ptr<platform::foundation::ManualClock> clock_ = std::make_shared<platform::foundation::ManualClock>();
  ScopedClock scopedClock_{clock_};
};

TEST_F(FullDiskRescueTest, LensCatalogue) { fillThenFree<LensDatabaseHelper, scenes::LensScene>(); }
TEST_F(FullDiskRescueTest, FormatCatalogue) { fillThenFree<CameraFormatCatalogue, scenes::FormatScene>(); }
TEST_F(FullDiskRescueTest, AdapterCatalogue) { fillThenFree<LensAdapterCatalogue, scenes::AdapterScene>(); }
TEST_F(FullDiskRescueTest, PackageCatalogue) { fillThenFree<PackageDatabaseHelper, scenes::PackageScene>(); }

TEST_F(FullDiskRescueTest, ALinkPutInTheEmptyPlaceIsNamedAndTheRescueWaitsForIt) {
  scenes::PackageScene scene;
  scene.build();
  scenes::damageRows(PackageDatabaseHelper::kFileName);
  openOnAFullDisk<PackageDatabaseHelper>(Disk::RoomForItsNoteOnly);
  const std::string path = CatalogueDatabase::libraryPath(PackageDatabaseHelper::kFileName);
  fs::create_symlink(container_.pathFor("NotMounted.db"), path);
  clock_->advance(60);
  log_.clear();
  EXPECT_FALSE(PackageDatabaseHelper().openDb(false));
  EXPECT_TRUE(log_.contains("a link that leads nowhere stands at " + path));
  EXPECT_TRUE(CatalogueRescue::isPending(PackageDatabaseHelper::kFileName));
  fs::remove(path);
  log_.clear();
  EXPECT_TRUE(withOpen<PackageDatabaseHelper>([](PackageDatabaseHelper&) { return true; }));
  scene.expectWhole();
  expectRescued(PackageDatabaseHelper::kFileName);
}

// A rescue waiting for room meets a bare copy of the bundle's put in the empty place, then a FIFO beside
// the kept copy: each is named and left as it was, the rescue waits, and once both are gone every row
// is home.
TEST_F(FullDiskRescueTest, WhatStandsInTheRescuesWayKeepsItUntilItIsGone) {
  scenes::LensScene scene;
  scene.build();
  scenes::damageRows(LensDatabaseHelper::kFileName);
  openOnAFullDisk<LensDatabaseHelper>(Disk::RoomForItsNoteOnly);
  const std::string path = CatalogueDatabase::libraryPath(LensDatabaseHelper::kFileName);
  const std::string kept = damagedCopiesOf(path).at(0);
  ASSERT_TRUE(CatalogueSeeding::seedIfMissing(path, LensDatabaseHelper::kResourceName));
  const std::string seed = contentsOf(path);
  ASSERT_EQ(::mkfifo((kept + "-journal").c_str(), 0644), 0);
  for (const std::string& named :
       {"a file that does not hold them stands at " + path, "a FIFO stands at " + kept + "-journal"}) {
    clock_->advance(60);
    log_.clear();
    EXPECT_FALSE(LensDatabaseHelper().openDb(false));
    EXPECT_TRUE(log_.contains("kept as " + kept + " and your own rows wait there: " + named)) << named;
    EXPECT_TRUE(CatalogueRescue::isPending(LensDatabaseHelper::kFileName));
    EXPECT_EQ(damagedCopiesOf(path).size(), 1u);
    if (fs::exists(path)) {
      EXPECT_EQ(contentsOf(path), seed) << "left as it was";
      fs::remove(path);
    }
  }
  EXPECT_TRUE(fs::is_fifo(kept + "-journal")) << "left in place";
  fs::remove(kept + "-journal");
  clock_->advance(60);
  log_.clear();
  EXPECT_TRUE(withOpen<LensDatabaseHelper>([](LensDatabaseHelper&) { return true; }));
  scene.expectWhole();
  expectRescued(LensDatabaseHelper::kFileName);
}

// The kept copy moved away with a link left at its name: while the link leads nowhere the rescue waits,
// naming it; once it leads to the copy, the copy is read through it and every row comes home.
TEST_F(FullDiskRescueTest, AKeptCopyBehindALinkIsReadThroughItAndOneLeadingNowhereWaits) {
  scenes::LensScene scene;
  scene.build();
  const std::string kept = leavePending<LensDatabaseHelper>(), moved = container_.pathFor("OtherDisk/kept.db");
  const std::string path = CatalogueDatabase::libraryPath(LensDatabaseHelper::kFileName);
  fs::create_directories(fs::path(moved).parent_path());
  fs::rename(kept, moved);
  fs::create_symlink(container_.pathFor("NotMounted/kept.db"), kept);
  EXPECT_FALSE(openLater<LensDatabaseHelper>());
  EXPECT_TRUE(log_.contains("kept as " + kept + " and your own rows wait there, but it is a link that leads nowhere; "));
  EXPECT_TRUE(CatalogueRescue::isPending(LensDatabaseHelper::kFileName));
  EXPECT_FALSE(fs::exists(path)) << "the place stays empty";
  EXPECT_FALSE(fs::exists(container_.pathFor("NotMounted"))) << "nothing made at the far end";

  fs::remove(kept);
  fs::create_symlink(moved, kept);
  EXPECT_TRUE(openLater<LensDatabaseHelper>());
  scene.expectWhole();
  expectRescued(LensDatabaseHelper::kFileName);
  EXPECT_TRUE(fs::is_symlink(kept)) << "left as the person made it";
}

// Something put where the rescue makes its scratch copy, and the seeding its staged copy, is named and
// left as it is, never taken for a leftover of the app's.
TEST_F(FullDiskRescueTest, SomethingAtTheNameOfAScratchCopyIsNamedAndLeft) {
  scenes::AdapterScene scene;
  scene.build();
  leavePending<LensAdapterCatalogue>();
  const std::string path = CatalogueDatabase::libraryPath(LensAdapterCatalogue::kFileName);
  const std::string scratch = CatalogueRescue::scratchPath(path), seeding = path + ".seeding";
  ASSERT_EQ(::mkfifo(scratch.c_str(), 0644), 0);
  fs::create_symlink(container_.pathFor("NotMounted/staged"), seeding);
  EXPECT_FALSE(openLater<LensAdapterCatalogue>());
  EXPECT_TRUE(log_.contains("your own rows wait there: a FIFO stands at " + scratch));
  const app::storage::CatalogueKind* const adapters[] = {kEveryCatalogue[2]};
  CatalogueSeeding::removeStaleCopies(adapters);
  EXPECT_TRUE(fs::is_fifo(scratch)) << "left in place";
  EXPECT_TRUE(fs::is_symlink(seeding)) << "left in place";
  fs::remove(scratch);
  EXPECT_TRUE(openLater<LensAdapterCatalogue>());
  scene.expectWhole();
  expectRescued(LensAdapterCatalogue::kFileName);
}

// What the app did not write at a note's name (a FIFO, noise) is named and left. Beside a catalogue in
// place the catalogue is used and no rescue begins for its damage; beside an empty place nothing fills
// it while it stands.
TEST_F(FullDiskRescueTest, SomethingTheAppDidNotWriteAtANotesNameIsNamedAndLeft) {
  seedAsAFirstStart();
  const std::string lenses = CatalogueDatabase::libraryPath(LensDatabaseHelper::kFileName);
  const std::string adapters = CatalogueDatabase::libraryPath(LensAdapterCatalogue::kFileName);
  ASSERT_EQ(::mkfifo(CatalogueRescue::notePath(lenses).c_str(), 0644), 0);
  std::ofstream(CatalogueRescue::notePath(adapters)) << std::string(512, '\0');
  overwriteWithNoise(CatalogueRescue::notePath(adapters), 0, 512, 5);
  const std::string noise = contentsOf(CatalogueRescue::notePath(adapters));
  const std::pair<const char*, const char*> named[] = {{LensDatabaseHelper::kFileName, "a FIFO"},
                                                       {LensAdapterCatalogue::kFileName, "a regular file"}};
  const app::storage::CatalogueKind* const both[] = {kEveryCatalogue[0], kEveryCatalogue[2]};
  EXPECT_EQ(CatalogueSweep::leftoversOf(both), 0u);
  EXPECT_TRUE(withOpen<LensDatabaseHelper>([](LensDatabaseHelper&) { return true; })) << "used as it is";
  EXPECT_TRUE(withOpen<LensAdapterCatalogue>([](LensAdapterCatalogue&) { return true; }));
  for (const auto& [file, what] : named) {
    const std::string note = CatalogueRescue::notePath(CatalogueDatabase::libraryPath(file));
    EXPECT_TRUE(log_.contains(note + " is " + what + ", not a note the app wrote of a rescue of the catalogue " + file +
                              "; it is left as it is"))
        << file;
  }

  scenes::damageRows(LensAdapterCatalogue::kFileName);
  EXPECT_FALSE(openLater<LensAdapterCatalogue>()) << "no rescue begins beside it";
  EXPECT_TRUE(damagedCopiesOf(adapters).empty());
  fs::remove(lenses);
  EXPECT_FALSE(openLater<LensDatabaseHelper>());
  EXPECT_TRUE(CatalogueSeeding::seedAllMissing(both).empty());
  EXPECT_FALSE(fs::exists(lenses)) << "the empty place is not filled";
  EXPECT_TRUE(log_.contains("and the catalogue's empty place is not filled while it stands there"));
  EXPECT_TRUE(fs::is_fifo(CatalogueRescue::notePath(lenses)));
  EXPECT_EQ(contentsOf(CatalogueRescue::notePath(adapters)), noise);
}

// A rescue waiting for room meets a file in write-ahead mode put in the empty place, with its log and
// index beside it: looking into it leaves all three byte for byte and moves nothing aside, and the
// rescue waits until they are moved away.
TEST_F(FullDiskRescueTest, AFileInWriteAheadModeInThePlaceIsLeftAsItIs) {
  scenes::AdapterScene scene;
  scene.build();
  scenes::damageRows(LensAdapterCatalogue::kFileName);
  openOnAFullDisk<LensAdapterCatalogue>(Disk::RoomForItsNoteOnly);
  const std::string path = CatalogueDatabase::libraryPath(LensAdapterCatalogue::kFileName);
  const std::string theirs = container_.pathFor("Theirs.sqlite");
  const char* const kFiles[] = {"", "-wal", "-shm"};
  {
    ASSERT_TRUE(CatalogueSeeding::seedIfMissing(theirs, LensAdapterCatalogue::kResourceName));
    CatalogueDatabase writer;
    ASSERT_TRUE(writer.openPath(theirs, false));
    ASSERT_TRUE(writer.execute("PRAGMA journal_mode = WAL"));
    ASSERT_TRUE(writer.execute("PRAGMA wal_autocheckpoint = 0"));
    ASSERT_TRUE(writer.execute("UPDATE QuorvelLensAdapter SET LensAdapterName = 'Theirs'"));
    for (const char* side : kFiles) fs::copy_file(theirs + side, path + side);
  }
  const std::set<std::string> besideBefore = filesBeside(path);
  std::map<std::string, std::string> before;
  for (const char* side : kFiles) before[side] = contentsOf(path + side);
  clock_->advance(60);
  log_.clear();
  EXPECT_FALSE(LensAdapterCatalogue().openDb(false));
  EXPECT_TRUE(CatalogueRescue::isPending(LensAdapterCatalogue::kFileName));
  for (const char* side : kFiles) EXPECT_TRUE(contentsOf(path + side) == before[side]) << "left as it was: " << side;
  EXPECT_FALSE(fs::exists(path + "-journal"));
  EXPECT_EQ(filesBeside(path), besideBefore) << "nothing moved aside or made";
  for (const char* side : kFiles) fs::remove(path + side);
  clock_->advance(60);
  log_.clear();
  EXPECT_TRUE(withOpen<LensAdapterCatalogue>([](LensAdapterCatalogue&) { return true; }));
  scene.expectWhole();
  expectRescued(LensAdapterCatalogue::kFileName);
}

}  // namespace

}  // namespace app::storage
