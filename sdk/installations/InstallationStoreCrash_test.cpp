// An installation ID once handed out is the app's for good: a child process asks for its ID, reports
// it, goes on with its background work and is killed with SIGKILL at a random moment soon after; the
// next start must read the same ID. A lost ID means a second registration on the server and an
// orphaned first one.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Paths.h"
#include "sdk/installations/InstallationsTestSupport.h"
#include "testing/ChildProcess.h"

namespace ostrel::testing {
namespace {

constexpr const char* kReportFdVariable = "VUR_INSTALLATIONS_CRASH_REPORT_FD";
constexpr const char* kAppName = "app";

void report(int fd, const std::string& line) {
  std::string text = line + "\n";
  [[maybe_unused]] auto written = ::write(fd, text.data(), text.size());  // one short line: atomic
}

// The child: a first launch on the real clock, without a service address, so the registration that
// follows the ID fails on its own schedule. After the ID it reports a tick per turn of the main loop.
TEST(InstallationsCrashChild, HandOutTheIDUntilKilled) {
  const char* fdText = std::getenv(kReportFdVariable);
  if (!fdText) GTEST_SKIP() << "runs only as the child of the kill test";
  const int fd = std::atoi(fdText);
  MainQueuePromiseDefaults promises;
  auto controller = sdk::installations::IDController::initWithAppID(kAppID, kAppName, kAPIKey, kProjectID, kSenderID,
                                                                       std::nullopt, "");
  bool handedOut = false;
  controller->getInstallationItem()->then([&](const platform::foundation::Value& value) {
    report(fd, "I " + value.objectAs<sdk::installations::InstallationItem>()->coreInstallationID);
    handedOut = true;
    return value;
  });
  for (;;) {
    platform::dispatch::MainLoop::runUntil([] { return false; }, 0.001);
    if (handedOut) report(fd, "T");
  }
}

class InstallationsCrashTest : public ::testing::Test {
 protected:
  // Runs one child in `root` and kills it `ticksAfterID` turns after it reported its ID; the ID.
  std::string runChildKilledAfter(const std::string& root, int ticksAfterID) {
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    pid_t child = spawnTestChild(
        "InstallationsCrashChild.HandOutTheIDUntilKilled",
        {"OSTREL_HOME=" + root, std::string(kReportFdVariable) + "=" + std::to_string(fds[1])});
    ::close(fds[1]);
    EXPECT_GT(child, 0);
    std::string FID, pending;
    int ticks = -1;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0) {
      pending.append(buffer, static_cast<std::size_t>(n));
      std::size_t newline;
      while ((newline = pending.find('\n')) != std::string::npos) {
        const std::string line = pending.substr(0, newline);
        pending.erase(0, newline + 1);
        if (line.starts_with("I ")) FID = line.substr(2);
        if (!FID.empty() && ++ticks == ticksAfterID) ::kill(child, SIGKILL);
      }
    }
    ::close(fds[0]);
    waitTestChild(child);
    return FID;
  }

  // What the next launch finds in `root`.
  std::string nextLaunchReads(const std::string& root) {
    const std::string previous = platform::foundation::Paths::setRoot(root);
    auto controller = sdk::installations::IDController::initWithAppID(kAppID, kAppName, kAPIKey, kProjectID,
                                                                         kSenderID, std::nullopt, "");
    auto promise = controller->getInstallationItem();
    EXPECT_TRUE(world.settle(promise));
    auto item = promise->value().objectAs<sdk::installations::InstallationItem>();
    platform::foundation::Paths::setRoot(previous);
    return item ? item->coreInstallationID : "";
  }

  InstallationsWorld world;
};

TEST_F(InstallationsCrashTest, AnIDHandedOutSurvivesAKillAtAnyMoment) {
  std::mt19937 random(std::random_device{}());
  int lost = 0;
  for (int run = 0; run < 50; ++run) {
    const std::string root = world.sdk.container().pathFor("launch" + std::to_string(run));
    // Most kills land within the first few turns, where a write still in flight would be cut off.
    const int ticks = run % 5 == 0 ? 0 : static_cast<int>(random() % (run % 2 ? 20 : 400));
    const std::string handedOut = runChildKilledAfter(root, ticks);
    ASSERT_FALSE(handedOut.empty()) << "run " << run << ": the child never reported an ID";
    const std::string read = nextLaunchReads(root);
    if (read != handedOut) ++lost;
    EXPECT_EQ(read, handedOut) << "run " << run << ", killed " << ticks << " turns after the ID";
  }
  EXPECT_EQ(lost, 0);
}

}  // namespace
}  // namespace ostrel::testing
