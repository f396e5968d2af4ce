// A catalogue update killed part-way, in a real child process: whatever the moment, the catalogue is
// the old one or the new one, every user row is there, and the stored packages still show what they
// showed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

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

// Two user adapters whose name order is the reverse of their id order, so the update swaps their ids.
struct AdapterScene {
  int zeta = 0, alpha = 0, onZeta = 0, onAlpha = 0;

  void build() {
    QuorvelLensAdapterDBHelper adapters;
    ASSERT_TRUE(adapters.openDb(false));
    const auto add = [&](const char* name, float factor) {
      QuorvelLensAdapter adapter;
      adapter.adapterName = name;
      adapter.adapterValueWidth = adapter.adapterValueHeight = factor;
      return adapters.insertCustomAdapter(adapter);
    };
    zeta = add("Zeta 0.5x", 0.5f);
    alpha = add("alpha 0.8x", 0.8f);
    adapters.closeDb();
    onZeta = packageOn(zeta);
    onAlpha = packageOn(alpha);
  }
  static int packageOn(int adapterId) {
    QuorvelPackageDatabaseObject package;
    package.adapterId = adapterId;
    package.lensSetIDs = {14};
    return withOpen<PackageDatabaseHelper>([&](auto& packages) { return packages.saveNewPackage(package); });
  }
  static std::string adapterNameOf(int id) {
    return withOpen<QuorvelLensAdapterDBHelper>([&](auto& adapters) { return adapters.getLensAdapter(id).adapterName; });
  }
  bool isOld() const { return adapterNameOf(zeta) == "Zeta 0.5x"; }
  void expectWhole() const {
    EXPECT_EQ(adapterNameOf(scenes::loadPackage(onZeta).adapterId), "Zeta 0.5x");
    EXPECT_EQ(adapterNameOf(scenes::loadPackage(onAlpha).adapterId), "alpha 0.8x");
    EXPECT_EQ(withOpen<QuorvelLensAdapterDBHelper>([](auto& a) { return a.getAllCustomAdapters().size(); }), 2u)
        << "nothing doubled";
  }
};

class CrashDuringUpdateTest : public StorageTest, public ::testing::WithParamInterface<KillPoint> {
 protected:
  // Kills the update of `Helper`'s catalogue at the stage, then checks the scene after the next open
  // and again after the update the next start runs.
  template <class Helper, class Scene>
  void killAndSettle() {
    Scene scene;
    scene.build();
    ASSERT_TRUE(killChildAt(GetParam().stage, [] {
      Helper helper;
      helper.openDb(true);
    }));
    EXPECT_EQ(listIsPending(Helper::kFileName), GetParam().newCatalogue)
        << "re-pointing the packages is still to come exactly when the new catalogue is in place";
    // Any open finishes what the killed update left.
    EXPECT_EQ(scene.isOld(), !GetParam().newCatalogue);
    EXPECT_FALSE(listIsPending(Helper::kFileName));
    scene.expectWhole();

    // The update that runs on the next start completes, with nothing doubled.
    Helper helper;
    ASSERT_TRUE(helper.openDb(true));
    helper.closeDb();
    EXPECT_FALSE(scene.isOld());
    scene.expectWhole();
  }
};

TEST_P(CrashDuringUpdateTest, LensCatalogue) { killAndSettle<LensDatabaseHelper, scenes::LensScene>(); }
TEST_P(CrashDuringUpdateTest, FormatCatalogue) { killAndSettle<FormatDatabaseHelper2, scenes::FormatScene>(); }
TEST_P(CrashDuringUpdateTest, AdapterCatalogue) { killAndSettle<QuorvelLensAdapterDBHelper, AdapterScene>(); }

INSTANTIATE_TEST_SUITE_P(KilledAt, CrashDuringUpdateTest,
                         ::testing::Values(KillPoint{"staging", false}, KillPoint{"staged", false},
                                           KillPoint{"swapped", true}, KillPoint{"remapping", true}),
                         nameOf);

}  // namespace
