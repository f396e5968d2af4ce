// One app runs in a container at a time, as on a phone: a start on a container another running ostrel
// has says so in one line naming it, ends with status 1 and leaves the container as it found it; a
// killed app leaves nothing that stops the next start; starts at once on a fresh container make one
// installation and seed the catalogues once.
#include <signal.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>

#include "testing/ChildProcess.h"
#include "testing/FileContents.h"
#include "testing/LoopbackServer.h"
#include "testing/TempContainer.h"
#include "testing/TreeChanges.h"

namespace {

namespace fs = std::filesystem;
using ostrel::testing::ChildProcess;
using ostrel::testing::contentsOf;
using ostrel::testing::describeWaitStatus;

// Every file in `root` with its bytes.
std::map<std::string, std::string> filesIn(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) files[entry.path().string()] = contentsOf(entry.path().string());
  }
  return files;
}

class ContainerInUseTest : public ::testing::Test {
 protected:
  std::unique_ptr<ChildProcess> start(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {OSTREL_EXECUTABLE, "--home", container.path()});
    auto environment = ostrel::testing::environmentWithout({"OSTREL_", "DISPLAY=", "WAYLAND_DISPLAY="});
    environment.push_back("OSTREL_INSTALLATIONS_URL=" + server.url(""));
    auto child = ChildProcess::start(arguments, environment);
    EXPECT_NE(child, nullptr) << "ostrel did not start";
    return child;
  }
  // The tour, stopped once its analytics has started, every thread of it: it holds the container and
  // writes nothing.
  std::unique_ptr<ChildProcess> startedTourHeldStill() {
    auto tour = start({"--script", OSTREL_TOUR, "--out", container.pathFor("tour"), "--verbose",
                       "-APMAnalyticsDebugEnabled"});
    if (!tour || !tour->waitForOutput("Analytics is ready to receive events")) {
      ADD_FAILURE() << (tour ? tour->output() : "");
      return nullptr;
    }
    if (!tour->stop()) {
      ADD_FAILURE() << "the tour ended before it was stopped: " << tour->output();
      return nullptr;
    }
    return tour;
  }
  std::string inUseLine(pid_t holder) const {
    return "ostrel: the container " + container.path() + " is in use by another running ostrel (pid " +
           std::to_string(holder) + "): one app runs in a container at a time\n";
  }
  std::size_t creates() const {
    std::size_t count = 0;
    for (const auto& request : server.requests()) count += request.path == "/v1/projects/ostrel-local/installations/";
    return count;
  }

  ostrel::testing::TempContainer container;
  ostrel::testing::LoopbackServer server;
};

// Nothing is made, written or removed in the container, not even for a moment: the kernel's account of
// every change to the tree shows none while the refused starts run.
TEST_F(ContainerInUseTest, AStartOnAContainerInUseSaysWhoHasItAndWritesNothing) {
  auto tour = startedTourHeldStill();
  ASSERT_TRUE(tour);
  const auto before = filesIn(container.path());
  ostrel::testing::TreeChanges changes(container.path());
  ASSERT_TRUE(changes.watching());
  for (const std::vector<std::string>& second :
       {std::vector<std::string>{}, {"--script", OSTREL_TOUR, "--out", container.pathFor("second")}}) {
    auto refused = start(second);
    ASSERT_TRUE(refused);
    const int status = refused->wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << describeWaitStatus(status);
    EXPECT_EQ(refused->output(), inUseLine(tour->pid()));
  }
  EXPECT_EQ(changes.take(), std::vector<std::string>{}) << "the refused starts changed the container";
  EXPECT_EQ(filesIn(container.path()), before) << "the refused starts changed the container";
  EXPECT_FALSE(fs::exists(container.pathFor("second")));

  tour->resume();
  const int status = tour->wait();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << describeWaitStatus(status) << "\n" << tour->output();
  auto after = start({});
  ASSERT_TRUE(after);
  const int next = after->wait();
  EXPECT_TRUE(WIFEXITED(next) && WEXITSTATUS(next) == 0) << describeWaitStatus(next) << "\n" << after->output();
}

TEST_F(ContainerInUseTest, AKilledAppLeavesNothingThatStopsTheNextStart) {
  auto tour = startedTourHeldStill();
  ASSERT_TRUE(tour);
  tour->signal(SIGKILL);
  tour->wait();
  auto next = start({});
  ASSERT_TRUE(next);
  const int status = next->wait();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << describeWaitStatus(status) << "\n" << next->output();
}

// Three first starts at once: whichever comes first runs, any that finds it running ends at once.
TEST_F(ContainerInUseTest, FirstStartsAtOnceMakeOneInstallationAndSeedTheCataloguesOnce) {
  server.on("POST", "/v1/projects/ostrel-local/installations/", [](const ostrel::testing::LoopbackRequest&) {
    auto reply = ostrel::testing::LoopbackResponse::withStatus(
        201, R"({"refreshToken":"r","authToken":{"token":"t","expiresIn":"604800s"}})");
    reply.contentType = "application/json";
    return reply;
  });
  std::vector<std::unique_ptr<ChildProcess>> starts;
  for (int i = 0; i < 3; ++i) starts.push_back(start({}));
  int ran = 0;
  for (auto& app : starts) {
    ASSERT_TRUE(app);
    const int status = app->wait();
    ASSERT_TRUE(WIFEXITED(status)) << describeWaitStatus(status);
    if (WEXITSTATUS(status) == 0) {
      ++ran;
    } else {
      EXPECT_EQ(WEXITSTATUS(status), 1);
      EXPECT_NE(app->output().find("is in use by another running ostrel (pid "), std::string::npos) << app->output();
    }
  }
  EXPECT_GE(ran, 1);
  EXPECT_EQ(creates(), 1u);
  const std::string log = contentsOf(container.pathFor("Library/Logs/ostrel.log"));
  for (const char* clash : {"Could not flush the new catalogue", "Catalogue update incomplete", "no such table"}) {
    EXPECT_EQ(log.find(clash), std::string::npos) << log;
  }
}

}  // namespace
