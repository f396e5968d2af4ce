#pragma once

#include <string>

namespace app::model {

// One crop: an aspect ratio cut out of a native format. Crops are the rows of the frame-guide table read
// for one format. Crop id 1 means no crop.
struct Crop {
  int cropID = 0;
  int formatID = 0;     // the format the crop list was read for
  int customType = 0;   // 1 for a crop the user made
  float sortValue = 0.0f;
  float value = 0.0f;   // width / height
  std::string aspectRatio;  // "1.85:1", "16:9": see FrameGuide::ratioText
};

}  // namespace app::model

