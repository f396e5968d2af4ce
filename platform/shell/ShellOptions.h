#pragma once

#include <string>
#include <vector>

namespace platform::shell {

// How `ostrel` was asked to run.
struct ShellOptions {
  enum class Mode { Headless, Script, Window };
  Mode mode = Mode::Headless;
  std::string home;    // --home DIR: the app container
  std::string script;  // --script FILE
  std::string out;     // --out DIR: where shots and dumps go (the window's F12 screenshots too)
  bool help = false;
  bool verbose = false;       // --verbose: info lines too, on stderr and in the log file
  bool windowAsked = false;   // --window was given (not merely chosen because a display is there)
  // One line each for the person: single-dash words that no library reads (a mistyped option or
  // launch argument, most likely). They are passed on like any launch argument, so they stop nothing.
  std::vector<std::string> warnings;

  // Without --script or --window: the desktop window when a display is there, else headless.
  // Throws std::invalid_argument, with a message for the user, on a usage mistake; a mistake that
  // resembles an option or a launch argument names it.
  static ShellOptions parse(const std::vector<std::string>& arguments, bool haveDisplay);
};

extern const char* const kUsage;

// The usage, followed by the launch arguments the libraries read.
std::string usageWithLaunchArguments();

}  // namespace platform::shell
