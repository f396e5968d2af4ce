#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/Clock.h"
#include "platform/shell/InputSink.h"
#include "platform/shell/Script.h"
#include "platform/ui/Window.h"

namespace platform::shell {

// Plays a script against a window on a virtual clock. Time moves only where the script says: a wait,
// the length of a tap (kTapSeconds) and of a drag. After every step the main queue is drained, so what
// the app posted runs before the next touch and before a picture is taken. A finger that would come
// down while the window refuses touches (a short stop before a screen closes) waits, as a person would,
// for the clock to reach the end of the stop, at most kLongestTouchWait seconds.
//
// The clock stands still while the app's workers are busy: before every move of it (to a timer's
// deadline or to a step's end) the runner waits for them, so the work they do (the analytics engine
// starting, an event stored) reads the clock where it stands, and a timer any thread arms fires at its
// time inside the same wait. A worker still busy after kLongestSettle seconds of real time (waiting for
// what only time would bring) lets the clock go on, and is waited for again once the workers were idle.
// A quit asked from outside ends that wait at once.
class ScriptRunner {
 public:
  static constexpr double kTapSeconds = 0.05;
  static constexpr double kLongestTouchWait = 5;
  static constexpr double kDragStepsPerSecond = 60;
  static constexpr double kLongestSettle = 5;

  ScriptRunner(std::shared_ptr<ui::Window> window, InputSink& input,
               std::shared_ptr<foundation::ManualClock> clock, std::string outputFolder);
  ~ScriptRunner();
  ScriptRunner(const ScriptRunner&) = delete;
  ScriptRunner& operator=(const ScriptRunner&) = delete;

  // Checks the script against the window (every point on the screen), creates the output folder and
  // plays it. Returns the files written, in order. Throws ScriptError, before anything runs, for a
  // point off the screen, and std::runtime_error for output that cannot be written. A quit asked from
  // outside (QuitRequest) stops it before the next step.
  std::vector<std::string> run(const Script& script);
  // The line of the step a quit request stopped the last run before; 0 when it ran to the end.
  int stoppedBeforeLine() const { return stoppedBeforeLine_; }
  // Told, each time the script moves the clock on and before it does, the wall time the move ends at:
  // whatever the app dates on the way lies before it, so a time kept from it is never behind what a run
  // killed inside a long wait has stored.
  void setClockObserver(std::function<void(double now)> observer) { clockObserver_ = std::move(observer); }

 private:
  void play(const Script& script, const ScriptStep& step);
  void drag(const ScriptStep& step);
  void advance(double seconds);
  void waitForTouchesTaken();
  static std::function<void()> settleWorkers();
  std::string write(const Script& script, const ScriptStep& step);

  std::shared_ptr<ui::Window> window_;
  InputSink& input_;
  std::shared_ptr<foundation::ManualClock> clock_;
  std::string folder_;
  std::vector<std::string> written_;
  int stoppedBeforeLine_ = 0;
  std::function<void(double)> clockObserver_;
};

}  // namespace platform::shell
