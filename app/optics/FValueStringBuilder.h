#pragma once

#include <string>

namespace app::optics {

// The aperture number as the value display shows it: "2.8", "4", "5.6", "11".
class FValueStringBuilder {
 public:
  static std::string fStringFromFloat(float aperture);
};

}  // namespace app::optics

