// ostrel as a person leaves it after the setup and lens tours, started over each catalogue in turn as
// a full disk during its rescue leaves it (and then with room again), gone missing, with a link that
// leads nowhere or back to itself or a FIFO in its place, or with a write-ahead log from another copy
// beside it, and over what killed writes leave in Library: every start ends, what stands in a
// catalogue's place is left there and named, and once the person's file is back where it was the
// catalogues hold the very packages and rows of theirs they held before.
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "cmd/ostrel/KeptPackagesTest.h"
#include "testing/ScopedFileSizeLimit.h"

namespace {

namespace fs = std::filesystem;
using ostrel::testing::ChildProcess;
using ostrel::testing::damagedCopiesOf;
using ostrel::testing::environmentWithout;
using ostrel::testing::KeptPackagesTest;
using ostrel::testing::ScopedFileSizeLimit;

enum class Standing { FullDiskDuringRescue, Nothing, LinkToNowhere, LinkToItself, Fifo, StrayLog };

const char* described(Standing standing) {
  switch (standing) {
    case Standing::FullDiskDuringRescue: return "a full disk during its rescue";
    case Standing::Nothing: return "nothing";
    case Standing::LinkToNowhere: return "a link that leads nowhere";
    case Standing::LinkToItself: return "a link in a loop";
    case Standing::Fifo: return "a FIFO";
    case Standing::StrayLog: return "a write-ahead log from another copy";
  }
  return "?";
}

class CataloguePlacesTest : public KeptPackagesTest {
 protected:
  // Puts `standing` at the catalogue `path` of `home`, the person's file moved to `aside` where it
  // leaves it; plays the main tour over it and gives back what the runs said.
  std::string playOver(Standing standing, const std::string& home, const std::string& path, const std::string& aside) {
    switch (standing) {
      case Standing::FullDiskDuringRescue: {
        damageRows(path);
        std::string said;
        {
          ScopedFileSizeLimit full(kPage);
          said = play(home, script("wait 1\n"));
        }
        return said + play(home, OSTREL_TOUR);
      }
      case Standing::StrayLog: putStrayLogBeside(path); return play(home, OSTREL_TOUR);
      default: break;
    }
    fs::create_directories(fs::path(aside).parent_path());
    fs::rename(path, aside);
    if (standing == Standing::LinkToNowhere) fs::create_symlink(home + "/NotMounted/" + fs::path(path).filename().native(), path);
    if (standing == Standing::LinkToItself) fs::create_symlink(fs::path(path).filename(), path);
    if (standing == Standing::Fifo) {
      EXPECT_EQ(::mkfifo(path.c_str(), 0644), 0);
    }
    return play(home, OSTREL_TOUR);
  }

  // What the run must have said of `standing`, and what must stand at `path` after it.
  static void expectNamed(Standing standing, const std::string& path, const std::string& said) {
    const std::string name = fs::path(path).filename();
    switch (standing) {
      case Standing::FullDiskDuringRescue: {
        const auto kept = damagedCopiesOf(path);
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_NE(said.find("kept as " + kept[0] + " and a fresh copy holding your own rows could not be written"),
                  std::string::npos);
        EXPECT_NE(said.find("kept as " + kept[0] + " and a fresh copy takes its place, with your own rows"),
                  std::string::npos);
        EXPECT_FALSE(fs::exists(path + ".rescuing"));
        return;
      }
      case Standing::Nothing:
        EXPECT_NE(said.find("The catalogue " + name + " was missing; a fresh copy takes its place"), std::string::npos);
        return;
      case Standing::StrayLog:
        for (const char* suffix : {"-wal", "-shm"}) {
          const auto kept = damagedCopiesOf(path + suffix);
          ASSERT_EQ(kept.size(), 1u) << suffix;
          EXPECT_NE(said.find("is not the app's own; it is kept as " + kept[0]), std::string::npos);
        }
        return;
      default:
        EXPECT_NE(said.find("The catalogue " + name + " cannot be read: " + described(standing) + " stands at " + path),
                  std::string::npos);
        EXPECT_TRUE(fs::is_symlink(path) || fs::is_fifo(path)) << "left in place";
    }
  }

  // The person puts their file back where it was, or mounts the disk the link leads to.
  static void putBack(Standing standing, const std::string& home, const std::string& path, const std::string& aside) {
    if (standing == Standing::LinkToNowhere) {
      fs::create_directories(home + "/NotMounted");
      fs::rename(aside, home + "/NotMounted/" + fs::path(path).filename().native());
    } else if (fs::exists(aside)) {
      fs::remove(path);
      fs::rename(aside, path);
    }
  }

  // A write-ahead log and its index beside `path` from another copy of it, one whose every row is gone.
  static void putStrayLogBeside(const std::string& path) {
    const std::string other = path + ".other";
    fs::copy_file(path, other);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(other.c_str(), &db), SQLITE_OK);
    std::string emptying;
    sqlite3_stmt* tables = nullptr;
    sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &tables, nullptr);
    while (sqlite3_step(tables) == SQLITE_ROW) {
      emptying += std::string("DELETE FROM \"") + reinterpret_cast<const char*>(sqlite3_column_text(tables, 0)) + "\";";
    }
    sqlite3_finalize(tables);
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA journal_mode = WAL; PRAGMA wal_autocheckpoint = 0", nullptr, nullptr, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, emptying.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    for (const char* suffix : {"-wal", "-shm"}) fs::copy_file(other + suffix, path + suffix);
    sqlite3_close(db);
    fs::remove(other);
  }
};

TEST_F(CataloguePlacesTest, NothingStandingInACataloguesPlaceCostsAPackage) {
  const std::string made = madeByTheTours();
  const std::string packages = packagesIn(made), rows = personsRowsIn(made);
  int at = 0;
  for (const char* file : kCatalogues) {
    for (Standing standing : {Standing::FullDiskDuringRescue, Standing::Nothing, Standing::LinkToNowhere,
                              Standing::LinkToItself, Standing::Fifo, Standing::StrayLog}) {
      SCOPED_TRACE(std::string(file) + ", " + described(standing));
      const std::string home = copyOf(made, "case-" + std::to_string(++at));
      const std::string path = home + "/Library/" + file;
      const std::string aside = home + "/Elsewhere/" + file;
      const std::string said = playOver(standing, home, path, aside);
      expectNamed(standing, path, said);
      putBack(standing, home, path, aside);
      EXPECT_EQ(packagesIn(home), packages) << said;
      EXPECT_EQ(personsRowsIn(home), rows) << said;
    }
  }
}

// A rescue left waiting for room (a damaged catalogue on a full disk), then the container copied with
// cp -a, as a backup or a move to another disk copies it: the copy finishes the rescue from its own kept
// copy, as the original would, and seeds nothing bare.
TEST_F(CataloguePlacesTest, ARescueWaitingForRoomFinishesInACopyOfTheContainer) {
  const std::string made = madeByTheTours();
  const std::string packages = packagesIn(made), rows = personsRowsIn(made);
  int at = 0;
  for (const char* file : kCatalogues) {
    SCOPED_TRACE(file);
    const std::string home = copyOf(made, "pending-" + std::to_string(++at));
    damageRows(home + "/Library/" + file);
    {
      ScopedFileSizeLimit full(kPage);
      play(home, script("wait 1\n"));
    }
    ASSERT_TRUE(fs::exists(home + "/Library/" + file + ".rescuing"));
    const std::string copy = scratch_.pathFor("copied-" + std::to_string(at));
    ChildProcess::runToSuccess({"/bin/cp", "-a", home, copy}, environmentWithout({}));
    const std::string path = copy + "/Library/" + file;
    const std::string said = play(copy, OSTREL_TOUR);
    const auto kept = damagedCopiesOf(path);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_NE(said.find("kept as " + kept[0] + " and a fresh copy takes its place, with your own rows"), std::string::npos)
        << said;
    EXPECT_FALSE(fs::exists(path + ".rescuing"));
    EXPECT_FALSE(fs::exists(path + ".was-missing"));
    EXPECT_EQ(packagesIn(copy), packages);
    EXPECT_EQ(personsRowsIn(copy), rows);
  }
}

// Temporaries and super-journals left by killed seedings, updates, rescues and commits, two days old,
// beside each catalogue: the next start sweeps them, and the person's own look-alikes stay.
TEST_F(CataloguePlacesTest, WhatKilledWritesLeftGoesAtTheNextStart) {
  const std::string made = madeByTheTours();
  const std::string home = copyOf(made, "killed");
  const std::string packages = packagesIn(home), rows = personsRowsIn(home);
  std::vector<std::string> gone, stays;
  for (const std::string file : kCatalogues) {
    for (const std::string& name : {"." + file + ".Ab12Cd", "." + file + ".updating.x9Y8z7", "." + file + ".rescuing.Qq1234",
                                    file + ".updating", file + ".readable", file + "-mj0DBC0E9EC"}) {
      gone.push_back(home + "/Library/" + name);
    }
    for (const std::string& name : {"." + file + ".notes", file + "-mjnothex00"}) stays.push_back(home + "/Library/" + name);
  }
  const auto twoDaysAgo = fs::file_time_type::clock::now() - std::chrono::hours(48);
  for (const auto& path : gone) {
    std::ofstream(path) << "left by a kill";
    fs::last_write_time(path, twoDaysAgo);
  }
  for (const auto& path : stays) std::ofstream(path) << "the person's";
  play(home, OSTREL_TOUR);
  for (const auto& path : gone) EXPECT_FALSE(fs::exists(path)) << path;
  for (const auto& path : stays) EXPECT_TRUE(fs::exists(path)) << path;
  EXPECT_EQ(packagesIn(home), packages);
  EXPECT_EQ(personsRowsIn(home), rows);
}

}  // namespace
