// A catalogue update killed part-way, in a real child process: whatever the moment, the catalogue is
// the old one or the new one, every user row is there, and the stored packages still show what they
// showed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "app/storage/CatalogueReplacement.h"
#include "app/storage/CatalogueUpdateScenes.h"
#include "app/storage/CatalogueUpdateStages.h"
#include "app/storage/PendingPackageRemap.h"
#include "app/storage/QuorvelLensAdapterDBHelper.h"
#include "app/storage/StorageTestFixture.h"

namespace {

// Runs `update` in a child that stops at `stage`; the child tells the parent through a pipe when it
// is there and is then killed with SIGKILL. False when the child ended without reaching the stage.
bool killChildAt(const std::string& stage, const std::function<void()>& update) {
  int reached[2], hold[2];
  if (pipe(reached) != 0 || pipe(hold) != 0) return false;
  const pid_t child = fork();
  if (child == 0) {
    close(reached[0]);
    close(hold[1]);
    CatalogueUpdateStages::setObserver([&](std::string_view at) {
      if (at != stage) return;
      char byte = '!';
      if (write(reached[1], &byte, 1) != 1) _exit(3);
      // Nobody ever writes to `hold`: the child waits here until it is killed.
      while (read(hold[0], &byte, 1) != 0) {
      }
      _exit(2);
    });
    update();
    _exit(0);
  }
  close(reached[1]);
  close(hold[0]);
  char byte = 0;
  const bool there = read(reached[0], &byte, 1) == 1;
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  close(reached[0]);
  close(hold[1]);
  return there && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

bool listIsPending(const std::string& fileName) {
  CatalogueDatabase raw;
  return raw.openPath(CatalogueDatabase::libraryPath(fileName)) && PendingPackageRemap::isPending(raw);
}

struct KillPoint {
  const char* stage;
  bool newCatalogue;  // which catalogue the stage leaves in place
};

void PrintTo(const KillPoint& point, std::ostream* out) { *out << point.stage; }

std::string nameOf(const ::testing::TestParamInfo<KillPoint>& info) { return info.param.stage; }

class CrashDuringUpdateTest : public StorageTest, public ::testing::WithParamInterface<KillPoint> {};

TEST_P(CrashDuringUpdateTest, LensCatalogue) {
  scenes::LensScene scene;
  scene.build();
  ASSERT_TRUE(killChildAt(GetParam().stage, [] {
    LensDatabaseHelper helper;
    helper.openDb(true);
  }));
  EXPECT_EQ(listIsPending(LensDatabaseHelper::kFileName), GetParam().newCatalogue)
      << "re-pointing the packages is still to come exactly when the new catalogue is in place";
  // Any open finishes what the killed update left.
  EXPECT_EQ(scenes::LensScene::isOld(), !GetParam().newCatalogue);
  EXPECT_FALSE(listIsPending(LensDatabaseHelper::kFileName));
  scenes::LensScene::expectUserRows();
  scene.expectPackagesFollow();

  // The update that runs on the next start completes, with nothing doubled.
  LensDatabaseHelper helper;
  ASSERT_TRUE(helper.openDb(true));
  helper.closeDb();
  EXPECT_FALSE(scenes::LensScene::isOld());
  scenes::LensScene::expectUserRows();
  scene.expectPackagesFollow();
}

TEST_P(CrashDuringUpdateTest, FormatCatalogue) {
  scenes::FormatScene scene;
  scene.build();
  ASSERT_TRUE(killChildAt(GetParam().stage, [] {
    FormatDatabaseHelper2 helper;
    helper.openDb(true);
  }));
  EXPECT_EQ(listIsPending(FormatDatabaseHelper2::kFileName), GetParam().newCatalogue);
  EXPECT_EQ(scenes::FormatScene::isOld(), !GetParam().newCatalogue);
  scenes::FormatScene::expectUserRows();
  scene.expectPackagesFollow();
  scenes::FormatScene::expectSelectedGuideIsThreeToOneAlone();

  FormatDatabaseHelper2 helper;
  ASSERT_TRUE(helper.openDb(true));
  helper.closeDb();
  EXPECT_FALSE(scenes::FormatScene::isOld());
  scenes::FormatScene::expectUserRows();
  scene.expectPackagesFollow();
  scenes::FormatScene::expectSelectedGuideIsThreeToOneAlone();
}

// Two user adapters whose name order is the reverse of their id order, so the update swaps their ids.
struct AdapterScene {
  int zeta = 0, alpha = 0, onZeta = 0, onAlpha = 0;

  void build() {
    QuorvelLensAdapterDBHelper adapters;
    ASSERT_TRUE(adapters.openDb(false));
    QuorvelLensAdapter adapter;
    adapter.adapterName = "Zeta 0.5x";
    adapter.adapterValueWidth = adapter.adapterValueHeight = 0.5f;
    zeta = adapters.insertCustomAdapter(adapter);
    adapter.adapterName = "alpha 0.8x";
    adapter.adapterValueWidth = adapter.adapterValueHeight = 0.8f;
    alpha = adapters.insertCustomAdapter(adapter);
    adapters.closeDb();
    onZeta = packageOn(zeta);
    onAlpha = packageOn(alpha);
  }
  static int packageOn(int adapterId) {
    PackageDatabaseHelper packages;
    packages.openDb(false);
    QuorvelPackageDatabaseObject package;
    package.adapterId = adapterId;
    package.lensSetIDs = {14};
    return packages.saveNewPackage(package);
  }
  static std::string adapterNameOf(int packageId) {
    QuorvelLensAdapterDBHelper adapters;
    adapters.openDb(false);
    return adapters.getLensAdapter(scenes::loadPackage(packageId).adapterId).adapterName;
  }
  void expectPackagesFollow() const {
    EXPECT_EQ(adapterNameOf(onZeta), "Zeta 0.5x");
    EXPECT_EQ(adapterNameOf(onAlpha), "alpha 0.8x");
  }
  bool isOld() const {
    QuorvelLensAdapterDBHelper adapters;
    adapters.openDb(false);
    return adapters.getLensAdapter(zeta).adapterName == "Zeta 0.5x";
  }
};

TEST_P(CrashDuringUpdateTest, AdapterCatalogue) {
  AdapterScene scene;
  scene.build();
  ASSERT_TRUE(killChildAt(GetParam().stage, [] {
    QuorvelLensAdapterDBHelper helper;
    helper.openDb(true);
  }));
  EXPECT_EQ(listIsPending(QuorvelLensAdapterDBHelper::kFileName), GetParam().newCatalogue);
  EXPECT_EQ(scene.isOld(), !GetParam().newCatalogue);
  scene.expectPackagesFollow();

  QuorvelLensAdapterDBHelper helper;
  ASSERT_TRUE(helper.openDb(true));
  EXPECT_EQ(helper.getAllCustomAdapters().size(), 2u) << "nothing doubled";
  helper.closeDb();
  EXPECT_FALSE(scene.isOld());
  scene.expectPackagesFollow();
}

INSTANTIATE_TEST_SUITE_P(KilledAt, CrashDuringUpdateTest,
                         ::testing::Values(KillPoint{"staging", false}, KillPoint{"staged", false},
                                           KillPoint{"swapped", true}, KillPoint{"remapping", true}),
                         nameOf);

}  // namespace
