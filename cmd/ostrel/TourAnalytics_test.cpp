// The tour as a person plays it, headless, with the SDK configured from the bundle and no analytics
// service: what the app's own life cycle and screens record ends up in the container's measurement
// database, in the order the user met it.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/PropertyList.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "testing/FileContents.h"
#include "testing/TempContainer.h"

extern char** environ;

namespace {

using ostrel::testing::contentsOf;

using platform::foundation::Error;

struct Stored {
  std::string name;
  sdk::analytics::Parameters parameters;
};

std::string screenClass(const Stored& event) {
  auto found = event.parameters.find("_sc");
  return found == event.parameters.end() ? std::string() : found->second.stringValue();
}

class TourAnalyticsTest : public ::testing::Test {
 protected:
  // ostrel headless on `script` (the tour) in this test's container, with no analytics service
  // configured, so everything it records stays in the database. Returns the raw wait status.
  int playTour(const std::string& script = OSTREL_TOUR) {
    std::vector<std::string> arguments = {OSTREL_EXECUTABLE, "--home", container.path(), "--script", script,
                                          "--out", container.pathFor("tour")};
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
      const std::string text = *entry;
      if (text.rfind("OSTREL_", 0) != 0 && text.rfind("DISPLAY=", 0) != 0) environment.push_back(text);
    }
    std::vector<char*> argv, envp;
    for (auto& argument : arguments) argv.push_back(argument.data());
    for (auto& entry : environment) envp.push_back(entry.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed) return -1;
    int status = -1;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
  }

  // The raw events the run left, oldest first.
  std::vector<Stored> storedEvents() {
    std::vector<Stored> events;
    auto database = ostrel::testing::succeeded(sdk::analytics::MeasurementDatabase::initWithDatabaseName(
        sdk::analytics::MeasurementDatabase::kDatabaseName, persisted));
    EXPECT_TRUE(database);
    if (!database) return events;
    auto rows = database->store().recordsForQuery("SELECT * FROM raw_events ORDER BY rowid", {});
    for (const auto& row : rows.valueOr(std::vector<sdk::analytics::SqliteStore::Row>{})) {
      if (auto data = sdk::analytics::MeasurementDatabase::rawEventDataFromDictionary(row)) {
        events.push_back({data->rawEvent.name(), data->rawEvent.parameters()});
      }
    }
    return events;
  }
  std::optional<std::int64_t> userProperty(const std::string& name) {
    auto database = ostrel::testing::succeeded(sdk::analytics::MeasurementDatabase::initWithDatabaseName(
        sdk::analytics::MeasurementDatabase::kDatabaseName, persisted));
    auto stored = database ? ostrel::testing::succeeded(database->userAttributeWithName(name)) : std::nullopt;
    return stored ? std::optional(stored->value.int64Value()) : std::nullopt;
  }

  ostrel::testing::TempContainer container;
  const std::string output = container.pathFor("output.txt");
  std::shared_ptr<sdk::analytics::PersistedConfig> persisted = std::make_shared<sdk::analytics::PersistedConfig>();
};

TEST_F(TourAnalyticsTest, TheTourRecordsAFirstOpenASessionAndTheScreensItShows) {
  const int status = playTour();
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "ostrel ended with " << status << "\n"
                                                               << contentsOf(output);
  const auto events = storedEvents();
  ASSERT_GE(events.size(), 3u) << contentsOf(output);

  // A first start opens, starts a session and counts its first engagement, in that order.
  EXPECT_EQ(events[0].name, "_f");
  EXPECT_EQ(events[1].name, "_s");
  EXPECT_EQ(events[2].name, "_e");
  EXPECT_EQ(userProperty("_fi"), 1);
  EXPECT_EQ(userProperty("_sno"), 1);
  const auto firstOpen = persisted->firstOpenTimestampMilliseconds();
  EXPECT_GT(firstOpen, 0) << "the first-open time is stored";
  EXPECT_EQ(userProperty("_fot"), firstOpen / 3'600'000 * 3'600'000 + 3'600'000);

  // The main screen and its six pages are one screen; opening setup is another, and closing it
  // returns to the main screen. Changing the theme builds the main screen again, as do choosing the
  // automatic theme and the system's switch to dark that it follows.
  std::vector<std::string> screens;
  std::vector<Stored> screenViews;
  for (const auto& event : events) {
    if (event.name != "_vs") continue;
    screens.push_back(screenClass(event));
    screenViews.push_back(event);
  }
  EXPECT_EQ(screens, (std::vector<std::string>{"NewMainViewController", "NewMainViewController",
                                               "NewCameraSetupViewController", "NewMainViewController",
                                               "NewMainViewController", "NewMainViewController"}));
  ASSERT_EQ(screenViews.size(), 6u);
  EXPECT_FALSE(screenViews[0].parameters.contains("_pc")) << "nothing was on screen before the first";
  EXPECT_EQ(screenViews[2].parameters.at("_pc").stringValue(), "NewMainViewController");
  EXPECT_EQ(screenViews[3].parameters.at("_pc").stringValue(), "NewCameraSetupViewController");
  for (std::size_t i = 1; i < screenViews.size(); ++i) {
    EXPECT_NE(screenViews[i].parameters.at("_si").int64Value(), screenViews[i - 1].parameters.at("_si").int64Value())
        << "each screen shown is a new instance";
  }
}

// The feedback mail the rating prompt opens is a screen of its own while it shows: a person who has used
// the app for weeks opens the setup menu, where the prompt comes up, answers "Not really", then "Ok, sure",
// and cancels the mail.
TEST_F(TourAnalyticsTest, TheFeedbackMailFromTheRatingPromptIsAScreen) {
  const double now = platform::foundation::Clock::current()->now();
  ASSERT_TRUE(platform::foundation::AtomicFile::createDirectories(container.pathFor("Documents")).ok());
  const platform::foundation::Value guides(platform::foundation::Dictionary{
      {"FIRSTSTARTDATE", platform::foundation::Value::date(now - 40 * 86400)},
      {"MAINVIEWTOTALVIEWTIME", platform::foundation::Value(std::int64_t{700})},
      {"didEnterSetup", platform::foundation::Value(std::int64_t{1})},
      {"didExit_Guide_MainView_GetStarted", platform::foundation::Value(std::int64_t{1})}});
  const std::string settings = container.pathFor("Documents/InteractiveGuideSettings.plist");
  ASSERT_TRUE(platform::foundation::PropertyList::writeFile(settings, guides, platform::foundation::PropertyList::Format::Xml));
  const std::string script = container.pathFor("mail.script");
  std::ofstream(script) << "wait 1\ntap 195 119  # the setup menu\nwait 20\ntap 288 773  # Not really\nwait 1\n"
                           "tap 101 773  # Ok, sure\nwait 2\ntap 41 67  # Cancel\nwait 2\n";
  const int status = playTour(script);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "ostrel ended with " << status << "\n"
                                                               << contentsOf(output);
  std::vector<std::string> screens;
  std::string shownDuringTheMail;
  for (const auto& event : storedEvents()) {
    if (event.name == "_vs") screens.push_back(screenClass(event));
    if (event.name == "_e" && !screens.empty() && screens.back() == "MFMailComposeViewController") {
      shownDuringTheMail = screenClass(event);
    }
  }
  EXPECT_EQ(screens, (std::vector<std::string>{"NewMainViewController", "NewCameraSetupViewController",
                                               "MFMailComposeViewController", "NewCameraSetupViewController"}))
      << contentsOf(output);
  EXPECT_EQ(shownDuringTheMail, "MFMailComposeViewController") << "the engagement while it showed";
}

}  // namespace
