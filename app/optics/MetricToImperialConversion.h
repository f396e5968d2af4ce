#pragma once

#include <string>
#include <string_view>

namespace app::optics {

// Feet and inches for the imperial measurement system: distances are held in metres everywhere and shown
// or typed as feet-and-inch texts (5', 5'6", 5'6'', 7'').
class MetricToImperialConversion {
 public:
  static constexpr double kFeetPerMeter = 3.2808;

  static float returnFeet(float meters);
  // Reads a typed or catalogue feet-and-inch text; 0 for a text it cannot split (two double quotes).
  static float returnMeters(std::string_view feetInches);
  // "3' 3''", "65'" (inches dropped from 49.5 feet on), "4''", "0.4''", "<0.1''".
  static std::string returnFeetInchesString(float meters);
};

}  // namespace app::optics

