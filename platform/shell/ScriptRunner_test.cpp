#include "platform/shell/ScriptRunner.h"

#include <signal.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "platform/dispatch/QuitRequest.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Timer.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/SystemFacts.h"
#include "platform/graphics/Image.h"
#include "platform/shell/ContainerTime.h"
#include "platform/shell/TestCard.h"
#include "platform/shell/WindowInput.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/ScratchFolder.h"
#include "testing/TempContainer.h"

namespace platform::shell {
namespace {

namespace fs = std::filesystem;
using foundation::Clock;
using foundation::ManualClock;

// Records what reaches the app and when, on the clock the runner moves.
class RecordingInput : public InputSink {
 public:
  struct Record {
    std::string what;
    Point p;
    double t;
  };
  std::vector<Record> records;
  std::function<void()> onDown;

  void touchDown(Point p) override {
    add("down", p);
    if (onDown) onDown();
  }
  void touchMove(Point p) override { add("move", p); }
  void touchUp(Point p) override { add("up", p); }
  void touchCancel() override { add("cancel", {}); }
  void scrollWheel(Point at, double, double) override { add("wheel", at); }
  void typeText(const std::string& text) override { add("type:" + text, {}); }
  void pressKey(Key) override { add("key", {}); }
  void add(std::string what, Point p) { records.push_back({std::move(what), p, Clock::current()->monotonic()}); }
};

class ScriptRunnerTest : public ::testing::Test {
 protected:
  std::vector<std::string> run(const std::string& text, InputSink& input, std::shared_ptr<ui::Window> window = {},
                               const std::string& out = {}) {
    if (!window) window = ui::make<ui::Window>();
    ScriptRunner runner(window, input, clock, out.empty() ? folder + "/out" : out);
    return runner.run(Script::parse(text, "t.script"));
  }

  ostrel::testing::MainThreadEnvironment env;
  std::shared_ptr<ManualClock> clock = env.clock();
  ostrel::testing::ScratchFolder scratch{"ostrel-shell"};
  std::string folder = scratch.path();
};

TEST_F(ScriptRunnerTest, TapsAndDragsTakeTheirTimeOnTheVirtualClock) {
  RecordingInput input;
  run("tap 10 10\ndrag 0 100 0 400 0.1\n", input);
  const auto& r = input.records;
  ASSERT_EQ(r.size(), 2u + 1 + 6 + 1);  // tap; down, 6 moves at 60 per second, up
  EXPECT_DOUBLE_EQ(r[1].t, ScriptRunner::kTapSeconds);
  EXPECT_EQ(r[2].p.y, 100);
  for (size_t i = 3; i < 9; ++i) {
    EXPECT_EQ(r[i].what, "move");
    EXPECT_NEAR(r[i].t - r[i - 1].t, 0.1 / 6, 1e-9) << i;
    EXPECT_NEAR(r[i].p.y, 100 + 50.0 * (i - 2), 1e-9) << i;
  }
  // The finger lifts where the last move left it, without pausing: a short drag is a fling.
  EXPECT_EQ(r[9].what, "up");
  EXPECT_EQ(r[9].p.y, 400);
  EXPECT_NEAR(r[9].t, r[8].t, 1e-9);
}

TEST_F(ScriptRunnerTest, WhatTheAppQueuesRunsBeforeTheNextStep) {
  RecordingInput input;
  input.onDown = [&] { dispatch::Queue::main()->async([&] { input.add("block", {}); }); };
  dispatch::Queue::main()->after(1.0, [&] { input.add("timer", {}); });
  run("down 5 5\nup 5 5\nwait 0.5\ntype a\nwait 0.5\ntype b\n", input);
  std::vector<std::string> order;
  for (const auto& r : input.records) order.push_back(r.what);
  EXPECT_EQ(order, (std::vector<std::string>{"down", "block", "up", "type:a", "timer", "type:b"}));
  EXPECT_DOUBLE_EQ(input.records[4].t, 1.0);
}

// Work a worker does inside a long wait (an event stored, the engine's start) reads the clock where the
// wait stands, and a timer it arms fires at its time in the same wait: the clock does not move on while
// workers are busy. Here a worker that a timer inside the wait hands work to must first pass through the
// main queue, as a worker asking the main thread for the app's state does.
TEST_F(ScriptRunnerTest, ATimerArmedFromAWorkerWhileTheClockStepsThroughAWaitFiresAtItsTime) {
  RecordingInput input;
  auto worker = dispatch::Queue::serial("test.engine");
  std::mutex mutex;
  std::vector<std::pair<std::string, double>> seen;
  auto note = [&](std::string what) {
    std::lock_guard lock(mutex);
    seen.emplace_back(std::move(what), clock->monotonic());
  };
  std::vector<std::shared_ptr<dispatch::Timer>> armed;
  dispatch::Queue::main()->after(100, [&] {
    worker->async([&] {
      dispatch::Queue::main()->sync([] {});
      note("armed");
      auto timer = dispatch::Timer::scheduled(600, false, dispatch::Queue::main(), [&] { note("fired on main"); });
      auto own = dispatch::Timer::scheduled(900, false, worker, [&] { note("fired on the worker"); });
      std::lock_guard lock(mutex);
      armed.insert(armed.end(), {timer, own});
    });
  });
  run("wait 3600\n", input);
  std::lock_guard lock(mutex);
  EXPECT_EQ(seen, (std::vector<std::pair<std::string, double>>{
                      {"armed", 100}, {"fired on main", 700}, {"fired on the worker", 1000}}));
}

// A run killed at any point of a long wait leaves a time behind that is past everything it stored: the
// end of each move of the clock is kept before the move, while timers inside it store events (on the
// main queue and on a worker) on the way.
TEST_F(ScriptRunnerTest, AKillAtAnyPointOfALongWaitLeavesATimePastEverythingStored) {
  ostrel::testing::TempContainer container;
  RecordingInput input;
  std::mutex mutex;
  std::vector<std::string> runBackwards;
  int stored = 0;
  const double start = clock->now();
  // Stores an event dated now and is killed right after: the next run starts from what the container keeps.
  auto storeThenKill = [&] {
    const double dated = Clock::current()->now();
    const auto latest = ContainerTime::latest(Clock::system()->now(), {});
    std::lock_guard lock(mutex);
    ++stored;
    if (!latest || !(ContainerTime::firstTimeAfter(*latest) > dated)) {
      runBackwards.push_back("an event " + std::to_string(dated - start) + " s into the run");
    }
  };
  auto everyTenMinutes = dispatch::Timer::scheduled(600, true, dispatch::Queue::main(), storeThenKill);
  auto everyQuarter = dispatch::Timer::scheduled(899.5, true, dispatch::Queue::serial("test.store"), storeThenKill);
  auto window = ui::make<ui::Window>();
  ScriptRunner runner(window, input, clock, folder + "/out");
  runner.setClockObserver([](double time) { ContainerTime::record(time); });
  ContainerTime::record(clock->now());
  runner.run(Script::parse("wait 3600\ntap 5 5\nwait 3599.9\n", "t.script"));
  everyTenMinutes->invalidate();
  everyQuarter->invalidate();
  std::lock_guard lock(mutex);
  EXPECT_EQ(stored, 11 + 8);
  EXPECT_TRUE(runBackwards.empty()) << runBackwards.front();
}

// A tap that starts a short stop refusing touches (a picker showing its pick before it closes): the
// next touch waits for the stop to end, as a person would, while typing and other timers are not held up.
TEST_F(ScriptRunnerTest, ATouchDuringARefusalWaitsForItsEndAndTypingDoesNot) {
  RecordingInput input;
  auto window = ui::make<ui::Window>();
  int downs = 0;
  input.onDown = [&] {
    if (++downs != 1) return;
    window->beginRefusingTouches();
    dispatch::Queue::main()->after(0.1, [&] { input.add("other timer", {}); });
    dispatch::Queue::main()->after(0.15, [&] {
      input.add("stop ends", {});
      window->endRefusingTouches();
    });
  };
  run("tap 5 5\ntype a\ntap 6 6\ndrag 0 10 0 20 0.02\n", input, window);
  std::vector<std::string> order;
  for (const auto& r : input.records) order.push_back(r.what);
  EXPECT_EQ(order, (std::vector<std::string>{"down", "up", "type:a", "other timer", "stop ends", "down", "up", "down",
                                            "move", "up"}));
  EXPECT_DOUBLE_EQ(input.records[2].t, ScriptRunner::kTapSeconds) << "typing is not held up";
  EXPECT_DOUBLE_EQ(input.records[5].t, 0.15) << "the finger comes down the moment touches are taken again";
}

// A refusal nothing will end (here only a repeating timer is pending) holds the script back a bounded
// time, then the touch goes to the window, which refuses it.
TEST_F(ScriptRunnerTest, ARefusalThatNeverEndsHoldsTheTouchOnlySoLong) {
  RecordingInput input;
  auto window = ui::make<ui::Window>();
  window->beginRefusingTouches();
  auto ticking = dispatch::Timer::scheduled(0.5, true, dispatch::Queue::main(), [] {});
  run("tap 5 5\n", input, window);
  ticking->invalidate();
  ASSERT_EQ(input.records.size(), 2u);
  EXPECT_LE(input.records[0].t, ScriptRunner::kLongestTouchWait);
  EXPECT_GE(input.records[0].t, ScriptRunner::kLongestTouchWait - 0.5);
}

// A quit asked in the middle of a step lets that step finish, with what it queued, and no later step
// run; the runner says where it stopped.
TEST_F(ScriptRunnerTest, AQuitRequestStopsThePlayBeforeTheNextStep) {
  RecordingInput input;
  input.onDown = [&] {
    dispatch::QuitRequest::request(SIGTERM);
    dispatch::Queue::main()->async([&] { input.add("block", {}); });
  };
  ScriptRunner runner(ui::make<ui::Window>(), input, clock, folder + "/out");
  EXPECT_TRUE(runner.run(Script::parse("type a\ntap 5 5\n\nshot never\ntype b\n", "t.script")).empty());
  dispatch::QuitRequest::resetForTesting();
  std::vector<std::string> order;
  for (const auto& r : input.records) order.push_back(r.what);
  EXPECT_EQ(order, (std::vector<std::string>{"type:a", "down", "block", "up"}));
  EXPECT_EQ(runner.stoppedBeforeLine(), 4);
  EXPECT_FALSE(fs::exists(folder + "/out/never.png"));

  runner.run(Script::parse("type c\n", "t.script"));
  EXPECT_EQ(runner.stoppedBeforeLine(), 0) << "a run that went to its end";
}

TEST_F(ScriptRunnerTest, PointOffTheScreenOrUnwritableOutputFailsTheRunBeforeAnyTouch) {
  RecordingInput input;
  try {
    run("tap 1 1\nshot a\ndrag 10 10 10 900 0.2\n", input, {}, folder + "/never");
    FAIL() << "ran a script that leaves the screen";
  } catch (const ScriptError& e) {
    EXPECT_STREQ(e.what(), "t.script:3: (10, 900) is off the 390x844 screen");
  }
  EXPECT_TRUE(input.records.empty());
  EXPECT_FALSE(fs::exists(folder + "/never"));
  ASSERT_TRUE(foundation::AtomicFile::writeAtomically(folder + "/file", std::string_view("x")).ok());
  EXPECT_THROW(run("shot a\n", input, {}, folder + "/file"), std::runtime_error);
  EXPECT_THROW(run("shot a\n", input, {}, folder + "/file/below"), std::runtime_error);
}

// Shots and dumps land where asked; the system's appearance is a setting a script can change, and the
// window and its screens follow it.
TEST_F(ScriptRunnerTest, WritesShotsAndDumpsWhereAskedInTheAppearanceAskedFor) {
  RecordingInput input;
  auto window = makeTestCardWindow();
  auto written = run("appearance dark\nshot dark\nappearance light\nshot light\ndump card\n", input, window);
  ASSERT_EQ(written, (std::vector<std::string>{folder + "/out/dark.png", folder + "/out/light.png",
                                               folder + "/out/card.json"}));
  EXPECT_FALSE(foundation::SystemFacts::current().darkAppearance);
  EXPECT_EQ(window->userInterfaceStyle(), ui::UserInterfaceStyle::Light);
  auto dark = graphics::Image::fromPNGFile(written[0]);
  auto light = graphics::Image::fromPNGFile(written[1]);
  ASSERT_TRUE(dark && light);
  EXPECT_EQ(dark->pixelWidth(), 780);
  EXPECT_EQ(dark->pixelHeight(), 1688);
  // The card's background just inside the left edge, below the status bar.
  EXPECT_EQ(dark->pixelBytes(4, 200)[0], 28);
  EXPECT_GT(light->pixelBytes(4, 200)[0], 200);
  auto tree = foundation::Json::parse(*foundation::AtomicFile::readText(written[2]));
  EXPECT_EQ(tree["children"].at(0)["class"].toString(), "CardView");
  foundation::SystemFacts::reset();
}

// "X Y" in window points for a place inside `view`, given as fractions of its size.
std::string at(const ui::View& view, double fx, double fy) {
  ui::Rect b = view.bounds();
  ui::Point p = view.convertPointTo({b.minX() + b.width() * fx, b.minY() + b.height() * fy}, nullptr);
  return std::to_string(p.x) + " " + std::to_string(p.y);
}

std::shared_ptr<TestCardViewController> card(const ui::Window& window) {
  auto controller = std::dynamic_pointer_cast<TestCardViewController>(window.rootViewController());
  controller->view()->layoutIfNeeded();
  return controller;
}

// The same script on the same screen gives the same bytes, touches and all: pictures can be compared
// between runs and machines.
TEST_F(ScriptRunnerTest, SameScriptSamePictureBytes) {
  std::vector<std::vector<uint8_t>> pictures;
  std::string readout;
  for (int i = 0; i < 2; ++i) {
    ostrel::testing::MainThreadEnvironment fresh;  // each run from the same start
    clock = fresh.clock();
    auto window = makeTestCardWindow();
    auto pad = card(*window)->pad();
    const std::string script = "tap " + at(*pad, 0.3, 0.5) + "\nwait 0.2\ndrag " + at(*pad, 0.1, 0.2) + " " +
                               at(*pad, 0.8, 0.9) + " 0.3\nwait 1\nshot card\n";
    WindowInput input(window);
    auto written = run(script, input, window, folder + "/run" + std::to_string(i));
    pictures.push_back(*foundation::AtomicFile::readFile(written[0]));
    readout = pad->readout();
  }
  ASSERT_GT(pictures[0].size(), 1000u);
  EXPECT_TRUE(pictures[0] == pictures[1]) << "two runs drew different bytes";
  // Both touches reached the pad: the picture is not merely the untouched card twice.
  EXPECT_NE(readout.find("2 down, 2 up"), std::string::npos) << readout;
}

// A person's session in a script: tap into the field and type, put the keyboard away, then fling the
// list. The dump shows the text and a list that coasted well past where the finger let go.
TEST_F(ScriptRunnerTest, TapFlingAndTypeShowInTheDump) {
  auto window = makeTestCardWindow();
  auto controller = card(*window);
  auto& list = *controller->list();
  const std::string script = "tap " + at(*controller->field(), 0.5, 0.5) +
                             "\nwait 0.5\ntype f/2.8 \u221e\nkey backspace\nkey return\nkey escape\nwait 0.5\n"
                             "drag " + at(list, 0.5, 0.9) + " " + at(list, 0.5, 0.3) + " 0.1\n"
                             "wait 3\ndump after\n";
  WindowInput input(window);
  auto written = run(script, input, window);
  auto tree = foundation::Json::parse(*foundation::AtomicFile::readText(written[0]));
  const foundation::Value& views = tree["children"].at(0)["children"];
  const foundation::Value* field = nullptr;
  const foundation::Value* scroller = nullptr;
  for (size_t i = 0; i < views.size(); ++i) {
    if (views.at(i)["class"].toString() == "TextField") field = &views.at(i);
    if (views.at(i)["class"].toString() == "ScrollView") scroller = &views.at(i);
  }
  ASSERT_TRUE(field && scroller);
  EXPECT_EQ((*field)["text"].toString(), "f/2.8 ");
  EXPECT_FALSE(field->contains("editing"));  // Escape ended editing
  double dragged = list.bounds().height() * 0.6;
  double offset = (*scroller)["offset"].at(1).toDouble();
  EXPECT_GT(offset, dragged + 20) << "the list did not coast after the fling";
  EXPECT_LE(offset, 30 * 40 - list.bounds().height());
  EXPECT_FALSE(list.isDecelerating());
}

// Touches before the first shot act on the window as it will be shown, and a dump before any shot
// shows laid-out frames: the runner lays the window out before every step, as a display does before
// every frame. (Before, a tap ahead of the first shot hit a window of zero-sized views.)
TEST_F(ScriptRunnerTest, InputBeforeTheFirstShotChangesTheFirstShot) {
  const auto measured = makeTestCardWindow();
  const std::string tap = "tap " + at(*card(*measured)->pad(), 0.3, 0.5) + "\n";
  std::vector<std::vector<uint8_t>> pictures;
  for (const std::string& before : {std::string(), tap}) {
    auto window = makeTestCardWindow();  // never laid out before the script runs
    WindowInput input(window);
    const auto written =
        run(before + "dump tree\nshot card\n", input, window, folder + "/r" + std::to_string(pictures.size()));
    pictures.push_back(*foundation::AtomicFile::readFile(written[1]));
    const auto tree = foundation::Json::parse(*foundation::AtomicFile::readText(written[0]));
    EXPECT_GT(tree["children"].at(0)["frame"].at(2).toDouble(), 0) << "the dump shows zero-sized views";
  }
  EXPECT_FALSE(pictures[0] == pictures[1]) << "the tap before the first shot changed nothing";
}

}  // namespace
}  // namespace platform::shell
