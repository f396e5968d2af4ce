#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/graphics/Geometry.h"

namespace platform::shell {

using graphics::Point;
using graphics::Size;

// The keys a person presses besides typing text: Return is Done, Escape is Cancel.
enum class Key { Return, Escape, Backspace };

// One line of a runner script, already checked. Coordinates are points in the window's space.
//
//   # a comment; blank lines are skipped. A step may end in one too ("tap 1 2  # the pad"), except "type",
//   whose text is the rest of its line as it stands
//   tap X Y                     a finger down and up again 0.05 s later
//   down X Y / move X Y / up X Y
//   drag X1 Y1 X2 Y2 SECONDS    down, moves at 60 per second along the line, up at the end (up to 60 s)
//   type TEXT                   the rest of the line, spaces kept, to the first responder
//   key return|escape|backspace
//   appearance light|dark       the system's appearance setting; the window follows it
//   wait SECONDS                advances the virtual clock and runs what became due (up to 3600 s)
//   shot NAME                   NAME.png in the output folder ("shot a.png" is a.png too)
//   dump NAME                   NAME.json: the view tree ("dump a.json" is a.json too)
struct ScriptStep {
  enum class Kind { Tap, Down, Move, Up, Drag, Type, Key, Appearance, Wait, Shot, Dump };
  Kind kind = Kind::Wait;
  int line = 0;
  Point point;          // tap, down, move, up; where a drag starts
  Point to;             // where a drag ends
  double seconds = 0;   // wait; how long a drag takes
  std::string text;     // typed text; the name of a shot or dump
  Key key = Key::Return;
  bool dark = false;    // appearance
};

// A script that cannot run: the message names the source and the line ("tour.script:12: ...").
class ScriptError : public std::runtime_error {
 public:
  ScriptError(const std::string& source, int line, const std::string& message);
  int line() const { return line_; }

 private:
  int line_;
};

struct Script {
  std::string source;  // the file name errors are reported against
  std::vector<ScriptStep> steps;

  // Checks every line before anything runs, so a mistake on the last line costs no half-made output.
  // Throws ScriptError for an unknown command, a wrong argument, or a name used twice for one kind of
  // output (the second file would silently replace the first).
  static Script parse(const std::string& text, const std::string& source = "script");
  // Reads and parses a file; a missing file is a ScriptError on line 0.
  static Script load(const std::string& path);

  // Throws ScriptError, naming the line, for the first point of a touch or a drag off a screen of `size`
  // points. Known before the app starts, so such a mistake too is refused before anything is touched.
  void checkOnScreen(Size size) const;
};

}  // namespace platform::shell
