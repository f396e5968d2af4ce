#pragma once

#include <memory>

#include "app/model/CameraPackage.h"
#include "platform/graphics/Color.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"

namespace app::pages {

// One package's titles and sizes on the sensors and coverage pages: a group with the extraction and the
// recording area, shown when a crop is chosen, and a group with the recording area alone, shown otherwise.
class FormatLabelGroups {
 public:
  // Sizes as "24.89mm x 18.66mm" (sensors page) or as diagonals "Ø 31.11mm" (coverage page).
  enum class Sizes { Dimensions, Diagonals };

  FormatLabelGroups(const platform::graphics::Color& titleColor, platform::ui::TextAlignment alignment);
  void addTo(platform::ui::View& parent);
  // Stacks the shown group's labels from the top of `area`.
  void layout(const platform::ui::Rect& area);
  void update(const model::CameraPackage& package, Sizes sizes);

  std::shared_ptr<platform::ui::View> withExtractionView, onlyRecAreaView;
  std::shared_ptr<platform::ui::Label> extractionLabel, extractionSensorSizeLabel, recordingAreaLabel,
      recordingAreaSensorSizeLabel, onlyRecAreaLabel, onlyRecAreaSensorLabel;
};

}  // namespace app::pages

