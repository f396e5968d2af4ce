#pragma once

#include <cstdint>

namespace app::model {

// A colour as the app stores and passes it: red, green and blue from 0 to 1 with an alpha. Stored form is
// one signed 32-bit code 0xRRGGBB: each component times 255, truncated toward zero; decoding divides each
// byte by 255 and gives alpha 1. The drawing layer turns this into its own colour type.
struct StoredColor {
  double red = 0.0;
  double green = 0.0;
  double blue = 0.0;
  double alpha = 0.0;

  // The colour code of this colour. Components outside 0..1 (or not numbers) are held to that range
  // first, so the code never spills into a neighbouring byte.
  int32_t colorCode() const;
  static StoredColor fromColorCode(int32_t code);

  // The frame-guide colour a first start gives the standard packages; its code is 0xFC3E30.
  static StoredColor defaultFrameGuideColor();
  // The colour of packages built from selections or fixed values: pure blue.
  static StoredColor blueColor();

  bool operator==(const StoredColor&) const = default;
};

}  // namespace app::model

