#include "platform/foundation/AtomicFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

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

  ostrel::testing::ScratchFolder folder_;
};

TEST_F(AtomicFileTest, WritesReplacesAndReadsBack) {
  std::string error;
  ASSERT_TRUE(AtomicFile::writeAtomically(path("prefs.plist"), "first"));
  ASSERT_TRUE(AtomicFile::writeAtomically(path("prefs.plist"), "second", &error, 0600)) << error;
  EXPECT_EQ(AtomicFile::readText(path("prefs.plist")), "second");
  struct stat info {};
  ASSERT_EQ(::stat(path("prefs.plist").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_TRUE(strays("prefs.plist").empty());

  // A failed rename leaves the target and no temporary: a non-empty folder cannot be replaced by a file.
  ASSERT_TRUE(AtomicFile::createDirectories(path("target/inner")));
  EXPECT_FALSE(AtomicFile::writeAtomically(path("target"), "data", &error));
  EXPECT_NE(error.find(path("target")), std::string::npos) << error;
  EXPECT_TRUE(AtomicFile::isDirectory(path("target/inner")));
  EXPECT_EQ(strays("target"), std::vector<std::string>{"prefs.plist"});
}

TEST_F(AtomicFileTest, AFailedWriteLeavesTheOldContent) {
  ASSERT_TRUE(AtomicFile::writeAtomically(path("db"), "old content"));
  // Cap the file size so the write itself fails part-way (EFBIG instead of the default SIGXFSZ).
  rlimit saved {};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string error;
  bool written = AtomicFile::writeAtomically(path("db"), std::string(100000, 'x'), &error);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(written);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(AtomicFile::readText(path("db")), "old content");
  EXPECT_TRUE(strays("db").empty());
}

TEST_F(AtomicFileTest, AProcessKilledMidWriteLeavesAWholeFile) {
  const size_t size = 1 << 20;
  ASSERT_TRUE(AtomicFile::writeAtomically(path("data"), std::string(size, 'a')));
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(pipeFds[0]);
    for (int round = 0;; ++round) {
      AtomicFile::writeAtomically(path("data"), std::string(size, round % 2 ? 'a' : 'b'));
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
  ASSERT_TRUE(text);
  ASSERT_EQ(text->size(), size);
  EXPECT_EQ(text->find_first_not_of(text->front()), std::string::npos);
}

TEST_F(AtomicFileTest, CopiesLargeFilesAndFolderHelpersReportFailures) {
  std::string big(300000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 31 % 251);
  ASSERT_TRUE(AtomicFile::writeAtomically(path("catalogue.db"), big));
  std::string error;
  ASSERT_TRUE(AtomicFile::copyFile(path("catalogue.db"), path("copy.db"), &error)) << error;
  EXPECT_EQ(AtomicFile::readText(path("copy.db")), big);
  EXPECT_FALSE(AtomicFile::copyFile(path("missing.db"), path("copy.db"), &error));
  EXPECT_NE(error.find("missing.db"), std::string::npos);
  EXPECT_EQ(AtomicFile::readText(path("copy.db")), big);

  EXPECT_FALSE(AtomicFile::writeAtomically(path("no/such/folder/file"), "x"));
  ASSERT_TRUE(AtomicFile::createDirectories(path("a/b")));
  EXPECT_TRUE(AtomicFile::createDirectories(path("a/b")));  // already there
  EXPECT_FALSE(AtomicFile::createDirectories(path("catalogue.db/d")));
  EXPECT_TRUE(AtomicFile::removeFile(path("copy.db")));
  EXPECT_TRUE(AtomicFile::removeFile(path("copy.db")));  // already gone
  EXPECT_FALSE(AtomicFile::removeFile(path("a/b")));     // a folder is not a file
}

}  // namespace
}  // namespace platform::foundation
