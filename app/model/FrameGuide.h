#pragma once

#include <string>

namespace app::model {

// One frame guide: a framing line of another aspect ratio drawn over the image. Id 1 stands for none.
struct FrameGuide {
  int frameGuideId = 0;
  float width = 0.0f;  // the ratio as two numbers, e.g. 2.39 and 1
  float height = 0.0f;
  int selected = 0;
  int type = 0;  // 1 for a guide the user made

  // "None" for the no-guide row, else the ratio text.
  std::string getListString() const;

  // Width and height each printed with "%g" and joined by ":" (2.39 and 1 give "2.39:1", 16 and 9 give
  // "16:9"). Crops and frame guides share this text.
  static std::string ratioText(float width, float height);
};

}  // namespace app::model

