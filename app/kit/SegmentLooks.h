#pragma once

#include <memory>
#include <string>

#include "platform/ui/Button.h"
#include "platform/ui/ShapeLayer.h"

namespace app::kit {

// The looks the two- and three-way selectors share: a segment pressed, chosen or not chosen, and the
// mask that rounds the first segment's outer corners.

std::shared_ptr<platform::ui::Button> makeSegmentButton(const std::string& title);
// Over 0.05 s: light blue with a white title, until a select operation repaints it.
void showSegmentPressed(platform::ui::Button& segment);
void showSegmentChosen(platform::ui::Button& segment);
void showSegmentNotChosen(platform::ui::Button& segment);
// The selector's bounds with the left corners rounded (6 points); applied to the first segment's layer.
std::shared_ptr<platform::ui::ShapeLayer> firstSegmentMask(const platform::ui::Rect& selectorBounds);
// Lays the segments side by side in equal widths over `bounds`.
void layOutSegments(const platform::ui::Rect& bounds, std::initializer_list<platform::ui::Button*> segments);

}  // namespace app::kit

