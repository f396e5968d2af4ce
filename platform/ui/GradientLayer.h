#pragma once

#include <vector>

#include "platform/ui/Layer.h"

namespace platform::ui {

// A layer filled with a linear gradient between two points given in unit coordinates of its bounds
// (0,0 top left to 1,1 bottom right); top to bottom unless set otherwise.
class GradientLayer : public Layer {
 public:
  const std::vector<Color>& colors() const { return colors_; }
  void setColors(std::vector<Color> colors) { colors_ = std::move(colors); }
  const std::vector<double>& locations() const { return locations_; }
  void setLocations(std::vector<double> locations) { locations_ = std::move(locations); }
  Point startPoint() const { return start_; }
  void setStartPoint(Point p) { start_ = p; }
  Point endPoint() const { return end_; }
  void setEndPoint(Point p) { end_ = p; }

 protected:
  GradientLayer() = default;
  void drawInContext(Context& context) override;

 private:
  std::vector<Color> colors_;
  std::vector<double> locations_;
  Point start_{0.5, 0};
  Point end_{0.5, 1};
};

}  // namespace platform::ui
