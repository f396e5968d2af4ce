// `ostrel` started again and again on one container against collecting servers of our own on loopback:
// a collector slow to answer still gets every event of the transport once (an upload in flight when the
// app ends is given its answer, which deletes what it sent), and a start under a system clock set days
// ahead, between runs whose waits went past the real time, dates nothing of a later run before what the
// runs before it stored.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "cmd/ostrel/UploadedAnalyticsEvents.h"
#include "platform/foundation/Clock.h"
#include "sdk/transport/UploadTestSupport.h"
#include "testing/ChildProcess.h"
#include "testing/FileContents.h"
#include "testing/LoopbackServer.h"
#include "testing/ScratchFolder.h"

namespace {

using ostrel::testing::contentsOf;
using ostrel::testing::LoopbackRequest;
using ostrel::testing::LoopbackResponse;

constexpr double kDay = 86400;
constexpr double kHour = 3600;

// The times the analytics events of every batch among `requests` carry.
std::vector<double> analyticsEventTimes(const std::vector<LoopbackRequest>& requests) {
  std::vector<double> times;
  for (const auto& event : ostrel::testing::uploadedAnalyticsEvents(requests)) times.push_back(event.timestamp());
  return times;
}

// An event of the transport as the collector sees it: nothing else tells two starts' events apart.
using TransportEventKey = std::tuple<std::int64_t, std::int64_t, std::string>;

class DeliveryAndTimeTest : public ::testing::Test {
 protected:
  // Plays `script` headless on the container (a plain start without one) and waits for its end; under
  // a system clock `wallClockShift` seconds off when that is not 0.
  int run(const std::string& script, double wallClockShift = 0) {
    auto environment = ostrel::testing::environmentWithout({"OSTREL_", "DISPLAY=", "WAYLAND_DISPLAY=", "ASAN_OPTIONS="});
    environment.push_back("OSTREL_ANALYTICS_URL=" + server.url(""));
    environment.push_back("OSTREL_TRANSPORT_URL=" + server.url(""));
    std::string sanitizer = "ASAN_OPTIONS=detect_leaks=1";
    if (wallClockShift != 0) {
      environment.push_back("LD_PRELOAD=" OSTREL_SHIFTED_WALL_CLOCK);
      environment.push_back("OSTREL_TEST_WALL_CLOCK_SHIFT=" + std::to_string(std::llround(wallClockShift)));
      // The clock is preloaded ahead of the sanitizers' runtime, which would otherwise refuse to start.
      sanitizer += ":verify_asan_link_order=0";
    }
    environment.push_back(sanitizer);
    std::vector<std::string> arguments = {OSTREL_EXECUTABLE, "--home", folder / "home", "-APMAnalyticsDebugEnabled"};
    if (!script.empty()) arguments.insert(arguments.end(), {"--script", script, "--out", folder / "out"});
    auto child = ostrel::testing::ChildProcess::start(arguments, environment);
    if (!child) return -1;
    const int status = child->wait();
    output += child->output();
    return status;
  }
  std::string log() const { return contentsOf(folder / "home/Library/Logs/ostrel.log"); }
  std::string script(const std::string& name, const std::string& steps) {
    const std::string path = folder / name;
    std::ofstream(path) << steps;
    return path;
  }
  // The transport's events still stored in the container, waiting or in a batch.
  std::size_t transportEventsStored() const {
    namespace fs = std::filesystem;
    const fs::path store = folder / "home/Library/Caches/vadeze-sdks-events/VDTCORFlatFileStorage";
    std::size_t count = 0;
    for (const char* kind : {"vdt_event_data", "vdt_batch_data"}) {
      std::error_code error;
      for (fs::directory_iterator group(store / kind, error), end; !error && group != end; group.increment(error)) {
        std::error_code inner;
        for (fs::directory_iterator file(group->path(), inner); !inner && file != end; file.increment(inner)) {
          if (file->path().filename().string()[0] != '.') ++count;
        }
      }
    }
    return count;
  }

  ostrel::testing::ScratchFolder folder;
  ostrel::testing::LoopbackServer server;
  std::string output;
};

// A collector that answers each batch after two seconds, while every start is over sooner: its uploads
// are still on their way when the app ends. Each is given its answer, so no event arrives twice, and
// every event a start stored arrives (only the last start's may still wait in the container for the
// next one).
TEST_F(DeliveryAndTimeTest, ACollectorSlowToAnswerGetsEveryTransportEventOnce) {
  LoopbackResponse slow = LoopbackResponse::withStatus(200, ostrel::testing::encodeReply(0));
  slow.delaySeconds = 2;
  for (const char* target : {"upl", "vll", "csh", "int"}) server.on("POST", std::string("/batch/") + target, slow);
  server.on("POST", "/a", LoopbackResponse::withStatus(204));
  constexpr int kStarts = 4;
  const std::string steps = script("short.script", "wait 5\ntap 195 400\nwait 5\n");
  for (int start = 1; start <= kStarts; ++start) {
    const int status = run(steps);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "start " << start << ": " << ostrel::testing::describeWaitStatus(status) << "\n" << output;
  }
  std::map<TransportEventKey, int> received;
  int batches = 0;
  for (const auto& request : server.requests()) {
    if (request.path.rfind("/batch/", 0) != 0) continue;
    ++batches;
    auto sources = ostrel::testing::decodeUploadRequest(request.body);
    ASSERT_TRUE(sources) << "a batch that does not decode";
    for (const auto& source : *sources) {
      for (const auto& event : source.events) ++received[{event.timeMillis, event.uptimeMillis, event.payload}];
    }
  }
  int duplicates = 0;
  for (const auto& [event, times] : received) duplicates += times - 1;
  const std::size_t stored = transportEventsStored();
  std::cout << "transport: " << kStarts << " starts, " << received.size() << " events received in " << batches
            << " batches, " << duplicates << " of them received again, " << stored << " still stored\n";
  EXPECT_EQ(duplicates, 0);
  EXPECT_GE(received.size() + stored, static_cast<std::size_t>(kStarts)) << "a start recorded no event of the transport";
  EXPECT_LE(stored, 1u) << "events of earlier starts were never delivered";
  EXPECT_EQ(log().find("still on its way at exit"), std::string::npos) << log();
}

// A headless run whose waits take the container ten hours past the real clock, then a plain start under
// a system clock two days ahead (the test's own, preloaded into the program), then runs on the right
// clock: the wrong clock's record is refused, and time goes on from the run before it, not from the
// first open. No event of the later runs is dated before one the first run stored and uploaded.
TEST_F(DeliveryAndTimeTest, AStartOnAClockDaysAheadBetweenRunsDatesNothingBeforeWhatWasStored) {
  server.on("POST", "/a", LoopbackResponse::withStatus(204));
  const double real = platform::foundation::Clock::current()->now();
  const double sinceMidnight = real - std::floor(real / kDay) * kDay;
  std::string steps = "wait 5\ntap 195 400\n";
  for (double left = sinceMidnight + 10 * kHour; left > 0; left -= kHour) {
    steps += "wait " + std::to_string(std::llround(std::min(left, kHour))) + "\n";
  }
  const std::string longWaits = script("long.script", steps + "tap 195 400\nwait 1\n");
  const std::string tap = script("tap.script", "wait 5\ntap 195 400\nwait 5\n");

  ASSERT_EQ(run(longWaits), 0) << output;
  std::vector<double> first = analyticsEventTimes(server.requests());
  server.clearRequests();
  ASSERT_FALSE(first.empty()) << output;
  const double storedBefore = *std::max_element(first.begin(), first.end());
  ASSERT_GT(storedBefore, real + 9 * kHour) << "the run did not go ten hours past the real time";

  ASSERT_EQ(run("", 2 * kDay), 0) << output;
  std::vector<double> wrong = analyticsEventTimes(server.requests());
  server.clearRequests();
  ASSERT_FALSE(wrong.empty()) << output;
  ASSERT_GT(*std::min_element(wrong.begin(), wrong.end()), real + 2 * kDay - kHour) << "the clock was not set ahead";

  int misdated = 0;
  std::size_t later = 0;
  for (const std::string& next : {std::string(), tap}) {
    ASSERT_EQ(run(next), 0) << output;
    const std::vector<double> times = analyticsEventTimes(server.requests());
    server.clearRequests();
    ASSERT_FALSE(times.empty()) << output;
    later += times.size();
    misdated += static_cast<int>(std::count_if(times.begin(), times.end(), [&](double t) { return t <= storedBefore; }));
  }
  std::cout << "analytics: " << first.size() << " events of the long run, " << wrong.size()
            << " under the clock two days ahead, " << later << " of the two runs after it, " << misdated
            << " of them dated before the long run's last\n";
  EXPECT_EQ(misdated, 0);
  EXPECT_NE(log().find("more than a day past this run's clock"), std::string::npos) << log();
}

}  // namespace
