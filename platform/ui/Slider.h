#pragma once

#include <map>
#include <memory>
#include <optional>

#include "platform/graphics/Image.h"
#include "platform/ui/Control.h"

namespace platform::ui {

// A value between two limits, chosen by dragging a thumb along a track. The track left of the thumb
// is drawn in the minimum track tint, the rest in the maximum track tint. Values are single precision,
// as the screens store them.
class Slider : public Control {
 public:
  static constexpr double kThumbSize = 28;
  static constexpr double kTrackHeight = 4;

  float value() const { return value_; }
  // Clamped to the limits; sends no event (only a finger does).
  void setValue(float value, bool animated = false);
  float minimumValue() const { return minimum_; }
  void setMinimumValue(float minimum);
  float maximumValue() const { return maximum_; }
  void setMaximumValue(float maximum);
  // Continuous sliders report every change while dragged; others once, when the finger lifts.
  bool isContinuous() const { return continuous_; }
  void setContinuous(bool continuous) { continuous_ = continuous; }

  Color minimumTrackTintColor() const { return minimumTint_.value_or(tintColor()); }
  void setMinimumTrackTintColor(std::optional<Color> color);
  Color maximumTrackTintColor() const { return maximumTint_.value_or(Color::withWhite(0.85, 1)); }
  void setMaximumTrackTintColor(std::optional<Color> color);
  Color thumbTintColor() const { return thumbTint_.value_or(Color::whiteColor()); }
  void setThumbTintColor(std::optional<Color> color);
  // A state without its own image uses the normal state's; without any the thumb is a round knob.
  void setThumbImage(std::shared_ptr<graphics::Image> image, ControlState state = ControlState::Normal);
  std::shared_ptr<graphics::Image> thumbImageForState(ControlState state) const;
  std::shared_ptr<graphics::Image> currentThumbImage() const { return thumbImageForState(state()); }

  Rect trackRect() const;
  Rect thumbRect() const;

  // A slider being dragged keeps its drag from the scroll views around it.
  bool allowsRecognizerToTakeTouch(const GestureRecognizer& recognizer) const override;

 protected:
  explicit Slider(const Rect& frame = {});
  void drawRect(const Rect& rect) override;
  bool beginTracking(const Touch& touch, const Event* event) override;
  bool continueTracking(const Touch& touch, const Event* event) override;
  void endTracking(const Touch& touch, const Event* event) override;
  void stateDidChange() override { setNeedsDisplay(); }

 private:
  Size thumbSize() const;
  float valueAt(double x) const;

  float value_ = 0;
  float minimum_ = 0;
  float maximum_ = 1;
  bool continuous_ = true;
  bool draggingThumb_ = false;
  float valueAtStart_ = 0;
  double grabOffset_ = 0;
  std::optional<Color> minimumTint_;
  std::optional<Color> maximumTint_;
  std::optional<Color> thumbTint_;
  std::map<std::uint32_t, std::shared_ptr<graphics::Image>> thumbImages_;
};

}  // namespace platform::ui
