#pragma once

#include <vector>

#include "platform/graphics/Color.h"

namespace platform::graphics {

// Colour stops of a linear gradient. Without locations the colours are spread evenly from 0 to 1.
struct Gradient {
  std::vector<Color> colors;
  std::vector<double> locations;

  // Whether the end colours continue past the start and end points.
  enum Options : unsigned { DrawsBeforeStart = 1, DrawsAfterEnd = 2 };

  double locationAt(size_t i) const {
    if (i < locations.size()) return locations[i];
    return colors.size() > 1 ? static_cast<double>(i) / (colors.size() - 1) : 0;
  }
};

}  // namespace platform::graphics
