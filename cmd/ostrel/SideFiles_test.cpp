// ostrel as a person leaves it after the setup and lens tours, started with something SQLite could not
// use where a database keeps its rollback journal: a FIFO, a folder, a link to a device, a link that
// leads nowhere, and (played as another user) a journal file ostrel may not open, beside each of the
// four catalogues, the analytics database and the experiments database. Every start ends, names what
// stands there and leaves it, and leaves the database's file as it was; once that is gone every
// package and row of the person's is there.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "cmd/ostrel/KeptPackagesTest.h"
#include "platform/foundation/AtomicFile.h"
#include "testing/RepeatCount.h"

namespace {

namespace fs = std::filesystem;
using ostrel::testing::contentsOf;
using ostrel::testing::damagedCopiesOf;
using ostrel::testing::KeptPackagesTest;
using platform::foundation::AtomicFile;

constexpr const char* kMeasurement = "Library/Application Support/Vadeze/Measurement/";

class SideFilesTest : public KeptPackagesTest {
 protected:
  // Every database of the container, from its folder.
  static std::vector<std::string> databases() {
    std::vector<std::string> all;
    for (const char* file : kCatalogues) all.push_back(std::string("Library/") + file);
    all.push_back(std::string(kMeasurement) + "vadeze-app-measurement.sql");
    all.push_back(std::string(kMeasurement) + "vadeze_experimentation_database.sql");
    return all;
  }

  // With `strange` put at the rollback journal of each database in turn, in a copy of `made`, ostrel
  // plays the main tour (`runAs` before it); the start names what stands there, leaves it and the
  // database's file as they were, keeps nothing aside, and costs no package or row of the person's.
  // Each start costs a tour: with `everyOtherDatabase`, an everyday run takes every other database,
  // starting from the second at every other call, so that the kinds of a test between them meet every
  // database; a thorough run takes them all.
  void expectLeftAlone(const std::string& made, const std::string& what,
                       const std::function<void(const std::string& journal)>& strange,
                       const std::function<std::vector<std::string>(const std::string& home)>& runAs,
                       bool everyOtherDatabase = false) {
    const std::string packages = packagesIn(made), rows = personsRowsIn(made);
    const std::size_t step = everyOtherDatabase ? static_cast<std::size_t>(ostrel::testing::repeatCount(2, 1)) : 1;
    const std::size_t first = everyOtherDatabase ? static_cast<std::size_t>(calls_++ % 2) % step : 0;
    const std::vector<std::string> all = databases();
    for (std::size_t index = first; index < all.size(); index += step) {
      const std::string& database = all[index];
      SCOPED_TRACE(database + ", " + what);
      const std::string home = copyOf(made, "case-" + std::to_string(++cases_));
      const std::string path = home + "/" + database, journal = path + "-journal";
      ASSERT_TRUE(fs::is_regular_file(path));
      const std::string bytes = contentsOf(path);
      auto command = runAs(home);
      strange(journal);
      const std::string standing = AtomicFile::whatStandsAt(journal).words();
      const std::string said = play(home, OSTREL_TOUR, std::move(command));
      EXPECT_NE(said.find(what + " stands at " + journal), std::string::npos) << said;
      EXPECT_EQ(AtomicFile::whatStandsAt(journal).words(), standing) << "left in place";
      EXPECT_EQ(contentsOf(path), bytes) << "the database's file is as it was";
      EXPECT_TRUE(damagedCopiesOf(path).empty());
      fs::remove(journal);
      EXPECT_EQ(packagesIn(home), packages);
      EXPECT_EQ(personsRowsIn(home), rows);
    }
  }

  int cases_ = 0;
  int calls_ = 0;
};

TEST_F(SideFilesTest, NothingAtADatabasesJournalHangsAStartOrHasTheDatabaseReplaced) {
  const std::string made = madeByTheTours();
  const auto asItIs = [](const std::string&) { return std::vector<std::string>(); };
  expectLeftAlone(made, "a FIFO", [](const std::string& journal) { ASSERT_EQ(::mkfifo(journal.c_str(), 0644), 0); }, asItIs, true);
  expectLeftAlone(made, "a folder", [](const std::string& journal) { fs::create_directory(journal); }, asItIs, true);
  expectLeftAlone(made, "a link to a device", [](const std::string& journal) { fs::create_symlink("/dev/zero", journal); }, asItIs,
                  true);
  expectLeftAlone(made, "a link that leads nowhere",
                  [](const std::string& journal) { fs::create_symlink("/mnt/unmounted/journal", journal); }, asItIs, true);
}

// A link that leads nowhere (the file it named moved away from the folder it leads into) in the place of
// the analytics or the experiments database: nothing is made at its far end, the start names it and goes
// on without that database, and the link is left as the person made it.
TEST_F(SideFilesTest, ALinkThatLeadsNowhereInADatabasesPlaceIsNeverFollowedToMakeIt) {
  const std::string home = scratch_.pathFor("linked"), elsewhere = scratch_.pathFor("OtherDisk");
  fs::create_directories(home + "/" + kMeasurement);
  fs::create_directories(elsewhere);
  std::vector<std::string> links;
  for (const char* name : {"vadeze-app-measurement.sql", "vadeze_experimentation_database.sql"}) {
    links.push_back(home + "/" + kMeasurement + name);
    fs::create_symlink(elsewhere + "/" + name, links.back());
  }
  const std::string said = play(home, script("wait 1\n"));
  for (const std::string& link : links) {
    EXPECT_NE(said.find("The database " + link + " is not opened: it is a link that leads nowhere, not a file; it is "
                        "left in place"),
              std::string::npos)
        << said;
    EXPECT_TRUE(fs::is_symlink(link));
  }
  EXPECT_TRUE(fs::is_empty(elsewhere)) << "nothing made at the far end";
}

// A journal of root's, a page of it, beside each database of a container played as nobody: SQLite can
// neither read it nor roll it back, and answered "disk I/O error" for it.
TEST_F(SideFilesTest, AJournalTheAppMayNotOpenLeavesItsDatabaseAsItIs) {
  if (const std::string why = otherUserUnavailable(); !why.empty()) GTEST_SKIP() << why;
  const std::string made = madeByTheTours();
  // The container is handed to nobody before the journal is made: the journal stays root's.
  expectLeftAlone(
      made, "a file that cannot be opened (Permission denied)",
      [](const std::string& journal) {
        std::ofstream(journal) << std::string(4096, 'j');
        fs::permissions(journal, fs::perms::owner_read | fs::perms::owner_write);
      },
      [this](const std::string& home) { return asNobody(home); });
}

}  // namespace
