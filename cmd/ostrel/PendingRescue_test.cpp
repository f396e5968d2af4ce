// ostrel as a person leaves it after the setup and lens tours, with a damaged catalogue whose rescue
// waits for room (the disk was full during it), and then something put where the rescue must find room:
// a file in the catalogue's empty place (an empty one, as `sqlite3 FILE .tables` leaves it, noise, a bare
// copy of the bundle's), or something SQLite cannot use beside the copy kept aside or where the scratch
// copy is made. The start names what stands in the way, leaves it, and keeps the rescue's note; once it
// is gone, the next start brings every package and row of the person's home. A sound catalogue in the
// place that holds all the person's rows of the kept copy (an older build's fresh copy, unmarked) ends
// the rescue at once.
#include <sqlite3.h>
#include <sys/stat.h>

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
        const std::string home = copyOf(made, "case-" + std::to_string(++at));
        const std::string path = home + "/Library/" + file;
        damageRows(path);
        {
          ScopedFileSizeLimit full(kPage);
          play(home, script("wait 1\n"));
        }
        const auto kept = damagedCopiesOf(path);
        ASSERT_EQ(kept.size(), 1u);
        ASSERT_TRUE(fs::exists(path + ".rescuing"));

        const std::string standing = stranger.put(path, kept[0]);
        const std::string was = AtomicFile::whatStandsAt(standing);
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
        EXPECT_EQ(AtomicFile::whatStandsAt(standing), was) << "left in place";
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

}  // namespace
