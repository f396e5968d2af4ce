// ostrel over a container holding a camera, an aspect ratio, a lens series and an adapter of the person's
// own, saved packages and both standard packages changed, with a catalogue it cannot use in the way for a
// run (another program's BEGIN EXCLUSIVE, a FIFO at its journal, a file of another user), so that the
// default package stands in for the person's: what they choose then reaches the stored package and only
// that, a lens tapped on it is stored alone, and a delete costs only the row deleted; so it does when the
// run is killed at a step of the delete. Each result is held to a control run of the same steps with
// nothing in the way. A delete the package catalogue cannot follow waits whole, and nothing changes.
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#include <map>
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

// Package two's setup menu, from the lens-match page; EXIT on a picker.
constexpr const char* kOpenTwo = "wait 1\ndrag 340 380 60 380 0.2\nwait 1\ndrag 340 380 60 380 0.2\nwait 1\ntap 195 175\nwait 1\n";
constexpr const char* kExit = "tap 354 72\nwait 1\n";
// From a menu with shooting modes: the person's series found by a search and chosen with its zoom, which
// closes the picker.
constexpr const char* kChooseOwnSeries = R"(tap 195 380
wait 1
tap 359 119
wait 0.5
type homemade
wait 0.5
tap 195 161
wait 1
tap 195 161
wait 1
)";

// After the setup and lens tours: package two takes the person's series and is saved as "B Camera";
// package one (its header on the lens-match page too) takes a camera (no shooting modes) and a ratio of
// the person's own and is saved as "A Camera", the newest saved package.
std::string ownRows() {
  return std::string(kOpenTwo) + kChooseOwnSeries + R"(tap 195 576
wait 1
type B Camera
tap 115 329
wait 1
tap 329 75
wait 1
tap 195 119
wait 1
tap 195 130
wait 1
tap 110 122
wait 1
tap 195 135
type Aaa Cam
tap 195 191
type 30
tap 195 247
type 20
tap 290 72
wait 1
tap 195 194
wait 1
tap 103 122
wait 1
type 2.6
key return
type 1
tap 290 72
wait 1
tap 195 515
wait 1
type A Camera
tap 115 329
wait 1
tap 329 75
wait 1
)";
}

// From the menu: a camera found by a search and one of its shooting modes, which closes the picker.
constexpr const char* kPickCamera = R"(tap 195 130
wait 1
tap 360 122
wait 0.5
type alexa  35
wait 0.5
tap 150 117
wait 1
tap 150 247
wait 1
dump camera-picked
)";
// From a menu with shooting modes: the setup saved under a name.
constexpr const char* kSaveSecondUnit = "tap 195 576\nwait 1\ntype Second Unit\ntap 115 329\nwait 1\ndump saved\n";
// From the menu: the camera picker at the top of its list, the person's camera swiped and deleted.
constexpr const char* kDeleteCamera = R"(tap 195 130
wait 1
drag 195 200 195 800 0.2
wait 1
drag 195 200 195 800 0.2
wait 1
drag 340 167 100 167 0.3
wait 1
tap 342 167
wait 1
dump camera-deleted
)";
// From the aspect-ratio row at `row`: the ratios at the end of their list, the person's (second to last)
// swiped and deleted.
std::string deleteRatio(int row) {
  return "tap 195 " + std::to_string(row) + R"(
wait 1
drag 195 700 195 100 0.2
wait 1
drag 195 700 195 100 0.2
wait 1
drag 340 784 100 784 0.3
wait 1
tap 342 784
wait 1
dump ratio-deleted
)";
}
// From a menu with shooting modes: the person's series chosen, then, the picker opened again on it (in the
// middle of its list), swiped and deleted.
std::string deleteSeries() {
  return std::string(kChooseOwnSeries) + R"(tap 195 380
wait 1
drag 340 460 100 460 0.3
wait 1
tap 342 460
wait 1
dump series-deleted
)";
}
// From the setup menu: the lens page of the package's series, its shortest lens tapped, and DONE.
constexpr const char* kTapShortestLens = "tap 195 445\nwait 1\ntap 195 161\nwait 1\ndump lens-tapped\ntap 336 72\nwait 1\n";
// The main screen's words under a header whose package stands in.
constexpr const char* kStandsIn = "Shown for now: your stored package could not be read";
// A start that only looks at the main screen.
constexpr const char* kLook = "wait 1\ndump main\n";

// What stands in the way of a catalogue for one run.
struct Obstacle {
  enum Kind { Exclusive, FifoAtJournal, AnotherUsers };
  Kind kind;
  const char* file;  // in Library

  std::string what() const {
    static const char* kinds[] = {"held BEGIN EXCLUSIVE", "a FIFO at its journal", "another user's"};
    return std::string(file) + " " + kinds[kind];
  }
};

class StandInPackagesTest : public ostrel::testing::MadeOnceTest<StandInPackagesTest> {
 public:
  static constexpr const char* kScratchName = "ostrel-stand-in";
  static std::string ownRows() { return ::ownRows(); }
  static void expectMade(const std::string&, const std::string& packages) {
    EXPECT_NE(holdingsOf(packages, "-2").find("Aaa Cam"), std::string::npos) << packages;
    EXPECT_NE(holdingsOf(packages, "-2").find("Front Anamorphic"), std::string::npos) << packages;
    EXPECT_NE(holdingsOf(packages, "-1").find("Homemade"), std::string::npos) << packages;
    EXPECT_EQ(holdingsOf(packages, "3"), holdingsOf(packages, "-2")) << packages;
  }

 protected:
  static void TearDownTestSuite() {
    controls_.clear();
    MadeOnceTest::TearDownTestSuite();
  }

  // The packages after `steps` played on a copy of the container with nothing in the way, once a suite.
  const std::string& control(const std::string& steps) {
    auto found = controls_.find(steps);
    if (found != controls_.end()) return found->second;
    const std::string home = copyOf(made(), "control-" + std::to_string(controls_.size()));
    play(home, script(steps));
    return controls_.emplace(steps, packagesIn(home)).first->second;
  }

  // Puts `obstacle` in the way in `home`; what goes before the command that plays ostrel.
  std::vector<std::string> place(const Obstacle& obstacle, const std::string& home, Holder& holder) {
    const std::string path = home + "/Library/" + obstacle.file;
    switch (obstacle.kind) {
      case Obstacle::Exclusive: holder = lockFor(path, "BEGIN EXCLUSIVE"); break;
      case Obstacle::FifoAtJournal: EXPECT_EQ(::mkfifo((path + "-journal").c_str(), 0600), 0) << path; break;
      case Obstacle::AnotherUsers: {
        auto command = asNobody(home);
        EXPECT_EQ(::chown(path.c_str(), 0, 0), 0);
        EXPECT_EQ(::chmod(path.c_str(), 0600), 0);
        return command;
      }
    }
    return {};
  }
  static void remove(const Obstacle& obstacle, const std::string& home, Holder& holder) {
    holder.reset();
    if (obstacle.kind == Obstacle::FifoAtJournal) std::filesystem::remove(home + "/Library/" + obstacle.file + "-journal");
  }

  // `steps` played in a copy of the container with `obstacle` in the way, then a start with nothing in
  // it; the packages are then those of the control run. The first run's output.
  std::string expectAsTheControl(const Obstacle& obstacle, const std::string& steps, const std::string& name) {
    const std::string home = copyOfMade(name);
    Holder holder;
    const auto runAs = place(obstacle, home, holder);
    const std::string said = play(home, script(steps), runAs);
    remove(obstacle, home, holder);
    play(home, script(kLook));
    EXPECT_EQ(packagesIn(home), control(steps)) << obstacle.what() << "\n" << said;
    return home;
  }

  static std::map<std::string, std::string> controls_;
};

std::map<std::string, std::string> StandInPackagesTest::controls_;

// A camera, an adapter and a save under a name, each on package one while the default package stands in
// for it: each reaches the stored package, over the rest of it, as with nothing in the way; nothing is
// said NOT SAVED, and the next start shows the person's package with the camera chosen.
TEST_F(StandInPackagesTest, AChoiceOnAStandInStoresOnlyWhatWasChosen) {
  const std::string opened = "wait 1\ndump opened\n" + std::string(kOpenSetup);
  const std::string withAdapter = opened + kPickCamera + kPickAdapter + kSaveSecondUnit + kMenuDone;
  const std::string cameraOnly = opened + kPickCamera + kSaveSecondUnit + kMenuDone;
  const std::string& chosen = control(withAdapter);
  EXPECT_NE(holdingsOf(chosen, "-2").find("ARRI ALEXA 35"), std::string::npos) << chosen;
  EXPECT_NE(holdingsOf(chosen, "-2").find("Homemade"), std::string::npos) << chosen;
  EXPECT_NE(holdingsOf(chosen, "-2").find("Iscorama"), std::string::npos) << chosen;
  EXPECT_EQ(holdingsOf(chosen, "4"), holdingsOf(chosen, "-2")) << "\"Second Unit\"\n" << chosen;

  const struct {
    Obstacle obstacle;
    const std::string& steps;
  } cases[] = {
      {{Obstacle::Exclusive, "LensDatabase.db"}, withAdapter},
      {{Obstacle::FifoAtJournal, "LensDatabase.db"}, withAdapter},
      {{Obstacle::Exclusive, "QuorvelLensAdapterDb.db"}, cameraOnly},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].obstacle.what());
    const std::string home = expectAsTheControl(cases[i].obstacle, cases[i].steps, "choice-" + std::to_string(i));
    EXPECT_EQ(shown(home, "saved").find("NOT SAVED"), std::string::npos);
    EXPECT_NE(shown(home, "opened").find(kStandsIn), std::string::npos) << "said on the main screen";
    const std::string main = shown(home, "main");
    EXPECT_NE(main.find("ARRI ALEXA 35"), std::string::npos) << main;
    EXPECT_NE(main.find("Homemade"), std::string::npos) << main;
    EXPECT_EQ(main.find(kStandsIn), std::string::npos) << main;
  }
}

TEST_F(StandInPackagesTest, AChoiceOnACatalogueOfAnotherUserStoresOnlyWhatWasChosen) {
  if (const std::string why = otherUserUnavailable(); !why.empty()) GTEST_SKIP() << why;
  const std::string steps = std::string(kOpenSetup) + kPickCamera + kPickAdapter + kSaveSecondUnit + kMenuDone;
  expectAsTheControl({Obstacle::AnotherUsers, "LensDatabase.db"}, steps, "another-user");
}

// The shortest lens of the default series tapped on package one while the default package stands in
// for it (its five chosen primes shown): the stored package takes that series with the lens tapped alone,
// never the stand-in's other lenses, and keeps the person's camera, ratio and adapter; every other
// package stays as it was, and nothing is said NOT SAVED.
TEST_F(StandInPackagesTest, ALensTappedOnAStandInStoresThatLensAlone) {
  const std::string home = copyOfMade("lens-tapped");
  const std::string before = packagesIn(home);
  Holder holder = lockFor(home + "/Library/QuorvelLensAdapterDb.db", "BEGIN EXCLUSIVE");
  const std::string said = play(home, script(std::string(kOpenSetup) + kTapShortestLens + kMenuDone));
  holder.reset();
  play(home, script(kLook));
  EXPECT_EQ(shown(home, "lens-tapped").find("NOT SAVED"), std::string::npos) << said;
  const std::string after = packagesIn(home);
  std::string expected = holdingsOf(before, "-2");
  expected.replace(0, expected.find(" | "), "ARRI Signature Prime");
  expected.replace(expected.rfind(" | ", expected.size() - 4) + 3, std::string::npos, "Signature Prime 12.0-0.0 | ");
  EXPECT_EQ(holdingsOf(after, "-2"), expected) << said;
  for (const char* id : {"-1", "1", "2", "3"}) EXPECT_EQ(holdingsOf(after, id), holdingsOf(before, id)) << id;
}

// The person's camera, ratio and adapter deleted from package one's menu, and their series from package
// two's, while the default package stands in for the packages: the next start holds what a run with
// nothing in the way holds, each standard package having lost only the deleted part.
TEST_F(StandInPackagesTest, ADeleteWhileThePackagesStandInCostsOnlyItsRow) {
  const std::string fromOne =
      std::string(kOpenSetup) + kDeleteCamera + kExit + deleteRatio(252) + kExit + kDeleteOwnAdapter + kExit + kMenuDone;
  const std::string fromTwo = std::string(kOpenTwo) + deleteSeries() + kExit + kMenuDone;
  const std::string& one = control(fromOne);
  for (const char* gone : {"Aaa Cam", "2.6:1", "Front Anamorphic"}) {
    EXPECT_EQ(one.find(gone), std::string::npos) << gone << "\n" << one;
  }
  EXPECT_NE(holdingsOf(one, "-1").find("Homemade"), std::string::npos) << one;
  const std::string& two = control(fromTwo);
  EXPECT_EQ(two.find("Homemade"), std::string::npos) << two;
  EXPECT_NE(holdingsOf(two, "-2").find("Aaa Cam"), std::string::npos) << two;

  expectAsTheControl({Obstacle::FifoAtJournal, "LensDatabase.db"}, fromOne, "deletes-one");
  expectAsTheControl({Obstacle::FifoAtJournal, "QuorvelLensAdapterDb.db"}, fromTwo, "deletes-two");
}

// A delete the package catalogue cannot follow (another program holds it) waits whole: it is said NOT
// SAVED, the camera stays, and the next start shows every package as it was.
TEST_F(StandInPackagesTest, ADeleteThePackagesCannotFollowWaitsWhole) {
  const std::string home = copyOfMade("refused");
  const std::string before = packagesIn(home);
  Holder holder = lockFor(home + "/Library/QuorvelPackageDatabase.db");
  const std::string said = play(home, script(std::string(kOpenSetup) + kDeleteCamera + kOk + kExit + kMenuDone));
  holder.reset();
  EXPECT_NE(shown(home, "camera-deleted").find("could not be deleted"), std::string::npos) << said;
  EXPECT_NE(said.find("and the stored packages that follow it wait"), std::string::npos) << said;
  play(home, script(kLook));
  EXPECT_EQ(packagesIn(home), before);
  EXPECT_NE(personsRowsIn(home).find("Aaa Cam"), std::string::npos);
}

// A run killed at each step of a delete (once the catalogue's row and the saved packages went, once the
// screen said so), stopped there by what it logs: the next start holds the standard packages a run with
// nothing in the way leaves right after the delete (EXIT after a camera delete brings the entry ratio back
// with a commit of its own), and the saved package on no deleted row. A package saved in the same visit as
// a camera delete holds only its own lenses.
TEST_F(StandInPackagesTest, AKillAtEachStepOfADeleteCostsOnlyItsRow) {
  const std::string camera = std::string(kOpenSetup) + kDeleteCamera + kExit + kSaveSecondUnit + kMenuDone;
  const std::string& afterCamera = control(camera);
  EXPECT_EQ(holdingsOf(afterCamera, "3"), holdingsOf(afterCamera, "-2"))
      << "the package saved after the delete, under the freed id\n" << afterCamera;
  const struct {
    std::string steps;
    std::string stepsUpToTheDelete;
    const char* packagesFollowed;
    const char* rowGone;
  } deletes[] = {
      {camera, std::string(kOpenSetup) + kDeleteCamera, "followed the deleted camera", "The camera \"Aaa Cam\" was deleted"},
      {std::string(kOpenSetup) + deleteRatio(194) + kExit + kMenuDone, std::string(kOpenSetup) + deleteRatio(194) + kExit + kMenuDone,
       "followed the deleted aspect ratio", "The aspect ratio 2.6:1 was deleted"},
      {std::string(kOpenTwo) + deleteSeries() + kExit + kMenuDone, std::string(kOpenTwo) + deleteSeries() + kExit + kMenuDone,
       "followed the deleted lens series", "was deleted from its catalogue with its lenses"},
  };
  int round = 0;
  for (const auto& each : deletes) {
    const std::string& expected = control(each.stepsUpToTheDelete);
    for (const char* step : {each.packagesFollowed, each.rowGone}) {
      SCOPED_TRACE(step);
      const std::string home = copyOfMade("killed-" + std::to_string(round++));
      auto ostrel = ChildProcess::start(playing(home, script(each.steps)), stoppingAfter(step));
      ASSERT_TRUE(ostrel);
      ASSERT_TRUE(ostrel->waitForStop(kHangGuardSeconds)) << ostrel->output();
      ostrel->signal(SIGKILL);
      const int status = ostrel->wait();
      ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << ostrel->output();
      play(home, script(kLook));
      const std::string after = packagesIn(home);
      for (const char* id : {"-2", "-1", "1"}) {
        EXPECT_EQ(holdingsOf(after, id), holdingsOf(expected, id)) << id << "\n" << after << expected;
      }
    }
  }
}

}  // namespace
