#include "platform/shell/Shell.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "platform/dispatch/MainLoop.h"
#include "platform/dispatch/ProcessEnd.h"
#include "platform/dispatch/QuitRequest.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/PreferencesDomain.h"
#include "platform/graphics/TextEngine.h"
#include "platform/log/Log.h"
#include "platform/runtime/LoadHooks.h"
#include "platform/runtime/Send.h"
#include "platform/shell/ContainerLock.h"
#include "platform/shell/ContainerTime.h"
#include "platform/shell/DesktopWindow.h"
#include "platform/shell/ScriptRunner.h"
#include "platform/shell/TestCard.h"
#include "platform/shell/WindowInput.h"
#include "platform/ui/Application.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace platform::shell {
namespace {

constexpr const char* kDelegateClass = "AppDelegate";
// How long a headless start may take to settle before the app leaves the foreground regardless.
constexpr double kStartSettleSeconds = 5;

// Every way the program ends is the end of an app swiped away: it resigns, goes to the background
// (where the app saves and the SDK sends what it has) and only then hears that it terminates. Then
// everything stops in order while statics still stand (see ProcessEnd); only then may main return.
void endProcess() {
  if (auto app = ui::Application::sharedApplication()) {
    app->enterBackground();
    dispatch::MainLoop::runUntilIdle();
    app->terminate();
  }
  dispatch::MainLoop::runUntilIdle();
  dispatch::ProcessEnd::run();
}

// A headless run that a signal asked to quit ended in order, but not where it would have: it says so
// and ends with the status shells and supervisors read as "ended by that signal".
int statusAfterQuit(int status, const std::string& where) {
  const int signal = dispatch::QuitRequest::signal();
  if (signal == 0) return status;
  std::cerr << "ostrel: stopped by " << dispatch::QuitRequest::signalName(signal) << where
            << "; the app ended in order\n";
  return 128 + signal;
}

std::string absolute(const std::string& path) {
  std::error_code ec;
  auto full = std::filesystem::absolute(path, ec);
  if (ec) return path;
  std::string normal = full.lexically_normal().string();
  while (normal.size() > 1 && normal.back() == '/') normal.pop_back();  // "." is the folder, not "folder/"
  return normal;
}

int runScript(const ShellOptions& options, int argc, char** argv) {
  Script script;
  try {
    script = Script::load(options.script);
  } catch (const ScriptError& e) {
    std::cerr << "ostrel: " << e.what() << "\n";
    return 2;
  }
  // Everything the app schedules from launch on follows the script's clock. It starts at today's
  // date, so what the app records in the container carries real dates (and is not taken for data weeks
  // old by the next real start), and after whatever the container already holds (see
  // headlessClockStart). The time it reaches stays with the container as it goes.
  const double real = foundation::Clock::current()->now();
  auto clock = std::make_shared<foundation::ManualClock>(headlessClockStart(real, ContainerTime::latest(real)));
  ContainerTime::record(clock->now());
  foundation::Clock::setCurrent(clock);
  auto window = launchApplication(argc, argv);
  WindowInput input(window);
  ScriptRunner runner(window, input, clock, absolute(options.out));
  runner.setClockObserver([](double now) { ContainerTime::record(now); });
  int status = 0;
  try {
    auto written = runner.run(script);
    std::cout << "ostrel: " << written.size() << " file(s) written to " << absolute(options.out) << "\n";
  } catch (const ScriptError& e) {
    std::cerr << "ostrel: " << e.what() << "\n";
    status = 2;
  } catch (const std::runtime_error& e) {
    std::cerr << "ostrel: " << e.what() << "\n";
    status = 1;
  }
  // The script's clock stays until the end: what stops then still reads and waits on it.
  endProcess();
  ContainerTime::record(clock->now());
  foundation::Clock::setCurrent(nullptr);
  const int line = runner.stoppedBeforeLine();
  return statusAfterQuit(status, line ? " before line " + std::to_string(line) + " of " + options.script : "");
}

}  // namespace

double headlessClockStart(double now, std::optional<double> latestInContainer) {
  constexpr double kDay = 86400;
  const double startOfDay = std::floor(now / kDay) * kDay;
  if (!latestInContainer) return startOfDay;
  return std::max(startOfDay, ContainerTime::firstTimeAfter(*latestInContainer));
}

namespace {

// Why no file can be made in `folder` (made when missing), or empty when one can.
std::string folderProblem(const std::string& folder) {
  std::error_code code;
  std::filesystem::create_directories(folder, code);
  if (!std::filesystem::is_directory(folder)) {
    // Something else in its place says more than the error of making it ("File exists").
    return std::filesystem::exists(folder) || !code ? std::strerror(ENOTDIR) : code.message();
  }
  // A folder can exist and still take no file: read-only, another user's, a kernel's file system.
  std::string probe = folder + "/.ostrel-container-XXXXXX";
  const int fd = ::mkstemp(probe.data());
  if (fd < 0) return std::strerror(errno);
  ::close(fd);
  ::unlink(probe.c_str());
  return {};
}

}  // namespace

std::string containerProblem(const std::string& root) {
  if (std::string problem = folderProblem(root); !problem.empty()) return problem;
  // The folders the app keeps its files in: one that is a file, or takes none, would fail every write in it.
  for (const char* folder : {"Documents", "Library", "Library/Preferences", "Library/Caches",
                             "Library/Application Support", "Library/Logs", "tmp"}) {
    if (std::string problem = folderProblem(root + "/" + folder); !problem.empty()) return folder + (": " + problem);
  }
  return {};
}

bool haveDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

void setUpLogging(bool verbose) {
  const int shown = verbose ? log::Info : log::Warning;
  const std::string folder = foundation::Paths::library() + "/Logs";
  if (!foundation::AtomicFile::createDirectories(folder).ok() ||
      !log::appendToFile(folder + "/ostrel.log", 1 << 20, verbose ? log::Info : log::Notice)) {
    std::cerr << "ostrel: cannot write the log file in " << folder << "\n";
  }
  if (verbose || ::isatty(STDERR_FILENO) || !log::systemLogReachable()) log::setStderrEchoLevel(shown);
  // A failure met on every attempt (a full disk) is one line and a count, in the process's own time.
  log::setRepeatClock([] { return foundation::Clock::current()->monotonicNanoseconds(); });
  // Debug lines are made only when asked for: here, or by a library's own debug switch.
  if (verbose) log::setLevelMask(log::maskUpTo(log::Debug));
}

std::shared_ptr<ui::Window> launchApplication(int argc, char** argv) {
  runtime::runLoadHooks();
  const bool haveDelegate = runtime::Class::named(kDelegateClass) != nullptr;
  ui::applicationMain(argc, argv, haveDelegate ? kDelegateClass : "", {.runMainLoop = false});
  dispatch::MainLoop::runUntilIdle();
  auto app = ui::Application::sharedApplication();
  std::shared_ptr<ui::Window> window;
  if (auto delegate = app ? app->delegate() : nullptr) {
    window = runtime::trySend(delegate, kApplicationDelegateWindow).value_or(nullptr);
  }
  if (window) return window;
  if (haveDelegate) log::write(log::Notice, "the app delegate shows no window; showing the test card");
  return makeTestCardWindow();
}

int runShell(int argc, char** argv) {
  dispatch::QuitRequest::catchSignals();
  ShellOptions options;
  try {
    options = ShellOptions::parse({argv, argv + argc}, haveDisplay());
  } catch (const std::invalid_argument& e) {
    std::cerr << "ostrel: " << e.what() << "; see ostrel --help\n";
    return 2;
  }
  for (const std::string& warning : options.warnings) std::cerr << warning << "\n";
  if (options.help) {
    // Help that could not be written (a full disk, a closed pipe) is a failure like any other output.
    std::cout << usageWithLaunchArguments() << std::flush;
    if (!std::cout) {
      std::cerr << "ostrel: cannot write the help: " << std::strerror(errno) << "\n";
      return 1;
    }
    return 0;
  }
  if (options.windowAsked && !haveDisplay()) {
    std::cerr << "ostrel: --window needs a display, and neither DISPLAY nor WAYLAND_DISPLAY is set\n";
    return 1;
  }
  dispatch::MainLoop::setMainThread();
  if (!options.home.empty()) foundation::Paths::setRoot(absolute(options.home));
  // Checked before anything is read: an app started on a container it cannot use would run on empty
  // data and report success.
  const std::string root = foundation::Paths::resolvedRoot();
  if (const std::string problem = containerProblem(root); !problem.empty()) {
    std::cerr << "ostrel: cannot keep the app's files in " << root << ": " << problem << "\n";
    return 1;
  }
  if (const std::string refusal = ContainerLock::holdForThisProcess(root); !refusal.empty()) {
    std::cerr << "ostrel: " << refusal << "\n";
    return 1;
  }
  setUpLogging(options.verbose);
  // Before any thread of ours runs (the text engine's first): reaching the display may fork a helper,
  // and a child forked while another thread holds a lock can hang for ever before it runs the helper,
  // its parent with it.
  if (options.mode == ShellOptions::Mode::Window) {
    std::string error;
    if (!DesktopWindow::connectDisplay(&error)) {
      std::cerr << "ostrel: " << error << "\n";
      return 1;
    }
  }
  // Every mode from here on shows the app's screens.
  graphics::startTextEngine();
  // A run on the real clock comes after what the container holds too (a headless run's waits may have
  // gone past the real time), and leaves its time there for a later run to start after.
  if (options.mode != ShellOptions::Mode::Script) {
    const double real = foundation::Clock::current()->now();
    foundation::Clock::setCurrent(ContainerTime::realClockFor(real, ContainerTime::latest(real)));
    ContainerTime::record(foundation::Clock::current()->now());
  }
  try {
    switch (options.mode) {
      case ShellOptions::Mode::Script: return runScript(options, argc, argv);
      case ShellOptions::Mode::Window: {
        // A quit asked of the window (its close, SIGTERM, Ctrl-C) is how a desktop session ends: 0.
        const int status =
            DesktopWindow::run(launchApplication(argc, argv), absolute(options.out.empty() ? "." : options.out));
        endProcess();
        ContainerTime::record(foundation::Clock::current()->now());
        return status;
      }
      case ShellOptions::Mode::Headless:
        std::cerr << "ostrel: no display: the app runs headless from launch to the background and ends; "
                     "--window needs a display, --script FILE --out DIR plays a script\n";
        launchApplication(argc, argv);
        // With nobody to look at it, a start is a whole session: what the start set going finishes (the
        // libraries take their places and listen for the app's life) before the app leaves the foreground,
        // saves and ends, so a start can be checked from outside by its files alone.
        (void)dispatch::MainLoop::runUntilQueuesIdle(kStartSettleSeconds);
        endProcess();
        ContainerTime::record(foundation::Clock::current()->now());
        return statusAfterQuit(0, "");
    }
  } catch (const foundation::Exception& e) {
    std::cerr << "ostrel: " << e.what() << "\n";
    try {
      endProcess();
    } catch (const foundation::Exception& again) {
      std::cerr << "ostrel: " << again.what() << "\n";
    }
    return 1;
  }
  return 0;
}

void exitProgram(int status) {
  log::flushRepeats();
  if (!dispatch::ProcessEnd::hasRun()) std::exit(status);
  // What the preferences' own exit handler would still write.
  foundation::PreferencesDomain::synchronizeAll();
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
#if defined(__SANITIZE_ADDRESS__)
  __lsan_do_leak_check();
#endif
  ::_exit(status);
}

}  // namespace platform::shell
