#include "platform/foundation/DamagedFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <memory>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Clock.h"
#include "platform/log/Log.h"
#include "testing/ScopedClock.h"
#include "testing/ScratchFolder.h"

namespace platform::foundation {
namespace {

class DamagedFileTest : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return folder_ / name; }
  void write(const std::string& name, std::string_view bytes) {
    ASSERT_TRUE(AtomicFile::writeAtomically(path(name), bytes).ok());
  }
  std::string read(const std::string& at) const { return AtomicFile::readText(at).valueOr("<missing>"); }

  ostrel::testing::ScratchFolder folder_;
  std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>();  // 2023-11-14 22:13:20 UTC
  ostrel::testing::ScopedClock scopedClock_{clock_};
  platform::log::CapturedLines log_;
};

TEST_F(DamagedFileTest, KeepsEveryDamagedCopyUnderItsDateAndNeverOverwritesOne) {
  write("settings.plist", "first damage");
  const std::string first = DamagedFile::keepAside(path("settings.plist")).valueOr("");
  EXPECT_EQ(first, path("settings.plist.damaged-20231114-221320"));
  EXPECT_FALSE(AtomicFile::fileExists(path("settings.plist")));

  // Damaged again within the same second, and once more: each copy keeps a name of its own.
  write("settings.plist", "second damage");
  const std::string second = DamagedFile::keepAside(path("settings.plist")).valueOr("");
  write("settings.plist", "third damage");
  const std::string third = DamagedFile::keepAside(path("settings.plist")).valueOr("");
  EXPECT_EQ(second, first + "-2");
  EXPECT_EQ(third, first + "-3");
  EXPECT_EQ(read(first), "first damage");
  EXPECT_EQ(read(second), "second damage");
  EXPECT_EQ(read(third), "third damage");

  clock_->advance(86400);
  write("settings.plist", "next day");
  EXPECT_EQ(DamagedFile::keepAside(path("settings.plist")).valueOr(""), path("settings.plist.damaged-20231115-221320"));
}

TEST_F(DamagedFileTest, ADatabaseTakesItsJournalAndLogAlong) {
  write("store.sql", "not a database");
  write("store.sql-wal", "frames");
  write("store.sql-shm", "index");
  write("store.sql-journal", "rollback");
  const std::string kept = DamagedFile::keepAside(path("store.sql")).valueOr("");
  ASSERT_FALSE(kept.empty());
  for (const char* suffix : {"-wal", "-shm", "-journal"}) {
    EXPECT_FALSE(AtomicFile::fileExists(path("store.sql") + suffix)) << suffix;
    EXPECT_TRUE(AtomicFile::fileExists(kept + suffix)) << suffix;
  }
  EXPECT_EQ(read(kept + "-wal"), "frames");
}

TEST_F(DamagedFileTest, AFileStillInUseIsCopiedUnderTheSameNames) {
  write("store.sql-wal", "frames");
  EXPECT_EQ(DamagedFile::keepCopy(path("store.sql-wal")).valueOr(""), path("store.sql-wal.damaged-20231114-221320"));
  EXPECT_EQ(DamagedFile::keepCopy(path("store.sql-wal")).valueOr(""), path("store.sql-wal.damaged-20231114-221320-2"));
  EXPECT_EQ(read(path("store.sql-wal")), "frames");
  EXPECT_EQ(read(path("store.sql-wal.damaged-20231114-221320-2")), "frames");
  const auto missing = DamagedFile::keepCopy(path("missing"));
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().code, ENOENT);
}

TEST_F(DamagedFileTest, ACopyMayGoToAFolderOfItsOwn) {
  write("event", "unreadable");
  ASSERT_TRUE(AtomicFile::createDirectories(path("kept")).ok());
  EXPECT_EQ(DamagedFile::keepAside(path("event"), path("kept")).valueOr(""), path("kept/event.damaged-20231114-221320"));
  EXPECT_EQ(read(path("kept/event.damaged-20231114-221320")), "unreadable");
  // A store that lists such a folder reads each copy's own name back out of it.
  write("event", "unreadable again");
  EXPECT_EQ(DamagedFile::keepAside(path("event"), path("kept")).valueOr(""), path("kept/event.damaged-20231114-221320-2"));
  EXPECT_EQ(DamagedFile::nameKeptFrom("event.damaged-20231114-221320"), "event");
  EXPECT_EQ(DamagedFile::nameKeptFrom("event.damaged-20231114-221320-2"), "event");
  EXPECT_EQ(DamagedFile::nameKeptFrom("a.damaged-b.damaged-20231114-221320"), "a.damaged-b");
  EXPECT_EQ(DamagedFile::nameKeptFrom("event"), "event");
  const auto gone = DamagedFile::keepAside(path("event"), path("kept"));
  ASSERT_FALSE(gone.ok()) << "gone already";
  EXPECT_EQ(gone.error().code, ENOENT);
  EXPECT_NE(gone.error().localizedDescription().find(path("event")), std::string::npos);
}

TEST_F(DamagedFileTest, TheWarningNamesTheCopyAndAFileThatCannotMoveIsAnError) {
  write("events", "garbage");
  const std::string kept = DamagedFile::keepAsideWithWarning(path("events"), "event file", "it is sent no more").valueOr("");
  ASSERT_EQ(log_.lines().size(), 1u);
  EXPECT_EQ(log_.lines()[0].level, platform::log::Warning);
  EXPECT_EQ(log_.lines()[0].message, "The event file could not be read; it is kept as " + kept + " and it is sent no more");

  log_.clear();
  EXPECT_FALSE(DamagedFile::keepAsideWithWarning(path("gone"), "event file", "-").ok());
  ASSERT_EQ(log_.lines().size(), 1u);
  EXPECT_EQ(log_.lines()[0].level, platform::log::Error);
  EXPECT_NE(log_.lines()[0].message.find(path("gone")), std::string::npos);

  // Not a file of the app's: named as what it is and left where someone put it.
  log_.clear();
  std::filesystem::create_symlink(path("unmounted/events"), path("linked"));
  EXPECT_FALSE(DamagedFile::keepAsideWithWarning(path("linked"), "event file", "-").ok());
  ASSERT_EQ(log_.lines().size(), 1u);
  EXPECT_EQ(log_.lines()[0].level, platform::log::Warning);
  EXPECT_EQ(log_.lines()[0].message, "The event file cannot be read: " + path("linked") +
                                         " is a link that leads nowhere, not a regular file; it is left in place");
  EXPECT_TRUE(std::filesystem::is_symlink(path("linked")));
}

// A file its reader replaces whole is kept under a second name and stays in its place until then: a
// reader after a kill meets it again and finds the same copy; only another damage makes another copy.
TEST_F(DamagedFileTest, AFileReplacedWholeStaysInItsPlaceUntilItsReaderReplacesIt) {
  write("settings.plist", "damaged");
  const std::string kept = DamagedFile::keepBeforeReplacing(path("settings.plist")).valueOr("");
  EXPECT_EQ(kept, path("settings.plist.damaged-20231114-221320"));
  EXPECT_EQ(read(path("settings.plist")), "damaged");
  EXPECT_EQ(DamagedFile::keepBeforeReplacing(path("settings.plist")).valueOr(""), kept) << "kept again after a kill";
  write("settings.plist", "fresh");
  EXPECT_EQ(read(kept), "damaged");

  write("settings.plist", "damaged");
  EXPECT_EQ(DamagedFile::keepBeforeReplacing(path("settings.plist")).valueOr(""), kept + "-2") << "damaged again, alike";
  EXPECT_EQ(DamagedFile::keepBeforeReplacing(path("settings.plist")).valueOr(""), kept + "-2");
  DamagedFile::reportKept(path("settings.plist"), kept + "-2", "settings file", "-");
  DamagedFile::reportKept(path("settings.plist"), kept + "-2", "settings file", "-");
  EXPECT_EQ(log_.lines().size(), 1u) << "a copy met again is named once";
  DamagedFile::reportKept(path("settings.plist"), kept + "-2", "settings file", "a rescue follows");
  EXPECT_EQ(log_.lines().size(), 2u) << "what becomes of it is said each time it changes";

  // What is not a file of the app's is neither kept nor moved.
  std::filesystem::create_symlink(path("settings.plist"), path("linked.plist"));
  const auto linked = DamagedFile::keepBeforeReplacing(path("linked.plist"));
  ASSERT_FALSE(linked.ok());
  EXPECT_EQ(linked.error().code, EISDIR);
  EXPECT_TRUE(std::filesystem::is_symlink(path("linked.plist")));
}

// A file the app may not read is nothing it can judge: it is not kept, not moved, and named as such.
TEST_F(DamagedFileTest, AFileTheAppMayNotReadIsLeftAndNamed) {
  write("settings.plist", "someone's");
  std::filesystem::permissions(path("settings.plist"), std::filesystem::perms::none);
  if (!AtomicFile::mayNotRead(path("settings.plist"))) GTEST_SKIP() << "this user may read any file (root)";
  const auto kept = DamagedFile::keepBeforeReplacing(path("settings.plist"));
  ASSERT_FALSE(kept.ok());
  EXPECT_EQ(kept.error().code, EACCES);
  DamagedFile::reportKept(path("settings.plist"), kept, "settings file", "-");
  ASSERT_EQ(log_.lines().size(), 1u);
  EXPECT_EQ(log_.lines()[0].message, "The settings file cannot be read: " + path("settings.plist") +
                                         " is a file the app may not read; it is left in place and not used");
  EXPECT_FALSE(AtomicFile::writeAtomically(path("settings.plist"), std::string_view("defaults")).ok());
  EXPECT_EQ(std::filesystem::status(path("settings.plist")).permissions(), std::filesystem::perms::none);
}

}  // namespace
}  // namespace platform::foundation

namespace platform::foundation {
namespace {

// A copy noted by name before the move is found again by that name in a copy of the folder, where its
// identity is new; a name that is not a kept copy of the file is not taken for one, and a link left at
// the name of a copy moved away is given for the caller to look at.
TEST_F(DamagedFileTest, ACopyNotedByNameIsFoundInACopyOfTheFolder) {
  write("lenses.db", "damaged");
  write("lenses.db.damaged-20231114-221320", "kept before");
  const std::string next = DamagedFile::nextKeptPath(path("lenses.db")).valueOr("");
  EXPECT_EQ(next, path("lenses.db.damaged-20231114-221320-2"));
  EXPECT_EQ(DamagedFile::keepAsideAs(path("lenses.db"), next).valueOr(""), next);

  ostrel::testing::ScratchFolder elsewhere;
  const std::string copied = elsewhere.path();
  for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
    std::filesystem::copy_file(entry.path(), copied + "/" + entry.path().filename().native());
  }
  const std::string name = std::filesystem::path(next).filename();
  EXPECT_EQ(DamagedFile::keptCopyNamed(copied + "/lenses.db", name), copied + "/" + name);
  EXPECT_EQ(DamagedFile::keptCopyOf(copied + "/lenses.db", DamagedFile::identityOf(next)), "") << "a copy is another file";
  EXPECT_EQ(DamagedFile::newestKeptCopyOf(copied + "/lenses.db"), copied + "/" + name);

  EXPECT_EQ(DamagedFile::keptCopyNamed(copied + "/lenses.db", "other.db.damaged-20231114-221320"), "");
  EXPECT_EQ(DamagedFile::keptCopyNamed(copied + "/lenses.db", "../lenses.db.damaged-20231114-221320"), "");
  EXPECT_EQ(DamagedFile::keptCopyNamed(copied + "/lenses.db", "lenses.db.damaged-20231114-221320-8"), "") << "none there";
  std::filesystem::create_symlink(copied + "/moved/away", copied + "/lenses.db.damaged-20231114-221320-9");
  EXPECT_EQ(DamagedFile::keptCopyNamed(copied + "/lenses.db", "lenses.db.damaged-20231114-221320-9"),
            copied + "/lenses.db.damaged-20231114-221320-9");
  EXPECT_TRUE(DamagedFile::namesKeptCopyOf(copied + "/lenses.db", "lenses.db.damaged-20231114-221320-8"));
  EXPECT_FALSE(DamagedFile::namesKeptCopyOf(copied + "/lenses.db", "lenses.db.damaged-20231114-221320-journal"));
}

}  // namespace
}  // namespace platform::foundation
