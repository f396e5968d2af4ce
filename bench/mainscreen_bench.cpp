// The main screen's cost. One drag of 100 moves on package one's focal-length bar through the whole value
// flow (the value display, the depth-of-field, field-of-view and coverage pages, package two's bar moved
// to the match) beside the same 100 offset changes of a bare scroll view; and one frame of the main
// screen rendered to pixels beside the view system's 200-view reference screen.
#include <benchmark/benchmark.h>

#include <memory>

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
    screen = platform::ui::make<NewMainViewController>();
    window->setRootViewController(platform::ui::make<platform::ui::NavigationController>(screen));
    window->makeKeyAndVisible();
    env.advance(1);
  }
  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment env;
  std::shared_ptr<platform::ui::Window> window = platform::ui::make<platform::ui::Window>();
  std::shared_ptr<NewMainViewController> screen;
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

// The baseline: the same offset changes of a scroll view that tells nobody.
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
