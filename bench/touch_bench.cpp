// 10,000 touch moves dragging a scroll view of 500 subviews: through the window's touch dispatch
// (hit-testing where the finger lands, the drag recogniser, offset clamping, the scroll delegate), and
// as a bare loop doing the same geometry by hand (one search of 500 rectangles, then following the
// finger with a clamped offset). Then 10,000 taps, each hit-tested through the same tree, beside the
// same search by hand.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/foundation/Clock.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Window.h"

namespace {

using namespace platform;

constexpr int kSubviews = 500;
constexpr int kMoves = 10000;
constexpr double kRowHeight = 40;

struct Counter : ui::ScrollViewDelegate {
  long scrolled = 0;
  void scrollViewDidScroll(ui::ScrollView&) override { ++scrolled; }
};

// The finger goes up and down by 300 points in 1-point steps, 8 ms apart.
double fingerY(int i) {
  int phase = i % 600;
  return 700 - (phase < 300 ? phase : 600 - phase);
}

// A phone window filled by a scroll view of kSubviews rows, scrolled well into the list.
struct ListWindow {
  std::shared_ptr<ui::Window> window = platform::ui::make<ui::Window>();
  std::shared_ptr<ui::ScrollView> scroll = platform::ui::make<ui::ScrollView>(window->bounds());

  ListWindow() {
    scroll->setContentSize({390, kSubviews * kRowHeight});
    for (int i = 0; i < kSubviews; ++i) {
      scroll->addSubview(platform::ui::make<ui::View>(graphics::Rect{0, i * kRowHeight, 390, kRowHeight - 1}));
    }
    window->addSubview(scroll);
    scroll->setContentOffset({0, 8000});
  }
};

// The same rows as plain rectangles, for the loops by hand.
std::vector<graphics::Rect> rowRects() {
  std::vector<graphics::Rect> rows;
  for (int i = 0; i < kSubviews; ++i) rows.push_back({0, i * kRowHeight, 390, kRowHeight - 1});
  return rows;
}

void BM_TouchMovesThroughWindow(benchmark::State& state) {
  auto clock = std::make_shared<foundation::ManualClock>();
  foundation::Clock::setCurrent(clock);
  ListWindow list;
  auto& window = list.window;
  Counter counter;
  list.scroll->setDelegate(&counter);
  for (auto _ : state) {
    window->touchDown({200, fingerY(0)});
    for (int i = 1; i <= kMoves; ++i) {
      clock->advance(0.008);
      window->touchMove({200, fingerY(i)});
    }
    window->touchUp({200, fingerY(kMoves)});
  }
  benchmark::DoNotOptimize(counter.scrolled);
  state.SetItemsProcessed(state.iterations() * kMoves);
  foundation::Clock::setCurrent(nullptr);
}
BENCHMARK(BM_TouchMovesThroughWindow)->Unit(benchmark::kMillisecond);

void BM_TouchMovesByHand(benchmark::State& state) {
  const std::vector<graphics::Rect> rows = rowRects();
  const double maxOffset = kSubviews * kRowHeight - 844;
  long hits = 0;
  long scrolled = 0;
  for (auto _ : state) {
    double offset = 8000;
    double startOffset = offset;
    double startY = fingerY(0);
    // The finger is hit-tested where it comes down, as the window does.
    graphics::Point p{200, startY + offset};
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
      if (it->contains(p)) {
        ++hits;
        break;
      }
    }
    for (int i = 1; i <= kMoves; ++i) {
      double y = fingerY(i);
      double next = std::clamp(startOffset - (y - startY), 0.0, maxOffset);
      if (next != offset) {
        offset = next;
        ++scrolled;
      }
    }
    benchmark::DoNotOptimize(offset);
  }
  benchmark::DoNotOptimize(hits);
  benchmark::DoNotOptimize(scrolled);
  state.SetItemsProcessed(state.iterations() * kMoves);
}
BENCHMARK(BM_TouchMovesByHand)->Unit(benchmark::kMillisecond);

// Taps walk down the list so every one lands on another row.
graphics::Point tapPoint(int i) { return {200, static_cast<double>(50 + (i * 7) % 700)}; }

void BM_TapsThroughWindow(benchmark::State& state) {
  auto clock = std::make_shared<foundation::ManualClock>();
  foundation::Clock::setCurrent(clock);
  ListWindow list;
  auto& window = list.window;
  for (auto _ : state) {
    for (int i = 0; i < kMoves; ++i) {
      clock->advance(0.5);
      window->touchDown(tapPoint(i));
      window->touchUp(tapPoint(i));
    }
  }
  state.SetItemsProcessed(state.iterations() * kMoves);
  foundation::Clock::setCurrent(nullptr);
}
BENCHMARK(BM_TapsThroughWindow)->Unit(benchmark::kMillisecond);

void BM_TapsByHand(benchmark::State& state) {
  const std::vector<graphics::Rect> rows = rowRects();
  long hits = 0;
  for (auto _ : state) {
    for (int i = 0; i < kMoves; ++i) {
      graphics::Point p = tapPoint(i);
      p.y += 8000;
      for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        if (it->contains(p)) {
          ++hits;
          break;
        }
      }
    }
  }
  benchmark::DoNotOptimize(hits);
  state.SetItemsProcessed(state.iterations() * kMoves);
}
BENCHMARK(BM_TapsByHand)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
