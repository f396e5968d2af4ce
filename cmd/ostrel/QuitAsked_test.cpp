// ostrel asked to quit from outside, as a desktop's log-out, a supervisor or Ctrl-C asks, with a
// collecting server on loopback attached: the window and a headless tour both end in order, with no
// sanitizer report, and what the app recorded before the request is kept; a request that comes before
// the program's own start-up too.
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "cmd/ostrel/UploadedAnalyticsEvents.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/MeasurementFiles.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "testing/ChildProcess.h"
#include "testing/LoopbackServer.h"
#include "testing/TempContainer.h"
#include "testing/VirtualDisplay.h"

namespace {

using ostrel::testing::ChildProcess;
using ostrel::testing::describeWaitStatus;
using ostrel::testing::LoopbackResponse;
using platform::foundation::Error;

constexpr const char* kEventLogged = "Event logged. Event name, event params: ";

bool hasSanitizerReport(const std::string& output) {
  return output.find("ERROR: ") != std::string::npos || output.find("runtime error") != std::string::npos;
}

// The internal names ("_vs") of the events the debug lines in `output` say were stored.
std::vector<std::string> loggedEventNames(const std::string& output) {
  std::vector<std::string> names;
  for (auto at = output.find(kEventLogged); at != std::string::npos; at = output.find(kEventLogged, at + 1)) {
    // "screen_view (_vs), {...}"
    const auto open = output.find('(', at), close = output.find(')', open);
    if (open != std::string::npos && close != std::string::npos) names.push_back(output.substr(open + 1, close - open - 1));
  }
  return names;
}

// The database file is whole, as SQLite itself checks it, opened without being changed.
std::string integrityOf(const std::string& path) {
  sqlite3* db = nullptr;
  std::string result = "cannot open";
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* check = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr) == SQLITE_OK &&
        sqlite3_step(check) == SQLITE_ROW) {
      result = reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
    }
    sqlite3_finalize(check);
  }
  sqlite3_close(db);
  return result;
}

class QuitAskedTest : public ::testing::Test {
 protected:
  void SetUp() override { server.on("POST", "/a", LoopbackResponse::withStatus(204)); }

  // In the test's container unless `home` names another.
  std::unique_ptr<ChildProcess> start(std::vector<std::string> arguments,
                                      const ostrel::testing::VirtualDisplay* display = nullptr, std::string home = {}) {
    if (home.empty()) home = container.path();
    arguments.insert(arguments.begin(), {OSTREL_EXECUTABLE, "--home", home, "--verbose"});
    auto environment = ostrel::testing::environmentWithout(
        {"OSTREL_", "DISPLAY=", "WAYLAND_DISPLAY=", "DBUS_SESSION_BUS_ADDRESS="});
    environment.push_back("OSTREL_ANALYTICS_URL=" + server.url(""));
    if (display) {
      for (const auto& [name, value] : display->environment()) environment.push_back(name + "=" + value);
    }
    auto child = ChildProcess::start(arguments, environment);
    EXPECT_NE(child, nullptr) << "ostrel did not start";
    return child;
  }

  // Every event the app kept: still in the database, or received by the server.
  std::map<std::string, int> storedEventCounts() {
    std::map<std::string, int> counts = receivedEventCounts();
    auto database = ostrel::testing::succeeded(sdk::analytics::MeasurementDatabase::initWithDatabaseName(
        sdk::analytics::MeasurementDatabase::kDatabaseName, std::make_shared<sdk::analytics::PersistedConfig>()));
    EXPECT_TRUE(database);
    if (!database) return counts;
    auto rows = database->store().recordsForQuery("SELECT * FROM raw_events", {});
    for (const auto& row : rows.valueOr(std::vector<sdk::analytics::SqliteStore::Row>{})) {
      if (auto data = sdk::analytics::MeasurementDatabase::rawEventDataFromDictionary(row))
        ++counts[data->rawEvent.name()];
    }
    return counts;
  }
  // The events the server received, by name.
  std::map<std::string, int> receivedEventCounts() {
    std::map<std::string, int> counts;
    for (const auto& event : ostrel::testing::uploadedAnalyticsEvents(server.requests())) ++counts[event.name()];
    return counts;
  }

  ostrel::testing::TempContainer container;
  ostrel::testing::LoopbackServer server;
};

// The window asked to quit once it is up ends in order and says 0, as its close button does; one
// container across the runs, as a person's restarts would leave it.
TEST_F(QuitAskedTest, TheWindowAskedToQuitEndsInOrderWithStatusZero) {
  if (!ostrel::testing::VirtualDisplay::available()) GTEST_SKIP() << "Xvfb is not installed";
  auto display = ostrel::testing::VirtualDisplay::start();
  ASSERT_NE(display, nullptr) << "Xvfb did not start";
  for (int signal : {SIGTERM, SIGINT, SIGTERM}) {
    auto app = start({"--window"}, display.get());
    ASSERT_TRUE(app);
    ASSERT_TRUE(app->waitForOutput("the window is shown")) << app->output();
    app->signal(signal);
    const int status = app->wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << describeWaitStatus(status) << "\n" << app->output();
    EXPECT_FALSE(hasSanitizerReport(app->output())) << app->output();
    EXPECT_NE(app->output().find(std::string("quit asked by ") + (signal == SIGINT ? "SIGINT" : "SIGTERM")),
              std::string::npos)
        << app->output();
  }
}

// A first start stopped at once, while the analytics engine is still starting (its resign and its move
// to the background may come before the engine reports, between its steps), still begins the
// container's first session; and the tour after it is no session without a start: the server receives
// the "_s".
TEST_F(QuitAskedTest, AFirstStartStoppedAtOnceStillBeginsTheFirstSession) {
  // Where the signal lands among the engine's steps varies from run to run: a few first starts, each in
  // a container of its own.
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const std::string home = container.pathFor("home" + std::to_string(round));
    const std::string out = container.pathFor("shots" + std::to_string(round));
    server.clearRequests();
    auto first = start({"--script", OSTREL_TOUR, "--out", out, "-APMAnalyticsDebugEnabled"}, nullptr, home);
    ASSERT_TRUE(first);
    ASSERT_TRUE(first->waitForOutput("Analytics is ready to receive events")) << first->output();
    first->signal(SIGTERM);
    const int stopped = first->wait();
    ASSERT_TRUE(WIFEXITED(stopped) && WEXITSTATUS(stopped) == 128 + SIGTERM) << describeWaitStatus(stopped) << "\n"
                                                                             << first->output();
    auto tour = start({"--script", OSTREL_TOUR, "--out", out, "-APMAnalyticsDebugEnabled"}, nullptr, home);
    ASSERT_TRUE(tour);
    const int status = tour->wait();
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << describeWaitStatus(status) << "\n" << tour->output();
    const auto received = receivedEventCounts();
    EXPECT_TRUE(received.contains("_f")) << first->output();
    EXPECT_TRUE(received.contains("_s")) << "no session began:\n" << first->output();
  }
}

// A headless tour stopped by SIGTERM ends in order too: it says where it stopped and ends with the
// status of that signal, the measurement database is whole, and every event it had stored before
// the signal is still there (or reached the server).
TEST_F(QuitAskedTest, AHeadlessTourStoppedBySigtermKeepsWhatItRecorded) {
  auto app = start({"--script", OSTREL_TOUR, "--out", container.pathFor("tour"), "-APMAnalyticsDebugEnabled"});
  ASSERT_TRUE(app);
  // First open, session, engagement and the first screen: the app is up and the tour under way.
  ASSERT_TRUE(app->waitForOutput(kEventLogged, 4)) << app->output();
  app->signal(SIGTERM);
  const auto before = loggedEventNames(app->output());
  const int status = app->wait();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGTERM) << describeWaitStatus(status) << "\n" << app->output();
  EXPECT_NE(app->output().find("stopped by SIGTERM before line "), std::string::npos) << app->output();
  EXPECT_FALSE(hasSanitizerReport(app->output())) << app->output();

  EXPECT_EQ(integrityOf(sdk::analytics::measurementDirectoryFilePath(sdk::analytics::MeasurementDatabase::kDatabaseName)), "ok");
  std::map<std::string, int> recorded;
  for (const auto& name : before) ++recorded[name];
  const auto stored = storedEventCounts();
  for (const auto& [name, count] : recorded) {
    EXPECT_GE(stored.contains(name) ? stored.at(name) : 0, count) << name << " was stored before the signal and lost";
  }
}

// A SIGTERM that comes as the program starts, before any start-up work of its own (stopped there by a
// preloaded library and signalled while it stands), still ends it in order: the script stops before its
// first line and the status is the signal's.
TEST_F(QuitAskedTest, ASigtermBeforeTheProgramsOwnStartUpStillEndsItInOrder) {
  auto environment = ostrel::testing::environmentPreloading(
      ostrel::testing::environmentWithout({"OSTREL_", "DISPLAY=", "WAYLAND_DISPLAY=", "DBUS_SESSION_BUS_ADDRESS="}),
      OSTREL_STOP_AT_START);
  environment.push_back("OSTREL_ANALYTICS_URL=" + server.url(""));
  const std::string script = container.pathFor("tap.script");
  std::ofstream(script) << "wait 5\ntap 195 400\n";
  auto app = ChildProcess::start(
      {OSTREL_EXECUTABLE, "--home", container.path(), "--script", script, "--out", container.pathFor("tap")}, environment);
  ASSERT_TRUE(app);
  ASSERT_TRUE(app->waitForStop()) << "it never stopped as it started\n" << app->output();
  app->signal(SIGTERM);
  app->resume();
  const int status = app->wait();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGTERM) << describeWaitStatus(status) << "\n"
                                                                           << app->output();
  EXPECT_NE(app->output().find("stopped by SIGTERM before line 1 "), std::string::npos) << app->output();
  EXPECT_FALSE(hasSanitizerReport(app->output())) << app->output();
}

}  // namespace
