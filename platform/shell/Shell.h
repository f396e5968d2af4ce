#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/runtime/Selector.h"
#include "platform/shell/ShellOptions.h"
#include "platform/ui/Window.h"

namespace platform::shell {

// The application delegate's window property: the window the app shows, as the shell finds it.
inline constexpr runtime::Selector<std::shared_ptr<ui::Window>()> kApplicationDelegateWindow{"window"};

// Where the headless runner's virtual clock starts for a run that begins at `now` (seconds since
// 1970) in a container whose latest time is `latestInContainer` (see ContainerTime): the start of that
// day in UTC, so what the run records carries today's date and a script run on a fresh container draws
// the same pictures every time; but never before the container's latest time, rounded up to the next
// whole minute, so a second run on one container comes after the first.
double headlessClockStart(double now, std::optional<double> latestInContainer);

// Why the app could not keep its files in `root` (made when missing), or empty when it can: the root
// must be a folder in which files can be made.
std::string containerProblem(const std::string& root);

// Whether a desktop display is reachable ($DISPLAY or $WAYLAND_DISPLAY is set).
bool haveDisplay();

// Where the app's log lines reach the person: Library/Logs/ostrel.log in the container (rotated at
// 1 MB), and stderr for errors and warnings when stderr is a terminal or no system log listens;
// `verbose` adds info lines to both, and stderr always.
void setUpLogging(bool verbose);

// Launches the application (load hooks, the "AppDelegate" class when one is registered) and gives back
// the window it shows: the delegate's "window", or the test card when the app shows none yet.
std::shared_ptr<ui::Window> launchApplication(int argc, char** argv);

// The whole command: parses the options, launches and runs the chosen mode. Exit codes: 0 done (the
// window also when SIGTERM or SIGINT closed it), 1 the run failed (output that could not be written, a
// container that cannot be used or that another running ostrel has, see ContainerLock),
// 2 a usage or script mistake, 128 + N when signal N stopped a headless run (after its ordered end).
int runShell(int argc, char** argv);

// Ends the program with `status`. Once the ordered end (dispatch::ProcessEnd) has run, everything that
// must be written is written and no queue or thread of ours is left, so tearing down statics and the
// libraries' state would only free memory the system takes back anyway: the program flushes its output
// and ends at once (under the leak checker, after it has checked). Before that, it ends the usual way.
[[noreturn]] void exitProgram(int status);

}  // namespace platform::shell
