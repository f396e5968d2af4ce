#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/kit/SettingsButton.h"
#include "app/kit/CustomButton.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/PanGestureRecognizer.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "platform/ui/ViewController.h"

namespace app::kit {

// A full-screen colour chooser in hue, saturation and brightness: a square grid with a chooser mark, a
// strip for the third component, three mode buttons, the old and the new swatch, back and DONE. The
// grid and the strip work in a fixed space of 264 units whatever their size on screen. Nothing in the
// app presents it yet, and DONE stores nothing: the chosen colour stays in currentUIColor.
class HSBColorPickerViewController : public platform::ui::ViewController {
 public:
  using Color = platform::graphics::Color;
  using Point = platform::ui::Point;
  static constexpr double kUnits = 264;

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidLayoutSubviews();

  void initSliderView();
  void bindUI();
  void backButtonPressed();
  void doneBtnPressed();
  void radioSelectHue();
  void radioSelectSaturation();
  void radioSelectBrightness();
  void touchInGrid(platform::ui::GestureRecognizer& tap);
  void touchInSlider(platform::ui::GestureRecognizer& tap);
  void moveSlider(platform::ui::PanGestureRecognizer& pan);
  void moveColorChooser(platform::ui::PanGestureRecognizer& pan);
  bool hitTestCircle(Point point) const;
  void setNewColor();
  void changeColorPickerColorFromBGColor(const Color& color);
  void setSliderIndicator();
  void setHUESliderAndGrid();
  void setBRIGHTNESSSliderAndGrid();
  void setSATURATIONSliderAndGrid();
  void setPickerPositions(const Color& color);
  static Color getUIColorFromInt(int32_t code) { return Color::fromCode(code); }
  static int32_t colorCodeFromColor(const Color& color) { return color.code(); }
  void saveColor();
  // The screen keeps every edge's swipes for itself and hides the home indicator.
  static constexpr unsigned preferredScreenEdgesDeferringSystemGestures() { return 15; }
  static constexpr bool prefersHomeIndicatorAutoHidden() { return true; }

  // Set by the screen that shows the picker, before it appears.
  std::optional<Color> oldAppColor;
  int32_t colorPickerModus = 0;

  // State, for the screen around it and for checks.
  int32_t radioHSB() const { return radioHSB_; }
  float sliderPosition() const { return sliderPosition_; }
  Point chooserCenter() const { return chooserCenter_; }
  Color currentUIColor() const { return currentUIColor_; }
  Color oldUIColor() const { return oldUIColor_; }
  int32_t colorPickerDarkMode() const { return colorPickerDarkMode_; }
  // "cp_position_white" or "cp_position_black": the chooser mark shown.
  const std::string& chooserMarkName() const { return chooserMarkName_; }

  const std::shared_ptr<platform::ui::Button>& backBtn() const { return backBtn_; }
  const std::shared_ptr<CustomButton>& doneBtn() const { return doneBtn_; }
  const std::shared_ptr<SettingsButton>& radioHue() const { return radioHue_; }
  const std::shared_ptr<SettingsButton>& radioSaturation() const { return radioSaturation_; }
  const std::shared_ptr<SettingsButton>& radioBrightness() const { return radioBrightness_; }
  const std::shared_ptr<platform::ui::ImageView>& sliderView() const { return sliderView_; }
  const std::shared_ptr<platform::ui::ImageView>& colorGridView() const { return colorGridView_; }
  const std::shared_ptr<platform::ui::View>& oldColor() const { return oldColor_; }
  const std::shared_ptr<platform::ui::View>& currentColor() const { return currentColor_; }
  const std::shared_ptr<platform::ui::Button>& resetColorBtn() const { return resetColorBtn_; }
  const std::shared_ptr<platform::ui::ImageView>& sliderImage() const { return sliderImage_; }
  const std::shared_ptr<platform::ui::ImageView>& colorPicker() const { return colorPicker_; }
  platform::ui::LayoutConstraint& colorSliderindicator() { return colorSliderindicator_; }

 protected:
  HSBColorPickerViewController() = default;

 private:
  void selectMode(int32_t mode);
  void sliderMoved();
  void chooserMovedTo(Point pointInGrid);
  void refreshStripForMode();
  void setChooserMark(bool light);
  Color colorForCurrentMode() const;

  int32_t radioHSB_ = 0;
  float sliderPosition_ = 0;
  Point chooserCenter_{};
  Color currentUIColor_;
  Color oldUIColor_;
  int32_t colorPickerDarkMode_ = 1;
  std::string chooserMarkName_ = "cp_position_black";
  bool gesturesAdded_ = false;

  std::shared_ptr<platform::ui::Button> backBtn_;
  std::shared_ptr<CustomButton> doneBtn_;
  std::shared_ptr<SettingsButton> radioHue_, radioSaturation_, radioBrightness_;
  std::shared_ptr<platform::ui::ImageView> sliderView_, colorGridView_, sliderImage_, colorPicker_;
  std::shared_ptr<platform::ui::View> oldColor_, currentColor_;
  std::shared_ptr<platform::ui::Button> resetColorBtn_;
  platform::ui::LayoutConstraint colorSliderindicator_;
};

// A plain wrapper screen: it leaves as soon as it is shown a second time.
class ColorPickerViewController : public platform::ui::ViewController {
 public:
  void viewDidLoad() override;
  void viewDidAppear(bool animated) override;
  void back2Prefs();
  void setColor(const platform::graphics::Color&) {}
  bool firstStart() const { return firstStart_; }
  int32_t pickercolor = 0;

 protected:
  ColorPickerViewController() = default;

 private:
  bool firstStart_ = false;
};

}  // namespace app::kit

