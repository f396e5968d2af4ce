#pragma once

// Scroll bars for tests: lenses and packages as the catalogues give them, a bar in a window on the
// manual clock, and a delegate that records what the bar reports.
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/kit/KitTestSupport.h"
#include "app/main/InputScrollView.h"
#include "platform/ui/ImpactFeedbackGenerator.h"
#include "platform/ui/Window.h"

namespace ostrel::testing {

inline app::model::LensObject lens(float focalLength, std::string aperture = "T2", std::string closed = "T22",
                       std::string closeFocus = "0.45m | 1'6\"", int selected = 1) {
  app::model::LensObject l;
  l.focalLength = focalLength;
  l.aperture = std::move(aperture);
  l.apertureClose = std::move(closed);
  l.closeFocus = std::move(closeFocus);
  l.selected = selected;
  return l;
}

inline app::model::LensObject zoom(float shortEnd, float longEnd) {
  app::model::LensObject l = lens(shortEnd);
  l.focalLengthMax = longEnd;
  l.lensType = "Zoom Lens";
  return l;
}

inline app::model::CameraPackage package(const char* lensType, std::vector<app::model::LensObject> lenses) {
  app::model::CameraPackage p;
  app::model::LensManufacturer series;
  series.lensType = lensType;
  p.lensManufacturer = series;
  p.lensSet = std::move(lenses);
  return p;
}

struct Recorder : app::main::InputScrollViewDelegate {
  std::vector<float> focalLengths, apertures, distances;
  std::vector<int> primeIndexes, outOfRange, withinRange;
  std::vector<bool> programmatic, blocks;
  int matchUpdates = 0;
  void updateFocalLength(float fl, bool, bool isProgrammatic) override {
    focalLengths.push_back(fl);
    programmatic.push_back(isProgrammatic);
  }
  void updateAperture(float n, bool, bool) override { apertures.push_back(n); }
  void updateDistance(float d, bool) override { distances.push_back(d); }
  void switchPrimesLensWithSecondCamera(bool, int index) override { primeIndexes.push_back(index); }
  void valuesOutOfRangeFor(int type, bool) override { outOfRange.push_back(type); }
  void valuesWithinOfRangeFor(int type, bool) override { withinRange.push_back(type); }
  void updateMatchPrimeLens(int, bool) override { ++matchUpdates; }
  void blockSwipeGesture(bool block) override { blocks.push_back(block); }
};

class BarTest {
 protected:
  BarTest() {
    settings().snap = true;
    settings().hapticFeedback = true;
    settings().measurementSystem = 0;
    platform::ui::ImpactFeedbackGenerator::clearTicks();
    window->makeKeyAndVisible();
  }
  static app::state::FramesSettings& settings() { return app::state::FramesObject::getSingleton()->settings; }

  // A bar of the type for the package, in the window, set up as the main screen does it.
  std::shared_ptr<app::main::InputScrollView> bar(int type, const app::model::CameraPackage& p, float sensorWidth = 36, int flIndex = 0) {
    auto b = platform::ui::make<app::main::InputScrollView>(platform::ui::Rect{0, 100, 390, 70});
    window->addSubview(b);
    b->setInputDelegate(&recorder);
    b->mCameraPackage = p;
    b->lensSet.lenses = p.lensSet;
    for (const auto& l : p.lensSet) {
      if (l.selected) b->lensSet.selectedLenses.push_back(l);
    }
    b->sensorWidth = sensorWidth;
    b->setFLIndex(flIndex);
    b->setInputType(type);
    env.advance(0.2);  // the labels' cross-fade
    return b;
  }
  // The centres of the bar's mark labels, by their text.
  static std::vector<std::pair<std::string, platform::ui::Point>> marks(const app::main::InputScrollView& b) {
    std::vector<std::pair<std::string, platform::ui::Point>> out;
    for (const auto& view : b.scrollBar()->subviews()) {
      if (auto* label = dynamic_cast<platform::ui::Label*>(view.get())) out.emplace_back(label->text(), label->center());
    }
    return out;
  }
  static const platform::ui::Label* markLabel(const app::main::InputScrollView& b, const std::string& text) {
    for (const auto& view : b.scrollBar()->subviews()) {
      if (auto* label = dynamic_cast<platform::ui::Label*>(view.get()); label && label->text() == text) return label;
    }
    return nullptr;
  }
  // A finger on the bar at the marker, moved by `dx` in `steps` moves a hundredth of a second apart,
  // then rested (no fling) or lifted at speed.
  void drag(app::main::InputScrollView& b, double dx, int steps, bool fling) {
    const auto start = b.convertPointTo({195, 40}, nullptr);
    window->touchDown(start);
    platform::ui::Point p = start;
    for (int i = 0; i < steps; ++i) {
      env.advance(0.01);
      p.x += dx / steps;
      window->touchMove(p);
    }
    if (!fling) env.advance(0.3);
    window->touchUp(p);
  }
  void tapScale(app::main::InputScrollView& b, double xOnScale, double y = 40) {
    const auto p = b.scrollBar()->convertPointTo({xOnScale, y}, nullptr);
    window->touchDown(p);
    window->touchUp(p);
  }
  static size_t ticks() { return platform::ui::ImpactFeedbackGenerator::ticks().size(); }

  KitTestEnvironment env;
  std::shared_ptr<platform::ui::Window> window = platform::ui::make<platform::ui::Window>();
  Recorder recorder;
};

// The scales' formulas in double precision, for checking positions within half a point.
inline double fov(double focalLength, double width) { return 2 * std::atan(width / (2 * focalLength)); }
inline double stops(double fNumber) { return 2 * std::log(2 * fNumber) / std::log(2.0); }

}  // namespace ostrel::testing
