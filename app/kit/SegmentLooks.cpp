#include "app/kit/SegmentLooks.h"

#include "app/kit/UIConstants.h"

namespace app::kit {

using platform::graphics::Color;
using platform::ui::ControlState;

std::shared_ptr<platform::ui::Button> makeSegmentButton(const std::string& title) {
  auto segment = platform::ui::make<platform::ui::Button>(platform::ui::ButtonType::Custom);
  segment->setTitle(title);
  segment->titleLabel()->setFont(UIConstants::heavyFontWithSize(11));
  segment->setBackgroundColor(UIConstants::greyButtons());
  segment->setTitleColor(UIConstants::greyButtonsText(), ControlState::Normal);
  return segment;
}

void showSegmentPressed(platform::ui::Button& segment) {
  platform::ui::View::animate(0.05, 0, platform::ui::AnimationOptionCurveEaseOut, [&segment] {
    segment.setBackgroundColor(UIConstants::blueHigh());
    segment.setTitleColor(Color::whiteColor(), ControlState::Normal);
  });
}

void showSegmentChosen(platform::ui::Button& segment) {
  segment.setBackgroundColor(UIConstants::blue());
  segment.setTitleColor(Color::whiteColor(), ControlState::Normal);
}

void showSegmentNotChosen(platform::ui::Button& segment) {
  segment.setBackgroundColor(UIConstants::greyButtons());
  segment.setTitleColor(UIConstants::greyButtonsText(), ControlState::Normal);
}

std::shared_ptr<platform::ui::ShapeLayer> firstSegmentMask(const platform::ui::Rect& selectorBounds) {
  auto mask = platform::ui::make<platform::ui::ShapeLayer>();
  mask->setPath(platform::graphics::Path::roundedRect(
      selectorBounds, platform::graphics::TopLeft | platform::graphics::BottomLeft, {6, 6}));
  return mask;
}

void layOutSegments(const platform::ui::Rect& bounds, std::initializer_list<platform::ui::Button*> segments) {
  const double width = bounds.size.width / static_cast<double>(segments.size());
  double x = bounds.origin.x;
  for (auto* segment : segments) {
    segment->setFrame({x, bounds.origin.y, width, bounds.size.height});
    x += width;
  }
}

}  // namespace app::kit

