// Every logging switch the behaviour page lists is one `ostrel` takes: started with it, the lines it
// promises are in the log file, and the switch that undoes it hides them again. The log's own hint at
// those switches names a page and section that hold them.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "testing/ChildProcess.h"
#include "testing/FileContents.h"
#include "testing/ScratchFolder.h"

namespace {

using ostrel::testing::contentsOf;

// The switches that the section under `heading` of the page at `path` names in backticks; none when the
// page or the section is not there.
std::set<std::string> switchesInSection(const std::string& path, const std::string& heading) {
  const std::string page = contentsOf(path);
  const auto start = page.find("\n## " + heading + "\n");
  if (start == std::string::npos) return {};
  const auto end = page.find("\n## ", start + 1);
  const std::string section = page.substr(start, end == std::string::npos ? std::string::npos : end - start);
  std::set<std::string> found;
  const std::regex quoted("`(-[A-Za-z]+)`");
  for (auto it = std::sregex_iterator(section.begin(), section.end(), quoted); it != std::sregex_iterator(); ++it) {
    found.insert((*it)[1]);
  }
  return found;
}

// How to see a switch work: the arguments a start gets, a line the log file then holds or lacks.
struct Check {
  std::vector<std::string> arguments;
  std::string line;
  bool shown;
};

const std::map<std::string, Check>& checks() {
  // Debug mode shows its debug lines and marks what it records as debug events.
  static const std::string debugLine = "Debug mode is enabled. Marking event as debug and real-time";
  static const std::string verboseLine = "App will resign active state";
  static const std::string coreLine = "Configuring the default app";
  static const std::map<std::string, Check> table = {
      {"-APMAnalyticsDebugEnabled", {{"-APMAnalyticsDebugEnabled"}, debugLine, true}},
      {"-ZEDIvadazudoDebugEnabled", {{"-ZEDIvadazudoDebugEnabled"}, debugLine, true}},
      {"-noAPMAnalyticsDebugEnabled", {{"-APMAnalyticsDebugEnabled", "-noAPMAnalyticsDebugEnabled"}, debugLine, false}},
      {"-noZEDIvadazudoDebugEnabled", {{"-ZEDIvadazudoDebugEnabled", "-noZEDIvadazudoDebugEnabled"}, debugLine, false}},
      {"-APMAnalyticsVerboseLoggingEnabled", {{"-APMAnalyticsVerboseLoggingEnabled"}, verboseLine, true}},
      {"-ZEDIvadazudoVerboseLoggingEnabled", {{"-ZEDIvadazudoVerboseLoggingEnabled"}, verboseLine, true}},
      {"-APMAnalyticsVerboseLoggingDisabled",
       {{"-APMAnalyticsVerboseLoggingEnabled", "-APMAnalyticsVerboseLoggingDisabled"}, verboseLine, false}},
      {"-ZEDIvadazudoVerboseLoggingDisabled",
       {{"-ZEDIvadazudoVerboseLoggingEnabled", "-ZEDIvadazudoVerboseLoggingDisabled"}, verboseLine, false}},
      {"-VURDebugEnabled", {{"-VURDebugEnabled"}, coreLine, true}},
      {"-VURDebugDisabled", {{"-VURDebugEnabled", "-VURDebugDisabled"}, coreLine, false}},
  };
  return table;
}

TEST(AnalyticsSwitches, EverySwitchThePageListsDoesWhatItSays) {
  const auto listed = switchesInSection(OSTREL_BEHAVIOUR_PAGE, "Analytics logging");
  ASSERT_FALSE(listed.empty()) << "no switch found in " << OSTREL_BEHAVIOUR_PAGE << ", \"Analytics logging\"";
  for (const auto& [name, check] : checks()) EXPECT_TRUE(listed.count(name)) << name << " is not on the page";
  for (const auto& name : listed) {
    auto found = checks().find(name);
    if (found == checks().end()) {
      ADD_FAILURE() << "the page lists " << name << ", which this test does not know how to see";
      continue;
    }
    const Check& check = found->second;
    // A start without a display or script, in a container of its own: it starts, leaves the
    // foreground and ends.
    ostrel::testing::ScratchFolder folder;
    std::vector<std::string> arguments = {OSTREL_EXECUTABLE, "--home", folder / "home"};
    arguments.insert(arguments.end(), check.arguments.begin(), check.arguments.end());
    auto child = ostrel::testing::ChildProcess::start(
        arguments, ostrel::testing::environmentWithout({"OSTREL_", "DISPLAY", "WAYLAND_DISPLAY"}));
    ASSERT_TRUE(child);
    const int status = child->wait();
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << name << " ended with " << status << "\n"
                                                               << child->output();
    EXPECT_EQ(child->output().find("ignored"), std::string::npos) << name << " is not taken:\n" << child->output();
    const std::string log = contentsOf(folder / "home/Library/Logs/ostrel.log");
    EXPECT_EQ(log.find(check.line) != std::string::npos, check.shown)
        << name << ": \"" << check.line << "\" " << (check.shown ? "missing from" : "still in") << " the log file";
  }
}

// A start without the debug switch names it in a notice and says where to read of it: that page, in this
// repository, holds the switch in that section.
TEST(AnalyticsSwitches, TheLogsHintPointsAtTheSwitchesSection) {
  ostrel::testing::ScratchFolder folder;
  auto child = ostrel::testing::ChildProcess::start(
      {OSTREL_EXECUTABLE, "--home", folder / "home"},
      ostrel::testing::environmentWithout({"OSTREL_", "DISPLAY", "WAYLAND_DISPLAY"}));
  ASSERT_TRUE(child);
  const int status = child->wait();
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "ended with " << status << "\n" << child->output();
  const std::string log = contentsOf(folder / "home/Library/Logs/ostrel.log");
  std::smatch hint;
  ASSERT_TRUE(std::regex_search(log, hint, std::regex("set the following application argument: (-[A-Za-z]+) "
                                                      "\\(see ([^,\n]+), \"([^\"\n]+)\"\\)")))
      << "no hint at the debug switch with a place to read of it in the log:\n" << log;
  const std::string page = std::string(OSTREL_SOURCE_DIR) + "/" + hint[2].str();
  EXPECT_TRUE(switchesInSection(page, hint[3]).count(hint[1]))
      << hint[0] << ": " << hint[2] << " has no section \"" << hint[3] << "\" naming " << hint[1];
}

}  // namespace
