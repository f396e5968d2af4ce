// `ostrel` run as an operator runs it, against a collecting server of our own on loopback: the app
// ends cleanly, the server gets every bundle the app made once (a repeat only ever marked with a
// raised retry count, even when the app is killed at random), and the debug switch shows the
// upload in the log file.
#include <signal.h>
#include <spawn.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <sstream>
#include <thread>

#include "platform/foundation/Clock.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "testing/FileContents.h"
#include "testing/LoopbackServer.h"
#include "testing/RepeatCount.h"
#include "testing/ScratchFolder.h"

extern char** environ;

namespace {

using ostrel::testing::contentsOf;

using ostrel::testing::LoopbackRequest;
using ostrel::testing::LoopbackResponse;

// Bundle fields as the batch carries them (field indexes of the message layer).
constexpr int kBundleEnd = 5;
constexpr int kBundleAppID = 14;
constexpr int kBundleIndex = 24;
constexpr int kBundleRetryCount = 35;
constexpr const char* kAppBundleID = "app.ostrel.Ostrel";

// One bundle as the server saw it.
struct Sighting {
  std::int64_t index;
  std::int64_t retryCount;
  std::string appID;
  std::size_t events;
  double endSeconds;
};

std::vector<Sighting> sightingsIn(const LoopbackRequest& request) {
  std::vector<Sighting> found;
  auto batch = sdk::analytics::ProtoMeasurementBatch::initWithBuffer(
      std::span(reinterpret_cast<const std::uint8_t*>(request.body.data()), request.body.size()));
  EXPECT_TRUE(batch) << "a batch that does not decode";
  if (!batch) return found;
  for (const auto& bundle : sdk::analytics::nanoGetMessageArray<sdk::analytics::ProtoMeasurementBundle>(*batch, 0)) {
    found.push_back({sdk::analytics::nanoGetInt32(*bundle, kBundleIndex), sdk::analytics::nanoGetInt32(*bundle, kBundleRetryCount),
                     sdk::analytics::nanoGetString(*bundle, kBundleAppID).value_or(""),
                     sdk::analytics::nanoGetMessageArray<sdk::analytics::ProtoEvent>(*bundle, 1).size(),
                     static_cast<double>(sdk::analytics::nanoGetInt64(*bundle, kBundleEnd)) / 1000});
  }
  return found;
}

std::vector<Sighting> sightingsOf(const std::vector<LoopbackRequest>& requests) {
  std::vector<Sighting> all;
  for (const auto& request : requests) {
    if (request.path != "/a") continue;
    auto some = sightingsIn(request);
    all.insert(all.end(), some.begin(), some.end());
  }
  return all;
}

class AnalyticsRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server.on("POST", "/a", LoopbackResponse::withStatus(204));
    // No configuration on the server: the app keeps its defaults (a 404 is an accepted answer).
  }

  // Starts ostrel headless on `script` in the container, with the analytics debug switch.
  pid_t start(const std::string& script) {
    std::vector<std::string> arguments = {OSTREL_EXECUTABLE, "--home", folder / "home", "--script", script,
                                          "--out", folder / "out", "-APMAnalyticsDebugEnabled"};
    std::vector<std::string> environment = {"OSTREL_ANALYTICS_URL=" + server.url(""), "OSTREL_HOME="};
    for (char** e = environ; *e; ++e) {
      std::string entry = *e;
      if (entry.rfind("OSTREL_", 0) != 0 && entry.rfind("DISPLAY=", 0) != 0) environment.push_back(entry);
    }
    std::vector<char*> argv, envp;
    for (auto& a : arguments) argv.push_back(a.data());
    for (auto& e : environment) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string output = folder / "output.txt";
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : pid;
  }
  // The raw wait status.
  static int finish(pid_t pid) {
    int status = -1;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
  }
  int run(const std::string& script) {
    const pid_t pid = start(script);
    EXPECT_GT(pid, 0);
    return pid > 0 ? finish(pid) : -1;
  }
  std::string output() const { return contentsOf(folder / "output.txt"); }

  ostrel::testing::ScratchFolder folder;
  ostrel::testing::LoopbackServer server;
};

TEST_F(AnalyticsRunTest, TwoToursEndCleanlyAndTheServerGetsEveryBundleOnce) {
  std::map<std::int64_t, int> received;
  std::size_t events = 0;
  const double today = platform::foundation::Clock::current()->now();
  for (int round = 1; round <= 2; ++round) {
    const int status = run(OSTREL_TOUR);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "run " << round << " ended with " << status << "\n"
                                                                 << output();
    const auto sightings = sightingsOf(server.requests());
    server.clearRequests();
    if (round == 1) {
      ASSERT_FALSE(sightings.empty()) << "the first tour sent nothing\n" << output();
    }
    for (const auto& seen : sightings) {
      EXPECT_EQ(seen.appID, kAppBundleID) << "bundle " << seen.index;
      // Dated today (the headless clock starts at the day's beginning), not on a fixed day long past
      // that the next start would purge as stale.
      EXPECT_GT(seen.endSeconds, today - 86400) << "bundle " << seen.index;
      EXPECT_LT(seen.endSeconds, today + 3600) << "bundle " << seen.index;
      EXPECT_EQ(seen.retryCount, 0) << "bundle " << seen.index << " went again in run " << round;
      EXPECT_EQ(++received[seen.index], 1) << "bundle " << seen.index << " arrived twice";
      events += seen.events;
    }
  }
  EXPECT_GT(events, 0u);
  // Bundles are numbered as they are made: a gap is a bundle made and never received.
  std::int64_t expected = 1;
  for (const auto& [index, count] : received) EXPECT_EQ(index, expected++) << "a bundle made and never sent";

  const std::string log = contentsOf(folder / "home/Library/Logs/ostrel.log");
  for (const char* line : {"Measurement data sent to network", "Successful upload. Got network response"}) {
    EXPECT_NE(log.find(line), std::string::npos) << line << " is not in the log file";
  }
  EXPECT_EQ(log.find("Bundle ID is inconsistent"), std::string::npos);
  EXPECT_EQ(output().find("ERROR: AddressSanitizer"), std::string::npos) << output();
}

// Killed at any moment, the app loses no bundle, and a bundle the server may already have comes again
// only with its retry count raised, so the server can tell the repeat. Half the kills come while a
// batch is at the server and unanswered (its outcome unknown to the app), half at a random point of the
// run, measured by how far its log has grown. Each kill costs a start of the app: an everyday run kills
// it a dozen times (six in flight, so a repeat sent unmarked still fails every run), a thorough one 50.
TEST_F(AnalyticsRunTest, RandomKillsLoseNothingAndRepeatsAreMarked) {
  const int kills = ostrel::testing::repeatCount(12, 50);
  const std::string logPath = folder / "home/Library/Logs/ostrel.log";
  ASSERT_EQ(run(OSTREL_TOUR), 0) << output();
  const auto cleanRunLog = static_cast<long>(contentsOf(logPath).size());
  std::mt19937 random(std::random_device{}());
  std::atomic<pid_t> child{-1};
  std::atomic<int> killAtBatch{0};
  std::atomic<int> batches{0};
  server.on("POST", "/a", [&](const LoopbackRequest&) {
    if (++batches == killAtBatch.load()) ::kill(child.load(), SIGKILL);
    return LoopbackResponse::withStatus(204);
  });
  for (int kill = 0; kill < kills; ++kill) {
    const bool inFlight = kill % 2 == 0;
    batches = 0;
    killAtBatch = inFlight ? std::uniform_int_distribution<int>(1, 2)(random) : 0;
    const long logAtStart = static_cast<long>(contentsOf(logPath).size());
    const long logGrowth = std::uniform_int_distribution<long>(0, cleanRunLog)(random);
    const pid_t pid = start(OSTREL_TOUR);
    ASSERT_GT(pid, 0);
    child = pid;
    int status = 0;
    // Looks at the child between short pauses until it is gone or the moment has come.
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (!inFlight && static_cast<long>(contentsOf(logPath).size()) - logAtStart >= logGrowth) {
        ::kill(pid, SIGKILL);
        finish(pid);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  killAtBatch = 0;
  // Two clean runs send what the kills left.
  for (int round = 0; round < 2; ++round) ASSERT_EQ(run(OSTREL_TOUR), 0) << output();
  std::map<std::int64_t, std::int64_t> lastRetryCount;
  for (const auto& seen : sightingsOf(server.requests())) {
    auto [slot, first] = lastRetryCount.try_emplace(seen.index, seen.retryCount);
    if (!first) {
      EXPECT_GT(seen.retryCount, slot->second) << "bundle " << seen.index << " came again unmarked";
      slot->second = seen.retryCount;
    }
  }
  ASSERT_FALSE(lastRetryCount.empty());
  std::int64_t expected = 1;
  for (const auto& [index, count] : lastRetryCount) EXPECT_EQ(index, expected++) << "a bundle made and never sent";
}

}  // namespace
