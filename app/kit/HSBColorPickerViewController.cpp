#include "app/kit/HSBColorPickerViewController.h"

#include <functional>

#include "app/kit/ColorBrightnessUtil.h"
#include "app/kit/ColorPickerUtil.h"
#include "app/kit/UIConstants.h"
#include "app/state/FramesObject.h"
#include "platform/graphics/Context.h"
#include "platform/ui/LocalizedStrings.h"
#include "platform/ui/NavigationController.h"

using platform::graphics::Color;
using platform::ui::ControlEvent;
using platform::ui::make;
using platform::ui::Point;
using platform::ui::Rect;
using platform::ui::View;

namespace app::kit {

namespace {

constexpr double kUnits = HSBColorPickerViewController::kUnits;

// The root view tells its screen after every layout pass, as the screen's layout hook.
class PickerRootView : public View {
 public:
  std::function<void()> didLayout;

 protected:
  using View::View;
  void layoutSubviews() override {
    if (didLayout) didLayout();
  }
};

// The chooser mark: a ring, light to stand out on dark colours, dark on light ones.
std::shared_ptr<platform::graphics::Image> chooserMark(bool light) {
  auto context = platform::graphics::BitmapContext::create({24, 24}, 2);
  context->setStrokeColor(light ? Color::whiteColor() : Color::blackColor());
  context->setLineWidth(2.5);
  context->addEllipse({3, 3, 18, 18});
  context->strokePath();
  return context->makeImage();
}

std::shared_ptr<platform::graphics::Image> sliderMark() {
  auto context = platform::graphics::BitmapContext::create({60, 6}, 2);
  context->setFillColor(Color::whiteColor());
  context->addRect({0, 0, 60, 6});
  context->fillPath();
  context->setStrokeColor(Color::blackColor());
  context->setLineWidth(1);
  context->addRect({0.5, 0.5, 59, 5});
  context->strokePath();
  return context->makeImage();
}

std::shared_ptr<SettingsButton> modeButton(const char* title, const Rect& frame) {
  auto button = make<SettingsButton>(frame);
  button->setBackgroundColor(Color::clearColor());
  button->styleCustomButtonBlue();
  button->button()->setTitle(platform::ui::LocalizedStrings::localizedString(title));
  return button;
}

void popScreen(platform::ui::ViewController& screen) {
  if (auto* navigation = screen.navigationController()) navigation->popViewControllerAnimated(true);
}

}  // namespace

void HSBColorPickerViewController::loadView() {
  auto root = make<PickerRootView>(Rect{0, 0, 390, 844});
  root->setBackgroundColor(UIConstants::primaryBG());
  std::weak_ptr<platform::runtime::Object> weakSelf = weak_from_this();
  root->didLayout = [weakSelf] {
    if (auto self = std::static_pointer_cast<HSBColorPickerViewController>(weakSelf.lock())) {
      self->viewDidLayoutSubviews();
    }
  };
  backBtn_ = make<platform::ui::Button>(platform::ui::ButtonType::System, Rect{10, 50, 70, 40});
  backBtn_->setTitle(platform::ui::LocalizedStrings::localizedString("BACK"));
  doneBtn_ = make<CustomButton>(Rect{290, 52, 90, 36});
  colorGridView_ = make<platform::ui::ImageView>(Rect{20, 110, 280, 280});
  colorGridView_->setUserInteractionEnabled(true);
  sliderView_ = make<platform::ui::ImageView>(Rect{320, 110, 50, 280});
  sliderView_->setUserInteractionEnabled(true);
  sliderImage_ = make<platform::ui::ImageView>(sliderMark());
  sliderImage_->setBounds({0, 0, 60, 6});
  colorPicker_ = make<platform::ui::ImageView>(chooserMark(false));
  colorPicker_->setBounds({0, 0, 24, 24});
  colorGridView_->addSubview(colorPicker_);
  oldColor_ = make<View>(Rect{20, 410, 140, 40});
  currentColor_ = make<View>(Rect{160, 410, 140, 40});
  resetColorBtn_ = make<platform::ui::Button>(platform::ui::ButtonType::System, Rect{320, 410, 50, 40});
  radioHue_ = modeButton("HUE", {20, 480, 110, 36});
  radioSaturation_ = modeButton("SATURATION", {140, 480, 110, 36});
  radioBrightness_ = modeButton("BRIGHTNESS", {260, 480, 110, 36});
  for (const std::shared_ptr<View>& view :
       std::initializer_list<std::shared_ptr<View>>{backBtn_, doneBtn_, colorGridView_, sliderView_, sliderImage_,
                                                    oldColor_, currentColor_, resetColorBtn_, radioHue_,
                                                    radioSaturation_, radioBrightness_}) {
    root->addSubview(view);
  }
  setView(root);
}

void HSBColorPickerViewController::viewDidLoad() {
  currentUIColor_ = oldAppColor.value_or(UIConstants::blue());
  radioSelectHue();
  colorPickerDarkMode_ = 1;
  doneBtn_->setBackgroundColor(Color::clearColor());
  doneBtn_->styleCustomButtonWithString(platform::ui::LocalizedStrings::localizedString("DONE"), 1);
  doneBtn_->button()->addTarget(this, &HSBColorPickerViewController::doneBtnPressed, ControlEvent::TouchUpInside);
  radioHue_->button()->addTarget(this, &HSBColorPickerViewController::radioSelectHue, ControlEvent::TouchUpInside);
  radioBrightness_->button()->addTarget(this, &HSBColorPickerViewController::radioSelectBrightness,
                                        ControlEvent::TouchUpInside);
  radioSaturation_->button()->addTarget(this, &HSBColorPickerViewController::radioSelectSaturation,
                                        ControlEvent::TouchUpInside);
  radioHue_->buttonSelected();
  radioSaturation_->buttonNotSelected();
  radioBrightness_->buttonNotSelected();
}

void HSBColorPickerViewController::viewWillAppear(bool animated) {
  // Without a colour from the screen that shows it, the picker starts from the app's blue.
  oldUIColor_ = currentUIColor_ = oldAppColor.value_or(UIConstants::blue());
  oldColor_->setBackgroundColor(oldUIColor_);
  currentColor_->setBackgroundColor(currentUIColor_);
  setPickerPositions(oldUIColor_);
  initSliderView();
  bindUI();
}

void HSBColorPickerViewController::viewDidLayoutSubviews() { setPickerPositions(currentUIColor_); }

void HSBColorPickerViewController::initSliderView() {
  sliderView_->setImage(ColorPickerUtil::getColorGridSlider4HUE());
  colorGridView_->setImage(ColorPickerUtil::getColorGrid4HUE(static_cast<float>(sliderPosition_ / kUnits)));
  // Each appearance would add another set of recognisers, and every pan would then move twice.
  if (gesturesAdded_) return;
  gesturesAdded_ = true;
  std::weak_ptr<platform::runtime::Object> weakSelf = weak_from_this();
  auto self = [weakSelf] { return std::static_pointer_cast<HSBColorPickerViewController>(weakSelf.lock()); };
  auto stripPan = make<platform::ui::PanGestureRecognizer>();
  stripPan->addTarget(nullptr, "moveSlider", [self](platform::ui::GestureRecognizer& g) {
    if (auto s = self()) s->moveSlider(static_cast<platform::ui::PanGestureRecognizer&>(g));
  });
  auto stripTap = make<platform::ui::TapGestureRecognizer>();
  stripTap->addTarget(nullptr, "touchInSlider", [self](platform::ui::GestureRecognizer& g) {
    if (auto s = self()) s->touchInSlider(g);
  });
  auto gridPan = make<platform::ui::PanGestureRecognizer>();
  gridPan->addTarget(nullptr, "moveColorChooser", [self](platform::ui::GestureRecognizer& g) {
    if (auto s = self()) s->moveColorChooser(static_cast<platform::ui::PanGestureRecognizer&>(g));
  });
  auto gridTap = make<platform::ui::TapGestureRecognizer>();
  gridTap->addTarget(nullptr, "touchInGrid", [self](platform::ui::GestureRecognizer& g) {
    if (auto s = self()) s->touchInGrid(g);
  });
  sliderView_->addGestureRecognizer(stripPan);
  sliderView_->addGestureRecognizer(stripTap);
  colorGridView_->addGestureRecognizer(gridPan);
  colorGridView_->addGestureRecognizer(gridTap);
}

void HSBColorPickerViewController::bindUI() {
  backBtn_->addTarget(this, &HSBColorPickerViewController::backButtonPressed, ControlEvent::TouchUpInside);
}

void HSBColorPickerViewController::backButtonPressed() { popScreen(*this); }

void HSBColorPickerViewController::doneBtnPressed() {
  doneBtn_->buttonNotHighlighted();
  saveColor();
  popScreen(*this);
}

// Where a picked colour is to be kept is not decided yet: DONE reaches the app state and writes nothing.
void HSBColorPickerViewController::saveColor() { (void)state::FramesObject::getSingleton(); }

void HSBColorPickerViewController::selectMode(int32_t mode) {
  radioHSB_ = mode;
  const std::shared_ptr<SettingsButton> buttons[] = {radioHue_, radioSaturation_, radioBrightness_};
  for (int i = 0; i < 3; ++i) {
    if (i == mode) {
      buttons[i]->buttonSelected();
    } else {
      buttons[i]->buttonNotSelected();
    }
  }
  setPickerPositions(currentUIColor_);
  if (mode == 0) setHUESliderAndGrid();
  if (mode == 1) setSATURATIONSliderAndGrid();
  if (mode == 2) setBRIGHTNESSSliderAndGrid();
  changeColorPickerColorFromBGColor(currentUIColor_);
}

void HSBColorPickerViewController::radioSelectHue() { selectMode(0); }
void HSBColorPickerViewController::radioSelectSaturation() { selectMode(1); }
void HSBColorPickerViewController::radioSelectBrightness() { selectMode(2); }

void HSBColorPickerViewController::setHUESliderAndGrid() {
  sliderView_->setImage(ColorPickerUtil::getColorGridSlider4HUE());
  colorGridView_->setImage(ColorPickerUtil::getColorGrid4HUE(static_cast<float>(sliderPosition_ / kUnits)));
}

void HSBColorPickerViewController::setSATURATIONSliderAndGrid() {
  sliderView_->setImage(ColorPickerUtil::getColorGridSlider4Saturation(currentUIColor_));
  colorGridView_->setImage(
      ColorPickerUtil::getColorGrid4Saturation(static_cast<float>((kUnits - sliderPosition_) / kUnits)));
}

void HSBColorPickerViewController::setBRIGHTNESSSliderAndGrid() {
  sliderView_->setImage(ColorPickerUtil::getColorGridSlider4Brightness(currentUIColor_));
  colorGridView_->setImage(
      ColorPickerUtil::getColorGrid4Brightness(static_cast<float>((kUnits - sliderPosition_) / kUnits)));
}

void HSBColorPickerViewController::setPickerPositions(const Color& color) {
  const auto hsb = color.hsb();
  double p = 0, x = 0, y = 0;
  switch (radioHSB_) {
    case 0: p = hsb.hue * kUnits, x = hsb.saturation * kUnits, y = kUnits - hsb.brightness * kUnits; break;
    case 1: p = (1 - hsb.saturation) * kUnits, x = hsb.hue * kUnits, y = kUnits - hsb.brightness * kUnits; break;
    default: p = (1 - hsb.brightness) * kUnits, x = hsb.hue * kUnits, y = kUnits - hsb.saturation * kUnits; break;
  }
  sliderPosition_ = static_cast<float>(p);
  chooserCenter_ = {static_cast<float>(x), static_cast<float>(y)};
  const double scale = colorGridView_->bounds().size.width / kUnits;
  colorPicker_->setCenter({chooserCenter_.x * scale, chooserCenter_.y * scale});
  setSliderIndicator();
  changeColorPickerColorFromBGColor(currentUIColor_);
}

void HSBColorPickerViewController::setSliderIndicator() {
  const double h = sliderView_->bounds().size.height;
  colorSliderindicator_.setConstant(sliderPosition_ * h / kUnits - h / 2);
  const Rect strip = sliderView_->frame();
  sliderImage_->setCenter({strip.midX(), strip.midY() + colorSliderindicator_.constant()});
}

HSBColorPickerViewController::Color HSBColorPickerViewController::colorForCurrentMode() const {
  const double p = sliderPosition_ / kUnits, x = chooserCenter_.x / kUnits, y = (kUnits - chooserCenter_.y) / kUnits;
  switch (radioHSB_) {
    case 0: return Color::fromHSB(p, x, y);
    case 1: return Color::fromHSB(x, 1 - p, y);
    default: return Color::fromHSB(x, y, 1 - p);
  }
}

void HSBColorPickerViewController::setNewColor() {
  switch (radioHSB_) {
    case 0: colorGridView_->setImage(ColorPickerUtil::getColorGrid4HUE(static_cast<float>(sliderPosition_ / kUnits))); break;
    case 1:
      colorGridView_->setImage(
          ColorPickerUtil::getColorGrid4Saturation(static_cast<float>((kUnits - sliderPosition_) / kUnits)));
      break;
    default:
      colorGridView_->setImage(
          ColorPickerUtil::getColorGrid4Brightness(static_cast<float>((kUnits - sliderPosition_) / kUnits)));
      break;
  }
  currentUIColor_ = colorForCurrentMode();
  currentColor_->setBackgroundColor(currentUIColor_);
  changeColorPickerColorFromBGColor(currentUIColor_);
}

void HSBColorPickerViewController::setChooserMark(bool light) {
  chooserMarkName_ = light ? "cp_position_white" : "cp_position_black";
  colorPicker_->setImage(chooserMark(light));
}

void HSBColorPickerViewController::changeColorPickerColorFromBGColor(const Color& color) {
  const bool dark = ColorBrightnessUtil::isColorDark(color);
  if (dark && colorPickerDarkMode_ != 0) {
    colorPickerDarkMode_ = 0;
    setChooserMark(true);
  } else if (!dark && colorPickerDarkMode_ == 0) {
    colorPickerDarkMode_ = 1;
    setChooserMark(false);
  }
}

void HSBColorPickerViewController::refreshStripForMode() {
  if (radioHSB_ == 1) sliderView_->setImage(ColorPickerUtil::getColorGridSlider4Saturation(currentUIColor_));
  if (radioHSB_ == 2) sliderView_->setImage(ColorPickerUtil::getColorGridSlider4Brightness(currentUIColor_));
}

void HSBColorPickerViewController::chooserMovedTo(Point pointInGrid) {
  colorPicker_->setCenter(pointInGrid);
  const double scale = kUnits / colorGridView_->bounds().size.width;
  chooserCenter_ = {pointInGrid.x * scale, pointInGrid.y * scale};
}

void HSBColorPickerViewController::touchInGrid(platform::ui::GestureRecognizer& tap) {
  chooserMovedTo(tap.locationInView(colorGridView_.get()));
  setNewColor();
  refreshStripForMode();
}

void HSBColorPickerViewController::moveColorChooser(platform::ui::PanGestureRecognizer& pan) {
  const Point velocity = pan.velocityInView(colorGridView_.get());
  const Point candidate{colorPicker_->center().x + velocity.x / 100, colorPicker_->center().y + velocity.y / 100};
  if (hitTestCircle(candidate)) chooserMovedTo(candidate);
  pan.setTranslation({0, 0}, colorGridView_.get());
  setNewColor();
  refreshStripForMode();
}

bool HSBColorPickerViewController::hitTestCircle(Point point) const {
  return colorGridView_->pointInside(point, nullptr);
}

void HSBColorPickerViewController::touchInSlider(platform::ui::GestureRecognizer& tap) {
  sliderPosition_ = static_cast<float>(tap.locationInView(sliderView_.get()).y * kUnits /
                                       sliderView_->bounds().size.height);
  sliderMoved();
}

void HSBColorPickerViewController::moveSlider(platform::ui::PanGestureRecognizer& pan) {
  const double step = pan.velocityInView(sliderView_.get()).y / 7 * 0.05;
  const double q = sliderPosition_ + step;
  if (q >= 0 && q <= kUnits) {
    sliderPosition_ = static_cast<float>(q);
  } else if (q < 0) {
    sliderPosition_ = 0;
  } else if (!(step + (sliderPosition_ == 0 ? 1 : 0) > kUnits)) {
    sliderPosition_ = static_cast<float>(kUnits);
  }
  pan.setTranslation({0, 0}, sliderView_.get());
  sliderMoved();
}

void HSBColorPickerViewController::sliderMoved() {
  currentUIColor_ = Color::fromHSB(sliderPosition_ / kUnits, chooserCenter_.x / kUnits,
                                   (kUnits - chooserCenter_.y) / kUnits);
  currentColor_->setBackgroundColor(currentUIColor_);
  setSliderIndicator();
  setNewColor();
}

void ColorPickerViewController::viewDidLoad() {
  firstStart_ = true;
  view()->setBackgroundColor(platform::graphics::Color::blackColor());
}

void ColorPickerViewController::viewDidAppear(bool animated) {
  if (firstStart_) {
    firstStart_ = false;
    return;
  }
  popScreen(*this);
}

void ColorPickerViewController::back2Prefs() { popScreen(*this); }

}  // namespace app::kit

