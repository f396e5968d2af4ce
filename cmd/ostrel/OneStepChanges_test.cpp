// ostrel over a container holding a camera of the person's own that a catalogue update renumbers (a camera
// made and deleted before it left a gap), a ratio, a series with two lenses and an adapter of theirs, saved
// packages and both standard packages on their rows. An update under a package catalogue another program
// holds at the start, or with the package catalogue missing and then put back, waits whole: once nothing
// is in the way the packages are those a run with nothing in the way leaves, by what every row shows. A
// delete of each kind, killed as it makes each of its journals, is whole or not begun at the next start.
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cmd/ostrel/KeptPackagesTest.h"

namespace {

namespace fs = std::filesystem;
using ostrel::testing::ChildProcess;
using ostrel::testing::Holder;
using ostrel::testing::lockFor;
using ostrel::testing::steps::kMenuDone;
using ostrel::testing::steps::kOpenSetup;

// Package two's setup menu, from the lens-match page; EXIT on a picker; the FAVORITES page, which lists
// the saved packages.
constexpr const char* kOpenTwo = "wait 1\ndrag 340 380 60 380 0.2\nwait 1\ndrag 340 380 60 380 0.2\nwait 1\ntap 195 175\nwait 1\n";
constexpr const char* kExit = "tap 354 72\nwait 1\n";
constexpr const char* kFavorites = "tap 166 73\nwait 1\ndump favorites\n";
constexpr const char* kLook = "wait 1\ndump main\n";

// From a menu: the lens picker, the person's series found by a search.
constexpr const char* kFindOwnSeries = "tap 195 380\nwait 1\ntap 359 119\nwait 0.5\ntype homemade\nwait 0.5\n";
// On the camera picker: a camera of the person's own made, which closes the picker.
std::string newCamera(const char* name, const char* width, const char* height) {
  return std::string("tap 195 130\nwait 1\ntap 110 122\nwait 1\ntap 195 135\ntype ") + name + "\ntap 195 191\ntype " +
         width + "\ntap 195 247\ntype " + height + "\ntap 290 72\nwait 1\n";
}
// From a menu: the camera picker at the top of its list.
constexpr const char* kCamerasAtTheTop = "tap 195 130\nwait 1\ndrag 195 200 195 800 0.2\nwait 1\ndrag 195 200 195 800 0.2\nwait 1\n";
// A swipe on the row at height `y` and its Delete.
std::string swipeDelete(int y) {
  const std::string at = std::to_string(y);
  return "drag 340 " + at + " 100 " + at + " 0.3\nwait 1\ntap 342 " + at + "\nwait 1\n";
}
std::string saveAs(const char* name, int row) {
  return "tap 195 " + std::to_string(row) + "\nwait 1\ntype " + name + "\ntap 115 329\nwait 1\ntap 329 75\nwait 1\n";
}

// After the setup and lens tours: the person's series gets a second lens (35-100), saved alone as "C Zoom";
// package two takes its 24-70 and is saved as "B Camera"; package one takes the camera "Aaa Cam", made
// after "Aaa Aaa", which is then deleted (an update numbers "Aaa Cam" anew), and a ratio of its own, and is
// saved as "A Camera".
std::string ownRows() {
  return std::string(kOpenTwo) + kFindOwnSeries +
         "tap 195 161\nwait 1\ntap 131 810\nwait 0.5\ntap 100 161\ntype 35\ntap 290 161\ntype 100\ntap 336 72\nwait 1\n"
         "tap 195 201\nwait 1\n" + saveAs("C Zoom", 576) + "tap 195 175\nwait 1\n" + kFindOwnSeries +
         "tap 195 161\nwait 1\ntap 195 161\nwait 1\n" + saveAs("B Camera", 576) + "tap 195 119\nwait 1\n" +
         newCamera("Aaa Aaa", "24", "12") + newCamera("Aaa Cam", "30", "20") + kCamerasAtTheTop + swipeDelete(167) +
         kExit + "tap 195 194\nwait 1\ntap 103 122\nwait 1\ntype 2.6\nkey return\ntype 1\ntap 290 72\nwait 1\n" +
         saveAs("A Camera", 515);
}

// A delete of each kind from the menu it is made from, the screen dumped as "before-delete" right before
// the swipe and as "deleted" after it, where the run ends.
struct Delete {
  const char* kind;
  std::string steps;
};
std::vector<Delete> deletes() {
  const std::string one = kOpenSetup, two = kOpenTwo;
  const std::string marked = "dump before-delete\n";
  const std::string done = "dump deleted\n";
  return {
      {"camera", one + kCamerasAtTheTop + marked + swipeDelete(167) + done},
      {"ratio", one + "tap 195 194\nwait 1\ndrag 195 700 195 100 0.2\nwait 1\ndrag 195 700 195 100 0.2\nwait 1\n" + marked +
                    swipeDelete(784) + done},
      {"series", two + kFindOwnSeries + "tap 195 161\nwait 1\ntap 195 161\nwait 1\ntap 195 380\nwait 1\n" + marked +
                     swipeDelete(460) + done},
      {"lens", two + "tap 195 445\nwait 1\n" + marked + swipeDelete(161) + done},
      {"adapter", one + "tap 195 441\nwait 1\n" + marked + swipeDelete(367) + done},
  };
}

// From package one's menu: the person's 35-100 zoom picked in their series, the screen dumped as "let-go"
// right before the pick; the saved packages listed; DONE. The camera the update renumbers stays.
std::string pickAfter(const std::string& marked) {
  return std::string(kOpenSetup) + "tap 195 320\nwait 1\ntap 359 119\nwait 0.5\ntype homemade\nwait 0.5\ntap 195 161\nwait 1\n" +
         marked + "tap 195 201\nwait 1\n" + kFavorites + kMenuDone;
}

class OneStepChangesTest : public ostrel::testing::MadeOnceTest<OneStepChangesTest> {
 public:
  static constexpr const char* kScratchName = "ostrel-one-step";
  static std::string ownRows() { return ::ownRows(); }
  static void expectMade(const std::string& home, const std::string& packages) {
    EXPECT_NE(holdingsOf(packages, "-2").find("Aaa Cam"), std::string::npos) << packages;
    EXPECT_NE(holdingsOf(packages, "-2").find("Front Anamorphic"), std::string::npos) << packages;
    EXPECT_NE(holdingsOf(packages, "2").find("35.0-100.0"), std::string::npos) << packages;
    EXPECT_EQ(holdingsOf(packages, "4"), holdingsOf(packages, "-2")) << packages;
    EXPECT_EQ(personsRowsIn(home).find("Aaa Aaa"), std::string::npos);
  }

 protected:
  static constexpr const char* kCatalogueFiles =
      "LensDatabase.db-|QuorvelFormatDatabase.db-|QuorvelLensAdapterDb.db-|QuorvelPackageDatabase.db-";

  // The next start of `home` brings the catalogues to this build's version: the stored one is older.
  static void beforeAnUpdate(const std::string& home) {
    const std::string path = home + "/Documents/FramesData.plist";
    std::string text = ostrel::testing::contentsOf(path);
    const auto key = text.find("<key>DBVersion</key>");
    ASSERT_NE(key, std::string::npos) << text;
    const auto value = text.find("<integer>", key) + std::string("<integer>").size();
    const auto end = text.find("</integer>", value);
    text.replace(value, end - value, std::to_string(std::stoi(text.substr(value, end - value)) - 1));
    std::ofstream(path, std::ios::trunc) << text;
  }
  static std::string packageCatalogue(const std::string& home) { return home + "/Library/QuorvelPackageDatabase.db"; }

  // What a container holds of the person's, by what each row shows; and how many rows that is.
  static std::string everything(const std::string& home) { return packagesIn(home) + personsRowsIn(home); }
  static int rowsOf(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

  // ostrel's environment, stopping itself as it makes journal `count` of a catalogue after the script's
  // dump `marker` (0: right after that dump).
  std::vector<std::string> stoppingAt(const std::string& marker, int count) {
    auto environment = ostrel::testing::environmentPreloading(this->environment(), OSTREL_STOP_AT_OPEN);
    environment.push_back("OSTREL_TEST_COUNT_OPENS_AFTER=/" + marker + ".json");
    environment.push_back(std::string("OSTREL_TEST_STOP_AT_OPEN_OF=") + kCatalogueFiles);
    environment.push_back("OSTREL_TEST_STOP_AT_OPEN_COUNT=" + std::to_string(count));
    return environment;
  }

  // `steps` played in `home` while another program holds the package catalogue, let go of as the script
  // dumps "let-go" (ostrel stopped there meanwhile), else after the run. What the run said.
  std::string playHeld(const std::string& home, const std::string& steps) {
    Holder holder = lockFor(packageCatalogue(home));
    auto ostrel = ChildProcess::start(playing(home, script(steps)), stoppingAt("let-go", 0));
    EXPECT_TRUE(ostrel);
    if (!ostrel) return {};
    if (steps.find("dump let-go") != std::string::npos) {
      EXPECT_TRUE(ostrel->waitForStop(kHangGuardSeconds)) << ostrel->output();
      holder.reset();
      ostrel->resume();
    }
    const int status = ostrel->waitAtMost(kHangGuardSeconds);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ostrel->output();
    return ostrel->output();
  }

  // Kills ostrel playing `steps` in `home` as it makes journal `count` after the dump "before-delete";
  // false when it ended before making that many.
  bool killedAt(const std::string& home, const std::string& steps, int count) {
    auto ostrel = ChildProcess::start(playing(home, script(steps)), stoppingAt("before-delete", count));
    EXPECT_TRUE(ostrel);
    if (!ostrel) return false;
    if (!ostrel->waitForStop(kHangGuardSeconds)) {
      const int status = ostrel->waitAtMost(kHangGuardSeconds);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ostrel->output();
      return false;
    }
    ostrel->signal(SIGKILL);
    const int status = ostrel->wait();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << ostrel->output();
    return true;
  }

};

// An update that renumbers the person's camera, under a package catalogue another program holds at the
// start: let go of as the person picks a camera; left held for a whole start and let go of at the next
// one's pick; let go of right after the start. The update waits whole, and the person is told; once the
// packages can follow it, every package holds what a run with nothing in the way gives it.
TEST_F(OneStepChangesTest, AnUpdateUnderAHeldPackageCatalogueWaitsWhole) {
  const std::string atThePick = pickAfter("dump let-go\n");
  const struct {
    const char* variant;
    std::vector<std::string> starts;  // each played held, then one start with nothing in the way
  } variants[] = {
      {"let go at the first pick", {std::string(kLook) + atThePick}},
      {"held for a whole start first", {std::string(kLook) + kOpenSetup + kFavorites + kMenuDone, std::string(kLook) + atThePick}},
      {"let go right after the start", {"wait 1\ndump let-go\n" + pickAfter("")}},
  };
  int round = 0;
  for (const auto& each : variants) {
    SCOPED_TRACE(each.variant);
    const std::string control = copyOfMade("update-control-" + std::to_string(round));
    const std::string held = copyOfMade("update-held-" + std::to_string(round++));
    beforeAnUpdate(control);
    beforeAnUpdate(held);
    std::string said;
    for (const std::string& steps : each.starts) {
      play(control, script(steps));
      said += playHeld(held, steps);
    }
    play(control, script(kLook));
    said += play(held, script(kLook));
    EXPECT_NE(said.find("stays at its installed version for now"), std::string::npos) << said;
    EXPECT_EQ(everything(held), everything(control)) << said;
    EXPECT_NE(holdingsOf(packagesIn(held), "-2").find("Aaa Cam"), std::string::npos) << packagesIn(held);
    EXPECT_NE(holdingsOf(packagesIn(held), "-2").find("35.0-100.0"), std::string::npos) << packagesIn(held);
  }
}

// An update while the package catalogue is missing (a disk not mounted) renumbers nothing in the fresh copy
// made in its place: the renumbering is the person's file's, and waits for it. Put back, the file's
// packages follow the update as if it had never been away.
TEST_F(OneStepChangesTest, AnUpdateWhileThePackageCatalogueIsMissingWaitsForIt) {
  const std::string control = copyOfMade("missing-control");
  const std::string home = copyOfMade("missing");
  const std::string away = home + "/NotMounted/QuorvelPackageDatabase.db";
  const std::string steps = std::string(kLook) + kOpenSetup + kFavorites + kMenuDone;
  for (const std::string& each : {control, home}) beforeAnUpdate(each);
  play(control, script(steps));
  play(control, script(kLook));

  fs::create_directories(fs::path(away).parent_path());
  fs::rename(packageCatalogue(home), away);
  const std::string said = play(home, script(steps));
  EXPECT_NE(said.find("a fresh copy made while yours was missing"), std::string::npos) << said;
  fs::rename(away, packageCatalogue(home));
  const std::string back = play(home, script(kLook));
  EXPECT_FALSE(fs::exists(packageCatalogue(home) + ".was-missing")) << back;
  EXPECT_EQ(everything(home), everything(control)) << said << back;
}

// A delete of a camera, a ratio, a series, a lens and an adapter of the person's, the run killed right
// before it and as it makes each journal of a catalogue from then on (the delete's own, then those of the
// screen following it): the next start finds the delete whole, as a run with nothing in the way leaves
// it, or not begun, with every row of the person's and every package as before it; never one half.
TEST_F(OneStepChangesTest, AKillAtEachStepOfEachDeleteLeavesItWholeOrNotBegun) {
  int round = 0, kills = 0, compared = 0;
  for (const Delete& each : deletes()) {
    SCOPED_TRACE(each.kind);
    const std::string unkilled = copyOfMade(std::string("unkilled-") + each.kind);
    play(unkilled, script(each.steps));
    play(unkilled, script(kLook));
    const std::string after = everything(unkilled);
    std::string before;
    int whole = 0;
    const int killsBefore = kills;
    for (int count = 0;; ++count) {
      ASSERT_LT(count, 40) << "a delete makes a few journals, not dozens";
      const std::string home = copyOfMade("killed-" + std::to_string(round++));
      if (!killedAt(home, each.steps, count)) break;
      play(home, script(kLook));
      const std::string found = everything(home);
      if (count == 0) {
        before = found;
        ASSERT_NE(before, after) << "the delete changes something";
        continue;
      }
      EXPECT_TRUE(found == before || found == after) << "killed at journal " << count << "\n" << found << "\nbefore:\n"
                                                     << before << "\nafter:\n" << after;
      whole += found == after;
      ++kills;
      compared += rowsOf(found);
    }
    EXPECT_GT(whole, 0) << "a kill after the delete's commit leaves it whole";
    std::cout << "[ figures  ] " << each.kind << ": " << kills - killsBefore << " kills, " << whole << " left it whole\n";
  }
  std::cout << "[ figures  ] " << kills << " kills after the first journal, " << compared << " rows compared\n";
}

}  // namespace
