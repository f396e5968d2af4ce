#include "platform/shell/Shell.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
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
#include "platform/foundation/ProcessArguments.h"
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
  return ec ? path : full.lexically_normal().string();
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

const char* const kUsage =
    "usage: ostrel [--home DIR] [--verbose] [--script FILE --out DIR | --window [--out DIR]] [-LaunchArgument...]\n"
    "  --home DIR     keep the app's files in DIR instead of the default container\n"
    "  --script FILE  run FILE headless on a virtual clock, writing shots and dumps into --out DIR\n"
    "  --window       show the app in a desktop window (the default when a display is there);\n"
    "                 F12 saves a screenshot into --out DIR (else the current folder), F2 toggles dark\n"
    "  -v, --verbose  show info lines too (errors and warnings always reach stderr or the log file,\n"
    "                 Library/Logs/ostrel.log in the app's container)\n"
    "  -h, --help     show this and end\n";

std::string usageWithLaunchArguments() {
  std::string text = kUsage;
  text += "A word with one dash is a launch argument, handed to the app as a phone hands it; one that nothing\n"
          "reads is warned of and ignored. These are read:\n";
  for (const std::string& name : foundation::declaredLaunchArguments()) text += "  " + name + "\n";
  return text;
}

std::string containerProblem(const std::string& root) {
  std::error_code code;
  std::filesystem::create_directories(root, code);
  if (!std::filesystem::is_directory(root)) return code ? code.message() : std::strerror(ENOTDIR);
  // A folder can exist and still take no file: read-only, another user's, a kernel's file system.
  std::string probe = root + "/.ostrel-container-XXXXXX";
  const int fd = ::mkstemp(probe.data());
  if (fd < 0) return std::strerror(errno);
  ::close(fd);
  ::unlink(probe.c_str());
  return {};
}

bool haveDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

namespace {

constexpr const char* kOptionNames[] = {"home", "script", "out", "window", "verbose", "help"};

std::string lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// The option a single-dash word was most likely meant to be ("-window", "-Verbos"), or empty.
std::string resembledOption(const std::string& word) {
  const std::string name = lowered(word.substr(1));
  std::string best;
  std::size_t bestDistance = 3;
  for (const char* option : kOptionNames) {
    const std::size_t distance = editDistance(name, option);
    if (distance < bestDistance && distance <= std::string_view(option).size() / 3) {
      best = option;
      bestDistance = distance;
    }
  }
  return best.empty() ? best : "--" + best;
}

std::string unknownLaunchArgumentWarning(const std::string& word) {
  const std::string option = resembledOption(word);
  if (!option.empty()) return "ostrel: \"" + word + "\" is not an option (did you mean " + option + "?); ignored";
  return "ostrel: \"" + word + "\" is neither an option nor a launch argument that ostrel reads; ignored (see --help)";
}

// "-SomeSwitchEnabled": one dash, then anything but a second dash. A phone hands every such word to the
// app untouched, so none of them stops a start: one that no library reads is only warned of.
bool isLaunchArgument(const std::string& argument) {
  return argument.size() >= 2 && argument[0] == '-' && argument[1] != '-';
}

// The value after option `i`: there must be one, and a word of two dashes is the next option forgotten,
// not a value (a file so named is still reached as ./--name).
const std::string& optionValue(const std::vector<std::string>& arguments, std::size_t& i) {
  const std::string& option = arguments[i];
  if (i + 1 >= arguments.size() || arguments[i + 1].empty()) throw std::invalid_argument(option + " needs a value");
  const std::string& value = arguments[i + 1];
  if (value.rfind("--", 0) == 0) {
    throw std::invalid_argument(option + " needs a value, not the option \"" + value + "\" (a file of that name is ./" +
                                value + ")");
  }
  ++i;
  return value;
}

}  // namespace

ShellOptions ShellOptions::parse(const std::vector<std::string>& arguments, bool display) {
  ShellOptions options;
  bool window = false;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (a == "--home") {
      options.home = optionValue(arguments, i);
    } else if (a == "--script") {
      options.script = optionValue(arguments, i);
    } else if (a == "--out") {
      options.out = optionValue(arguments, i);
    } else if (a == "--window") {
      window = true;
    } else if (a == "--help" || a == "-h" || a == "-help") {
      options.help = true;
    } else if (a == "--verbose" || a == "-v") {
      options.verbose = true;
    } else if (isLaunchArgument(a)) {
      // The phone hands such arguments to the app untouched; the libraries read them from the process.
      if (!foundation::isDeclaredLaunchArgument(a)) options.warnings.push_back(unknownLaunchArgumentWarning(a));
    } else {
      throw std::invalid_argument("unknown argument \"" + a + "\"");
    }
  }
  options.windowAsked = window;
  if (window && !options.script.empty()) throw std::invalid_argument("--window and --script exclude each other");
  if (!options.script.empty() && options.out.empty()) throw std::invalid_argument("--script needs --out DIR");
  if (options.script.empty() && !options.out.empty() && !window && !display) {
    throw std::invalid_argument("--out goes with --script or --window");
  }
  if (!options.script.empty()) {
    options.mode = Mode::Script;
  } else if (window || display) {
    options.mode = Mode::Window;
  }
  return options;
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
            DesktopWindow::run(launchApplication(argc, argv), options.out.empty() ? "." : absolute(options.out));
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
