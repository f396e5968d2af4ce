// Rebuilding the focal-length scale of a 20-lens prime series (its marks, a label per mark and the pass
// that shrinks and staggers touching labels) beside the baseline of the same number of plain labels
// made, sized and placed by hand on a plain view. The ratio of the two is the scale's own cost.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "app/kit/UIConstants.h"
#include "app/main/InputScrollView.h"
#include "app/main/ScaleMath.h"
#include "platform/foundation/Clock.h"
#include "platform/ui/Label.h"
#include "testing/TempContainer.h"

namespace {

constexpr float kPrimes[] = {12, 14, 16, 18, 21, 25, 27, 32, 35, 40, 50, 65, 75, 85, 100, 135, 150, 180, 200, 300};

app::model::CameraPackage primeSeries() {
  app::model::CameraPackage p;
  app::model::LensManufacturer series;
  series.lensType = "Prime Lens";
  p.lensManufacturer = series;
  for (float f : kPrimes) {
    app::model::LensObject lens;
    lens.focalLength = f;
    lens.aperture = "T2";
    lens.apertureClose = "T22";
    lens.closeFocus = "0.4m | 1'4\"";
    p.lensSet.push_back(lens);
  }
  return p;
}

void BM_FocalLengthScaleRebuild(benchmark::State& state) {
  // A fresh container: no preference file, the light theme.
  ostrel::testing::TempContainer container;
  auto clock = std::make_shared<platform::foundation::ManualClock>();
  platform::foundation::Clock::setCurrent(clock);
  auto bar = platform::ui::make<app::main::InputScrollView>(platform::ui::Rect{0, 0, 390, 70});
  bar->mCameraPackage = primeSeries();
  bar->lensSet.lenses = bar->mCameraPackage->lensSet;
  bar->lensSet.selectedLenses = bar->lensSet.lenses;
  // A scale whose marks did not change keeps its labels; two sensors in turn make each build a real one.
  bool wide = false;
  for (auto _ : state) {
    wide = !wide;
    bar->sensorWidth = wide ? 36.0f : 35.9f;
    bar->setInputType(0);
    benchmark::DoNotOptimize(bar->scrollBar()->subviews().size());
  }
  platform::foundation::Clock::setCurrent(nullptr);
}
BENCHMARK(BM_FocalLengthScaleRebuild)->Unit(benchmark::kMicrosecond);

// The baseline: as many labels, in the same fonts, sized and placed along a plain view.
void BM_PlainLabelsLaidOut(benchmark::State& state) {
  ostrel::testing::TempContainer container;
  auto row = platform::ui::make<platform::ui::View>(platform::ui::Rect{0, 0, 2000, 70});
  for (auto _ : state) {
    for (const auto& view : std::vector<std::shared_ptr<platform::ui::View>>(row->subviews())) {
      view->removeFromSuperview();
    }
    double x = 0;
    for (float f : kPrimes) {
      auto label = platform::ui::make<platform::ui::Label>(platform::ui::Rect{0, 0, 64, 64});
      label->setFont(app::kit::UIConstants::heavyFontWithSize(16));
      label->setText(app::main::scale::numberText(f));
      label->sizeToFit();
      label->setCenter({x, 22});
      row->addSubview(label);
      x += 60;
    }
    benchmark::DoNotOptimize(row->subviews().size());
  }
}
BENCHMARK(BM_PlainLabelsLaidOut)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
