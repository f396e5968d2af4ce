// ostrel as a person leaves it after the setup and lens tours, with a damaged catalogue whose rescue
// waits for room (the disk was full during it), and then something put where the rescue must find room:
// a file in the catalogue's empty place (an empty one, as `sqlite3 FILE .tables` leaves it, noise, a bare
// copy of the bundle's, an older copy of the person's own catalogue one value behind), something SQLite
// cannot use beside the copy kept aside or where the scratch copy is made, or a kept copy the app may not
// read or reached through a link that leads nowhere. The start names what stands in the way, leaves it,
// and keeps the rescue's note; once it is gone, the next start brings every package and row of the
// person's home. A sound catalogue in the place that holds all the person's rows of the kept copy (an
// older build's fresh copy, unmarked) ends the rescue at once. With no rescue pending, what the app did
// not write at a rescue note's name is named and left.
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "cmd/ostrel/KeptPackagesTest.h"
#include "platform/foundation/AtomicFile.h"
#include "testing/RepeatCount.h"
#include "testing/ScopedFileSizeLimit.h"

namespace {

namespace fs = std::filesystem;
using ostrel::testing::contentsOf;
using ostrel::testing::damagedCopiesOf;
using ostrel::testing::KeptPackagesTest;
using ostrel::testing::ScopedFileSizeLimit;
using platform::foundation::AtomicFile;

struct Stranger {
  const char* kind;  // for a failure's message
  const char* what;  // as the start names it
  // Puts it beside the catalogue at `path`, whose damaged file was kept as `kept`; where it stands.
  std::function<std::string(const std::string& path, const std::string& kept)> put;
  bool soundCatalogue = false;  // a sound catalogue of the kind, though of none of the person's rows
};

// The tours leave no camera or ratio of the person's: a sound format catalogue holds all of them.
bool holdsEveryRowOfThePersons(const Stranger& stranger, const std::string& file) {
  return stranger.soundCatalogue && file == "QuorvelFormatDatabase.db";
}

// Runs `sql` on the catalogue at `path`, as another program would.
void runOn(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "") << ": " << sql;
  sqlite3_free(error);
  sqlite3_close(db);
}

class PendingRescueTest : public KeptPackagesTest {
 protected:
  // Each catalogue in turn damaged in a copy of `made` and left with its rescue waiting for room, then
  // `stranger` put in the way; every start ends, and once the stranger is gone every row is home. An
  // everyday run gives each catalogue one of the strangers, in turn; a thorough run every one.
  void expectRowsHomeOnceGone(const std::vector<Stranger>& strangers) {
    const std::string made = madeWithTheirRows();
    const bool all = ostrel::testing::repeatCount(0, 1) > 0;
    int at = 0;
    for (size_t catalogue = 0; catalogue < std::size(kCatalogues); ++catalogue) {
      const char* file = kCatalogues[catalogue];
      for (size_t kind = 0; kind < strangers.size(); ++kind) {
        if (!all && kind != catalogue % strangers.size()) continue;
        const Stranger& stranger = strangers[kind];
        SCOPED_TRACE(std::string(file) + ", " + stranger.kind);
        const auto [home, path, keptCopy] = pendingIn(made, "case-" + std::to_string(++at), file);
        ASSERT_FALSE(keptCopy.empty());
        const std::vector<std::string> kept = {keptCopy};

        const std::string standing = stranger.put(path, kept[0]);
        const std::string was = AtomicFile::whatStandsAt(standing).words();
        // Only a file is read here: a FIFO would wait for a writer, a device never end.
        const auto bytesOf = [&was](const std::string& at) { return was == "a regular file" ? contentsOf(at) : was; };
        const std::string bytes = bytesOf(standing);
        const std::string said = play(home, script("wait 1\n"));
        if (holdsEveryRowOfThePersons(stranger, file)) {
          // Nothing of the person's is missing from it: the rescue is done, and it is the catalogue.
          expectHome(home, path, said, kept[0], "the catalogue in place holds your own rows of it");
          continue;
        }
        EXPECT_NE(said.find("kept as " + kept[0] + " and your own rows wait there: " + stranger.what + " stands at " +
                            standing),
                  std::string::npos)
            << said;
        EXPECT_TRUE(fs::exists(path + ".rescuing")) << "the rescue goes on";
        EXPECT_EQ(damagedCopiesOf(path).size(), 1u) << "nothing more is kept aside";
        EXPECT_EQ(AtomicFile::whatStandsAt(standing).words(), was) << "left in place";
        EXPECT_EQ(bytesOf(standing), bytes) << "left as it was";

        fs::remove(standing);
        expectHome(home, path, play(home, script("wait 1\n")), kept[0],
                   "a fresh copy takes its place, with your own rows");
      }
    }
  }

  // The container the tours leave, once per test, with its packages and the person's rows noted.
  std::string madeWithTheirRows() {
    const std::string made = madeByTheTours();
    packages_ = packagesIn(made);
    rows_ = personsRowsIn(made);
    return made;
  }
  // The same with a camera and a ratio of the person's, as the camera forms store them (numbers a float
  // holds exactly), and package two on them.
  std::string madeWithACameraOfTheirs() {
    const std::string made = madeByTheTours();
    runOn(made + "/Library/QuorvelFormatDatabase.db", R"(
      INSERT INTO ManufactorTable (id, manufactor, model, type, origin)
        SELECT MAX(id) + 1, 'Backyard Cine', '', 'Cine', 1 FROM ManufactorTable;
      INSERT INTO FormatContainer (id, manufactorId, shootingMode, anamorphic, width, height, category, origin,
                                   aspectratio, orderNumber)
        SELECT (SELECT MAX(id) + 1 FROM FormatContainer), MAX(id), '', 1.25, 27.25, 15.5, 'Cine', 1, '1.76:1', 0
        FROM ManufactorTable;
      INSERT INTO QuorvelFrameGuide (id, width, height, selected, type, sortValue)
        SELECT MAX(id) + 1, 2.5, 1, 0, 1, 2.5 FROM QuorvelFrameGuide;)");
    runOn(made + "/Library/QuorvelPackageDatabase.db",
          "ATTACH '" + made + "/Library/QuorvelFormatDatabase.db' AS formats; UPDATE PackageData SET "
          "cameraFormatId = (SELECT MAX(id) FROM formats.FormatContainer), cropId = (SELECT MAX(id) FROM "
          "formats.QuorvelFrameGuide) WHERE packageId = -1");
    packages_ = packagesIn(made);
    rows_ = personsRowsIn(made);
    EXPECT_NE(rows_.find("Backyard Cine"), std::string::npos) << rows_;
    EXPECT_NE(packages_.find("Backyard Cine"), std::string::npos) << packages_;
    return made;
  }
  // A copy of `made` whose catalogue `file` is damaged, the start that met it on a full disk leaving its
  // rescue waiting for room; its catalogue's path and the copy kept aside (empty when none was kept).
  struct Pending {
    std::string home, path, kept;
  };
  Pending pendingIn(const std::string& made, const std::string& name, const char* file) {
    Pending pending{.home = copyOf(made, name), .path = {}, .kept = {}};
    pending.path = pending.home + "/Library/" + file;
    damageRows(pending.path);
    {
      ScopedFileSizeLimit full(kPage);
      play(pending.home, script("wait 1\n"));
    }
    const auto kept = damagedCopiesOf(pending.path);
    EXPECT_EQ(kept.size(), 1u);
    EXPECT_TRUE(fs::exists(pending.path + ".rescuing"));
    if (kept.size() == 1) pending.kept = kept[0];
    return pending;
  }
  // The start that `said` this ended the rescue of the catalogue at `path`, kept as `kept`, with `how`,
  // and every package and row of the person's is home.
  void expectHome(const std::string& home, const std::string& path, const std::string& said, const std::string& kept,
                  const std::string& how) {
    EXPECT_NE(said.find("kept as " + kept + " and " + how), std::string::npos) << said;
    EXPECT_EQ(damagedCopiesOf(path).size(), 1u) << "nothing more is kept aside";
    EXPECT_FALSE(fs::exists(path + ".rescuing"));
    EXPECT_EQ(packagesIn(home), packages_);
    EXPECT_EQ(personsRowsIn(home), rows_);
  }

  // A file put in the catalogue's empty place, made by `write`.
  static Stranger inThePlace(const char* kind, std::function<void(const std::string& path)> write,
                             bool soundCatalogue = false) {
    return {kind, "a file that does not hold them",
            [write](const std::string& path, const std::string&) {
              write(path);
              return path;
            },
            soundCatalogue};
  }

  std::string packages_, rows_;
};

TEST_F(PendingRescueTest, AFileInTheEmptyPlaceKeepsTheRescueUntilItIsGone) {
  const auto bundled = [](const std::string& path) {
    return (fs::path(OSTREL_EXECUTABLE).parent_path() / "bundle" / fs::path(path).filename()).string();
  };
  expectRowsHomeOnceGone({
      inThePlace("an empty file", [](const std::string& path) { std::ofstream{path}; }),
      inThePlace("noise",
                 [](const std::string& path) {
                   std::ofstream{path} << std::string(64 * 1024, '\0');
                   ostrel::testing::overwriteWithNoise(path, 0, 64 * 1024, 7);
                 }),
      inThePlace(
          "a bare copy of the bundle's", [bundled](const std::string& path) { fs::copy_file(bundled(path), path); },
          true),
  });
}

// A rescue an older build cut short once the fresh copy was in place, before its note went, left that
// copy without the mark that names the kept copy. Holding every row of the person's that the kept copy
// holds, it ends the rescue at the next start and is the catalogue; lacking one of them, it is named and
// left as it stands, and the rescue waits as for any file put there.
TEST_F(PendingRescueTest, AFreshCopyAnOlderBuildLeftUnmarkedEndsTheRescueOnceItHoldsTheRows) {
  const std::string made = madeWithTheirRows();
  struct Case {
    const char* file;
    const char* loseOne;  // one row of the person's gone; none where the tours leave none
  };
  const Case cases[] = {
      {"LensDatabase.db", "DELETE FROM Lenses WHERE LensId = (SELECT MAX(LensId) FROM Lenses WHERE Custom = 1)"},
      {"QuorvelFormatDatabase.db", nullptr},
      {"QuorvelLensAdapterDb.db", "DELETE FROM QuorvelLensAdapter WHERE AdapterType = 1"},
      {"QuorvelPackageDatabase.db",
       "DELETE FROM PackageData WHERE packageId = (SELECT MAX(packageId) FROM PackageData)"},
  };
  int at = 0;
  for (const Case& each : cases) {
    for (const bool lacking : {false, true}) {
      if (lacking && !each.loseOne) continue;
      SCOPED_TRACE(std::string(each.file) + (lacking ? ", a row lacking" : ", every row there"));
      const std::string home = copyOf(made, "unmarked-" + std::to_string(++at));
      const std::string path = home + "/Library/" + each.file;
      damageRows(path);
      play(home, script("wait 1\n"));
      const auto kept = damagedCopiesOf(path);
      ASSERT_EQ(kept.size(), 1u);
      ASSERT_FALSE(fs::exists(path + ".rescuing"));
      // As the older build left it.
      std::ofstream(path + ".rescuing") << fs::path(kept[0]).filename().string() << "\n";
      runOn(path, std::string("DROP TABLE RescueCarriedFrom;") + (lacking ? each.loseOne : ""));
      const std::string bytes = contentsOf(path);

      const std::string said = play(home, script("wait 1\n"));
      if (lacking) {
        EXPECT_NE(said.find("kept as " + kept[0] + " and your own rows wait there: a file that does not hold them "
                            "stands at " + path),
                  std::string::npos)
            << said;
        EXPECT_TRUE(fs::exists(path + ".rescuing"));
        EXPECT_EQ(contentsOf(path), bytes) << "left as it stands";
        continue;
      }
      expectHome(home, path, said, kept[0], "the catalogue in place holds your own rows of it");
    }
  }
}

TEST_F(PendingRescueTest, SomethingBesideTheKeptOrScratchCopyKeepsTheRescueUntilItIsGone) {
  expectRowsHomeOnceGone({
      {"a FIFO at the kept copy's journal", "a FIFO",
       [](const std::string&, const std::string& kept) {
         EXPECT_EQ(::mkfifo((kept + "-journal").c_str(), 0644), 0);
         return kept + "-journal";
       }},
      {"a link to /dev/zero at the kept copy's log", "a link to a device",
       [](const std::string&, const std::string& kept) {
         fs::create_symlink("/dev/zero", kept + "-wal");
         return kept + "-wal";
       }},
      {"a folder at the scratch copy's journal", "a folder",
       [](const std::string& path, const std::string&) {
         fs::create_directory(path + ".readable-journal");
         return path + ".readable-journal";
       }},
      {"a FIFO at the scratch copy's index", "a FIFO",
       [](const std::string& path, const std::string&) {
         EXPECT_EQ(::mkfifo((path + ".readable-shm").c_str(), 0644), 0);
         return path + ".readable-shm";
       }},
  });
}

// The kept copy is another user's (0600) or of mode 000 while ostrel runs as nobody, then moved away
// with a link left at its name that leads nowhere (its disk not mounted): what it holds is unknown, not
// nothing, so each start names it and waits, the place empty. Once the link leads to it, readable again,
// it is read through the link and every row comes home, on every catalogue.
TEST_F(PendingRescueTest, AKeptCopyTheAppCannotReadNowKeepsTheRescueUntilItCan) {
  const bool otherUser = otherUserUnavailable().empty();
  const std::string made = madeWithACameraOfTheirs();
  int at = 0;
  for (const char* file : kCatalogues) {
    SCOPED_TRACE(file);
    const auto [home, path, kept] = pendingIn(made, "unreadable-" + std::to_string(++at), file);
    ASSERT_FALSE(kept.empty());
    const std::string bytes = contentsOf(kept);
    const auto runAs = otherUser ? asNobody(home) : std::vector<std::string>();
    const auto expectWaiting = [&](const std::string& said, const std::string& what) {
      EXPECT_NE(said.find("kept as " + kept + " and your own rows wait there, but it is " + what +
                          "; it is left as it is, the catalogue is not used, and your rows are carried over once the "
                          "app can read it"),
                std::string::npos)
          << said;
      EXPECT_TRUE(fs::exists(path + ".rescuing")) << "the rescue goes on";
      EXPECT_FALSE(fs::exists(path)) << "the place stays empty";
    };
    if (otherUser) {
      const bool theirs = at % 2 == 1;
      if (theirs) {
        EXPECT_EQ(::chown(kept.c_str(), 0, 0), 0);
      }
      fs::permissions(kept, theirs ? fs::perms::owner_read | fs::perms::owner_write : fs::perms::none);
      expectWaiting(play(home, script("wait 1\n"), runAs), "a file the app may not read");
      EXPECT_EQ(contentsOf(kept), bytes) << "left as it was";
      struct stat owner {};
      ASSERT_EQ(::stat(home.c_str(), &owner), 0);
      EXPECT_EQ(::chown(kept.c_str(), owner.st_uid, owner.st_gid), 0);
      fs::permissions(kept, fs::perms::owner_read | fs::perms::owner_write);
    }
    const std::string moved = home + "/OtherDisk/" + fs::path(kept).filename().native();
    fs::create_directories(fs::path(moved).parent_path());
    fs::rename(kept, moved);
    fs::create_symlink(home + "/NotMounted/" + fs::path(kept).filename().native(), kept);
    expectWaiting(play(home, script("wait 1\n"), runAs), "a link that leads nowhere");
    EXPECT_FALSE(fs::exists(home + "/NotMounted")) << "nothing made at its far end";

    fs::remove(kept);
    fs::create_symlink(moved, kept);
    expectHome(home, path, play(home, script("wait 1\n"), runAs), kept, "a fresh copy takes its place, with your own rows");
    EXPECT_EQ(contentsOf(moved), bytes) << "read, never written";
  }
}

// An older copy of the person's own catalogue put in the empty place, one value behind the kept copy
// (their series' squeeze; package one's camera and series): it does not hold their rows, so it is named
// and left, and once it is moved away the rescue carries the kept copy's values.
TEST_F(PendingRescueTest, AnOlderCopyOfThePersonsOwnCatalogueDoesNotEndTheRescue) {
  const std::string made = madeWithTheirRows();
  const std::pair<const char*, const char*> behind[] = {
      {"LensDatabase.db", "UPDATE Manufacturer SET Anamorphotic = 1.0 WHERE Origin = 1"},
      {"QuorvelPackageDatabase.db", "UPDATE PackageData SET cameraFormatId = 599, lensManufacturerId = 5 WHERE packageId = -2"},
  };
  int at = 0;
  for (const auto& [file, change] : behind) {
    SCOPED_TRACE(file);
    const std::string older = scratch_.pathFor(std::string("older-") + file);
    fs::copy_file(made + "/Library/" + file, older);
    runOn(older, change);
    const auto [home, path, kept] = pendingIn(made, "older-" + std::to_string(++at), file);
    ASSERT_FALSE(kept.empty());
    fs::copy_file(older, path);
    const std::string bytes = contentsOf(path);
    const std::string said = play(home, script("wait 1\n"));
    EXPECT_NE(said.find("kept as " + kept + " and your own rows wait there: a file that does not hold them stands at " + path),
              std::string::npos)
        << said;
    EXPECT_TRUE(fs::exists(path + ".rescuing"));
    EXPECT_EQ(contentsOf(path), bytes) << "left as it was";
    fs::remove(path);
    expectHome(home, path, play(home, script("wait 1\n")), kept, "a fresh copy takes its place, with your own rows");
  }
}

// With no rescue pending, a FIFO, noise or another user's file at a rescue note's name is no note: each
// is named and left as it was, and the catalogues are used as they are.
TEST_F(PendingRescueTest, WhatTheAppDidNotWriteAtANotesNameIsNamedAndLeft) {
  const std::string home = scratch_.pathFor("notes");
  play(home, script("wait 1\n"));
  const std::string packages = packagesIn(home), rows = personsRowsIn(home);
  const std::string library = home + "/Library/";
  ASSERT_EQ(::mkfifo((library + "LensDatabase.db.rescuing").c_str(), 0644), 0);
  std::ofstream(library + "QuorvelFormatDatabase.db.rescuing") << std::string(2048, '\0');
  ostrel::testing::overwriteWithNoise(library + "QuorvelFormatDatabase.db.rescuing", 0, 2048, 9);
  const std::string noise = contentsOf(library + "QuorvelFormatDatabase.db.rescuing");
  std::vector<std::pair<const char*, const char*>> named = {{"LensDatabase.db", "a FIFO"},
                                                            {"QuorvelFormatDatabase.db", "a regular file"}};
  std::vector<std::string> runAs;
  if (otherUserUnavailable().empty()) {
    runAs = asNobody(home);
    for (const char* file : {"QuorvelLensAdapterDb.db", "QuorvelPackageDatabase.db"}) {
      const std::string note = library + file + ".rescuing";
      std::ofstream(note) << fs::path(file).filename().native() << ".damaged-20240101-000000\n";
      fs::permissions(note, fs::perms::owner_read | fs::perms::owner_write);
      named.emplace_back(file, "a file the app may not read");
    }
  }
  const std::string said = play(home, script("wait 1\n"), runAs);
  for (const auto& [file, what] : named) {
    const std::string note = library + file + ".rescuing";
    EXPECT_NE(said.find(note + " is " + what + ", not a note the app wrote of a rescue of the catalogue " + file +
                        "; it is left as it is"),
              std::string::npos)
        << said;
    EXPECT_EQ(AtomicFile::whatStandsAt(note).words(), std::string(what) == "a file the app may not read" ? "a regular file" : what)
        << "left in place";
  }
  EXPECT_EQ(contentsOf(library + "QuorvelFormatDatabase.db.rescuing"), noise);
  EXPECT_EQ(packagesIn(home), packages);
  EXPECT_EQ(personsRowsIn(home), rows);
}

}  // namespace
