#include "platform/foundation/AtomicFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "testing/ScratchFolder.h"

namespace platform::foundation {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return folder_ / name; }
  // Everything in the folder except `keep`: stray temporary files show up here.
  std::vector<std::string> strays(const std::string& keep) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_.path())) {
      if (entry.path().filename() != keep) names.push_back(entry.path().filename().string());
    }
    return names;
  }

  // Every name in the folder `name` of the scratch folder, in order.
  std::vector<std::string> namesIn(const std::string& name) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path(name))) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  ostrel::testing::ScratchFolder folder_;
};

TEST_F(AtomicFileTest, WritesReplacesAndReadsBack) {
  ASSERT_TRUE(AtomicFile::writeAtomically(path("prefs.plist"), "first").ok());
  ASSERT_TRUE(AtomicFile::writeAtomically(path("prefs.plist"), "second", 0600).ok());
  EXPECT_EQ(AtomicFile::readText(path("prefs.plist")).valueOr(""), "second");
  struct stat info {};
  ASSERT_EQ(::stat(path("prefs.plist").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_TRUE(strays("prefs.plist").empty());

  // A failed rename leaves the target and no temporary: a non-empty folder cannot be replaced by a file.
  ASSERT_TRUE(AtomicFile::createDirectories(path("target/inner")).ok());
  auto replaced = AtomicFile::writeAtomically(path("target"), "data");
  ASSERT_FALSE(replaced.ok());
  EXPECT_EQ(replaced.error().domain, AtomicFile::kErrorDomain);
  EXPECT_NE(replaced.error().code, 0);
  const std::string error = replaced.error().localizedDescription();
  EXPECT_EQ(error.rfind("cannot replace " + path("target") + ": ", 0), 0u) << error;
  EXPECT_TRUE(AtomicFile::isDirectory(path("target/inner")));
  EXPECT_EQ(strays("target"), std::vector<std::string>{"prefs.plist"});
}

// Another thread or process sweeping the folder for left-over temporaries while a write is on its way
// must not take the write's own temporary: the write would fail, or its bytes go nowhere.
TEST_F(AtomicFileTest, ASweepTakesOnlyTemporariesNoWriterHolds) {
  const std::string held = path(".prefs.plist.AbC123");
  ASSERT_TRUE(AtomicFile::writeAtomically(held, "half written").ok());
  int fd = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  EXPECT_EQ(AtomicFile::removeStaleTemporaries(folder_.path(), 0), 0u);
  EXPECT_TRUE(AtomicFile::fileExists(held));
  ::close(fd);
  EXPECT_EQ(AtomicFile::removeStaleTemporaries(folder_.path(), 0), 1u);
  EXPECT_FALSE(AtomicFile::fileExists(held));

  std::atomic<bool> writing{true};
  std::thread sweeper([&] {
    while (writing) (void)AtomicFile::removeStaleTemporaries(folder_.path(), 0);
  });
  int failures = 0;
  for (int i = 0; i < 300; ++i) {
    auto written = AtomicFile::writeAtomically(path("prefs.plist"), "value " + std::to_string(i));
    if (!written.ok()) { ++failures; ADD_FAILURE() << written.error().localizedDescription(); }
  }
  writing = false;
  sweeper.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(AtomicFile::readText(path("prefs.plist")).valueOr(""), "value 299");
  EXPECT_TRUE(strays("prefs.plist").empty());
}

TEST_F(AtomicFileTest, ReproducibleFilesAreReplacedWholeAndReportFailures) {
  ASSERT_TRUE(AtomicFile::writeReproducible(path("01-shot.json"), "{\"first\": 1}").ok());
  const std::uint8_t png[] = {0x89, 'P', 'N', 'G', 0, 0xFF};
  ASSERT_TRUE(AtomicFile::writeReproducible(path("01-shot.json"), png, sizeof png).ok());
  EXPECT_EQ(AtomicFile::readFile(path("01-shot.json")).valueOr({}), std::vector<std::uint8_t>(png, png + sizeof png));
  EXPECT_TRUE(strays("01-shot.json").empty()) << "no temporary left behind";

  auto missing = AtomicFile::writeReproducible(path("gone/02-shot.json"), "{}");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().code, ENOENT);
  ASSERT_TRUE(AtomicFile::createDirectories(path("taken/inner")).ok());
  EXPECT_FALSE(AtomicFile::writeReproducible(path("taken"), "{}").ok()) << "a folder is not replaced";
  EXPECT_TRUE(AtomicFile::isDirectory(path("taken/inner")));
}

TEST_F(AtomicFileTest, AFailedWriteLeavesTheOldContent) {
  ASSERT_TRUE(AtomicFile::writeAtomically(path("db"), "old content").ok());
  // Cap the file size so the write itself fails part-way (EFBIG instead of the default SIGXFSZ).
  rlimit saved {};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  auto written = AtomicFile::writeAtomically(path("db"), std::string(100000, 'x'));
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, oldHandler);

  ASSERT_FALSE(written.ok());
  EXPECT_EQ(written.error().code, EFBIG);
  EXPECT_EQ(written.error().localizedDescription(), "cannot write " + path("db") + ": " + std::strerror(EFBIG));
  EXPECT_EQ(AtomicFile::readText(path("db")).valueOr(""), "old content");
  EXPECT_TRUE(strays("db").empty());
}

TEST_F(AtomicFileTest, AProcessKilledMidWriteLeavesAWholeFile) {
  const size_t size = 1 << 20;
  ASSERT_TRUE(AtomicFile::writeAtomically(path("data"), std::string(size, 'a')).ok());
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(pipeFds[0]);
    for (int round = 0;; ++round) {
      if (!AtomicFile::writeAtomically(path("data"), std::string(size, round % 2 ? 'a' : 'b')).ok()) ::_exit(1);
      if (::write(pipeFds[1], "w", 1) != 1) ::_exit(1);
    }
  }
  ::close(pipeFds[1]);
  char mark;
  for (int i = 0; i < 3; ++i) ASSERT_EQ(::read(pipeFds[0], &mark, 1), 1);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ::close(pipeFds[0]);

  auto text = AtomicFile::readText(path("data"));
  ASSERT_TRUE(text.ok());
  ASSERT_EQ(text->size(), size);
  EXPECT_EQ(text->find_first_not_of(text->front()), std::string::npos);
}

TEST_F(AtomicFileTest, CopiesLargeFilesAndFolderHelpersReportFailures) {
  std::string big(300000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 31 % 251);
  ASSERT_TRUE(AtomicFile::writeAtomically(path("catalogue.db"), big).ok());
  ASSERT_TRUE(AtomicFile::copyFile(path("catalogue.db"), path("copy.db")).ok());
  EXPECT_EQ(AtomicFile::readText(path("copy.db")).valueOr(""), big);
  auto missing = AtomicFile::copyFile(path("missing.db"), path("copy.db"));
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().code, ENOENT);
  EXPECT_EQ(missing.error().localizedDescription(), "cannot open " + path("missing.db") + ": " + std::strerror(ENOENT));
  EXPECT_EQ(AtomicFile::readText(path("copy.db")).valueOr(""), big);
  auto unread = AtomicFile::readFile(path("missing.db"));
  ASSERT_FALSE(unread.ok());
  EXPECT_EQ(unread.error().localizedDescription(), missing.error().localizedDescription());

  EXPECT_FALSE(AtomicFile::writeAtomically(path("no/such/folder/file"), "x").ok());
  ASSERT_TRUE(AtomicFile::createDirectories(path("a/b")).ok());
  EXPECT_TRUE(AtomicFile::createDirectories(path("a/b")).ok());  // already there
  EXPECT_FALSE(AtomicFile::createDirectories(path("catalogue.db/d")).ok());
  EXPECT_TRUE(AtomicFile::removeLeftover(path("copy.db")));
  EXPECT_FALSE(AtomicFile::anythingAt(path("copy.db")));
  EXPECT_TRUE(AtomicFile::removeFile(path("copy.db")).ok());  // already gone
  EXPECT_FALSE(AtomicFile::removeFile(path("a/b")).ok());     // a folder is not a file
}

// What a person, a broken backup or a mount that is not there now leaves in a stored file's place: no
// read waits on it or runs on without end, none is taken for a missing file, no write takes its place.
TEST_F(AtomicFileTest, OnlyRegularFilesWithinTheirBoundAreReadAndNothingElseIsReplaced) {
  ASSERT_TRUE(AtomicFile::writeAtomically(path("prefs.plist"), "0123456789").ok());
  EXPECT_EQ(AtomicFile::readText(path("prefs.plist"), 10).valueOr(""), "0123456789");
  auto past = AtomicFile::readText(path("prefs.plist"), 9);
  ASSERT_FALSE(past.ok());
  EXPECT_EQ(past.error().code, EFBIG);
  EXPECT_NE(past.error().localizedDescription().find("more than 9 bytes"), std::string::npos);
  // A file as good as endless is refused by its size, before a byte of it is read.
  ASSERT_TRUE(AtomicFile::writeAtomically(path("endless"), "x").ok());
  fs::resize_file(path("endless"), std::uintmax_t{1} << 40);
  EXPECT_EQ(AtomicFile::readFile(path("endless"), 1 << 20).error().code, EFBIG);
  fs::remove(path("endless"));

  ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", path("zero"));
  fs::create_symlink(path("not-mounted/prefs.plist"), path("nowhere"));
  fs::create_symlink(path("loop"), path("loop"));
  fs::create_symlink(path("prefs.plist"), path("link"));
  const std::pair<const char*, const char*> strangers[] = {{"fifo", "a FIFO"},
                                                           {"zero", "a link to a device"},
                                                           {"nowhere", "a link that leads nowhere"},
                                                           {"loop", "a link in a loop"}};
  for (const auto& [name, kind] : strangers) {
    EXPECT_EQ(AtomicFile::whatStandsAt(path(name)).words(), kind);
    EXPECT_TRUE(AtomicFile::anythingAt(path(name))) << name;
    auto read = AtomicFile::readFile(path(name), 1 << 20);
    ASSERT_FALSE(read.ok()) << name;
    EXPECT_TRUE(read.error().localizedDescription().ends_with(std::string(": it is ") + kind + ", not a regular file"))
        << read.error().localizedDescription();
    EXPECT_FALSE(AtomicFile::copyFile(path(name), path("copy")).ok()) << name;
    auto appended = AtomicFile::openForAppending(path(name));
    ASSERT_FALSE(appended.ok()) << name;
    EXPECT_EQ(appended.error().localizedDescription(),
              "cannot open " + path(name) + ": it is " + kind + ", not a regular file");
    auto folder = AtomicFile::createDirectories(path(name));
    ASSERT_FALSE(folder.ok()) << name;
    EXPECT_EQ(folder.error().localizedDescription(), "cannot create " + path(name) + ": it is " + kind + ", not a folder");
    EXPECT_EQ(AtomicFile::notAFolder(path(name)), std::string("it is ") + kind + ", not a folder");
    EXPECT_EQ(AtomicFile::notAFile(path(name)), std::string("it is ") + kind + ", not a file");
    EXPECT_FALSE(AtomicFile::removeLeftover(path(name))) << "someone else's: " << name;

    auto written = AtomicFile::writeAtomically(path(name), "defaults");
    ASSERT_FALSE(written.ok()) << name;
    EXPECT_EQ(written.error().localizedDescription().rfind("cannot replace " + path(name), 0), 0u);
    EXPECT_EQ(AtomicFile::whatStandsAt(path(name)).words(), kind) << "left in place";
  }
  EXPECT_FALSE(AtomicFile::fileExists(path("nowhere")));
  EXPECT_FALSE(AtomicFile::anythingAt(path("not-mounted"))) << "the far end of a link is never made";
  EXPECT_FALSE(AtomicFile::anythingAt(path("copy")));
  EXPECT_EQ(strays("prefs.plist").size(), 5u) << "no temporary is left";

  EXPECT_EQ(AtomicFile::notAFile(path("link")), "") << "a link to a file is that file";
  EXPECT_EQ(AtomicFile::notAFile(path("not-there")), "") << "a file may be made where nothing stands";
  // A link to a regular file is read through, and a write goes to the file it names; the link stays.
  EXPECT_EQ(AtomicFile::readText(path("link"), 10).valueOr(""), "0123456789");
  ASSERT_TRUE(AtomicFile::writeAtomically(path("link"), "new").ok());
  EXPECT_EQ(AtomicFile::whatStandsAt(path("link")).words(), "a link to a regular file");
  EXPECT_EQ(AtomicFile::readText(path("prefs.plist")).valueOr(""), "new");
}

// The person's file moved to another folder (another disk) with a link, or a link to a link, left in its
// place: every replacing write reaches the file at the end, made and renamed beside it, and the links
// stay; what a killed write left there is swept from the link's side.
TEST_F(AtomicFileTest, AWriteThroughALinkReplacesTheFileItLeadsTo) {
  const std::string far = path("elsewhere/prefs.plist");
  ASSERT_TRUE(AtomicFile::createDirectories(path("elsewhere")).ok());
  ASSERT_TRUE(AtomicFile::createDirectories(path("home")).ok());
  ASSERT_TRUE(AtomicFile::writeAtomically(far, "theirs", 0600).ok());
  fs::create_symlink(far, path("home/prefs.plist"));
  fs::create_symlink("prefs.plist", path("home/again.plist"));  // relative, to the link beside it
  EXPECT_EQ(AtomicFile::fileBehind(path("home/again.plist")), far);
  EXPECT_EQ(AtomicFile::fileBehind(path("home/none.plist")), path("home/none.plist"));

  ASSERT_TRUE(AtomicFile::writeAtomically(path("home/prefs.plist"), "saved").ok());
  EXPECT_EQ(AtomicFile::readText(far).valueOr(""), "saved");
  ASSERT_TRUE(AtomicFile::writeAtomically(path("home/again.plist"), "saved again").ok());
  EXPECT_EQ(AtomicFile::readText(far).valueOr(""), "saved again");
  ASSERT_TRUE(AtomicFile::writeAtomically(path("elsewhere/copied.db"), "catalogue").ok());
  ASSERT_TRUE(AtomicFile::copyFile(path("elsewhere/copied.db"), path("home/again.plist")).ok());
  EXPECT_EQ(AtomicFile::readText(far).valueOr(""), "catalogue");
  ASSERT_TRUE(AtomicFile::writeReproducible(path("home/prefs.plist"), "shot").ok());
  EXPECT_EQ(AtomicFile::readText(far).valueOr(""), "shot");
  for (const char* link : {"home/prefs.plist", "home/again.plist"}) {
    EXPECT_EQ(AtomicFile::whatStandsAt(path(link)).words(), "a link to a regular file") << link;
  }
  EXPECT_EQ(fs::read_symlink(path("home/prefs.plist")), far);
  EXPECT_EQ(fs::read_symlink(path("home/again.plist")), "prefs.plist");
  EXPECT_EQ(namesIn("home"), (std::vector<std::string>{"again.plist", "prefs.plist"})) << "no temporary beside the links";
  EXPECT_EQ(namesIn("elsewhere"), (std::vector<std::string>{"copied.db", "prefs.plist"})) << "no temporary beside the file";

  // A temporary a killed write left beside the far file goes with the sweep of the link's folder or of
  // the link's own temporaries; the person's own hidden files there stay.
  for (const std::string sweep : {"folder", "file"}) {
    const std::string left = path("elsewhere/.prefs.plist.Xy12Zq");
    ASSERT_TRUE(AtomicFile::writeAtomically(left, "half").ok());
    ASSERT_TRUE(AtomicFile::writeAtomically(path("elsewhere/.hidden"), "theirs").ok());
    const std::size_t removed = sweep == "folder" ? AtomicFile::removeStaleTemporaries(path("home"), 0)
                                                  : AtomicFile::removeStaleTemporariesOf(path("home/prefs.plist"), 0);
    EXPECT_EQ(removed, 1u) << sweep;
    EXPECT_FALSE(AtomicFile::anythingAt(left)) << sweep;
    EXPECT_TRUE(AtomicFile::anythingAt(path("elsewhere/.hidden"))) << sweep;
  }
  EXPECT_EQ(AtomicFile::readText(far).valueOr(""), "shot");
}

// A file kept open for appending, as a log is: made where nothing stands, added to where a file (or a
// link to one) stands, never a folder; a folder is made where nothing stands, and a link to one is one.
TEST_F(AtomicFileTest, AppendsOnlyToRegularFilesAndFoldersAreOnlyFolders) {
  for (const char* name : {"made.log", "made.log", "link.log"}) {
    if (std::string(name) == "link.log") fs::create_symlink(path("made.log"), path(name));
    auto opened = AtomicFile::openForAppending(path(name), 0600);
    ASSERT_TRUE(opened.ok()) << opened.error().localizedDescription();
    ASSERT_EQ(::write(*opened, "line\n", 5), 5);
    ::close(*opened);
  }
  EXPECT_EQ(AtomicFile::readText(path("made.log")).valueOr(""), "line\nline\nline\n");
  EXPECT_EQ(fs::status(path("made.log")).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_TRUE(AtomicFile::createDirectories(path("logs")).ok());
  EXPECT_EQ(AtomicFile::openForAppending(path("logs")).error().localizedDescription(),
            "cannot open " + path("logs") + ": it is a folder, not a regular file");
  EXPECT_EQ(AtomicFile::openForAppending(path("none/x.log")).error().code, ENOENT);

  fs::create_symlink(path("logs"), path("logs-link"));
  EXPECT_TRUE(AtomicFile::createDirectories(path("logs-link/below")).ok());
  EXPECT_EQ(AtomicFile::notAFolder(path("logs-link")), "");
  EXPECT_EQ(AtomicFile::notAFolder(path("missing")), "");
  EXPECT_EQ(AtomicFile::notAFolder(path("made.log")), "it is a regular file, not a folder");
}

}  // namespace
}  // namespace platform::foundation
