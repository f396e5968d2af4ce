// ostrel as a person leaves it after the setup and lens tours, played over catalogues that refuse its
// writes for a while or for the whole run: a lock another program holds as the app starts and then lets
// go of, an adapter catalogue the app may only read, and a package catalogue another program holds or the
// app may only read. Every choice the person makes, a delete too, is either stored, or the screen says NOT
// SAVED; nothing is shown as taken and gone at the next start.
#include <sqlite3.h>
#include <sys/wait.h>

#include <functional>
#include <memory>

#include "cmd/ostrel/KeptPackagesTest.h"

namespace {

using ostrel::testing::ChildProcess;
using ostrel::testing::Holder;
using ostrel::testing::lockFor;
using ostrel::testing::steps::kDeleteOwnAdapter;
using ostrel::testing::steps::kMenuDone;
using ostrel::testing::steps::kOk;
using ostrel::testing::steps::kOpenSetup;
using ostrel::testing::steps::kPickAdapter;
using ostrel::testing::KeptPackagesTest;

// From the setup menu: the lens picker, and the generic primes found by a search and tapped.
constexpr const char* kPickSeries = R"(tap 195 380
wait 1
tap 359 119
wait 0.5
type generic  prime
wait 0.5
tap 195 201
wait 1
dump series-picked
)";
// DONE on the lens page, then on the setup menu.
constexpr const char* kLensesDone = "tap 336 72\nwait 1\ntap 329 75\nwait 1\n";
// EXIT from the adapter picker; the saved package deleted on the setup menu's second page (swiped,
// Delete), with its notice dumped.
constexpr const char* kExitAndDelete = R"(tap 354 72
wait 1
tap 166 73
wait 1
drag 340 185 100 185 0.3
wait 1
tap 342 186
wait 1
dump deleted
)";

class StoredChoicesTest : public KeptPackagesTest {
 protected:
  // The one row `sql` gives on Library/`file` (the other catalogues attached), its columns joined.
  static std::string rowOf(const std::string& home, const char* file, const char* sql) {
    std::string rows = rowsIn(home, file, sql);
    rows.erase(0, rows.find('\n') + 1);
    return rows;
  }
};

// Another program holds the lens or adapter catalogue as the app starts, so that the start's write of
// the packages' selections is refused, and lets go of it while the app runs: the series or adapter the
// person picks afterwards is stored in the catalogue and is package one's, after the run too.
TEST_F(StoredChoicesTest, ALockHeldAsTheAppStartsCostsNoChoiceMadeOnceItIsGone) {
  const std::string made = madeByTheTours();
  struct Case {
    const char* file;
    std::string script;
    const char* selected;  // the row the catalogue has selected
    const char* held;      // package one's
    const char* picked;
  };
  const Case cases[] = {
      {"LensDatabase.db", std::string(kOpenSetup) + kPickSeries + kLensesDone,
       "SELECT Manufacturer || ' ' || LensSeries FROM Manufacturer WHERE Selected = 1",
       "SELECT m.Manufacturer || ' ' || m.LensSeries FROM PackageData p "
       "JOIN lenses.Manufacturer m ON m.ManufacturerId = p.lensManufacturerId WHERE p.packageId = -2",
       "Generic Prime Lenses | \n"},
      {"QuorvelLensAdapterDb.db", std::string(kOpenSetup) + kPickAdapter + kMenuDone,
       "SELECT LensAdapterName FROM QuorvelLensAdapter WHERE AdapterSelected = 1",
       "SELECT a.LensAdapterName FROM PackageData p "
       "JOIN adapters.QuorvelLensAdapter a ON a.LensAdapterId = p.adapterId WHERE p.packageId = -2",
       "Iscorama 36 1.5x | \n"},
  };
  for (const Case& each : cases) {
    SCOPED_TRACE(each.file);
    const std::string home = copyOf(made, std::string("released-") + each.file);
    Holder holder = lockFor(home + "/Library/" + each.file);
    auto ostrel = ChildProcess::start(playing(home, script(each.script)), stoppingAfter("database is locked"));
    ASSERT_TRUE(ostrel);
    // The start's write was refused, and ostrel stopped itself as it logged so: the lock goes while it
    // stands still, before its next write, however long the machine takes to get here.
    ASSERT_TRUE(ostrel->waitForStop(kHangGuardSeconds)) << ostrel->output();
    ASSERT_NE(ostrel->output().find("database is locked"), std::string::npos) << ostrel->output();
    holder.reset();
    ostrel->resume();
    const int status = ostrel->waitAtMost(kHangGuardSeconds);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ostrel->output();
    EXPECT_EQ(rowOf(home, each.file, each.selected), each.picked) << ostrel->output();
    EXPECT_EQ(rowOf(home, "QuorvelPackageDatabase.db", each.held), each.picked) << ostrel->output();
    EXPECT_EQ(shown(home, each.file == std::string("LensDatabase.db") ? "series-picked" : "adapter-picked")
                  .find("NOT SAVED"),
              std::string::npos);
  }
}

// The adapter catalogue left root's while ostrel runs as nobody: the person's own adapter, which package
// one and the saved package use, is not deleted; the picker says so, and neither package follows a
// delete that did not happen.
TEST_F(StoredChoicesTest, ADeleteAFileTheAppMayOnlyReadDoesNotTakeIsSaidAndChangesNothing) {
  if (const std::string why = otherUserUnavailable(); !why.empty()) GTEST_SKIP() << why;
  const std::string made = madeByTheTours();
  const std::string packages = packagesIn(made), rows = personsRowsIn(made);
  const std::string home = copyOf(made, "refused-delete");
  // The adapter deleted and the notice OK'd; EXIT and DONE.
  const std::string steps = std::string(kOpenSetup) + kDeleteOwnAdapter + kOk + "tap 354 72\nwait 1\n" + kMenuDone;
  const std::string said = play(home, script(steps), asNobodyOverReadOnly(home, "QuorvelLensAdapterDb.db"));
  // The dump writes the name's quotes escaped.
  EXPECT_NE(shown(home, "adapter-deleted")
                .find(R"(The adapter \"Front Anamorphic\" could not be deleted. It stays in the list.)"),
            std::string::npos)
      << said;
  EXPECT_EQ(packagesIn(home), packages);
  EXPECT_EQ(personsRowsIn(home), rows);
}

// The package catalogue takes no write for the whole run: a series, an adapter and a deleted saved
// package are each met with NOT SAVED where they were made, and the catalogue holds what it held.
class RefusingPackageCatalogueTest : public StoredChoicesTest {
 protected:
  void expectEachChoiceSaidNotSaved(const std::function<std::vector<std::string>(const std::string& home)>& refusing) {
    const std::string made = madeByTheTours();
    const std::string before = packagesIn(made);
    const std::string home = copyOf(made, "refusing");
    // A series, then (DONE on the lens page) an adapter, then the saved package deleted; each notice OK'd.
    const std::string steps = std::string(kOpenSetup) + kPickSeries + kOk + "tap 336 72\nwait 1\n" + kPickAdapter + kOk +
                              kExitAndDelete + kOk + kMenuDone;
    const std::string said = play(home, script(steps), refusing(home));
    for (const char* dump : {"series-picked", "adapter-picked"}) {
      EXPECT_NE(shown(home, dump).find("The package could not be stored. It is shown as chosen for now"),
                std::string::npos)
          << dump << "\n" << said;
    }
    // The dump writes the name's quotes escaped.
    const std::string deleted = R"(The package \"Night Exterior\" could not be deleted. It stays in the list.)";
    EXPECT_NE(shown(home, "deleted").find(deleted), std::string::npos) << said;
    EXPECT_EQ(packagesIn(home), before);
  }
};

TEST_F(RefusingPackageCatalogueTest, ALockAnotherProgramHoldsIsSaidNotSaved) {
  Holder holder;
  expectEachChoiceSaidNotSaved([&holder](const std::string& home) {
    holder = lockFor(home + "/Library/QuorvelPackageDatabase.db");
    return std::vector<std::string>();
  });
}

TEST_F(RefusingPackageCatalogueTest, AFileTheAppMayOnlyReadIsSaidNotSaved) {
  if (const std::string why = otherUserUnavailable(); !why.empty()) GTEST_SKIP() << why;
  expectEachChoiceSaidNotSaved(
      [](const std::string& home) { return asNobodyOverReadOnly(home, "QuorvelPackageDatabase.db"); });
}

}  // namespace
