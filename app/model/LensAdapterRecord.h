#pragma once

#include <string>

namespace app::model {

// One lens adapter (speed booster, tele converter, anamorphic attachment), a row of the adapter catalogue.
struct LensAdapterRecord {
  int adapterId = 0;
  int adapterType = 0;  // 1 for an adapter the user made
  float adapterValueHeight = 0.0f;  // factor on the image height
  float adapterValueWidth = 0.0f;   // factor on the width; 1 / squeeze for an anamorphic adapter
  int selected = 0;
  std::string adapterName;
  std::string comment;

  std::string getListString() const { return adapterName; }
  // Only the width factor decides: an adapter of width 1 is "none" whatever its height factor.
  bool isNoneAdapter() const { return adapterValueWidth == 1.0f; }
  bool isNormalAdapter() const { return !isNoneAdapter(); }
  // The factor label: "0.71x", "1x", or "2x ANA" for an anamorphic adapter (its squeeze, 1 / width).
  std::string displayValue() const;
};

}  // namespace app::model

