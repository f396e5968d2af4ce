#include "platform/foundation/PreferencesDomain.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/PropertyList.h"
#include "testing/FileContents.h"
#include "testing/ScratchFolder.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/log/Log.h"
#include "testing/ChildProcess.h"

using namespace platform::foundation;

namespace {

constexpr const char* kRoleVariable = "OSTREL_PREFERENCES_TEST_ROLE";

pid_t spawnChild(const std::string& test, const std::string& role, const std::string& root) {
  return ostrel::testing::spawnTestChild(test, {std::string(kRoleVariable) + "=" + role, "OSTREL_HOME=" + root});
}

int waitChild(pid_t pid) { return ostrel::testing::waitTestChild(pid); }

std::string role() {
  const char* value = std::getenv(kRoleVariable);
  return value ? value : "";
}

class PreferencesDomainTest : public ::testing::Test {
 protected:
  void SetUp() override { previousRoot_ = Paths::setRoot(root_.path()); }
  void TearDown() override { Paths::setRoot(previousRoot_); }

  ostrel::testing::ScratchFolder root_;
  std::string previousRoot_;
};

}  // namespace

TEST_F(PreferencesDomainTest, ChangesAreSharedAtOnceAndReachTheFileOnSynchronize) {
  auto domain = PreferencesDomain::named("com.example.suite");
  ASSERT_TRUE(domain->setValue("count", Value(3)));
  ASSERT_TRUE(domain->setValue("name", Value("Ostrel")));
  EXPECT_EQ(PreferencesDomain::named("com.example.suite")->copyValue("count"), Value(3));
  EXPECT_FALSE(AtomicFile::fileExists(domain->path()));
  ASSERT_TRUE(domain->setValue("name", Value()));  // nil removes
  ASSERT_TRUE(domain->synchronize());
  EXPECT_FALSE(domain->hasPendingChanges());
  EXPECT_EQ(PropertyList::readFile(domain->path()), Value(Dictionary{{"count", Value(3)}}));
  EXPECT_EQ(domain->path(), Paths::preferences() + "/com.example.suite.plist");

  // Suite names cannot leave the preferences folder.
  auto escape = PreferencesDomain::named("../../escape/attempt");
  ASSERT_TRUE(escape->setValue("k", Value(1)));
  ASSERT_TRUE(escape->synchronize());
  EXPECT_EQ(std::filesystem::path(escape->path()).parent_path().string(), Paths::preferences());
}

TEST_F(PreferencesDomainTest, ValuesWithoutPropertyListFormAreRefusedAndTheOldValueStays) {
  auto domain = PreferencesDomain::named("refusals");
  ASSERT_TRUE(domain->setValue("list", Value(Array{Value(1)})));
  Error error;
  EXPECT_FALSE(domain->setValue("list", Value(Array{Value(1), Value::null()}), &error));
  EXPECT_EQ(error.code, PreferencesDomain::kInvalidValueError);
  EXPECT_FALSE(domain->setValue("list", Value(Dictionary{{"deep", Value(Array{Value(std::make_shared<Object>())})}})));
  // Values of writable kinds that the file still cannot hold: accepting them would leave them pending
  // for ever and every later change of the domain with them.
  EXPECT_FALSE(domain->setValue("text", Value("\xff\xfe not UTF-8")));
  EXPECT_FALSE(domain->setValue("text", Value(Array{Value(std::string("nul\0inside", 11))})));
  EXPECT_FALSE(domain->setValue(std::string("key\0", 4), Value(1)));
  EXPECT_FALSE(domain->setValue("when", Value::date(1e12)));
  EXPECT_TRUE(domain->copyValue("text").isNil());
  // The domain as a whole stays writable.
  ASSERT_TRUE(domain->setValue("later", Value("kept")));
  EXPECT_TRUE(domain->synchronize());
  EXPECT_EQ(PropertyList::readFile(domain->path()),
            Value(Dictionary{{"list", Value(Array{Value(1)})}, {"later", Value("kept")}}));
}

TEST_F(PreferencesDomainTest, SynchronizeKeepsKeysAnotherWriterChanged) {
  auto domain = PreferencesDomain::named("merge");
  ASSERT_TRUE(domain->setValue("mine", Value("a")));
  ASSERT_TRUE(domain->setValue("gone", Value("b")));
  ASSERT_TRUE(domain->synchronize());
  // Another process adds a key and changes one of ours.
  ASSERT_TRUE(PropertyList::writeFile(domain->path(),
                                      Value(Dictionary{{"mine", Value("a")}, {"gone", Value("b")}, {"theirs", Value(7)}}),
                                      PropertyList::Format::Binary));
  ASSERT_TRUE(domain->setValue("gone", Value()));
  ASSERT_TRUE(domain->setValue("mine", Value("c")));
  ASSERT_TRUE(domain->synchronize());
  EXPECT_EQ(PropertyList::readFile(domain->path()), Value(Dictionary{{"mine", Value("c")}, {"theirs", Value(7)}}));
  EXPECT_EQ(domain->copyValue("theirs"), Value(7));
}

TEST_F(PreferencesDomainTest, ChangesThatLeaveTheFileAsItWasDoNotReplaceIt) {
  auto domain = PreferencesDomain::named("unchanged");
  auto inode = [&] {
    struct stat status {};
    return ::stat(domain->path().c_str(), &status) == 0 ? status.st_ino : 0;
  };
  // An empty domain needs no file.
  ASSERT_TRUE(domain->setValue("brief", Value(1)));
  ASSERT_TRUE(domain->setValue("brief", Value()));
  ASSERT_TRUE(domain->synchronize());
  EXPECT_FALSE(domain->hasPendingChanges());
  EXPECT_FALSE(AtomicFile::fileExists(domain->path()));
  ASSERT_TRUE(domain->setValue("kept", Value("a")));
  ASSERT_TRUE(domain->synchronize());
  const auto written = inode();

  ASSERT_TRUE(domain->setValue("kept", Value("a")));
  ASSERT_TRUE(domain->setValue("brief", Value(1)));
  ASSERT_TRUE(domain->setValue("brief", Value()));
  ASSERT_TRUE(domain->synchronize());
  EXPECT_FALSE(domain->hasPendingChanges());
  EXPECT_EQ(inode(), written);

  // A change another process made meanwhile is still seen, and a real change still replaces the file.
  ASSERT_TRUE(PropertyList::writeFile(domain->path(), Value(Dictionary{{"kept", Value("b")}}), PropertyList::Format::Binary));
  ASSERT_TRUE(domain->setValue("kept", Value("b")));
  ASSERT_TRUE(domain->synchronize());
  EXPECT_EQ(domain->copyValue("kept"), Value("b"));
  const auto theirs = inode();
  ASSERT_TRUE(domain->setValue("kept", Value("c")));
  ASSERT_TRUE(domain->synchronize());
  EXPECT_NE(inode(), theirs);
  EXPECT_EQ(PropertyList::readFile(domain->path()), Value(Dictionary{{"kept", Value("c")}}));
}

TEST_F(PreferencesDomainTest, ADamagedFileIsKeptAsideNamedAndReplacedByTheNextWrite) {
  std::string path = Paths::preferences() + "/corrupt.plist";
  const std::string firstDamage("bplist00\x01\x02garbage", 17);
  ASSERT_TRUE(AtomicFile::writeAtomically(path, std::string_view(firstDamage)).ok());
  platform::log::CapturedLines lines;
  auto domain = PreferencesDomain::named("corrupt");
  EXPECT_TRUE(domain->copyValue("anything").isNil());
  auto kept = ostrel::testing::damagedCopiesOf(path);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(AtomicFile::readText(kept[0]).valueOr(""), firstDamage);
  EXPECT_TRUE(lines.contains("kept as " + kept[0]));
  ASSERT_TRUE(domain->setValue("fresh", Value(true)));
  ASSERT_TRUE(domain->synchronize());
  EXPECT_EQ(PropertyList::readFile(path), Value(Dictionary{{"fresh", Value(true)}}));

  // Damaged again under a domain already read: the write finds it, and the first copy stays.
  ASSERT_TRUE(AtomicFile::writeAtomically(path, std::string_view("<plist><dict><key>torn")).ok());
  ASSERT_TRUE(domain->setValue("later", Value(2)));
  ASSERT_TRUE(domain->synchronize());
  kept = ostrel::testing::damagedCopiesOf(path);
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(AtomicFile::readText(kept[0]).valueOr(""), firstDamage);
  EXPECT_EQ(AtomicFile::readText(kept[1]).valueOr(""), "<plist><dict><key>torn");
  EXPECT_TRUE(lines.contains("kept as " + kept[1]));
  EXPECT_EQ(PropertyList::readFile(path), Value(Dictionary{{"fresh", Value(true)}, {"later", Value(2)}}));
}

// What stands in a domain file's place without being a file (a FIFO, a device, a folder, a link that
// leads nowhere or round in a loop) is read without waiting, named once and left: the domain lives in memory
// for the run. A file as good as endless is kept aside as any damaged one.
TEST_F(PreferencesDomainTest, WhatIsNotAFileIsLeftInPlaceAndAnEndlessFileKeptAside) {
  namespace fs = std::filesystem;
  const std::string folder = Paths::preferences();
  ASSERT_EQ(::mkfifo((folder + "/fifo.plist").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", folder + "/zero.plist");
  fs::create_symlink(folder + "/unmounted/its.plist", folder + "/nowhere.plist");
  fs::create_symlink(folder + "/loop.plist", folder + "/loop.plist");
  fs::create_directory(folder + "/folder.plist");
  for (const char* name : {"fifo", "zero", "nowhere", "loop", "folder"}) {
    const std::string path = folder + "/" + name + ".plist";
    const std::string kind = AtomicFile::whatStandsAt(path).words();
    platform::log::CapturedLines lines;
    auto domain = PreferencesDomain::named(name);
    EXPECT_TRUE(domain->copyValue("key").isNil()) << name;
    // What the file held is unknown: a reader that trusts a key to be there learns why it is not.
    EXPECT_EQ(domain->leftUnreadInPlace(), kind) << name;
    EXPECT_EQ(domain->keptAsidePath(), "") << name;
    ASSERT_TRUE(domain->setValue("key", Value(1)));
    EXPECT_EQ(domain->copyValue("key"), Value(1)) << name;
    Error error;
    EXPECT_FALSE(domain->synchronize(&error)) << name;
    EXPECT_FALSE(domain->synchronize()) << name;
    EXPECT_TRUE(domain->hasPendingChanges()) << name;
    EXPECT_NE(error.description().find("left in place"), std::string::npos) << error.description();
    EXPECT_EQ(AtomicFile::whatStandsAt(path).words(), kind) << name;
    std::size_t naming = 0;
    for (const auto& line : lines.lines()) naming += line.message.find(path + " is " + kind) != std::string::npos;
    EXPECT_EQ(naming, 1u) << name;
  }

  const std::string endless = folder + "/endless.plist";
  ASSERT_TRUE(AtomicFile::writeAtomically(endless, "bplist00").ok());
  fs::resize_file(endless, std::uintmax_t{1} << 40);
  auto domain = PreferencesDomain::named("endless");
  EXPECT_TRUE(domain->copyValue("key").isNil());
  EXPECT_EQ(ostrel::testing::damagedCopiesOf(endless).size(), 1u);
  EXPECT_EQ(domain->leftUnreadInPlace(), "");
  ASSERT_TRUE(domain->setValue("key", Value(1)));
  ASSERT_TRUE(domain->synchronize());
  EXPECT_EQ(PropertyList::readFile(endless), Value(Dictionary{{"key", Value(1)}}));
}

// A damaged file stays in its place until the domain replaces it in one step: a process killed before
// that leaves it to the next, which finds the same copy, and what the file held (a marker vouching for
// a record kept elsewhere) is never taken for a file never written. A domain with nothing to write
// replaces it too, at its next synchronisation.
TEST_F(PreferencesDomainTest, ADamagedFileStaysInItsPlaceUntilItIsReplacedWhole) {
  auto domain = PreferencesDomain::named("marker");
  const std::string path = domain->path();
  ASSERT_TRUE(AtomicFile::writeAtomically(path, std::string_view("bplist00 torn")).ok());
  EXPECT_TRUE(domain->copyValue("key").isNil());
  const std::string kept = domain->keptAsidePath();
  ASSERT_FALSE(kept.empty());
  EXPECT_EQ(AtomicFile::readText(path).valueOr(""), "bplist00 torn");

  PreferencesDomain::forgetFolder(root_.path());  // as a kill leaves it: the next process reads again
  domain = PreferencesDomain::named("marker");
  EXPECT_TRUE(domain->copyValue("key").isNil());
  EXPECT_EQ(domain->keptAsidePath(), kept);
  EXPECT_EQ(ostrel::testing::damagedCopiesOf(path).size(), 1u);
  EXPECT_TRUE(domain->hasPendingChanges());
  ASSERT_TRUE(domain->synchronize());
  EXPECT_FALSE(domain->hasPendingChanges());
  EXPECT_EQ(PropertyList::readFile(path), Value(Dictionary{}));
  EXPECT_EQ(AtomicFile::readText(kept).valueOr(""), "bplist00 torn");
}

// A file the domain may not read is no damaged file: it is named, left as it is and never written over.
TEST_F(PreferencesDomainTest, AFileTheDomainMayNotReadIsLeftAsItIs) {
  const std::string path = Paths::preferences() + "/locked.plist";
  ASSERT_TRUE(PropertyList::writeFile(path, Value(Dictionary{{"key", Value(1)}}), PropertyList::Format::Binary));
  std::filesystem::permissions(path, std::filesystem::perms::none);
  if (!AtomicFile::mayNotRead(path)) GTEST_SKIP() << "this user may read any file (root)";
  auto domain = PreferencesDomain::named("locked");
  EXPECT_TRUE(domain->copyValue("key").isNil());
  EXPECT_EQ(domain->leftUnreadInPlace(), platform::foundation::PathKind::kMayNotReadWords);
  ASSERT_TRUE(domain->setValue("key", Value(2)));
  EXPECT_FALSE(domain->synchronize());
  EXPECT_TRUE(ostrel::testing::damagedCopiesOf(path).empty());
  std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  EXPECT_EQ(PropertyList::readFile(path), Value(Dictionary{{"key", Value(1)}}));
}

TEST_F(PreferencesDomainTest, UserDefaultsRefuseOtherKindsAndUnwritableValues) {
  UserDefaults defaults("typed");
  defaults.setInteger(42, "int");
  defaults.setObject("list", Value(Array{Value("x")}));
  EXPECT_EQ(defaults.stringForKey("int"), "42");
  EXPECT_EQ(defaults.stringForKey("list"), std::nullopt);
  EXPECT_EQ(defaults.dictionaryForKey("list"), std::nullopt);
  EXPECT_FALSE(defaults.setObject("bad", Value::null()));
  EXPECT_TRUE(defaults.objectForKey("bad").isNil());
  for (const char* yes : {"YES", " true", "+01"}) {
    defaults.setObject("switch", Value(yes));
    EXPECT_TRUE(defaults.boolForKey("switch")) << yes;
  }
  for (const char* no : {"NO", "", "0", "off"}) {
    defaults.setObject("switch", Value(no));
    EXPECT_FALSE(defaults.boolForKey("switch")) << no;
  }
}

// The app's own defaults were kept as "ostrel" while the bundle had no identifier; once it has one,
// they move over rather than being left behind, and an identifier's file already there is kept.
TEST_F(PreferencesDomainTest, TheAppsDefaultsFollowItsBundleIdentifier) {
  ostrel::testing::ScratchFolder bundle;
  ASSERT_TRUE(PropertyList::writeFile(bundle / "Info.plist",
                                      Value(Dictionary{{"CFBundleIdentifier", Value("com.example.ostrel")}}),
                                      PropertyList::Format::Xml));
  const std::string savedBundle = Bundle::setMainPath(bundle.path());
  const std::string old = Paths::preferences() + "/ostrel.plist";
  ASSERT_TRUE(PropertyList::writeFile(old, Value(Dictionary{{"kept", Value("yes")}}), PropertyList::Format::Binary));
  EXPECT_EQ(PreferencesDomain::named("")->copyValue("kept"), Value("yes"));
  EXPECT_FALSE(AtomicFile::fileExists(old));
  EXPECT_TRUE(AtomicFile::fileExists(Paths::preferences() + "/com.example.ostrel.plist"));

  Paths::setRoot(root_ / "second");
  ASSERT_TRUE(PropertyList::writeFile(Paths::preferences() + "/ostrel.plist", Value(Dictionary{{"kept", Value("old")}}),
                                      PropertyList::Format::Binary));
  ASSERT_TRUE(PropertyList::writeFile(Paths::preferences() + "/com.example.ostrel.plist",
                                      Value(Dictionary{{"kept", Value("new")}}), PropertyList::Format::Binary));
  EXPECT_EQ(PreferencesDomain::named("")->copyValue("kept"), Value("new"));
  Bundle::setMainPath(savedBundle);
}

// --- across processes -----------------------------------------------------------------------------

TEST(PreferencesDomainChild, Write) {
  if (role().empty()) GTEST_SKIP() << "runs only as a child process";
  auto domain = PreferencesDomain::named("shared");
  if (role() == "exit") {
    // Not synchronised here: the exit hook must write it.
    ASSERT_TRUE(domain->setValue("written-by", Value("child")));
    return;
  }
  for (int i = 0; i < 40; ++i) {
    ASSERT_TRUE(domain->setValue(role() + "-" + std::to_string(i), Value(i)));
    ASSERT_TRUE(domain->synchronize());
  }
}

TEST_F(PreferencesDomainTest, AChangeLeftPendingAtExitReachesTheNextProcess) {
  ASSERT_EQ(waitChild(spawnChild("PreferencesDomainChild.Write", "exit", root_.path())), 0);
  EXPECT_EQ(PreferencesDomain::named("shared")->copyValue("written-by"), Value("child"));
}

TEST_F(PreferencesDomainTest, TwoProcessesSynchronizingAtOnceKeepEveryKey) {
  // Both children run at once; forking this threaded test process instead would risk a child that
  // inherits a lock some other thread held.
  pid_t left = spawnChild("PreferencesDomainChild.Write", "left", root_.path());
  pid_t right = spawnChild("PreferencesDomainChild.Write", "right", root_.path());
  ASSERT_EQ(waitChild(left), 0);
  ASSERT_EQ(waitChild(right), 0);

  Value stored = PropertyList::readFile(Paths::preferences() + "/shared.plist");
  for (int i = 0; i < 40; ++i) {
    EXPECT_EQ(stored["left-" + std::to_string(i)], Value(i));
    EXPECT_EQ(stored["right-" + std::to_string(i)], Value(i));
  }
}

// The folder's lock is a path the app opens like any other: a link there must not make its target
// (wherever it points), a FIFO must not hold a save, and the settings still reach their file.
TEST_F(PreferencesDomainTest, WhatStandsAtTheFolderLockIsLeftAloneAndSavesGoOn) {
  namespace fs = std::filesystem;
  const std::string folder = Paths::preferences();
  const std::string lock = folder + "/.preferences.lock";
  const std::string target = root_.path() + "/outside/made-through-the-lock";
  fs::create_directories(root_.path() + "/outside");
  struct Place {
    const char* name;
    std::function<void()> make;
  };
  const std::vector<Place> places = {
      {"nowhere", [&] { fs::create_symlink(target, lock); }},
      {"loop", [&] { fs::create_symlink(lock, lock); }},
      {"fifo", [&] { ASSERT_EQ(::mkfifo(lock.c_str(), 0600), 0); }},
      {"folder", [&] { fs::create_directory(lock); }},
  };
  for (const auto& place : places) {
    fs::remove(lock);
    place.make();
    const std::string kind = AtomicFile::whatStandsAt(lock).words();
    platform::log::CapturedLines lines;
    auto domain = PreferencesDomain::named(std::string("lock-") + place.name);
    ASSERT_TRUE(domain->setValue("key", Value(2)));
    EXPECT_TRUE(domain->synchronize()) << place.name;
    EXPECT_EQ(PropertyList::readFile(folder + "/lock-" + place.name + ".plist"), Value(Dictionary{{"key", Value(2)}}))
        << place.name;
    EXPECT_FALSE(fs::exists(fs::symlink_status(target))) << place.name;
    EXPECT_EQ(AtomicFile::whatStandsAt(lock).words(), kind) << place.name;
    std::size_t naming = 0;
    for (const auto& line : lines.lines()) naming += line.message.find("cannot lock " + lock) != std::string::npos;
    EXPECT_EQ(naming, 1u) << place.name;
  }
}
