#include "platform/shell/Shell.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/foundation/AtomicFile.h"
#include "platform/runtime/Send.h"
#include "platform/ui/Application.h"
#include "testing/ScratchFolder.h"

namespace platform::shell {
namespace {

TEST(ContainerProblem, RefusesWhatCannotHoldTheAppsFilesAndMakesAMissingFolder) {
  ostrel::testing::ScratchFolder scratch;
  const std::string file = scratch.path() + "/plain-file";
  ASSERT_TRUE(foundation::AtomicFile::writeAtomically(file, std::string_view("x")).ok());
  EXPECT_EQ(containerProblem(file), "it is a regular file, not a folder");
  EXPECT_FALSE(containerProblem(file + "/below").empty());
  EXPECT_FALSE(containerProblem("/proc/self").empty()) << "a kernel's folder takes no files";
  EXPECT_FALSE(containerProblem("/proc/ostrel-home").empty());
  const std::string fresh = scratch.path() + "/a/b/home";
  EXPECT_EQ(containerProblem(fresh), "");
  EXPECT_TRUE(foundation::AtomicFile::isDirectory(fresh + "/Library/Preferences"));
  for (const auto& entry : std::filesystem::recursive_directory_iterator(fresh)) {
    EXPECT_TRUE(entry.is_directory()) << entry.path() << ": the probe files are gone";
  }
  // A container whose own folders cannot hold files is as unusable as one that is not a folder.
  const std::string blocked = scratch.path() + "/blocked";
  ASSERT_TRUE(foundation::AtomicFile::createDirectories(blocked).ok());
  ASSERT_TRUE(foundation::AtomicFile::writeAtomically(blocked + "/Library", std::string_view("x")).ok());
  EXPECT_EQ(containerProblem(blocked), "Library: it is a regular file, not a folder");
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

// A point off the screen is a mistake of the script like any other: refused with its line before the
// container or the output folder is touched, where it was found only once the app had started there.
TEST(RunShell, APointOffTheScreenIsRefusedBeforeAnythingIsTouched) {
  ostrel::testing::ScratchFolder scratch;
  const std::string script = scratch.pathFor("off.script");
  ASSERT_TRUE(foundation::AtomicFile::writeAtomically(
                  script, std::string_view("shot first\ntap 10 10\n\n# the far corner\nwait 1\ndown 5 5\nup 5 5\n"
                                           "tap 1000 2000\n"))
                  .ok());
  const std::string home = scratch.pathFor("home");
  const std::string out = scratch.pathFor("out");
  std::vector<std::string> words = {"ostrel", "--home", home, "--script", script, "--out", out};
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  testing::internal::CaptureStderr();
  EXPECT_EQ(runShell(static_cast<int>(words.size()), argv.data()), 2);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "ostrel: " + script + ":8: (1000, 2000) is off the 390x844 screen\n");
  EXPECT_FALSE(foundation::AtomicFile::anythingAt(home)) << "the container was made";
  EXPECT_FALSE(foundation::AtomicFile::anythingAt(out)) << "the output folder was made";
}

}  // namespace platform::shell
