#include "platform/shell/Shell.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/ProcessArguments.h"
#include "platform/runtime/Send.h"
#include "platform/ui/Application.h"
#include "testing/ScratchFolder.h"

namespace platform::shell {
namespace {

using Mode = ShellOptions::Mode;

ShellOptions parse(std::vector<std::string> args, bool display = false) {
  args.insert(args.begin(), "ostrel");
  return ShellOptions::parse(args, display);
}

TEST(ShellOptions, ChoosesTheModeFromOptionsAndDisplayAndRefusesUsageMistakes) {
  EXPECT_EQ(parse({}).mode, Mode::Headless);
  EXPECT_EQ(parse({}, true).mode, Mode::Window);
  EXPECT_EQ(parse({"--window", "--out", "shots"}).out, "shots");
  ShellOptions s = parse({"--home", "/h", "--script", "a.script", "--out", "pics"}, true);
  EXPECT_EQ(s.mode, Mode::Script);
  EXPECT_EQ(s.home, "/h");
  EXPECT_EQ(s.script, "a.script");
  // The libraries' own switches pass through; near misses of ours do not.
  EXPECT_EQ(parse({"-APMAnalyticsDebugEnabled", "-noZEDIvadazudoDebugEnabled"}).mode, Mode::Headless);
  const std::vector<std::vector<std::string>> bad{
      {"--script", "a.script"},  // nowhere to write
      {"--out", "pics"},         // nothing to write
      {"--script", "a", "--out", "o", "--window"}, {"--home"}, {"--home", ""}, {"--scirpt", "a"}, {"tour.script"},
      {"-"},
  };
  for (const auto& args : bad) EXPECT_THROW(parse(args), std::invalid_argument) << args[0];
}

// The next option is a value forgotten, never the value: "--home --verbose" made a folder "--verbose".
TEST(ShellOptions, AnOptionsValueIsNeverTheNextOption) {
  for (const auto& [args, message] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"--home", "--verbose"}, "--home needs a value, not the option \"--verbose\" (a file of that name is ./--verbose)"},
           {{"--script", "--out", "o"}, "--script needs a value, not the option \"--out\""},
           {{"--window", "--out", "--"}, "--out needs a value, not the option \"--\""},
           {{"--verbose", "--home"}, "--home needs a value"}}) {
    try {
      parse(args);
      ADD_FAILURE() << args[0] << " " << args[1] << " was taken";
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(std::string(e.what()).rfind(message, 0), 0u) << e.what();
    }
  }
  // A value of one dash, or one that only holds dashes further on, is a value.
  EXPECT_EQ(parse({"--home", "-", "--window"}).home, "-");
  EXPECT_EQ(parse({"--home", "./--verbose"}).home, "./--verbose");
  EXPECT_EQ(parse({"--script", "a--b", "--out", "o"}).script, "a--b");
}

// A phone passes any "-Word" to the app, so a mistyped option would be read by nobody, in silence.
TEST(ShellOptions, WarnsOfSingleDashWordsNoLibraryReadsAndNamesTheOptionMeant) {
  foundation::declareLaunchArguments({"-ShellTestSwitchEnabled"});
  EXPECT_TRUE(parse({"-ShellTestSwitchEnabled"}).warnings.empty());
  EXPECT_TRUE(parse({"-help"}).help);
  for (const auto& [word, meant] : std::vector<std::pair<std::string, std::string>>{
           {"-window", "--window"}, {"-verbose", "--verbose"}, {"-Verbos", "--verbose"}, {"-scrpit", "--script"},
           {"-home", "--home"}, {"-out", "--out"}}) {
    const auto options = parse({word});
    ASSERT_EQ(options.warnings.size(), 1u) << word;
    EXPECT_NE(options.warnings[0].find("\"" + word + "\""), std::string::npos) << options.warnings[0];
    EXPECT_NE(options.warnings[0].find("did you mean " + meant + "?"), std::string::npos) << options.warnings[0];
    EXPECT_EQ(options.mode, Mode::Headless) << "a warning changes nothing else";
  }
  // Any word of one dash is a launch argument to the phone, however short or odd: warned of, never refused.
  for (const std::string word : {"-Fullscreen", "-x", "-Q", "-1Enabled"}) {
    const auto unknown = parse({word, "--verbose"});
    ASSERT_EQ(unknown.warnings.size(), 1u) << word;
    EXPECT_EQ(unknown.warnings[0].find("did you mean"), std::string::npos) << unknown.warnings[0];
    EXPECT_NE(unknown.warnings[0].find("\"" + word + "\" is neither an option"), std::string::npos) << unknown.warnings[0];
    EXPECT_TRUE(unknown.verbose);
  }
}

TEST(ContainerProblem, RefusesWhatCannotHoldTheAppsFilesAndMakesAMissingFolder) {
  ostrel::testing::ScratchFolder scratch;
  const std::string file = scratch.path() + "/plain-file";
  ASSERT_TRUE(foundation::AtomicFile::writeAtomically(file, std::string_view("x")).ok());
  EXPECT_EQ(containerProblem(file), "Not a directory");
  EXPECT_FALSE(containerProblem(file + "/below").empty());
  EXPECT_FALSE(containerProblem("/proc/self").empty()) << "a kernel's folder takes no files";
  EXPECT_FALSE(containerProblem("/proc/ostrel-home").empty());
  const std::string fresh = scratch.path() + "/a/b/home";
  EXPECT_EQ(containerProblem(fresh), "");
  EXPECT_TRUE(foundation::AtomicFile::isDirectory(fresh));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(fresh), {}), 0) << "the probe file is gone";
}

// A headless run starts at the day's first second, so a script on a fresh container draws the same
// pictures every time, but never before what the container already holds: a second tour on one day
// comes after the first instead of before it.
TEST(HeadlessClock, StartsAtTheDaysBeginningButAfterTheContainersLatestTime) {
  const double day = 19700 * 86400.0;
  const double now = day + 5000;
  EXPECT_EQ(headlessClockStart(now, std::nullopt), day);
  EXPECT_EQ(headlessClockStart(now, day - 10), day) << "yesterday's runs";
  EXPECT_EQ(headlessClockStart(now, day + 34), day + 60) << "a tour earlier today";
  EXPECT_EQ(headlessClockStart(now, day + 60), day + 120) << "a record on a whole minute";
  EXPECT_EQ(headlessClockStart(now, day + 90000), day + 90060) << "ahead of the day: still after it";
}

// An app that makes its window while launching, as the product's delegate does.
class AppDelegate : public runtime::Object {
 public:
  static constexpr runtime::NativeClass<runtime::Object> kRuntimeClass{"AppDelegate"};
  AppDelegate() : Object(runtime::classOf<AppDelegate>()) {}
  std::shared_ptr<ui::Window> window;
};

TEST(LaunchApplication, ShowsTheWindowTheAppDelegateMade) {
  runtime::Class* cls = runtime::classOf<AppDelegate>();
  cls->addMethod<bool(ui::Application&, const foundation::Value&), AppDelegate>(
      ui::kDidFinishLaunchingWithOptions, [](AppDelegate& d, ui::Application&, const foundation::Value&) {
        d.window = ui::make<ui::Window>(ui::Screen::named("phone-small"));
        d.window->makeKeyAndVisible();
        return true;
      });
  cls->addMethod<std::shared_ptr<ui::Window>(), AppDelegate>(kApplicationDelegateWindow,
                                                              [](AppDelegate& d) { return d.window; });
  char name[] = "ostrel";
  char* argv[] = {name, nullptr};
  auto window = launchApplication(1, argv);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->screen().name, "phone-small");
  auto delegate = ui::Application::sharedApplication()->delegate();
  EXPECT_EQ(std::dynamic_pointer_cast<AppDelegate>(delegate)->window, window);
}

}  // namespace
// Asked for a window where there is no display, the command says so and ends at once, instead of
// running an app that nobody can see.
TEST(RunShell, AWindowWithoutADisplayEndsAtOnceWithItsMessage) {
  std::vector<std::pair<const char*, std::string>> saved;
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    if (const char* value = std::getenv(name)) saved.emplace_back(name, value);
    unsetenv(name);
  }
  char name[] = "ostrel";
  char window[] = "--window";
  char* argv[] = {name, window, nullptr};
  testing::internal::CaptureStderr();
  EXPECT_EQ(runShell(2, argv), 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "ostrel: --window needs a display, and neither DISPLAY nor WAYLAND_DISPLAY is set\n");
  for (const auto& [variable, value] : saved) setenv(variable, value.c_str(), 1);
}

}  // namespace platform::shell
