#include "platform/shell/ContainerLock.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

#include "testing/ChildProcess.h"
#include "testing/OtherUser.h"
#include "testing/ScratchFolder.h"

extern char** environ;

namespace platform::shell {
namespace {

constexpr const char* kRootVariable = "OSTREL_CONTAINER_LOCK_TEST_ROOT";
constexpr const char* kSpawnVariable = "OSTREL_CONTAINER_LOCK_TEST_SPAWN";

// Holds the lock of the container it is given, says so (with the pid of a program it started, when
// asked to start one), and waits to be killed.
TEST(ContainerLockHolder, HoldUntilKilled) {
  const char* root = std::getenv(kRootVariable);
  if (!root) GTEST_SKIP() << "runs only as the child of the lock tests";
  const std::string refusal = ContainerLock::holdForThisProcess(root);
  if (!refusal.empty()) {
    std::cout << "[refused] " << refusal << std::endl;
    return;
  }
  pid_t started = 0;
  if (std::getenv(kSpawnVariable)) {
    char sleep[] = "sleep";
    char minutes[] = "600";
    char* argv[] = {sleep, minutes, nullptr};
    if (::posix_spawnp(&started, "sleep", nullptr, nullptr, argv, environ) != 0) started = -1;
  }
  std::cout << "[held " << started << "]" << std::endl;
  for (;;) ::pause();
}

class ContainerLockTest : public ::testing::Test {
 protected:
  // A child process holding the lock of the test's container.
  std::unique_ptr<ostrel::testing::ChildProcess> holder(bool startsAProgram = false) {
    auto environment = ostrel::testing::environmentWithout({kRootVariable, kSpawnVariable});
    environment.push_back(std::string(kRootVariable) + "=" + container.path());
    if (startsAProgram) environment.push_back(std::string(kSpawnVariable) + "=1");
    auto child = ostrel::testing::ChildProcess::start(
        {"/proc/self/exe", "--gtest_filter=ContainerLockHolder.HoldUntilKilled"}, environment);
    EXPECT_TRUE(child && child->waitForOutput("[held ")) << (child ? child->output() : "did not start");
    return child;
  }

  // The holder run with `before` ahead of it on its command line (another user, a namespace of its
  // own): the line it was refused with, or empty when it took the lock or ended first; `said` gets all
  // it said.
  std::string refusalOfHolderRunAs(std::vector<std::string> before, std::string* said) {
    auto environment = ostrel::testing::environmentWithout({kRootVariable, kSpawnVariable});
    environment.push_back(std::string(kRootVariable) + "=" + container.path());
    before.insert(before.end(), {std::filesystem::read_symlink("/proc/self/exe").string(),
                                 "--gtest_filter=ContainerLockHolder.HoldUntilKilled"});
    auto child = ostrel::testing::ChildProcess::start(before, environment);
    if (!child) return {};
    child->waitForOutput("[held ");  // or its end
    child->signal(SIGKILL);
    child->wait();
    *said = child->output();
    const auto at = said->find("[refused] ");
    return at == std::string::npos ? "" : said->substr(at + 10, said->find('\n', at) - at - 10);
  }
  std::string lockFile() {
    std::filesystem::create_directories(container.pathFor("Library"));
    const std::string path = container.pathFor(ContainerLock::kRelativePath);
    std::ofstream(path).flush();
    return path;
  }

  ostrel::testing::ScratchFolder container;
};

TEST_F(ContainerLockTest, AContainerAnotherProcessHoldsIsRefusedNamingItUntilItEnds) {
  auto other = holder();
  ASSERT_TRUE(other);
  EXPECT_EQ(ContainerLock::holdForThisProcess(container.path()),
            "the container " + container.path() + " is in use by another running ostrel (pid " +
                std::to_string(other->pid()) + "): one app runs in a container at a time");
  // However it ends, its lock goes with it.
  other->signal(SIGKILL);
  other->wait();
  EXPECT_EQ(ContainerLock::holdForThisProcess(container.path()), "");
}

TEST_F(ContainerLockTest, NoProgramTheHolderStartsHoldsTheLock) {
  auto other = holder(true);
  ASSERT_TRUE(other);
  const std::string said = other->output();
  const pid_t started = std::atoi(said.c_str() + said.find("[held ") + 6);
  ASSERT_GT(started, 0) << said;
  // Whatever the test finds, the program does not outlive it.
  std::shared_ptr<void> endStarted(nullptr, [started](void*) { ::kill(started, SIGKILL); });
  other->signal(SIGKILL);
  other->wait();
  ASSERT_EQ(::kill(started, 0), 0) << "the program the holder started has ended";
  EXPECT_EQ(ContainerLock::holdForThisProcess(container.path()), "");
}

TEST_F(ContainerLockTest, SomethingElseAtTheLockFilesPlaceIsRefusedWithoutWaiting) {
  ASSERT_EQ(::mkdir(container.pathFor("Library").c_str(), 0755), 0);
  const std::string path = container.pathFor(ContainerLock::kRelativePath);
  ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
  EXPECT_EQ(ContainerLock::holdForThisProcess(container.path()),
            "cannot lock the container with " + path + ": it is a FIFO, not a regular file");
}

// A lock file that is there but may not be opened for writing is refused with what the system said of
// it, where the refusal took it for something that is not a file: the container mounted read-only, in
// a mount namespace of the holder's own.
TEST_F(ContainerLockTest, ALockFileOnAReadOnlyMountIsRefusedWithTheSystemsReason) {
  const std::string path = lockFile();
  constexpr const char* kUnshare = "/usr/bin/unshare";
  if (::access(kUnshare, X_OK) != 0) GTEST_SKIP() << "needs " << kUnshare << " to mount the container read-only";
  std::string said;
  const std::string refusal = refusalOfHolderRunAs(
      {kUnshare, "-rm", "sh", "-c",
       "mount --bind \"$1\" \"$1\" && mount -o remount,bind,ro \"$1\" && exec \"$2\" \"$3\"", "sh",
       container.path()},
      &said);
  if (said.find("[refused] ") == std::string::npos && said.find("[held ") == std::string::npos) {
    GTEST_SKIP() << "a read-only mount cannot be made here: " << said;
  }
  EXPECT_EQ(refusal, "cannot lock the container with " + path + ": Read-only file system") << said;
}

TEST_F(ContainerLockTest, AnotherUsersLockFileIsRefusedAsOneThatMayNotBeOpened) {
  const std::string path = lockFile();
  const std::string whyNot = ostrel::testing::OtherUser::unavailableReason(
      {std::filesystem::read_symlink("/proc/self/exe").string(),
       std::filesystem::path(container.path()).parent_path().string()});
  if (!whyNot.empty()) GTEST_SKIP() << whyNot;
  auto asNobody = ostrel::testing::OtherUser::commandHanding(container.path());
  ASSERT_EQ(::lchown(path.c_str(), 0, 0), 0) << "the lock file stays root's";
  std::string said;
  EXPECT_EQ(refusalOfHolderRunAs(asNobody, &said),
            "cannot lock the container with " + path +
                ": it belongs to another user and may not be opened: Permission denied")
      << said;
}

}  // namespace
}  // namespace platform::shell
