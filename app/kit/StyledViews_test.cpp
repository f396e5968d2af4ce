#include "app/kit/StyledViews.h"

#include <gtest/gtest.h>

#include "app/kit/KitTestSupport.h"
#include "app/kit/UIConstants.h"
#include "platform/ui/Window.h"

namespace app::kit {

namespace {

using ostrel::testing::bytes;
using ostrel::testing::KitTestEnvironment;
using ostrel::testing::Rgb;
using platform::ui::make;
using platform::ui::Rect;

class StyledViewsTest : public ::testing::TestWithParam<bool> {
 protected:
  StyledViewsTest() { KitTestEnvironment::setDarkMode(GetParam()); }
  Rgb pixel(platform::ui::View& view) {
    auto image = KitTestEnvironment::render(view);
    return bytes(image->pixel(image->pixelWidth() / 2, image->pixelHeight() / 2));
  }
  KitTestEnvironment env;
};

TEST_P(StyledViewsTest, BackgroundsAreDrawnInTheThemeOfTheirMaking) {
  const bool dark = GetParam();
  EXPECT_EQ(pixel(*make<GeneralBackgroundView>(Rect{0, 0, 20, 20})), dark ? (Rgb{36, 37, 38}) : (Rgb{253, 253, 253}));
  EXPECT_EQ(pixel(*make<AlertBackgroundView>(Rect{0, 0, 20, 20})), dark ? (Rgb{51, 53, 54}) : (Rgb{253, 253, 253}));
  EXPECT_EQ(pixel(*make<SettingsTilesView>(Rect{0, 0, 20, 20})), dark ? (Rgb{51, 53, 54}) : (Rgb{242, 242, 242}));
  EXPECT_EQ(pixel(*make<DepthOfFieldMarkerView>(Rect{0, 0, 20, 20})), dark ? (Rgb{255, 255, 255}) : (Rgb{0, 0, 0}));

  // Made before the switch, a view keeps the theme it took.
  auto early = make<FilterBarBorderView>(Rect{0, 0, 20, 20});
  KitTestEnvironment::setDarkMode(!dark);
  EXPECT_EQ(pixel(*early), dark ? (Rgb{38, 39, 40}) : (Rgb{216, 216, 216}));
}

TEST_P(StyledViewsTest, TextViewsTakeFontsColoursAndTheKeyboardOfTheTheme) {
  const bool dark = GetParam();
  const auto keyboard = dark ? platform::ui::KeyboardAppearance::Dark : platform::ui::KeyboardAppearance::Light;
  auto custom = make<StyledTextField>();
  EXPECT_EQ(custom->keyboardAppearance(), keyboard);
  EXPECT_EQ(bytes(custom->textColor()), dark ? (Rgb{255, 255, 255}) : (Rgb{0, 0, 0}));
  EXPECT_EQ(custom->font().fontName(), "Avenir-Roman");
  auto lt = make<LargeTextField>();
  EXPECT_EQ(lt->keyboardAppearance(), keyboard);
  EXPECT_EQ(bytes(lt->textColor()), (Rgb{0, 180, 248}));
  EXPECT_EQ(lt->font().pointSize(), 24);
  EXPECT_EQ(make<StyledSearchBar>()->searchTextField()->keyboardAppearance(), keyboard);
  auto table = make<GeneralTableView>();
  EXPECT_EQ(bytes(*table->separatorColor()), dark ? (Rgb{10, 11, 12}) : (Rgb{216, 216, 216}));
  EXPECT_EQ(bytes(make<SubtitleLabel>()->textColor()), dark ? (Rgb{100, 100, 100}) : (Rgb{170, 170, 170}));
  EXPECT_EQ(make<TopBarTitleLabel>()->font().pointSize(), 12);
  auto textView = make<H2TextView>();
  EXPECT_EQ(textView->keyboardAppearance(), keyboard);
  EXPECT_EQ(bytes(textView->textColor()), dark ? (Rgb{170, 170, 170}) : (Rgb{85, 85, 85}));
  EXPECT_EQ(textView->lineFragmentPadding(), 1);
  EXPECT_EQ(textView->textContainerInset(), (platform::ui::EdgeInsets{}));
}

// The text view's text starts at the top left, one point in (its padding), in the theme's colour.
TEST_P(StyledViewsTest, TheTextViewDrawsFromItsTopLeft) {
  auto textView = make<H2TextView>(Rect{0, 0, 200, 80});
  textView->setFont(UIConstants::heavyFontWithSize(20));
  textView->setText("HH HH HH HH HH HH HH HH HH");
  auto image = KitTestEnvironment::render(*textView);
  int inked = 0, firstColumn = 200, lowestRow = 0;
  for (int y = 0; y < image->pixelHeight(); ++y) {
    for (int x = 0; x < image->pixelWidth(); ++x) {
      if (image->pixel(x, y).alpha() < 0.5) continue;
      ++inked;
      firstColumn = std::min(firstColumn, x);
      lowestRow = std::max(lowestRow, y);
    }
  }
  EXPECT_GT(inked, 50);
  EXPECT_LE(firstColumn, 4);
  EXPECT_GT(lowestRow, 30);  // wrapped onto more lines
}

INSTANTIATE_TEST_SUITE_P(LightAndDark, StyledViewsTest, ::testing::Bool());

TEST(PassThroughViewTest, ATouchGoesToTheViewUnderneath) {
  KitTestEnvironment env;
  auto root = make<platform::ui::View>(Rect{0, 0, 100, 100});
  auto below = make<platform::ui::View>(Rect{0, 0, 100, 100});
  auto cover = make<PassThroughView>(Rect{0, 0, 100, 100});
  auto onCover = make<platform::ui::View>(Rect{10, 10, 20, 20});
  cover->addSubview(onCover);
  root->addSubview(below);
  root->addSubview(cover);
  EXPECT_EQ(root->hitTest({15, 15}, nullptr), below.get());
  EXPECT_EQ(root->hitTest({80, 80}, nullptr), below.get());
}

}  // namespace

}  // namespace app::kit

