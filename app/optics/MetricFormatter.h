#pragma once

#include <string>

namespace app::optics {

// Metre texts for the metric measurement system, with fewer decimals as the distance grows:
// "0.005m", "1.23m", "12.3m", "26m".
class MetricFormatter {
 public:
  static std::string meterValue(float meters);
};

}  // namespace app::optics

