#pragma once

#include <optional>
#include <vector>

#include "platform/graphics/Path.h"
#include "platform/ui/Layer.h"

namespace platform::ui {

// A layer that draws a path: filled (black unless set otherwise; no fill when cleared) and stroked
// (not stroked until a stroke colour is set), in the layer's own space.
class ShapeLayer : public Layer {
 public:
  const graphics::Path& path() const { return path_; }
  void setPath(const graphics::Path& path) { path_ = path; }
  std::optional<Color> fillColor() const { return fill_; }
  void setFillColor(std::optional<Color> c) { fill_ = c; }
  std::optional<Color> strokeColor() const { return stroke_; }
  void setStrokeColor(std::optional<Color> c) { stroke_ = c; }
  double lineWidth() const { return lineWidth_; }
  void setLineWidth(double w) { lineWidth_ = w > 0 ? w : 0; }
  const std::vector<double>& lineDashPattern() const { return dash_; }
  void setLineDashPattern(std::vector<double> dash) { dash_ = std::move(dash); }
  double lineDashPhase() const { return dashPhase_; }
  void setLineDashPhase(double phase) { dashPhase_ = phase; }
  graphics::LineCap lineCap() const { return cap_; }
  void setLineCap(graphics::LineCap cap) { cap_ = cap; }
  graphics::LineJoin lineJoin() const { return join_; }
  void setLineJoin(graphics::LineJoin join) { join_ = join; }
  bool evenOddFill() const { return evenOdd_; }
  void setEvenOddFill(bool evenOdd) { evenOdd_ = evenOdd; }

  // Adds "path", "fillColor", "strokeColor" and "lineWidth" to the layer's animatable keys.
  std::optional<AnimatableValue> animatableValue(const std::string& keyPath) const override;

 protected:
  ShapeLayer() = default;
  void drawInContext(Context& context) override;
  void setShownValue(const std::string& keyPath, const AnimatableValue& value) override;

 private:
  graphics::Path path_;
  std::optional<Color> fill_ = Color::blackColor();
  std::optional<Color> stroke_;
  double lineWidth_ = 1;
  std::vector<double> dash_;
  double dashPhase_ = 0;
  graphics::LineCap cap_ = graphics::LineCap::Butt;
  graphics::LineJoin join_ = graphics::LineJoin::Miter;
  bool evenOdd_ = false;
};

}  // namespace platform::ui
