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

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "cmd/ostrel/UploadedAnalyticsEvents.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/PropertyList.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoConversions.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "testing/ChildProcess.h"
#include "testing/FileContents.h"
#include "testing/LoopbackServer.h"
#include "testing/RepeatCount.h"
#include "testing/ScratchFolder.h"
#include "testing/VirtualDisplay.h"

extern char** environ;

namespace {

using ostrel::testing::contentsOf;
using ostrel::testing::decodedEvents;
using ostrel::testing::integerProperties;
using ostrel::testing::kBundleAppID;
using ostrel::testing::kBundleEndTimestamp;
using ostrel::testing::kBundleEvents;
using ostrel::testing::kBundleIndex;
using ostrel::testing::kBundleRetryCount;

using ostrel::testing::LoopbackRequest;
using ostrel::testing::LoopbackResponse;

constexpr const char* kAppBundleID = "app.ostrel.Ostrel";

// One bundle as the server saw it.
struct Sighting {
  std::int64_t index;
  std::int64_t retryCount;
  std::string appID;
  std::size_t events;
  double endSeconds;
  std::vector<sdk::analytics::AnalyticsEvent> decoded;
  std::map<std::string, std::int64_t> integerProperties;
};

// Every bundle of the batches among `requests`, in the order they came.
std::vector<Sighting> sightingsOf(const std::vector<LoopbackRequest>& requests) {
  std::vector<Sighting> all;
  for (const auto& bundle : ostrel::testing::uploadedAnalyticsBundles(requests)) {
    all.push_back({sdk::analytics::nanoGetInt32(*bundle, kBundleIndex), sdk::analytics::nanoGetInt32(*bundle, kBundleRetryCount),
                   sdk::analytics::nanoGetString(*bundle, kBundleAppID).value_or(""),
                   sdk::analytics::nanoGetMessageArray<sdk::analytics::ProtoEvent>(*bundle, kBundleEvents).size(),
                   static_cast<double>(sdk::analytics::nanoGetInt64(*bundle, kBundleEndTimestamp)) / 1000,
                   decodedEvents(*bundle), integerProperties(*bundle)});
  }
  return all;
}

using Events = std::vector<sdk::analytics::AnalyticsEvent>;

Events eventsOf(const std::vector<Sighting>& bundles) {
  Events events;
  for (const auto& bundle : bundles) events.insert(events.end(), bundle.decoded.begin(), bundle.decoded.end());
  return events;
}

const sdk::analytics::AnalyticsEvent* latest(const Events& events, const std::string& name) {
  const sdk::analytics::AnalyticsEvent* found = nullptr;
  for (const auto& event : events) {
    if (event.name() == name && (!found || event.timestamp() >= found->timestamp())) found = &event;
  }
  return found;
}

std::pair<double, double> timeSpan(const Events& events) {
  double first = 1e300, last = -1e300;
  for (const auto& event : events) first = std::min(first, event.timestamp()), last = std::max(last, event.timestamp());
  return {first, last};
}

// Time never runs backwards across bundles: each one made ends no earlier than the one made before it.
void expectBundlesInTimeOrder(std::vector<Sighting> bundles) {
  std::sort(bundles.begin(), bundles.end(), [](const auto& a, const auto& b) { return a.index < b.index; });
  for (std::size_t i = 1; i < bundles.size(); ++i) {
    EXPECT_GE(bundles[i].endSeconds, bundles[i - 1].endSeconds)
        << "bundle " << bundles[i].index << " is dated before bundle " << bundles[i - 1].index;
  }
}

// Each way a run ends leaves the foreground first: its background event, and the engagement on the
// screen it ended on, arrive with the run's own last upload.
void expectLeftTheForeground(const Events& events, int run) {
  const auto* background = latest(events, "_ab");
  const auto* engagement = latest(events, "_e");
  const auto* screen = latest(events, "_vs");
  ASSERT_TRUE(background && engagement && screen) << "run " << run << " sent no _ab, _e or _vs";
  EXPECT_GE(engagement->timestamp(), screen->timestamp()) << "run " << run << ": no engagement on the last screen";
  EXPECT_LE(engagement->timestamp(), background->timestamp()) << "run " << run;
  EXPECT_TRUE(engagement->parameters().count("_sc")) << "run " << run << ": the last engagement names no screen";
}

// Within one session every bundle that carries engagement adds it to "_se", so "_se" is the session's
// engagement so far; and every session has an ID of its own.
void expectSessionsAddUp(std::vector<Sighting> bundles) {
  std::sort(bundles.begin(), bundles.end(), [](const auto& a, const auto& b) { return a.index < b.index; });
  std::map<std::int64_t, std::int64_t> total;
  std::map<std::int64_t, int> engagedBundles;
  for (const auto& bundle : bundles) {
    auto session = bundle.integerProperties.find("_sid");
    if (session == bundle.integerProperties.end()) continue;
    std::int64_t engagement = 0;
    for (const auto& event : bundle.decoded) {
      auto time = event.parameters().find("_et");
      if (time != event.parameters().end() && time->second.isInt64() && !event.parameters().count("_fr")) {
        engagement += time->second.int64Value();
      }
    }
    if (engagement == 0) continue;
    total[session->second] += engagement;
    ++engagedBundles[session->second];
    auto kept = bundle.integerProperties.find("_se");
    ASSERT_NE(kept, bundle.integerProperties.end()) << "bundle " << bundle.index << " has no _se";
    EXPECT_EQ(kept->second, total[session->second]) << "bundle " << bundle.index;
  }
  EXPECT_TRUE(std::any_of(engagedBundles.begin(), engagedBundles.end(), [](const auto& s) { return s.second >= 2; }))
      << "no session spread over several bundles";
  std::set<std::int64_t> sessionIDs;
  for (const auto& event : eventsOf(bundles)) {
    if (event.name() != "_s") continue;
    auto id = event.parameters().find("_sid");
    ASSERT_NE(id, event.parameters().end());
    EXPECT_TRUE(sessionIDs.insert(id->second.int64Value()).second) << "session ID " << id->second.int64Value() << " twice";
  }
}

// The events the engine stored, by name, as its debug lines say ("Event logged. Event name, event params:
// user_engagement (_e), {...}": an internal event shows its wire name in brackets).
std::map<std::string, int> eventsStoredPerLog(const std::string& log) {
  static const std::string marker = "Event logged. Event name, event params: ";
  std::map<std::string, int> names;
  for (auto at = log.find(marker); at != std::string::npos; at = log.find(marker, at + 1)) {
    const auto from = at + marker.size();
    std::string name = log.substr(from, log.find(", {", from) - from);
    if (auto open = name.rfind(" ("); open != std::string::npos && name.back() == ')') {
      name = name.substr(open + 2, name.size() - open - 3);
    }
    ++names[name];
  }
  return names;
}

class AnalyticsRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server.on("POST", "/a", LoopbackResponse::withStatus(204));
    // No configuration on the server: the app keeps its defaults (a 404 is an accepted answer).
  }

  // Starts ostrel headless on `script` in the container, with the analytics debug switch; without a
  // script, a plain start.
  // The collecting server is this test's unless `service` names another address.
  pid_t start(const std::string& script, std::string service = {}) {
    if (service.empty()) service = server.url("");
    std::vector<std::string> arguments = {OSTREL_EXECUTABLE, "--home", folder / "home", "-APMAnalyticsDebugEnabled"};
    if (!script.empty()) arguments.insert(arguments.end(), {"--script", script, "--out", folder / "out"});
    std::vector<std::string> environment = {"OSTREL_ANALYTICS_URL=" + service, "OSTREL_HOME="};
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
  int run(const std::string& script, const std::string& service = {}) {
    const pid_t pid = start(script, service);
    EXPECT_GT(pid, 0);
    return pid > 0 ? finish(pid) : -1;
  }
  std::string output() const { return contentsOf(folder / "output.txt"); }
  std::string log() const { return contentsOf(folder / "home/Library/Logs/ostrel.log"); }
  // The container's record of its latest time, as a run leaves it.
  std::string recordPath() const { return folder / "home/Library/Preferences/ostrel-shell.plist"; }
  // What the server received since the last look, which it forgets.
  std::vector<Sighting> takeSightings() {
    auto sightings = sightingsOf(server.requests());
    server.clearRequests();
    return sightings;
  }

  ostrel::testing::ScratchFolder folder;
  ostrel::testing::LoopbackServer server;
};

// Two tours on one container and then a plain start, as an operator runs them against a collecting
// server: every event recorded arrives once, each run sends its own (the second tour is no longer dated
// before the first), and each run's end is reported as leaving the foreground.
TEST_F(AnalyticsRunTest, TwoToursThenAPlainStartDeliverEveryEventOnceEachRunItsOwn) {
  std::map<std::int64_t, int> received;
  std::vector<Sighting> all;
  std::pair<double, double> firstTour;
  const double today = platform::foundation::Clock::current()->now();
  for (int round = 1; round <= 3; ++round) {
    const int status = run(round <= 2 ? OSTREL_TOUR : "");
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "run " << round << " ended with " << status << "\n"
                                                                 << output();
    const auto sightings = sightingsOf(server.requests());
    server.clearRequests();
    ASSERT_FALSE(sightings.empty()) << "run " << round << " sent nothing\n" << output();
    for (const auto& seen : sightings) {
      EXPECT_EQ(seen.appID, kAppBundleID) << "bundle " << seen.index;
      // Dated today, not on a fixed day long past that the next start would purge as stale.
      EXPECT_GT(seen.endSeconds, today - 86400) << "bundle " << seen.index;
      EXPECT_LT(seen.endSeconds, today + 3600) << "bundle " << seen.index;
      EXPECT_EQ(seen.retryCount, 0) << "bundle " << seen.index << " went again in run " << round;
      EXPECT_EQ(++received[seen.index], 1) << "bundle " << seen.index << " arrived twice";
    }
    const Events events = eventsOf(sightings);
    expectLeftTheForeground(events, round);
    if (round == 1) firstTour = timeSpan(events);
    if (round == 2) {
      EXPECT_GT(timeSpan(events).first, firstTour.second) << "the second tour is dated before the first";
    }
    all.insert(all.end(), sightings.begin(), sightings.end());
  }
  // Bundles are numbered as they are made: a gap is a bundle made and never received.
  std::int64_t expected = 1;
  for (const auto& [index, count] : received) EXPECT_EQ(index, expected++) << "a bundle made and never sent";
  expectSessionsAddUp(all);

  const std::string log = contentsOf(folder / "home/Library/Logs/ostrel.log");
  std::map<std::string, int> arrived;
  for (const auto& event : eventsOf(all)) ++arrived[event.name()];
  EXPECT_EQ(arrived, eventsStoredPerLog(log)) << "events stored and events received differ";
  EXPECT_EQ(log.find("Bundle ID is inconsistent"), std::string::npos);
  EXPECT_EQ(log.find("did not finish before the app ended"), std::string::npos);
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

// The level word of a log file's line ("2026-12-08 10:00:00 warning ..."), and how many lines it stands
// for: identical lines close together are written once, with "[repeated N more times]".
std::string levelOf(const std::string& line) {
  std::istringstream words(line);
  std::string day, time, level;
  words >> day >> time >> level;
  return level;
}

int linesStoodFor(const std::string& line) {
  static const std::regex repeated(R"(\[repeated (\d+) more times?\]$)");
  std::smatch match;
  return 1 + (std::regex_search(line, match, repeated) ? std::stoi(match[1]) : 0);
}

// A collecting server that is down for the whole of a long script (three hours of waits, a night's run in
// small): every request the app retries fails again and again, as many times as the run's timing allows.
// The configuration fetch's failures are told once, when they begin, with when the next attempt comes;
// and every failed attempt is written at its own level, never as a debug line (the run is in analytics
// debug mode, where those would show): the fetch's two warnings, the network client's error for each
// failed request, the experiments fetch's error when its time came within the run.
TEST_F(AnalyticsRunTest, AServerDownForHoursIsToldOnceAndEachAttemptAtItsLevel) {
  std::string down;
  {
    ostrel::testing::LoopbackServer gone;
    down = gone.url("");
  }
  const std::string script = folder / "night.script";
  std::ofstream(script) << "wait 5\ntap 195 400\nwait 3600\ntap 195 400\nwait 3600\ntap 195 400\nwait 3600\n";
  const int status = run(script, down);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << output();
  std::istringstream log(contentsOf(folder / "home/Library/Logs/ostrel.log"));
  const std::map<std::string, std::string> levels = {
      {"[A023128]", "warning"}, {"[A023129]", "warning"}, {"[A901017]", "error"}, {"[A820002]", "error"}};
  std::map<std::string, int> attempts;  // by message code, the lines a repeat stands for included
  std::vector<std::string> seriesTold;
  for (std::string line; std::getline(log, line);) {
    if (line.find("Fetching the analytics configuration failed") != std::string::npos) seriesTold.push_back(line);
    for (const auto& [code, level] : levels) {
      if (line.find(code) == std::string::npos) continue;
      EXPECT_EQ(levelOf(line), level) << line;
      attempts[code] += linesStoodFor(line);
    }
  }
  EXPECT_GE(attempts["[A023129]"], 3) << "the configuration was fetched again and again";
  EXPECT_EQ(attempts["[A023128]"], attempts["[A023129]"]) << "each failed fetch writes both its warnings";
  EXPECT_GE(attempts["[A901017]"], attempts["[A023129]"]) << "each failed request writes its network error";
  ASSERT_EQ(seriesTold.size(), 1u);
  EXPECT_NE(seriesTold[0].find("the next attempt comes"), std::string::npos) << seriesTold[0];
}

// A record of the container's time from a system clock once set to 2100 is not taken up: the next tour is
// dated today, nothing it finds queued is deleted as stale (the first tour's events, its first open
// among them, still arrive), and the warning says why. A record that cannot be read at all lets time run
// back no more: the times the container's stores hold stand in for it.
TEST_F(AnalyticsRunTest, AFutureOrDamagedRecordNeitherDatesRunsAheadNorLetsTimeRunBack) {
  const double today = platform::foundation::Clock::current()->now();
  server.on("POST", "/a", LoopbackResponse::withStatus(500));
  ASSERT_EQ(run(OSTREL_TOUR), 0) << output();
  (void)takeSightings();
  ASSERT_TRUE(platform::foundation::PropertyList::writeFile(
      recordPath(), platform::foundation::Value(platform::foundation::Dictionary{{"LatestTime", 4102444800.0}}),
      platform::foundation::PropertyList::Format::Binary));
  server.on("POST", "/a", LoopbackResponse::withStatus(204));
  ASSERT_EQ(run(OSTREL_TOUR), 0) << output();
  const auto delivered = takeSightings();
  const Events events = eventsOf(delivered);
  EXPECT_TRUE(latest(events, "_f")) << "the first tour's events were deleted";
  for (const auto& seen : delivered) EXPECT_LT(seen.endSeconds, today + 2 * 86400) << "bundle " << seen.index;
  expectBundlesInTimeOrder(delivered);
  EXPECT_NE(log().find("lies more than a year ahead of the clock that wrote it"), std::string::npos) << log();
  EXPECT_EQ(log().find("Deleted analytics data"), std::string::npos) << log();
  EXPECT_EQ(log().find("outside the storable range"), std::string::npos) << log();

  std::ofstream(recordPath(), std::ios::trunc) << "bplist00 damaged";
  ASSERT_EQ(run(OSTREL_TOUR), 0) << output();
  const Events later = eventsOf(takeSightings());
  ASSERT_FALSE(later.empty());
  EXPECT_GT(timeSpan(later).first, timeSpan(events).second) << "the tour after the damage is dated before the one before it";
}

// The engagement a run reports, in ms: its "_e" events' "_et", leaving out what only marks engagement
// reported already.
std::int64_t engagementReported(const Events& events) {
  std::int64_t total = 0;
  for (const auto& event : events) {
    auto time = event.parameters().find("_et");
    if (event.name() == "_e" && time != event.parameters().end() && !event.parameters().count("_fr")) {
      total += time->second.int64Value();
    }
  }
  return total;
}

// A script of long waits played several times against a collecting server, as a night's runs are made:
// every run reports the whole of its time in the foreground as engagement (the analytics engine, which
// starts on its worker while the script already waits, lost up to an hour of it), and the runs, which
// take the container more than a day past the real clock, are continued by the next tour and plain start,
// each dated after everything stored and without a word of a wrong clock.
TEST_F(AnalyticsRunTest, LongWaitsReportTheirWholeEngagementAndTheirLeadIsContinued) {
  // The first run starts at midnight: together the runs go past the real time by more than a day.
  constexpr int kRuns = 4;
  const double real = platform::foundation::Clock::current()->now();
  const double sinceMidnight = real - std::floor(real / 86400) * 86400;
  const int hourLongWaits = static_cast<int>(std::ceil((sinceMidnight + 26 * 3600) / kRuns / 3600));
  const std::string script = folder / "hours.script";
  {
    std::ofstream steps(script);
    steps << "wait 5\ntap 195 400\n";
    for (int wait = 0; wait < hourLongWaits; ++wait) steps << "wait 3600\n";
  }
  const double foregroundMillis = (5 + 0.05 + hourLongWaits * 3600) * 1000;
  double lastStored = 0;
  for (int run = 1; run <= kRuns; ++run) {
    const int status = this->run(script);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "run " << run << ": " << status << "\n" << output();
    const Events events = eventsOf(takeSightings());
    ASSERT_FALSE(events.empty()) << "run " << run << " sent nothing\n" << output();
    // Each event's engagement is cut to whole milliseconds.
    EXPECT_NEAR(static_cast<double>(engagementReported(events)), foregroundMillis, 10) << "run " << run;
    EXPECT_GT(timeSpan(events).first, lastStored) << "run " << run << " is dated before the one before it";
    lastStored = timeSpan(events).second;
  }
  ASSERT_GT(lastStored, real + 86400) << "the runs did not take the container a day ahead";
  ASSERT_EQ(run(OSTREL_TOUR), 0) << output();
  const Events tour = eventsOf(takeSightings());
  ASSERT_FALSE(tour.empty());
  EXPECT_GT(timeSpan(tour).first, lastStored) << "the tour is dated before the runs";
  ASSERT_EQ(run(""), 0) << output();
  const Events plain = eventsOf(takeSightings());
  ASSERT_FALSE(plain.empty());
  EXPECT_GT(timeSpan(plain).first, timeSpan(tour).second) << "the plain start is dated before the tour";
  EXPECT_EQ(log().find("a wrong clock dated it"), std::string::npos) << log();
  // The one error a run may log is the experiments fetch, which this server does not serve.
  std::istringstream lines(log());
  for (std::string line; std::getline(lines, line);) {
    if (line.find("[A820002]") != std::string::npos) continue;
    EXPECT_EQ(line.find(" error "), std::string::npos) << line;
  }
}

// A headless run whose waits went two hours past the real time, then a plain start and a window on the
// real clock: each is dated after the run before it, not back at the time of day.
TEST_F(AnalyticsRunTest, ARealClockStartAfterAHeadlessRunPastTheRealTimeIsDatedAfterIt) {
  const double real = platform::foundation::Clock::current()->now();
  const double sinceMidnight = real - std::floor(real / 86400) * 86400;
  const std::string script = folder / "long.script";
  {
    std::ofstream steps(script);
    steps << "wait 1\ntap 195 400\n";
    // A wait is at most an hour.
    for (double left = sinceMidnight + 7200; left > 0; left -= 3600) steps << "wait " << std::llround(std::min(left, 3600.0)) << "\n";
    steps << "tap 195 400\nwait 1\n";
  }
  ASSERT_EQ(run(script), 0) << output();
  const Events headless = eventsOf(takeSightings());
  ASSERT_FALSE(headless.empty());
  double last = timeSpan(headless).second;
  ASSERT_GT(last, real + 3600) << "the run did not go past the real time";

  ASSERT_EQ(run(""), 0) << output();
  const Events plain = eventsOf(takeSightings());
  ASSERT_FALSE(plain.empty());
  EXPECT_GT(timeSpan(plain).first, last) << "the plain start is dated before the headless run";
  EXPECT_LT(timeSpan(plain).second, last + 3600);
  last = timeSpan(plain).second;

  if (!ostrel::testing::VirtualDisplay::available()) GTEST_SKIP() << "Xvfb is not installed";
  auto display = ostrel::testing::VirtualDisplay::start();
  ASSERT_NE(display, nullptr) << "Xvfb did not start";
  auto environment = ostrel::testing::environmentWithout({"OSTREL_", "DISPLAY=", "WAYLAND_DISPLAY=", "DBUS_SESSION_BUS_ADDRESS="});
  environment.push_back("OSTREL_ANALYTICS_URL=" + server.url(""));
  for (const auto& [name, value] : display->environment()) environment.push_back(name + "=" + value);
  auto window = ostrel::testing::ChildProcess::start(
      {OSTREL_EXECUTABLE, "--home", folder / "home", "--verbose", "--window", "-APMAnalyticsDebugEnabled"}, environment);
  ASSERT_TRUE(window);
  ASSERT_TRUE(window->waitForOutput("the window is shown")) << window->output();
  window->signal(SIGTERM);
  const int status = window->wait();
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << window->output();
  const Events shown = eventsOf(takeSightings());
  ASSERT_FALSE(shown.empty()) << window->output();
  EXPECT_GT(timeSpan(shown).first, last) << "the window is dated before the plain start";
}

}  // namespace
