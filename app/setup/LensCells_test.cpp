// The lens rows' looks, read back as pixels of a window on the manual clock.
#include "app/setup/LensCells.h"

#include <gtest/gtest.h>

#include "app/kit/KitTestSupport.h"
#include "app/kit/UIConstants.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/Window.h"

namespace app::setup {

namespace {

using ostrel::testing::bytes;
using ostrel::testing::KitTestEnvironment;
using ostrel::testing::Rgb;
using platform::ui::make;
using platform::ui::Point;

class LensCellsTest : public ::testing::TestWithParam<bool> {
 protected:
  LensCellsTest() {
    KitTestEnvironment::setDarkMode(GetParam());
    window->makeKeyAndVisible();
  }
  template <class Cell>
  std::shared_ptr<Cell> show() {
    auto cell = make<Cell>(platform::ui::TableViewCellStyle::Default, Cell::kReuseIdentifier);
    cell->setFrame({0, 100, 390, 40});
    window->addSubview(cell);
    env.advance(0.1);
    return cell;
  }
  Rgb at(Point p) {
    window->layoutIfNeeded();
    auto image = platform::ui::Renderer::render(*window);
    return bytes(image->pixel(static_cast<int>(p.x * image->scale()), static_cast<int>(p.y * image->scale())));
  }

  KitTestEnvironment env;
  std::shared_ptr<platform::ui::Window> window = make<platform::ui::Window>();
};

constexpr Point kGround{250, 104};  // a spot of the row where nothing is written

TEST_P(LensCellsTest, APrimeRowShowsItsSelectionByTickAndDarkAccent) {
  auto cell = show<CameraSetupPrimeLensCell>();
  cell->title->setText("35mm");
  EXPECT_EQ(at(kGround), bytes(kit::UIConstants::primaryBG()));
  EXPECT_EQ(cell->check->alpha(), 0.0);
  cell->setSelected(true, false);
  EXPECT_EQ(bytes(cell->title->textColor()), bytes(kit::UIConstants::darkBlue()));
  EXPECT_EQ(cell->check->alpha(), 1.0);
  EXPECT_EQ(bytes(cell->comment->textColor()), bytes(kit::UIConstants::lowContrastText()));
  EXPECT_EQ(at(kGround), bytes(kit::UIConstants::primaryBG())) << "a chosen prime keeps its ground";
  cell->setSelected(false, false);
  EXPECT_EQ(bytes(cell->title->textColor()), bytes(kit::UIConstants::contrastText()));
}

TEST_P(LensCellsTest, APressedZoomRowLightsUpAtOnceAndFadesBackOverHalfASecond) {
  auto cell = show<CameraSetupZoomLensCell>();
  cell->title->setText("24 - 70mm");
  const Rgb ground = bytes(kit::UIConstants::primaryBG()), accent = bytes(kit::UIConstants::blue());
  cell->setHighlighted(true, true);
  EXPECT_EQ(bytes(cell->title->textColor()), (Rgb{255, 255, 255}));
  EXPECT_EQ(bytes(cell->closeFocusLabel->textColor()), (Rgb{255, 255, 255}));
  env.advance(0.05);
  EXPECT_EQ(at(kGround), accent);
  cell->setHighlighted(false, true);
  env.advance(0.25);
  const Rgb halfway = at(kGround);
  EXPECT_NE(halfway, accent);
  EXPECT_NE(halfway, ground);
  env.advance(0.3);
  EXPECT_EQ(at(kGround), ground);
  EXPECT_EQ(bytes(cell->title->textColor()), bytes(kit::UIConstants::contrastText()));
  EXPECT_TRUE(cell->radio->isHidden());
  cell->setSelected(true, false);
  EXPECT_EQ(bytes(cell->title->textColor()), accent);
}

TEST_P(LensCellsTest, ASearchRowKeepsItsFixedColours) {
  auto cell = show<CameraSetupSearchCell>();
  EXPECT_TRUE(cell->check->isHidden());
  EXPECT_EQ(bytes(cell->title->textColor()), (Rgb{39, 39, 43}));
  EXPECT_EQ(cell->title->font().fontName(), "Avenir-Roman");
  cell->setSelected(true, false);
  EXPECT_FALSE(cell->check->isHidden());
  EXPECT_EQ(bytes(cell->title->textColor()), (Rgb{0, 180, 248}));
  EXPECT_EQ(bytes(cell->crop->textColor()), (Rgb{0, 180, 248}));
  EXPECT_EQ(cell->title->font().fontName(), "Avenir-Medium");
}

INSTANTIATE_TEST_SUITE_P(Themes, LensCellsTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Dark" : "Light"; });

}  // namespace

}  // namespace app::setup

