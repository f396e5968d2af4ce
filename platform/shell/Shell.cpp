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
#include <string>
#include <string_view>

#include "platform/dispatch/EndDeadline.h"
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
#include "platform/ui/Window.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace platform::shell {
namespace {

constexpr const char* kDelegateClass = "AppDelegate";
// The screen a window is made on unless it names another, as the app's does.
constexpr const char* kAppScreen = "phone";
// How long a headless start may take to settle before the app leaves the foreground regardless.
constexpr double kStartSettleSeconds = 5;

// Tells the person why the run cannot go on as asked. A reason may quote what a file, a path or a
// service held: its control characters are escaped, so it can neither forge a line nor drive the terminal.
void complain(std::string_view reason) { std::cerr << "ostrel: " << log::escapedControlCharacters(reason) << "\n"; }

// Every way the program ends is the end of an app swiped away: it resigns, goes to the background
// (where the app saves and the SDK sends what it has) and only then hears that it terminates. Then
// everything stops in order while statics still stand (see ProcessEnd); only then may main return.
void endProcess() {
  // Every wait from here on shares one deadline, from the signal that asked for the end, if one did.
  dispatch::EndDeadline::begin();
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
  complain("stopped by " + std::string(dispatch::QuitRequest::signalName(signal)) + where + "; the app ended in order");
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

int runScript(const ShellOptions& options, const Script& script, int argc, char** argv) {
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
    complain(e.what());
    status = 2;
  } catch (const std::runtime_error& e) {
    complain(e.what());
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

// Why no folder stands at `folder` (made when missing): what stands there instead (a file, a link in a
// loop), or why it could not be made; empty when one does.
std::string noFolderAt(const std::string& folder) {
  auto made = foundation::AtomicFile::createDirectories(folder);
  if (made.ok()) return {};
  const std::string standing = foundation::AtomicFile::notAFolder(folder);
  return standing.empty() ? std::strerror(static_cast<int>(made.error().code)) : standing;
}

// Why no file can be made in `folder` (made when missing), or empty when one can.
std::string folderProblem(const std::string& folder) {
  if (std::string problem = noFolderAt(folder); !problem.empty()) return problem;
  // A folder can exist and still take no file: read-only, another user's, a kernel's file system.
  std::string probe = folder + "/.ostrel-container-XXXXXX";
  const int fd = ::mkstemp(probe.data());
  if (fd < 0) return std::strerror(errno);
  ::close(fd);
  ::unlink(probe.c_str());
  return {};
}

// `problem` of `folder` (relative; empty for the root) as the container's, for the person.
std::string containerLine(const std::string& root, const std::string& folder, const std::string& problem) {
  return "cannot keep the app's files in " + root + ": " + (folder.empty() ? "" : folder + ": ") + problem;
}

// The folders of `path` that do not exist yet, the deepest first.
std::vector<std::string> missingFoldersOf(const std::string& path) {
  std::vector<std::string> missing;
  for (std::filesystem::path folder = path; !folder.empty() && folder != folder.root_path();
       folder = folder.parent_path()) {
    if (foundation::AtomicFile::anythingAt(folder.string())) break;
    missing.push_back(folder.string());
  }
  return missing;
}

// Makes the script's output folder and tries a file in it; the line that says why it cannot take the
// output, after taking away what this start made of it, or empty.
std::string prepareOutput(const std::string& output, std::vector<std::string>& made) {
  made = missingFoldersOf(output);
  const std::string problem = folderProblem(output);
  if (problem.empty()) return {};
  for (const std::string& folder : made) ::rmdir(folder.c_str());
  made.clear();
  return "cannot write the script's output in " + output + ": " + problem;
}

// Makes the container at `root` this start's and ready, and the script's `output` folder (none when
// empty): empty when both are, else the line that says why not. What the command line asks for is
// checked before the container is touched, and the container's lock is taken before anything is
// written there, so a start that ends here leaves a container in use as it found it (see ContainerLock).
// An output folder inside the container is the container's, and is made only once the lock is held.
std::string takeContainer(const std::string& root, const std::string& output) {
  const bool outputInside = output == root || output.starts_with(root + "/");
  std::vector<std::string> madeForOutput;
  const auto refuse = [&madeForOutput](const std::string& line) {
    for (const std::string& folder : madeForOutput) ::rmdir(folder.c_str());
    return line;
  };
  if (!output.empty() && !outputInside) {
    if (std::string line = prepareOutput(output, madeForOutput); !line.empty()) return line;
  }
  // The lock's own folders, only looked at (made when missing).
  for (const char* folder : {"", "Library"}) {
    const std::string path = *folder ? root + "/" + folder : root;
    if (std::string problem = noFolderAt(path); !problem.empty()) return refuse(containerLine(root, folder, problem));
  }
  if (const std::string refusal = ContainerLock::holdForThisProcess(root); !refusal.empty()) {
    return refuse(refusal);
  }
  if (!output.empty() && outputInside) {
    if (std::string line = prepareOutput(output, madeForOutput); !line.empty()) return line;
  }
  if (const std::string problem = containerProblem(root); !problem.empty()) return refuse(containerLine(root, "", problem));
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
  const std::string path = folder + "/ostrel.log";
  auto opened = [&]() -> foundation::ErrorOr<int> {
    if (auto made = foundation::AtomicFile::createDirectories(folder); !made.ok()) return std::move(made).releaseError();
    return foundation::AtomicFile::openForAppending(path);
  }();
  if (opened.ok()) {
    log::appendToFile(*opened, path, 1 << 20, verbose ? log::Info : log::Notice);
  } else {
    // Whatever stands there is left as it is: the run goes on, its lines on the console only.
    complain("this run keeps no log file: " + opened.error().localizedDescription());
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
    complain(std::string(e.what()) + "; see ostrel --help");
    return 2;
  }
  for (const std::string& warning : options.warnings) std::cerr << warning << "\n";
  if (options.help) {
    // Help that could not be written (a full disk, a closed pipe) is a failure like any other output.
    std::cout << usageWithLaunchArguments() << std::flush;
    if (!std::cout) {
      complain(std::string("cannot write the help: ") + std::strerror(errno));
      return 1;
    }
    return 0;
  }
  if (options.windowAsked && !haveDisplay()) {
    complain("--window needs a display, and neither DISPLAY nor WAYLAND_DISPLAY is set");
    return 1;
  }
  dispatch::MainLoop::setMainThread();
  Script script;
  if (options.mode == ShellOptions::Mode::Script) {
    try {
      script = Script::load(options.script);
      // The app's window is a phone's screen (the runner checks again against the window it made).
      script.checkOnScreen(ui::Screen::named(kAppScreen).size);
    } catch (const ScriptError& e) {
      complain(e.what());
      return 2;
    }
  }
  // Before any thread of ours runs (the text engine's first): reaching the display may fork a helper,
  // and a child forked while another thread holds a lock can hang for ever before it runs the helper,
  // its parent with it. Before the container too: a start that cannot show the app leaves it untouched.
  if (options.mode == ShellOptions::Mode::Window) {
    std::string error;
    if (!DesktopWindow::connectDisplay(&error)) {
      complain(error);
      return 1;
    }
  }
  if (!options.home.empty()) foundation::Paths::setRoot(absolute(options.home));
  // Checked before anything is read: an app started on a container it cannot use would run on empty
  // data and report success.
  const std::string output = options.mode == ShellOptions::Mode::Script ? absolute(options.out) : "";
  if (const std::string refusal = takeContainer(foundation::Paths::resolvedRoot(), output); !refusal.empty()) {
    complain(refusal);
    return 1;
  }
  setUpLogging(options.verbose);
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
      case ShellOptions::Mode::Script: return runScript(options, script, argc, argv);
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
    complain(e.what());
    try {
      endProcess();
    } catch (const foundation::Exception& again) {
      complain(again.what());
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
