// The main screen's cost. One drag of 100 moves on package one's focal-length bar through the whole value
// flow (the value display, the depth-of-field, field-of-view and coverage pages, package two's bar moved
// to the match) beside the same values, texts and offsets computed by hand (and, as the floor, the bare
// offset changes alone); and one frame of the main screen rendered to pixels beside the view system's
// 200-view reference screen.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "app/main/NewMainViewController.h"
#include "app/pages/PageState.h"
#include "bench/ReferenceScreen.h"
#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Bundle.h"
#include "platform/runtime/LoadHooks.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/ScrollView.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace {

constexpr int kMoves = 100;

// The app as launched: catalogues seeded into a fresh container, the state loaded, the main screen
// shown in its navigation stack on the manual clock.
struct MainScreenApp {
  MainScreenApp() {
    platform::foundation::Bundle::setMainPath(OSTREL_BUNDLE_DIR);
    platform::runtime::runLoadHooks();
    auto frames = app::pages::framesObject();
    frames->storyBoardName = "Main_Universal";
    frames->loadPrefs();
    screen = platform::ui::make<app::main::NewMainViewController>();
    window->setRootViewController(platform::ui::make<platform::ui::NavigationController>(screen));
    window->makeKeyAndVisible();
    env.advance(1);
  }
  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment env;
  std::shared_ptr<platform::ui::Window> window = platform::ui::make<platform::ui::Window>();
  std::shared_ptr<app::main::NewMainViewController> screen;
};

void BM_BarDragThroughTheValueFlow(benchmark::State& state) {
  MainScreenApp app;
  auto scroller = app.screen->views().focalLengthScrollBar->scrollView();
  const double start = scroller->contentOffset().x;
  for (auto _ : state) {
    for (int i = 1; i <= kMoves; ++i) scroller->setContentOffset({start + i, 0}, false);
    for (int i = kMoves - 1; i >= 0; --i) scroller->setContentOffset({start + i, 0}, false);
    benchmark::DoNotOptimize(app.screen->currentFocalLengthFormatTwo);
  }
  state.SetItemsProcessed(state.iterations() * 2 * kMoves);
}
BENCHMARK(BM_BarDragThroughTheValueFlow)->Unit(benchmark::kMillisecond);

// A fair baseline for the drag: for each move, the same work written out by hand on plain floats: the
// focal length under package one's marker, package two's match and its bar's offset, depth of field and
// field of view, the eleven texts the displays and pages show (snprintf into strings), and both bars'
// offsets set on bare scroll views.
struct HandDrag {
  std::array<std::string, 11> texts;
  std::shared_ptr<platform::ui::ScrollView> one = bare(), two = bare();

  static std::shared_ptr<platform::ui::ScrollView> bare() {
    auto scroller = platform::ui::make<platform::ui::ScrollView>(platform::ui::Rect{0, 0, 390, 64});
    scroller->setContentSize({4000, 64});
    return scroller;
  }
  void text(size_t index, const char* format, double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, value);
    texts[index] = buffer;
  }
  void move(double position) {
    // The scale's map from position to angle and back (as the focal-length bar's), for a 36 x 24 mm
    // sensor on package one and a 24.89 mm wide one on package two.
    constexpr float m = 1500, b = -200, sensorOne = 36, heightOne = 24, sensorTwo = 24.89f;
    const float fov = 2 * std::tan(1 - (static_cast<float>(position) - b) / m);
    const float fl = sensorOne / fov;
    const float matched = fl * sensorTwo / sensorOne;
    const float offsetTwo = (1 - std::atan(sensorTwo / matched / 2)) * m + b;
    // Depth of field at f 2.8 and 3 m, the circle of confusion from the diagonal.
    const float coc = std::sqrt(sensorOne * sensorOne + heightOne * heightOne) / 1500;
    const float hyperfocal = fl * fl / (2.8f * coc) + fl, s = 3000;
    const float nearLimit = hyperfocal * s / (hyperfocal + (s - fl));
    const float farLimit = hyperfocal > s - fl ? hyperfocal * s / (hyperfocal - (s - fl)) : INFINITY;
    const auto degrees = [fl](float size) { return 2 * std::atan(size / (2 * fl)) * 180 / static_cast<float>(M_PI); };
    const float h = degrees(sensorOne), v = degrees(heightOne), d = degrees(std::hypot(sensorOne, heightOne));
    text(0, "%.1f", fl);
    text(1, "%.1f", matched);
    text(2, "%.3f mm", coc);
    text(3, "%.2f m", hyperfocal / 1000);
    text(4, "%.2f m", nearLimit / 1000);
    text(5, "%.2f m", farLimit / 1000);
    text(6, "%.2f m", (farLimit - nearLimit) / 1000);
    text(7, "%.1f\u00B0H", h);
    text(8, "%.1f\u00B0V", v);
    text(9, "%.1f\u00B0D", d);
    text(10, "%.2f m", 2 * 3 * std::tan(h * static_cast<float>(M_PI) / 360));
    one->setContentOffset({position, 0}, false);
    two->setContentOffset({offsetTwo, 0}, false);
  }
};

void BM_BarDragByHand(benchmark::State& state) {
  ostrel::testing::MainThreadEnvironment env;
  HandDrag drag;
  const double start = 1000;
  for (auto _ : state) {
    for (int i = 1; i <= kMoves; ++i) drag.move(start + i);
    for (int i = kMoves - 1; i >= 0; --i) drag.move(start + i);
    benchmark::DoNotOptimize(drag.texts);
  }
  state.SetItemsProcessed(state.iterations() * 2 * kMoves);
}
BENCHMARK(BM_BarDragByHand)->Unit(benchmark::kMillisecond);

// The bare floor: the same offset changes of a scroll view that tells nobody.
void BM_BareScrollViewOffsets(benchmark::State& state) {
  ostrel::testing::MainThreadEnvironment env;
  auto scroller = platform::ui::make<platform::ui::ScrollView>(platform::ui::Rect{0, 0, 390, 64});
  scroller->setContentSize({4000, 64});
  for (auto _ : state) {
    for (int i = 1; i <= kMoves; ++i) scroller->setContentOffset({1000.0 + i, 0}, false);
    for (int i = kMoves - 1; i >= 0; --i) scroller->setContentOffset({1000.0 + i, 0}, false);
    benchmark::DoNotOptimize(scroller->contentOffset());
  }
  state.SetItemsProcessed(state.iterations() * 2 * kMoves);
}
BENCHMARK(BM_BareScrollViewOffsets)->Unit(benchmark::kMillisecond);

void BM_MainScreenFrame(benchmark::State& state) {
  MainScreenApp app;
  for (auto _ : state) {
    auto image = platform::ui::Renderer::render(*app.window);
    benchmark::DoNotOptimize(image);
  }
}
BENCHMARK(BM_MainScreenFrame)->Unit(benchmark::kMillisecond);

void BM_ReferenceScreenFrame(benchmark::State& state) {
  auto window = bench::buildWindow();
  for (auto _ : state) {
    auto image = platform::ui::Renderer::render(*window);
    benchmark::DoNotOptimize(image);
  }
}
BENCHMARK(BM_ReferenceScreenFrame)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
