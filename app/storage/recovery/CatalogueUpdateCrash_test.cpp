// A catalogue update that fails, or is killed part-way in a real child process: whatever the moment,
// the catalogue is the old one or the new one, every user row is there, and the stored packages still
// show what they showed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

#include "app/storage/CatalogueUpdateTestSupport.h"
#include "app/storage/LensAdapterCatalogue.h"
#include "app/storage/StorageTestSupport.h"
#include "app/storage/recovery/CatalogueReplacement.h"
#include "app/storage/recovery/CatalogueRescue.h"
#include "app/storage/recovery/CatalogueSeeding.h"
#include "app/storage/recovery/CatalogueUpdate.h"
#include "app/storage/recovery/PendingPackageRemap.h"
#include "platform/foundation/AtomicFile.h"
#include "testing/FileContents.h"

using app::storage::CatalogueDatabase;
using app::storage::CatalogueReplacement;
using app::storage::CatalogueUpdate;
using app::storage::PendingPackageRemap;

namespace app::storage {

namespace {

using namespace ostrel::testing;

// Runs `update` in a child that stops at `stage`; the child tells the parent through a pipe when it
// is there and is then killed with SIGKILL. False when the child ended without reaching the stage.
bool killChildAt(CatalogueUpdate::Stage stage, const std::function<void()>& update) {
  int reached[2], hold[2];
  if (pipe(reached) != 0 || pipe(hold) != 0) return false;
  const pid_t child = fork();
  if (child == 0) {
    close(reached[0]);
    close(hold[1]);
    CatalogueUpdate::setObserver([&](CatalogueUpdate::Stage at) {
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
  CatalogueUpdate::Stage stage;
  bool newCatalogue;  // which catalogue the stage leaves in place
};

void PrintTo(const KillPoint& point, std::ostream* out) { *out << CatalogueUpdate::name(point.stage); }

std::string nameOf(const ::testing::TestParamInfo<KillPoint>& info) { return CatalogueUpdate::name(info.param.stage); }

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
      if (!helper.openDb(true)) _exit(4);
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
TEST_P(CrashDuringUpdateTest, FormatCatalogue) { killAndSettle<CameraFormatCatalogue, scenes::FormatScene>(); }
TEST_P(CrashDuringUpdateTest, AdapterCatalogue) { killAndSettle<LensAdapterCatalogue, scenes::AdapterScene>(); }

INSTANTIATE_TEST_SUITE_P(KilledAt, CrashDuringUpdateTest,
                         ::testing::Values(KillPoint{CatalogueUpdate::Stage::Staging, false},
                                           KillPoint{CatalogueUpdate::Stage::Staged, false},
                                           KillPoint{CatalogueUpdate::Stage::Swapped, true},
                                           KillPoint{CatalogueUpdate::Stage::Remapping, true}),
                         nameOf);

// A damaged catalogue whose rescue is killed part-way: the next open finishes it from the copy kept
// aside, so the person's rows and the packages using them are there, the file is kept aside once, and
// the warning the killed run could not write is written then.
class CrashDuringRescueTest : public StorageTest, public ::testing::WithParamInterface<KillPoint> {
 protected:
  template <class Helper, class Scene>
  void killAndSettle() {
    Scene scene;
    scene.build();
    const std::string path = CatalogueDatabase::libraryPath(Helper::kFileName);
    scenes::damageRows(Helper::kFileName);
    ASSERT_TRUE(killChildAt(GetParam().stage, [] {
      Helper helper;
      if (!helper.openDb(false)) _exit(4);
    }));
    const app::storage::CatalogueKind* const catalogue[] = {&Helper::kKind};
    EXPECT_TRUE(CatalogueSeeding::seedAllMissing(catalogue).empty()) << "a start's seeding leaves it to the open";
    log_.clear();
    // As a start does: each catalogue is opened before any package is read.
    EXPECT_TRUE(withOpen<Helper>([](Helper&) { return true; }));
    scene.expectWhole();
    const auto kept = damagedCopiesOf(path);
    ASSERT_EQ(kept.size(), 1u);
    std::string lines;
    for (const auto& line : log_.lines()) lines += line.message + "\n";
    EXPECT_NE(lines.find("kept as " + kept[0] + " and a fresh copy takes its place"), std::string::npos) << lines;
    for (const char* left : {".rescuing", ".readable", ".updating"}) {
      EXPECT_FALSE(platform::foundation::AtomicFile::fileExists(path + left)) << left;
    }
    log_.clear();
    scene.expectWhole();
    EXPECT_EQ(damagedCopiesOf(path).size(), 1u);
    EXPECT_TRUE(log_.lines().empty()) << "told once";
  }
};

TEST_P(CrashDuringRescueTest, LensCatalogue) { killAndSettle<LensDatabaseHelper, scenes::LensScene>(); }
TEST_P(CrashDuringRescueTest, FormatCatalogue) { killAndSettle<CameraFormatCatalogue, scenes::FormatScene>(); }
TEST_P(CrashDuringRescueTest, AdapterCatalogue) { killAndSettle<LensAdapterCatalogue, scenes::AdapterScene>(); }

INSTANTIATE_TEST_SUITE_P(KilledAt, CrashDuringRescueTest,
                         ::testing::Values(KillPoint{CatalogueUpdate::Stage::Staging, false},
                                           KillPoint{CatalogueUpdate::Stage::Staged, false},
                                           KillPoint{CatalogueUpdate::Stage::Swapped, true},
                                           KillPoint{CatalogueUpdate::Stage::Remapping, true}),
                         nameOf);

// A catalogue of which nothing can be read gets the bundle's copy alone; a rescue killed once that copy
// is in place, before its note went, ends at the next open as one that carried rows does, and the
// person is told then.
class CrashDuringBareRescueTest : public StorageTest {};

TEST_F(CrashDuringBareRescueTest, EndsAtTheNextOpen) {
  const std::string path = CatalogueDatabase::libraryPath(LensAdapterCatalogue::kFileName);
  ASSERT_TRUE(withOpen<LensAdapterCatalogue>([](LensAdapterCatalogue&) { return true; }));
  scenes::damage(path, 0, scenes::kPage);
  ASSERT_TRUE(killChildAt(CatalogueUpdate::Stage::Swapped, [] {
    LensAdapterCatalogue helper;
    if (!helper.openDb(false)) _exit(4);
  }));
  ASSERT_TRUE(CatalogueRescue::isPending(LensAdapterCatalogue::kFileName));
  log_.clear();
  EXPECT_TRUE(withOpen<LensAdapterCatalogue>(
      [](LensAdapterCatalogue& adapters) { return !adapters.getAllAdapters().empty(); }));
  const auto kept = damagedCopiesOf(path);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_TRUE(log_.contains("kept as " + kept[0] + " and a fresh copy takes its place"));
  EXPECT_FALSE(CatalogueRescue::isPending(LensAdapterCatalogue::kFileName));
}

// A rescue that an older build cut short once its fresh copy was in place left that copy without the
// mark naming the kept copy. Holding every row of the person's that the kept copy holds, it ends the
// rescue at the next open; lacking one, it is left as it stands and the rescue waits, as for any file
// put in the place.
class UnmarkedRescueTest : public StorageTest {
 protected:
  template <class Helper, class Scene>
  void cutShortByAnOlderBuild(const std::string& loseOneRow) {
    for (const bool lacking : {false, true}) {
      SCOPED_TRACE(std::string(Helper::kFileName) + (lacking ? ", a row lacking" : ", every row there"));
      TempContainer container;
      const std::string path = CatalogueDatabase::libraryPath(Helper::kFileName);
      Scene scene;
      scene.build();
      scenes::damageRows(Helper::kFileName);
      ASSERT_TRUE(killChildAt(CatalogueUpdate::Stage::Swapped, [] {
        Helper helper;
        if (!helper.openDb(false)) _exit(4);
      }));
      {
        CatalogueDatabase live;
        ASSERT_TRUE(live.openPath(path, false));
        ASSERT_TRUE(live.execute("DROP TABLE RescueCarriedFrom"));
        if (lacking) {
          ASSERT_TRUE(live.execute(loseOneRow));
        }
      }
      const std::string before = contentsOf(path);
      log_.clear();
      EXPECT_EQ(Helper().openDb(false), !lacking);
      const auto kept = damagedCopiesOf(path);
      ASSERT_EQ(kept.size(), 1u);
      EXPECT_EQ(CatalogueRescue::isPending(Helper::kFileName), lacking);
      EXPECT_FALSE(platform::foundation::AtomicFile::fileExists(CatalogueRescue::scratchPath(path)));
      if (lacking) {
        EXPECT_TRUE(
            log_.contains("kept as " + kept[0] + " and your own rows wait there: a file that does not hold them"));
        EXPECT_EQ(contentsOf(path), before) << "left as it stands";
      } else {
        EXPECT_TRUE(log_.contains("kept as " + kept[0] + " and the catalogue in place holds your own rows of it"));
        scene.expectWhole();
      }
    }
  }
};

TEST_F(UnmarkedRescueTest, LensCatalogue) {
  cutShortByAnOlderBuild<LensDatabaseHelper, scenes::LensScene>(
      "DELETE FROM Lenses WHERE Custom = 1 AND FocalLength = 17.5");
}
TEST_F(UnmarkedRescueTest, FormatCatalogue) {
  cutShortByAnOlderBuild<CameraFormatCatalogue, scenes::FormatScene>(
      "DELETE FROM QuorvelFrameGuide WHERE type = 1 AND width > 2.09 AND width < 2.11");
}
TEST_F(UnmarkedRescueTest, AdapterCatalogue) {
  cutShortByAnOlderBuild<LensAdapterCatalogue, scenes::AdapterScene>(
      "DELETE FROM QuorvelLensAdapter WHERE LensAdapterName = 'Zeta 0.5x'");
}
TEST_F(UnmarkedRescueTest, PackageCatalogue) {
  cutShortByAnOlderBuild<PackageDatabaseHelper, scenes::PackageScene>(
      "DELETE FROM PackageLensData WHERE lensPackageId = (SELECT MAX(lensPackageId) FROM PackageLensData)");
}

bool reset(LensDatabaseHelper& helper) { return helper.resetdatabase(); }
bool reset(CameraFormatCatalogue& helper) { return helper.resetdatabase(); }
bool reset(LensAdapterCatalogue& helper) { return helper.resetDB(); }

// A way an update fails before the new catalogue is in place; `restore` undoes what `breakUpdate` did.
struct Failure {
  const char* name;
  std::function<void(const std::string& home, const std::string& catalogue)> breakUpdate;
  std::function<void(const std::string& catalogue)> restore = [](const std::string&) {};
};

void PrintTo(const Failure& failure, std::ostream* out) { *out << failure.name; }

class FailedUpdateTest : public StorageTest, public ::testing::WithParamInterface<Failure> {
 protected:
  void TearDown() override { CatalogueUpdate::setObserver({}); }

  template <class Helper, class Scene>
  void failAndCheck() {
    Scene scene;
    scene.build();
    const std::string path = CatalogueDatabase::libraryPath(Helper::kFileName);
    const auto before = platform::foundation::AtomicFile::readFile(path);
    ASSERT_TRUE(before.ok());
    GetParam().breakUpdate(container_.path(), path);
    Helper helper;
    EXPECT_FALSE(reset(helper));
    CatalogueUpdate::setObserver({});
    GetParam().restore(path);
    useBuiltBundle();
    EXPECT_EQ(platform::foundation::AtomicFile::readFile(path).valueOr({}), *before) << "the old catalogue is not touched";
    EXPECT_TRUE(scene.isOld());
    scene.expectWhole();
    EXPECT_FALSE(platform::foundation::AtomicFile::fileExists(CatalogueReplacement::stagingPath(Helper::kFileName)));
  }
};

TEST_P(FailedUpdateTest, LensCatalogue) { failAndCheck<LensDatabaseHelper, scenes::LensScene>(); }
TEST_P(FailedUpdateTest, FormatCatalogue) { failAndCheck<CameraFormatCatalogue, scenes::FormatScene>(); }
TEST_P(FailedUpdateTest, AdapterCatalogue) { failAndCheck<LensAdapterCatalogue, scenes::AdapterScene>(); }

const Failure kFailures[] = {
    {"NoBundleCatalogue",
     [](const std::string& home, const std::string&) { platform::foundation::Bundle::setMainPath(home + "/Empty"); }},
    {"UnreadableBundleCatalogue",
     [](const std::string& home, const std::string& catalogue) {
       using platform::foundation::AtomicFile;
       const std::string name = catalogue.substr(catalogue.rfind('/'));
       ASSERT_TRUE(AtomicFile::createDirectories(home + "/Broken").ok());
       ASSERT_TRUE(AtomicFile::writeAtomically(home + "/Broken" + name, std::string_view("not a catalogue")).ok());
       platform::foundation::Bundle::setMainPath(home + "/Broken");
     }},
    // Just before the swap, a folder stands where the catalogue is, so the rename must fail.
    {"SwapRefused",
     [](const std::string&, const std::string& catalogue) {
       CatalogueUpdate::setObserver([catalogue](CatalogueUpdate::Stage stage) {
         if (stage != CatalogueUpdate::Stage::Staged) return;
         std::rename(catalogue.c_str(), (catalogue + ".aside").c_str());
         mkdir(catalogue.c_str(), 0755);
       });
     },
     [](const std::string& catalogue) {
       rmdir(catalogue.c_str());
       std::rename((catalogue + ".aside").c_str(), catalogue.c_str());
     }},
};

INSTANTIATE_TEST_SUITE_P(Failing, FailedUpdateTest, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

}  // namespace app::storage

