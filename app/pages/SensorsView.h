#pragma once

#include <memory>

#include "app/pages/FormatLabelGroups.h"
#include "app/pages/PageContentView.h"
#include "platform/ui/View.h"

namespace app::pages {

// Draws both packages' recording areas (and, for a cropped package, its extraction inside) at one scale,
// centred: package one in the accent blue, package two in the second camera's green. It keeps nothing:
// each drawing reads the current packages.
class SensorDrawView : public platform::ui::View {
 public:
  // The outline as every format drawing strokes it: two points wide, in the colour at the given opacity.
  static void drawFormatRect(const platform::ui::Rect& rect, const platform::graphics::Color& color, double alpha,
                             platform::graphics::Context* context);

 protected:
  explicit SensorDrawView(const platform::ui::Rect& frame = {}) : View(frame) {}
  void drawRect(const platform::ui::Rect& rect) override;
};

// The sensors page: both packages' recording areas and extractions with their sizes and aspect ratios,
// and the drawing of their outlines.
class SensorsView : public app::pages::PageView {
 public:
  void updateLabels();
  // Texts and drawing from the current packages.
  void drawSensors();

  const app::pages::FormatLabelGroups& formatOne() const { return formatOne_; }
  const app::pages::FormatLabelGroups& formatTwo() const { return formatTwo_; }
  const std::shared_ptr<SensorDrawView>& sensorDrawView() const { return sensorDrawView_; }

 protected:
  explicit SensorsView(const platform::ui::Rect& frame = {});

 private:
  void layoutContent() override;

  app::pages::FormatLabelGroups formatOne_;
  app::pages::FormatLabelGroups formatTwo_;
  std::shared_ptr<SensorDrawView> sensorDrawView_;
};

}  // namespace app::pages

