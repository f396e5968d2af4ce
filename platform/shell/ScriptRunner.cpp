#include "platform/shell/ScriptRunner.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/dispatch/MainLoop.h"
#include "platform/dispatch/QuitRequest.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/log/Log.h"
#include "platform/shell/SystemAppearance.h"
#include "platform/shell/ViewTreeDump.h"
#include "platform/ui/Renderer.h"

namespace platform::shell {
namespace {

using Kind = ScriptStep::Kind;

}  // namespace

ScriptRunner::ScriptRunner(std::shared_ptr<ui::Window> window, InputSink& input,
                           std::shared_ptr<foundation::ManualClock> clock, std::string outputFolder)
    : window_(std::move(window)), input_(input), clock_(std::move(clock)), folder_(std::move(outputFolder)) {
  clock_->setBeforeEachMove(settleWorkers());
}

ScriptRunner::~ScriptRunner() { clock_->setBeforeEachMove(nullptr); }

std::function<void()> ScriptRunner::settleWorkers() {
  auto waitedInVain = std::make_shared<bool>(false);
  return [waitedInVain] {
    if (!dispatch::MainLoop::isMainThread()) return;
    // A quit asked meanwhile ends the wait: the run stops at its next step, and the end has its
    // own deadline to share.
    const bool idle = dispatch::MainLoop::runUntilWorkersIdle(*waitedInVain ? 0 : kLongestSettle,
                                                              [] { return dispatch::QuitRequest::pending(); });
    if (dispatch::QuitRequest::pending()) return;
    if (!idle && !*waitedInVain) {
      log::write(log::Notice, "the app's background work has gone on for " + std::to_string(static_cast<int>(kLongestSettle)) +
                                  " s while the script's clock waited for it; the clock goes on without it");
    }
    *waitedInVain = !idle;
  };
}

std::vector<std::string> ScriptRunner::run(const Script& script) {
  script.checkOnScreen(window_->bounds().size);
  if (auto made = foundation::AtomicFile::createDirectories(folder_); !made.ok()) {
    throw std::runtime_error("cannot make the output folder " + folder_ + ": " + made.error().localizedDescription());
  }
  written_.clear();
  stoppedBeforeLine_ = 0;
  dispatch::MainLoop::runUntilIdle();
  for (const ScriptStep& step : script.steps) {
    if (dispatch::QuitRequest::pending()) {
      stoppedBeforeLine_ = step.line;
      break;
    }
    play(script, step);
    dispatch::MainLoop::runUntilIdle();
  }
  return written_;
}

void ScriptRunner::play(const Script& script, const ScriptStep& step) {
  // As a display lays the window out before every frame: touches find their views and dumps show
  // frames whether or not a shot came first.
  window_->layoutIfNeeded();
  if (step.kind == Kind::Tap || step.kind == Kind::Down || step.kind == Kind::Drag) waitForTouchesTaken();
  switch (step.kind) {
    case Kind::Tap:
      input_.touchDown(step.point);
      advance(kTapSeconds);
      input_.touchUp(step.point);
      break;
    case Kind::Down: input_.touchDown(step.point); break;
    case Kind::Move: input_.touchMove(step.point); break;
    case Kind::Up: input_.touchUp(step.point); break;
    case Kind::Drag: drag(step); break;
    case Kind::Type: input_.typeText(step.text); break;
    case Kind::Key: input_.pressKey(step.key); break;
    case Kind::Appearance: SystemAppearance::switchTo(*window_, step.dark); break;
    case Kind::Wait: advance(step.seconds); break;
    case Kind::Shot:
    case Kind::Dump: written_.push_back(write(script, step)); break;
  }
}

// A finger that moves at an even speed, sampled as a screen samples touches; the last sample is where
// it lifts, so a short drag leaves the finger moving (a fling).
void ScriptRunner::drag(const ScriptStep& step) {
  const int steps = std::max(1, static_cast<int>(std::lround(step.seconds * kDragStepsPerSecond)));
  const int64_t start = clock_->monotonicNanoseconds();
  input_.touchDown(step.point);
  for (int i = 1; i <= steps; ++i) {
    // Each sample is placed from the start, so rounding to whole nanoseconds never adds up.
    const double f = static_cast<double>(i) / steps;
    const int64_t due = start + foundation::Clock::toNanoseconds(step.seconds * f);
    advance(static_cast<double>(due - clock_->monotonicNanoseconds()) / 1e9);
    input_.touchMove({step.point.x + (step.to.x - step.point.x) * f, step.point.y + (step.to.y - step.point.y) * f});
  }
  input_.touchUp(step.to);
}

void ScriptRunner::advance(double seconds) {
  dispatch::MainLoop::runUntilIdle();
  if (clockObserver_) clockObserver_(clock_->wallTimeAfter(seconds));
  clock_->advance(seconds);
  dispatch::MainLoop::runUntilIdle();
}

// Time moves from timer to timer, so whatever ends the refusal runs at its own moment and the touch
// lands right then, as it would for someone who tapped again the moment the screen took touches.
void ScriptRunner::waitForTouchesTaken() {
  const int64_t giveUp = clock_->monotonicNanoseconds() + foundation::Clock::toNanoseconds(kLongestTouchWait);
  while (window_->isRefusingTouches()) {
    std::optional<double> next = clock_->nextDeadline();
    if (!next) return;
    const int64_t due = foundation::Clock::toNanoseconds(*next);
    if (due > giveUp) return;
    advance(static_cast<double>(std::max<int64_t>(0, due - clock_->monotonicNanoseconds())) / 1e9);
  }
}

std::string ScriptRunner::write(const Script& script, const ScriptStep& step) {
  std::string path = folder_ + "/" + step.text + (step.kind == Kind::Shot ? ".png" : ".json");
  bool ok = false;
  std::string error = "could not render the window";
  if (step.kind == Kind::Shot) {
    // A script's shots and dumps are made again by running it again: they are not flushed to disk.
    auto image = ui::Renderer::render(*window_);
    const std::vector<std::uint8_t> png = image ? image->pngData() : std::vector<std::uint8_t>{};
    ok = !png.empty() && foundation::AtomicFile::writeReproducible(path, png.data(), png.size()).ok();
    if (image && !ok) error = "could not write the file";
  } else {
    auto written = foundation::AtomicFile::writeReproducible(path, ViewTreeDump::json(*window_));
    ok = written.ok();
    if (!ok) error = written.error().localizedDescription();
  }
  if (!ok) {
    throw std::runtime_error(script.source + ":" + std::to_string(step.line) + ": cannot write " + path + ": " +
                             error);
  }
  return path;
}

}  // namespace platform::shell
