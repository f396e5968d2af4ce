#pragma once

#include <cstdint>

namespace app::state {

// The user's settings. A new record holds NO and 0 everywhere; FramesObject::loadPrefs sets the
// defaults and then the stored values.
struct FramesSettings {
  bool snap = false;              // scroll bars snap to their marks
  bool hapticFeedback = false;    // scroll bars tick on each mark
  int32_t colorTheme = 0;         // 0 dark, 1 light, 2 follow the system
  int32_t measurementSystem = 0;  // 0 metric, 1 imperial
  int32_t lensMatchType = 0;      // 0 match widths, 1 match heights
  int32_t cocFactor = 0;          // circle of confusion = format diagonal / cocFactor
};

}  // namespace app::state

