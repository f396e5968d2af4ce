// `ostrel` started again and again on one container against collecting servers of our own on loopback:
// a collector slow to answer still gets every event of the transport once (an upload in flight when the
// app ends is given its answer, which deletes what it sent), and a start under a system clock set days
// ahead, between runs whose waits went past the real time, dates nothing of a later run before what the
// runs before it stored.
#include <signal.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "cmd/ostrel/UploadedAnalyticsEvents.h"
#include "platform/foundation/Clock.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "sdk/transport/UploadTestSupport.h"
#include "testing/ChildProcess.h"
#include "testing/FileContents.h"
#include "testing/LoopbackServer.h"
#include "testing/ScratchFolder.h"
#include "testing/TreeChanges.h"
#include "testing/VirtualDisplay.h"

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

// The sessions the bundles among `requests` belong to: each session ID ("_sid" user property) with the
// session numbers ("_sno") it came with. A bundle delivered by a later run still carries its own
// session; a session ID with two numbers served two sessions.
std::map<std::int64_t, std::set<std::int64_t>> sessions(const std::vector<LoopbackRequest>& requests) {
  std::map<std::int64_t, std::set<std::int64_t>> numbers;
  for (const auto& bundle : ostrel::testing::uploadedAnalyticsBundles(requests)) {
    const auto properties = ostrel::testing::integerProperties(*bundle);
    const auto id = properties.find("_sid"), number = properties.find("_sno");
    if (id != properties.end() && number != properties.end()) numbers[id->second].insert(number->second);
  }
  return numbers;
}

// The bundles among `requests` sent again after an attempt that may have reached the service (their
// retry count is set).
int repeatedBundles(const std::vector<LoopbackRequest>& requests) {
  const auto bundles = ostrel::testing::uploadedAnalyticsBundles(requests);
  return static_cast<int>(std::count_if(bundles.begin(), bundles.end(), [](const auto& bundle) {
    return sdk::analytics::nanoHasField(*bundle, ostrel::testing::kBundleRetryCount);
  }));
}

// The kernel's boot time, seconds since 1970, as the system's clock has it.
double bootTime() {
  std::ifstream stat("/proc/stat");
  for (std::string line; std::getline(stat, line);) {
    if (line.rfind("btime ", 0) == 0) return std::stod(line.substr(6));
  }
  return 0;
}

// An event of the transport as the collector sees it: nothing else tells two starts' events apart.
using TransportEventKey = std::tuple<std::int64_t, std::int64_t, std::string>;

class DeliveryAndTimeTest : public ::testing::Test {
 protected:
  // Plays `script` headless on the container (a plain start without one) and waits for its end; under
  // a system clock `wallClockShift` seconds off when that is not 0.
  int run(const std::string& script, double wallClockShift = 0) {
    auto child = start(script, wallClockShift);
    return child ? finish(*child) : -1;
  }
  // Starts what run() plays; with `verbose`, its info lines and warnings come on its output.
  std::unique_ptr<ostrel::testing::ChildProcess> start(const std::string& script, double wallClockShift = 0,
                                                       bool verbose = false) {
    auto environment = ostrel::testing::environmentWithout({"OSTREL_", "DISPLAY=", "WAYLAND_DISPLAY=", "ASAN_OPTIONS="});
    environment.push_back("OSTREL_ANALYTICS_URL=" + server.url(""));
    if (transportServed) environment.push_back("OSTREL_TRANSPORT_URL=" + server.url(""));
    environment.push_back("ASAN_OPTIONS=detect_leaks=1");
    if (wallClockShift != 0) {
      environment = ostrel::testing::environmentPreloading(std::move(environment), OSTREL_SHIFTED_WALL_CLOCK);
      environment.push_back("OSTREL_TEST_WALL_CLOCK_SHIFT=" + std::to_string(std::llround(wallClockShift)));
    }
    std::vector<std::string> arguments = {OSTREL_EXECUTABLE, "--home", folder / "home", "-APMAnalyticsDebugEnabled"};
    if (verbose) arguments.push_back("--verbose");
    if (!script.empty()) arguments.insert(arguments.end(), {"--script", script, "--out", folder / "out"});
    started = std::chrono::steady_clock::now();
    return ostrel::testing::ChildProcess::start(arguments, environment);
  }
  // The app in a window on `display`, on the real clock until it is ended, its info lines and the
  // analytics debug lines on its output.
  std::unique_ptr<ostrel::testing::ChildProcess> startWindow(const ostrel::testing::VirtualDisplay& display) {
    auto environment = ostrel::testing::environmentWithout(
        {"OSTREL_", "DISPLAY=", "WAYLAND_DISPLAY=", "DBUS_SESSION_BUS_ADDRESS=", "ASAN_OPTIONS="});
    environment.push_back("OSTREL_ANALYTICS_URL=" + server.url(""));
    environment.push_back("OSTREL_TRANSPORT_URL=" + server.url(""));
    environment.push_back("ASAN_OPTIONS=detect_leaks=1");
    for (const auto& [name, value] : display.environment()) environment.push_back(name + "=" + value);
    return ostrel::testing::ChildProcess::start(
        {OSTREL_EXECUTABLE, "--home", folder / "home", "--verbose", "--window", "-APMAnalyticsDebugEnabled"},
        environment);
  }
  // Waits for the end of what start() started.
  int finish(ostrel::testing::ChildProcess& child) {
    const int status = child.wait();
    longestRun = std::max(longestRun, std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    ++runs;
    output += child.output();
    return status;
  }
  // The transport's events of every batch among `requests` (all received so far when not given), with
  // how often each came.
  std::map<TransportEventKey, int> transportEventsReceived(std::optional<std::vector<LoopbackRequest>> requests = {}) const {
    std::map<TransportEventKey, int> received;
    for (const auto& request : requests.value_or(server.requests())) {
      if (request.path.rfind("/batch/", 0) != 0) continue;
      auto sources = ostrel::testing::decodeUploadRequest(request.body);
      EXPECT_TRUE(sources) << "a batch that does not decode";
      if (!sources) continue;
      for (const auto& source : *sources) {
        for (const auto& event : source.events) ++received[{event.timeMillis, event.uptimeMillis, event.payload}];
      }
    }
    return received;
  }
  static int repeats(const std::map<TransportEventKey, int>& received) {
    int duplicates = 0;
    for (const auto& [event, times] : received) duplicates += times - 1;
    return duplicates;
  }
  void serveTransport(const LoopbackResponse& response) {
    for (const char* target : {"upl", "vll", "csh", "int"}) server.on("POST", std::string("/batch/") + target, response);
  }
  // A script whose waits take the container ten hours past the real clock, whatever the hour.
  std::string tenHourLead() {
    const double real = platform::foundation::Clock::current()->now();
    const double sinceMidnight = real - std::floor(real / kDay) * kDay;
    std::string steps = "wait 5\ntap 195 400\n";
    for (double left = sinceMidnight + 10 * kHour; left > 0; left -= kHour) {
      steps += "wait " + std::to_string(std::llround(std::min(left, kHour))) + "\n";
    }
    return script("long.script", steps + "tap 195 400\nwait 1\n");
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
  // Without it the transport has no address and sends nothing.
  bool transportServed = true;
  int runs = 0;
  std::chrono::steady_clock::time_point started;
  double longestRun = 0;  // seconds, from start to exit
};

// A reply of 200 whose body, ten bytes short of what it announces, stalls or drips a byte every half
// second: its head is the answer.
LoopbackResponse slowBody(bool trickles) {
  LoopbackResponse response = LoopbackResponse::withStatus(200, std::string(trickles ? 1000 : 20, 'r'));
  if (trickles) {
    response.trickleSeconds = 0.5;
  } else {
    response.bodyHeldUntilReleased = "body";
    response.bodyBytesBeforeHold = 10;
  }
  return response;
}

// A collector that answers each batch after two seconds, while every start is over sooner: its uploads
// are still on their way when the app ends. Each is given its answer, so no event arrives twice, and
// every event a start stored arrives (only the last start's may still wait in the container for the
// next one).
TEST_F(DeliveryAndTimeTest, ACollectorSlowToAnswerGetsEveryTransportEventOnce) {
  LoopbackResponse slow = LoopbackResponse::withStatus(200, ostrel::testing::encodeReply(0));
  slow.delaySeconds = 2;
  serveTransport(slow);
  server.on("POST", "/a", LoopbackResponse::withStatus(204));
  constexpr int kStarts = 4;
  const std::string steps = script("short.script", "wait 5\ntap 195 400\nwait 5\n");
  for (int start = 1; start <= kStarts; ++start) {
    const int status = run(steps);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "start " << start << ": " << ostrel::testing::describeWaitStatus(status) << "\n" << output;
  }
  const std::map<TransportEventKey, int> received = transportEventsReceived();
  const int duplicates = repeats(received);
  const std::size_t stored = transportEventsStored();
  std::cout << "transport: " << kStarts << " starts, " << received.size() << " events received, " << duplicates
            << " of them received again, " << stored << " still stored\n";
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
  const std::string longWaits = tenHourLead();
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

// A headless run whose waits take the container ten hours past the real clock, with collectors that
// take every event away; then a plain start under a system clock two days behind, to which every
// record of the container lies in its future; then runs on the right clock. The clock behind erases
// nothing, so the right runs go on from the lead: no event of theirs is dated before one the first run
// stored, and no session ID of one run comes again in another.
TEST_F(DeliveryAndTimeTest, AStartOnAClockDaysBehindErasesNothingTheRightRunsGoOnFrom) {
  server.on("POST", "/a", LoopbackResponse::withStatus(204));
  serveTransport(LoopbackResponse::withStatus(200, ostrel::testing::encodeReply(0)));
  const double real = platform::foundation::Clock::current()->now();
  const std::string tap = script("tap.script", "wait 5\ntap 195 400\nwait 5\n");
  std::map<std::int64_t, std::set<std::int64_t>> numbersOfSession;
  const auto take = [&] {
    const std::vector<double> times = analyticsEventTimes(server.requests());
    for (const auto& [id, numbers] : sessions(server.requests())) numbersOfSession[id].insert(numbers.begin(), numbers.end());
    server.clearRequests();
    return times;
  };

  ASSERT_EQ(run(tenHourLead()), 0) << output;
  const std::vector<double> first = take();
  ASSERT_FALSE(first.empty()) << output;
  const double storedBefore = *std::max_element(first.begin(), first.end());
  ASSERT_EQ(run("", -2 * kDay), 0) << output;
  const std::vector<double> behind = take();
  ASSERT_FALSE(behind.empty()) << output;
  ASSERT_LT(*std::min_element(behind.begin(), behind.end()), real - kDay) << "the clock was not set back";

  // What the run behind stored and a later run delivered is dated two days back, by that run: only
  // events dated since a day before the real time are the later runs' own.
  int misdated = 0;
  std::size_t later = 0;
  for (const std::string& next : {std::string(), tap, std::string()}) {
    ASSERT_EQ(run(next), 0) << output;
    const std::vector<double> times = take();
    ASSERT_FALSE(times.empty()) << output;
    later += times.size();
    misdated += static_cast<int>(
        std::count_if(times.begin(), times.end(), [&](double t) { return t > real - kDay && t <= storedBefore; }));
  }
  int sessionsAgain = 0;
  for (const auto& [id, numbers] : numbersOfSession) sessionsAgain += static_cast<int>(numbers.size()) - 1;
  std::cout << "analytics: " << first.size() << " events of the long run, " << behind.size()
            << " under the clock two days behind, " << later << " of the three runs after it, " << misdated
            << " of them dated before the long run's last; " << numbersOfSession.size() << " session IDs, "
            << sessionsAgain << " of them used again for another session\n";
  EXPECT_EQ(misdated, 0);
  EXPECT_EQ(sessionsAgain, 0);
  EXPECT_NE(log().find("more than a day past this run's clock"), std::string::npos) << log();
}

// After a headless run ten hours ahead of the real clock, the next run starts after it, hours ahead
// too: the time since boot that the transport's events carry is still the machine's own, read from the
// system's clock against the kernel's boot time, never the lead and never below zero.
TEST_F(DeliveryAndTimeTest, TheTransportsEventsCarryTheMachinesUptimeAfterAHeadlessLead) {
  server.on("POST", "/a", LoopbackResponse::withStatus(204));
  serveTransport(LoopbackResponse::withStatus(200, ostrel::testing::encodeReply(0)));
  ASSERT_EQ(run(tenHourLead()), 0) << output;
  ASSERT_EQ(run(script("tap.script", "wait 5\ntap 195 400\nwait 5\n")), 0) << output;
  ASSERT_EQ(run(""), 0) << output;
  const double upFor = platform::foundation::Clock::current()->now() - bootTime();
  const auto received = transportEventsReceived();
  ASSERT_FALSE(received.empty()) << output;
  int outside = 0;
  for (const auto& [event, times] : received) {
    const auto& [timeMillis, uptimeMillis, payload] = event;
    if (uptimeMillis < 0 || static_cast<double>(uptimeMillis) > upFor * 1000) {
      ++outside;
      ADD_FAILURE() << "an uptime of " << uptimeMillis << " ms on a machine up for " << upFor << " s";
    }
  }
  std::cout << "transport: " << received.size() << " events, " << outside << " with an uptime the machine never had\n";
}

// A collector that takes every batch and answers 200 with a body longer than any reply should be: its
// status is the answer, the body is not read on, and the batch it took is deleted, so no event of the
// transport arrives twice over several starts.
TEST_F(DeliveryAndTimeTest, ABatchAnsweredWithAnOverlongBodyIsDeletedAndNeverSentAgain) {
  server.on("POST", "/a", LoopbackResponse::withStatus(204));
  serveTransport(LoopbackResponse::withStatus(200, ostrel::testing::encodeReply(0)));
  // The diagnostics' target: one answer body of that length is held, not one for each target.
  server.on("POST", "/batch/vll", LoopbackResponse::withStatus(200, std::string((std::size_t{64} << 20) + 1, 'r')));
  const std::string steps = script("short.script", "wait 5\ntap 195 400\nwait 31\ntap 195 400\nwait 5\n");
  for (int start = 1; start <= 3; ++start) ASSERT_EQ(run(steps), 0) << "start " << start << "\n" << output;
  const auto received = transportEventsReceived();
  std::cout << "transport: " << received.size() << " events received, " << repeats(received)
            << " of them received again, " << transportEventsStored() << " still stored\n";
  EXPECT_FALSE(received.empty());
  EXPECT_EQ(repeats(received), 0);
  EXPECT_LE(transportEventsStored(), 1u);
}

// The end waits a few seconds for the analytics upload and then up to five for the transport's: an
// analytics answer that comes after the first wait, while the second goes on, is taken, so its bundles
// are deleted and never sent again. The collector holds each answer until the start has said that its
// upload missed the wait, and the transport's until the analytics answer was taken.
TEST_F(DeliveryAndTimeTest, AnAnalyticsAnswerAfterTheEndsWaitIsTakenWhileTheEndStillWaits) {
  LoopbackResponse analytics = LoopbackResponse::withStatus(204);
  analytics.heldUntilReleased = "analytics";
  server.on("POST", "/a", analytics);
  LoopbackResponse transport = LoopbackResponse::withStatus(200, ostrel::testing::encodeReply(0));
  transport.heldUntilReleased = "transport";
  serveTransport(transport);
  // The script's waits take no real time: the uploads it makes are on their way when it ends.
  const std::string steps = script("short.script", "wait 5\ntap 195 400\nwait 5\n");
  const std::string unanswered = "did not finish within the wait the app gives it at its end";
  const std::string taken = "Successful upload. Got network response";
  constexpr int kStarts = 3;
  for (int start = 1; start <= kStarts; ++start) {
    auto child = this->start(steps, 0, true);
    ASSERT_TRUE(child);
    const bool missedTheWait = child->waitForOutput(unanswered);
    server.release("analytics");
    const bool answerTaken = missedTheWait && child->waitForOutput(taken);
    server.release("transport");
    ASSERT_EQ(finish(*child), 0) << "start " << start << "\n" << output;
    EXPECT_TRUE(missedTheWait) << "start " << start << ": no upload was still on its way after the wait\n" << child->output();
    EXPECT_TRUE(answerTaken) << "start " << start << ": the late answer was not taken\n" << child->output();
  }
  const int repeated = repeatedBundles(server.requests());
  std::cout << kStarts << " starts, " << analyticsEventTimes(server.requests()).size() << " events delivered, "
            << repeated << " bundles sent again; the longest start took " << longestRun << " s\n";
  EXPECT_EQ(repeated, 0);
}

// Collectors that answer 200 at once and then stall the body, or trickle it: each store takes the
// status as the answer and deletes what it sent, so the next start sends none of it again, and the end
// cuts the body off rather than waiting it out (no upload is left unfinished at its bound).
TEST_F(DeliveryAndTimeTest, AnAnswerWhoseBodyStallsOrTricklesIsTakenByItsHead) {
  const std::string steps = script("short.script", "wait 5\ntap 195 400\nwait 5\n");
  const std::string unfinished = "still on its way when the app ended";
  int analyticsOut = 0, transportOut = 0;
  for (const bool trickles : {false, true}) {
    server.on("POST", "/a", slowBody(trickles));
    serveTransport(slowBody(trickles));
    const auto before = server.requestCount();
    const int status = run(steps);
    ASSERT_EQ(status, 0) << output;
    server.release("body");
    const auto requests = server.requests();
    for (auto request = requests.begin() + static_cast<std::ptrdiff_t>(before); request != requests.end(); ++request) {
      analyticsOut += request->path == "/a";
      transportOut += request->path.rfind("/batch/", 0) == 0;
    }
    EXPECT_EQ(log().find(unfinished), std::string::npos) << (trickles ? "trickle: " : "stall: ") << log();
  }
  server.on("POST", "/a", LoopbackResponse::withStatus(204));
  serveTransport(LoopbackResponse::withStatus(200, ostrel::testing::encodeReply(0)));
  ASSERT_EQ(run(steps), 0) << output;
  const int repeatedAnalytics = repeatedBundles(server.requests());
  const int repeatedTransport = repeats(transportEventsReceived());
  std::cout << "a stalled and a trickling body: " << analyticsOut << " analytics and " << transportOut
            << " transport batches answered so, " << repeatedAnalytics << " analytics bundles and " << repeatedTransport
            << " transport events sent again; the longest start took " << longestRun << " s\n";
  ASSERT_GT(analyticsOut, 0) << "no analytics batch met the slow bodies";
  ASSERT_GT(transportOut, 0) << "no transport batch met the slow bodies";
  EXPECT_EQ(repeatedAnalytics, 0);
  EXPECT_EQ(repeatedTransport, 0);
}

// A window run, on the real clock, whose collectors answer each batch 200 at once and then stall its body
// or trickle it a byte every half second: each store takes the head as the answer the moment it comes
// (the transport's batch deleted, the analytics bundles gone), so the app killed while the bodies are
// still coming sends none of it again. It is killed once every batch answered so has been acted on, the
// collectors giving no head to whatever comes after; sound starts then send what is left. Every event a
// collector answered with a success arrives exactly once, and a bundle sent again (one whose answer
// never came) is marked by a higher retry count.
TEST_F(DeliveryAndTimeTest, ASuccessHeadIsTakenInARunningAppKilledWhileItsBodyIsComing) {
  if (!ostrel::testing::VirtualDisplay::available()) GTEST_SKIP() << "Xvfb is not installed";
  auto display = ostrel::testing::VirtualDisplay::start();
  ASSERT_NE(display, nullptr) << "Xvfb did not start";
  // The app acts on a head it has at once: a safety net, well inside the request's own time-out, after
  // which a stalled body would have ended anyway.
  constexpr double kActGuard = 30;
  const std::string taken = "Successful upload. Got network response";
  std::mutex mutex;
  std::condition_variable answeredMore;
  std::vector<LoopbackRequest> answered;  // with a success, in the order they came
  std::optional<LoopbackResponse> analyticsAnswer, transportAnswer;  // nothing: no head at all
  const auto serve = [&](std::optional<LoopbackResponse> analytics, std::optional<LoopbackResponse> transport) {
    std::lock_guard lock(mutex);
    analyticsAnswer = std::move(analytics);
    transportAnswer = std::move(transport);
  };
  const auto collector = [&](bool analytics) {
    return [&, analytics](const LoopbackRequest& request) {
      std::lock_guard lock(mutex);
      const auto& given = analytics ? analyticsAnswer : transportAnswer;
      if (!given) {
        LoopbackResponse none = LoopbackResponse::withStatus(503);
        none.heldUntilReleased = "no head";
        return none;
      }
      answered.push_back(request);
      answeredMore.notify_all();
      return *given;
    };
  };
  server.on("POST", "/a", collector(true));
  for (const char* target : {"upl", "vll", "csh", "int"}) server.on("POST", std::string("/batch/") + target, collector(false));
  const auto countAnswered = [&](bool analytics) {
    return static_cast<std::size_t>(std::count_if(answered.begin(), answered.end(), [&](const LoopbackRequest& request) {
      return (request.path == "/a") == analytics;
    }));
  };
  const auto answeredTo = [&](bool analytics) {
    std::lock_guard lock(mutex);
    return countAnswered(analytics);
  };
  const auto waitForAnswered = [&](bool analytics, std::size_t count) {
    std::unique_lock lock(mutex);
    return answeredMore.wait_for(lock, std::chrono::seconds(120), [&] { return countAnswered(analytics) >= count; });
  };
  const auto serveSoundly = [&] {
    serve(LoopbackResponse::withStatus(204), LoopbackResponse::withStatus(200, ostrel::testing::encodeReply(0)));
  };

  // The container, its stores and the configuration, from a sound start.
  serveSoundly();
  ASSERT_EQ(run(""), 0) << output;
  const std::string batches = folder / "home/Library/Caches/vadeze-sdks-events/VDTCORFlatFileStorage/vdt_batch_data";
  ASSERT_TRUE(std::filesystem::is_directory(batches));
  std::size_t slowAnalytics = 0, slowTransport = 0;
  for (const bool trickles : {false, true}) {
    const char* kind = trickles ? "trickle: " : "stall: ";
    const std::size_t analyticsBefore = answeredTo(true), transportBefore = answeredTo(false);
    ostrel::testing::TreeChanges changes(batches);
    ASSERT_TRUE(changes.watching());
    serve(slowBody(trickles), slowBody(trickles));
    auto child = startWindow(*display);
    ASSERT_TRUE(child);
    ASSERT_TRUE(waitForAnswered(true, analyticsBefore + 1)) << kind << "no analytics batch came\n" << child->output();
    ASSERT_TRUE(waitForAnswered(false, transportBefore + 1)) << kind << "no transport batch came\n" << child->output();
    // Every batch answered so far has been acted on: the analytics success said (once its bundles are
    // gone), the transport's batch given up under its deleted name.
    std::size_t deleted = 0;
    bool acted = true;
    const auto actOnEveryAnswer = [&] {
      const std::size_t analytics = answeredTo(true) - analyticsBefore, transport = answeredTo(false) - transportBefore;
      acted = acted && child->waitForOutput(taken, static_cast<int>(analytics), kActGuard);
      while (acted && deleted < transport) {
        acted = changes.waitFor("/.deleted-", kActGuard);
        for (const auto& change : changes.take()) {
          deleted += change.find("/.deleted-") != std::string::npos && change.find("renamed here") != std::string::npos;
        }
      }
    };
    actOnEveryAnswer();
    serve(std::nullopt, std::nullopt);
    actOnEveryAnswer();  // a head given before the collectors fell silent too
    EXPECT_TRUE(acted) << kind << "a success head came and the app did not act on it\n" << child->output();
    child->signal(SIGKILL);
    const int status = child->wait();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        << kind << ostrel::testing::describeWaitStatus(status) << "\n" << child->output();
    server.release("body");
    server.release("no head");
    slowAnalytics += answeredTo(true) - analyticsBefore;
    slowTransport += answeredTo(false) - transportBefore;
  }
  serveSoundly();
  for (int start = 1; start <= 2; ++start) ASSERT_EQ(run(""), 0) << "sound start " << start << "\n" << output;

  std::vector<LoopbackRequest> takenRequests;
  {
    std::lock_guard lock(mutex);
    takenRequests = answered;
  }
  const auto events = transportEventsReceived(takenRequests);
  std::map<std::int64_t, int> bundlesTaken;
  for (const auto& bundle : ostrel::testing::uploadedAnalyticsBundles(takenRequests)) {
    ++bundlesTaken[sdk::analytics::nanoGetInt32(*bundle, ostrel::testing::kBundleIndex)];
  }
  int bundleCopies = 0, unmarked = 0;
  for (const auto& [index, times] : bundlesTaken) bundleCopies += times - 1;
  std::map<std::int64_t, std::int64_t> lastRetryCount;
  for (const auto& bundle : ostrel::testing::uploadedAnalyticsBundles(server.requests())) {
    const auto retries = sdk::analytics::nanoGetInt32(*bundle, ostrel::testing::kBundleRetryCount);
    auto [slot, first] = lastRetryCount.try_emplace(sdk::analytics::nanoGetInt32(*bundle, ostrel::testing::kBundleIndex), retries);
    if (!first) unmarked += retries <= slot->second;
    slot->second = retries;
  }
  std::cout << "2 window runs killed after taking " << slowAnalytics << " analytics and " << slowTransport
            << " transport batches answered 200 with a stalled or trickling body; " << events.size()
            << " transport events and " << bundlesTaken.size() << " analytics bundles answered with a success, "
            << repeats(events) << " and " << bundleCopies << " copies of them; " << unmarked << " bundles sent again unmarked\n";
  EXPECT_GT(slowAnalytics, 0u);
  EXPECT_GT(slowTransport, 0u);
  EXPECT_FALSE(events.empty());
  EXPECT_EQ(repeats(events), 0);
  EXPECT_EQ(bundleCopies, 0);
  EXPECT_EQ(unmarked, 0);
}

// With nothing else out, the process end still waits for the analytics upload after the analytics end's
// own wait: an answer that comes then is taken, and the next start sends none of its bundles again. The
// collector holds each answer until the start has said that its upload missed that wait.
TEST_F(DeliveryAndTimeTest, AnAnalyticsAnswerAfterItsOwnWaitIsTakenWithNothingElseOut) {
  transportServed = false;
  LoopbackResponse held = LoopbackResponse::withStatus(204);
  held.heldUntilReleased = "analytics";
  server.on("POST", "/a", held);
  const std::string steps = script("short.script", "wait 5\ntap 195 400\nwait 5\n");
  for (int start = 1; start <= 2; ++start) {
    auto child = this->start(steps, 0, true);
    ASSERT_TRUE(child);
    const bool missedTheWait = child->waitForOutput("did not finish within the wait the app gives it at its end");
    server.release("analytics");
    const bool taken = missedTheWait && child->waitForOutput("Successful upload. Got network response");
    ASSERT_EQ(finish(*child), 0) << "start " << start << "\n" << output;
    ASSERT_TRUE(missedTheWait) << "start " << start << ": no upload was still on its way after the wait\n" << child->output();
    EXPECT_TRUE(taken) << "start " << start << ": the late answer was dropped\n" << child->output();
  }
  server.on("POST", "/a", LoopbackResponse::withStatus(204));
  ASSERT_EQ(run(steps), 0) << output;
  const int repeated = repeatedBundles(server.requests());
  std::cout << "2 starts answered after the analytics end's wait, " << repeated << " bundles sent again; the longest start took "
            << longestRun << " s\n";
  EXPECT_EQ(repeated, 0);
}

// With a batch in flight at the end, what is queued beside it goes at once in a batch of its own rather
// than waiting behind that answer: the collector holds every answer until both batches of a start have
// come, and no bundle is sent twice, nor any event delivered twice.
TEST_F(DeliveryAndTimeTest, TheEndsOwnBatchGoesBesideOneInFlight) {
  LoopbackResponse analytics = LoopbackResponse::withStatus(204);
  analytics.heldUntilReleased = "analytics";
  serveTransport(LoopbackResponse::withStatus(200, ostrel::testing::encodeReply(0)));
  const std::string steps = script("short.script", "wait 5\ntap 195 400\nwait 5\n");
  // A container's first start fetches the configuration before its first upload, and on a loaded machine
  // that fetch can still be on its way when the script ends, so the start has no batch in flight at its
  // end: that start is played with its answers given at once, and the starts held below find the
  // configuration fresh.
  server.on("POST", "/a", LoopbackResponse::withStatus(204));
  {
    auto child = this->start(steps);
    ASSERT_TRUE(child);
    ASSERT_EQ(finish(*child), 0) << output;
  }
  server.on("POST", "/a", analytics);
  constexpr int kStarts = 3;
  for (int start = 1; start <= kStarts; ++start) {
    auto child = this->start(steps);
    ASSERT_TRUE(child);
    EXPECT_TRUE(server.waitForHeld("analytics", 2)) << "start " << start << ": the end's batch waited behind the one in flight";
    server.release("analytics");
    ASSERT_EQ(finish(*child), 0) << "start " << start << "\n" << output;
  }
  std::map<std::pair<std::string, double>, int> delivered;
  for (const auto& event : ostrel::testing::uploadedAnalyticsEvents(server.requests())) {
    ++delivered[{event.name(), event.timestamp()}];
  }
  int twice = 0;
  for (const auto& [event, times] : delivered) twice += times - 1;
  std::cout << kStarts << " starts, " << delivered.size() << " events delivered, " << twice << " of them twice\n";
  EXPECT_EQ(repeatedBundles(server.requests()), 0);
  EXPECT_EQ(twice, 0);
  EXPECT_FALSE(delivered.empty());
}

}  // namespace
