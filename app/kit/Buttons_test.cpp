// The styled button, the framed button and the two selectors, in both themes.
#include <gtest/gtest.h>

#include "app/kit/CustomRadioButtonView.h"
#include "app/kit/CustomThreeWayButton.h"
#include "app/kit/KitTestSupport.h"
#include "app/kit/UIConstants.h"
#include "app/kit/CustomButton.h"
#include "app/kit/TextButton.h"
#include "platform/shell/ViewTreeDump.h"
#include "platform/ui/Window.h"

namespace app::kit {

namespace {

using ostrel::testing::bytes;
using ostrel::testing::KitTestEnvironment;
using ostrel::testing::Rgb;
using platform::graphics::Color;
using platform::shell::ViewTreeDump;
using platform::ui::ControlState;
using platform::ui::make;
using platform::ui::Rect;

constexpr Rgb kBlue{0, 180, 248};
constexpr Rgb kBlueHigh{51, 199, 255};

Rgb colourAt(const platform::graphics::AttributedString& text, size_t index) {
  return bytes(*text.attributesAt(index).foregroundColor);
}

class ButtonsTest : public ::testing::TestWithParam<bool> {
 protected:
  ButtonsTest() { KitTestEnvironment::setDarkMode(dark); }
  bool dark = GetParam();
  Rgb themeText() const { return dark ? Rgb{255, 255, 255} : Rgb{0, 0, 0}; }
  KitTestEnvironment env;
};

TEST_P(ButtonsTest, TheFiveTypesOfTheTextButton) {
  struct Case {
    int type;
    Rgb normal, high;
    double size;
  };
  const Case cases[] = {
      {0, themeText(), kBlue, 10},
      {1, kBlueHigh, {255, 255, 255}, 12},
      {2, dark ? kBlueHigh : kBlue, themeText(), 12},
      {3, {255, 255, 255}, kBlue, 10},
      {4, dark ? kBlueHigh : kBlue, themeText(), 10},
      {7, themeText(), kBlue, 10},
      {-1, themeText(), kBlue, 10},
  };
  for (const auto& c : cases) {
    auto button = make<TextButton>();
    button->styleButtonWithString("LENS", c.type);
    const auto normal = *button->attributedTitleForState(ControlState::Normal);
    const auto high = *button->attributedTitleForState(ControlState::Highlighted);
    EXPECT_EQ(colourAt(normal, 0), c.normal) << "type " << c.type;
    EXPECT_EQ(colourAt(high, 3), c.high) << "type " << c.type;
    EXPECT_EQ(normal.attributesAt(2).kern, 1.5);
    EXPECT_EQ(button->titleLabel()->font().pointSize(), c.size) << "type " << c.type;
    EXPECT_EQ(button->titleLabel()->font().fontName(), "Avenir-Heavy");

    // New text keeps the type's colours but always shrinks to 10.
    button->changeTextwithString("ZOOM");
    EXPECT_EQ(button->currentTitle(), "ZOOM");
    EXPECT_EQ(colourAt(*button->attributedTitleForState(ControlState::Normal), 0), c.normal);
    EXPECT_EQ(button->titleLabel()->font().pointSize(), 10);
  }
}

TEST_P(ButtonsTest, FilterAndLensMatchLooks) {
  auto button = make<TextButton>();
  button->styleButtonWithString("PRIMES", 1);
  button->setFilterSelected();
  EXPECT_EQ(colourAt(*button->attributedTitleForState(ControlState::Normal), 0), (Rgb{255, 255, 255}));
  button->setFilterNotSelected();
  EXPECT_EQ(colourAt(*button->attributedTitleForState(ControlState::Normal), 0), themeText());
  EXPECT_EQ(colourAt(*button->attributedTitleForState(ControlState::Highlighted), 0), kBlue);
  button->greyedOut();
  EXPECT_EQ(colourAt(*button->attributedTitleForState(ControlState::Normal), 0),
            dark ? (Rgb{170, 170, 170}) : (Rgb{85, 85, 85}));
  button->lensMatchActive();
  EXPECT_EQ(colourAt(*button->attributedTitleForState(ControlState::Highlighted), 0), themeText());
  EXPECT_EQ(button->currentTitle(), "PRIMES");
}

TEST(KerningTest, ALeadingPlusIsBlueOnlyInTheNormalTitle) {
  KitTestEnvironment env;
  const Color red = Color::redColor();
  const auto plus = TextButton::kerningNormal("+ ADD", red);
  EXPECT_EQ(colourAt(plus, 0), kBlue);
  EXPECT_EQ(colourAt(plus, 1), (Rgb{255, 0, 0}));
  EXPECT_EQ(colourAt(plus, 4), (Rgb{255, 0, 0}));
  EXPECT_EQ(colourAt(TextButton::kerningHigh("+ ADD", red), 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(colourAt(TextButton::kerningNormal("A+", red), 1), (Rgb{255, 0, 0}));
  EXPECT_TRUE(TextButton::kerningNormal("", red).empty());
}

// The blue "+" is really drawn blue, and the rest of the title is not.
TEST_P(ButtonsTest, ThePlusSignIsDrawnBlue) {
  auto button = make<TextButton>(Rect{0, 0, 120, 30});
  button->styleButtonWithString("+ NEW", 3);
  button->setBackgroundColor(dark ? Color::blackColor() : Color::withWhite(0.3));
  auto image = platform::ui::Renderer::render(*button, 3);
  int bluePixels = 0, blueRight = 0;
  for (int y = 0; y < image->pixelHeight(); ++y) {
    for (int x = 0; x < image->pixelWidth(); ++x) {
      const Rgb p = bytes(image->pixel(x, y));
      const bool blue = p.b > 200 && p.r < 60 && p.g > 140 && p.g < 210;
      bluePixels += blue;
      blueRight += blue && x > image->pixelWidth() / 2;
    }
  }
  EXPECT_GT(bluePixels, 6);
  EXPECT_EQ(blueRight, 0);
}

class FramedButtonTest : public ButtonsTest {
 protected:
  void SetUp() override {
    window = make<platform::ui::Window>();
    framed = make<CustomButton>(Rect{50, 100, 200, 44});
    window->addSubview(framed);
    framed->styleCustomButtonBlue();
    framed->styleCustomButtonWithString("SAVE", 0);
  }
  std::string outlineBackground() {
    return ViewTreeDump::describe(*framed->buttonOutline())["backgroundColor"].toString();
  }
  std::shared_ptr<platform::ui::Window> window;
  std::shared_ptr<CustomButton> framed;
};

TEST_P(FramedButtonTest, PressingShowsThePressedLookAndDraggingOffRestoresTheRestingOne) {
  int presses = 0;
  framed->button()->addTarget(nullptr, "pressed", platform::ui::ControlEvent::TouchUpInside,
                              [&](platform::ui::Control&) { ++presses; });
  EXPECT_EQ(outlineBackground(), "#00A9E9");
  window->touchDown({150, 120});
  env.advance(0.1);
  EXPECT_EQ(outlineBackground(), "#33C7FF");
  EXPECT_EQ(bytes(framed->buttonOutline()->layer().borderColor()), kBlueHigh);
  window->touchMove({150, 400});
  window->touchUp({150, 400});
  EXPECT_EQ(outlineBackground(), "#00A9E9");
  EXPECT_EQ(presses, 0);
  const auto outline = framed->buttonOutline();
  EXPECT_EQ(outline->layer().cornerRadius(), 6);
  EXPECT_EQ(outline->layer().borderWidth(), 1);
}

TEST_P(FramedButtonTest, OutlineStylesRestOnClear) {
  framed->styleCustomButtonGreyOutline();
  EXPECT_EQ(outlineBackground(), "#00000000");
  EXPECT_EQ(bytes(framed->buttonOutline()->layer().borderColor()), (Rgb{128, 128, 128}));
  framed->buttonHighlighted();
  EXPECT_EQ(outlineBackground(), "#00B4F8");
  framed->styleCustomButtonBlueOutline();
  EXPECT_EQ(bytes(framed->buttonOutline()->layer().borderColor()), (Rgb{0, 169, 233}));
}

TEST_P(ButtonsTest, RadioFlagsAndLooks) {
  auto radio = make<CustomRadioButtonView>(Rect{0, 0, 120, 40});
  EXPECT_FALSE(radio->yesIsSelected());
  EXPECT_FALSE(radio->noIsSelected());
  EXPECT_EQ(radio->yesBtn()->currentTitle(), "YES");
  radio->yesSelected();
  radio->noSelected();
  EXPECT_TRUE(radio->noIsSelected());
  EXPECT_FALSE(radio->yesIsSelected());
  EXPECT_EQ(bytes(*radio->noBtn()->backgroundColor()), kBlue);
  EXPECT_EQ(bytes(*radio->yesBtn()->backgroundColor()), dark ? (Rgb{75, 75, 75}) : (Rgb{190, 190, 190}));
  EXPECT_EQ(bytes(radio->yesBtn()->currentTitleColor()), dark ? (Rgb{128, 128, 128}) : (Rgb{240, 240, 240}));

  // A press paints the segment light blue until the screen repaints the saved state.
  radio->yesBtn()->sendActionsForControlEvents(platform::ui::ControlEvent::TouchDown);
  EXPECT_EQ(bytes(*radio->yesBtn()->backgroundColor()), kBlueHigh);
  radio->noSelected();
  EXPECT_EQ(bytes(*radio->yesBtn()->backgroundColor()), dark ? (Rgb{75, 75, 75}) : (Rgb{190, 190, 190}));
}

// Only the outer corners of the first segment are cut round; the rest of the selector is square.
TEST_P(ButtonsTest, TheFirstSegmentHasRoundedOuterCorners) {
  auto radio = make<CustomRadioButtonView>(Rect{0, 0, 120, 40});
  radio->yesSelected();
  auto three = make<CustomThreeWayButton>(Rect{0, 0, 150, 40});
  three->firstBtnSelected();
  for (platform::ui::View* selector : {static_cast<platform::ui::View*>(radio.get()),
                                       static_cast<platform::ui::View*>(three.get())}) {
    auto image = KitTestEnvironment::render(*selector);
    const int w = image->pixelWidth(), h = image->pixelHeight();
    EXPECT_LT(image->pixel(0, 0).alpha(), 0.1);
    EXPECT_LT(image->pixel(0, h - 1).alpha(), 0.1);
    EXPECT_EQ(bytes(image->pixel(3, h / 2)), kBlue);
    EXPECT_EQ(bytes(image->pixel(w / 3 - 1, 0)), kBlue);        // the first segment's inner corner
    EXPECT_GT(image->pixel(w - 1, 0).alpha(), 0.9);             // the last segment's corners
    EXPECT_GT(image->pixel(w - 1, h - 1).alpha(), 0.9);
  }
}

TEST_P(ButtonsTest, ThreeWayPaintsExactlyOneSegmentChosen) {
  auto three = make<CustomThreeWayButton>(Rect{0, 0, 150, 40});
  three->secondBtnSelected();
  EXPECT_EQ(bytes(*three->secondBtn()->backgroundColor()), kBlue);
  EXPECT_EQ(bytes(three->secondBtn()->currentTitleColor()), (Rgb{255, 255, 255}));
  EXPECT_NE(bytes(*three->firstBtn()->backgroundColor()), kBlue);
  EXPECT_NE(bytes(*three->thirdBtn()->backgroundColor()), kBlue);
  three->thirdBtnHighlighted();
  EXPECT_EQ(bytes(*three->thirdBtn()->backgroundColor()), kBlueHigh);
}

INSTANTIATE_TEST_SUITE_P(LightAndDark, ButtonsTest, ::testing::Bool());
INSTANTIATE_TEST_SUITE_P(LightAndDark, FramedButtonTest, ::testing::Bool());

}  // namespace

}  // namespace app::kit

