// The setup list rows and the menu's row button under a real finger, read back as pixels.
#include <gtest/gtest.h>

#include <functional>

#include "app/kit/KitTestSupport.h"
#include "app/kit/UIConstants.h"
#include "app/setup/CameraSetupButton.h"
#include "app/setup/SetupListCells.h"
#include "app/setup/SetupSpareCells.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/TableView.h"
#include "platform/ui/Window.h"

namespace app::setup {

namespace {

using ostrel::testing::bytes;
using ostrel::testing::KitTestEnvironment;
using ostrel::testing::Rgb;
using platform::ui::make;
using platform::ui::Point;

// One section of rows, each made by `makeCell`.
class Rows : public platform::ui::TableViewDataSource, public platform::ui::TableViewDelegate {
 public:
  explicit Rows(std::function<std::shared_ptr<platform::ui::TableViewCell>(platform::ui::TableView&)> make)
      : make_(std::move(make)) {}
  std::int64_t tableViewNumberOfRowsInSection(platform::ui::TableView&, std::int64_t) override { return 3; }
  std::shared_ptr<platform::ui::TableViewCell> tableViewCellForRowAtIndexPath(platform::ui::TableView& table,
                                                                             const platform::ui::IndexPath&) override {
    return make_(table);
  }

 private:
  std::function<std::shared_ptr<platform::ui::TableViewCell>(platform::ui::TableView&)> make_;
};

class SetupCellsTest : public ::testing::TestWithParam<bool> {
 protected:
  SetupCellsTest() {
    KitTestEnvironment::setDarkMode(dark);
    window->makeKeyAndVisible();
  }
  template <class Cell>
  std::shared_ptr<Cell> showRows(const std::function<void(Cell&)>& fill) {
    rows = std::make_shared<Rows>([fill](platform::ui::TableView& t) {
      auto cell = std::dynamic_pointer_cast<Cell>(t.dequeueReusableCell(Cell::kReuseIdentifier));
      fill(*cell);
      return cell;
    });
    table = make<platform::ui::TableView>(platform::ui::Rect{0, 100, 390, 300});
    table->registerCell(Cell::kReuseIdentifier, [] { return make<Cell>(); });
    table->setRowHeight(40);
    table->setDataSource(rows);
    table->setDelegate(rows);
    window->addSubview(table);
    env.advance(0.1);
    return std::dynamic_pointer_cast<Cell>(table->cellForRowAtIndexPath({0, 0}));
  }
  // The colour of the window at a point, as bytes.
  Rgb at(Point p) {
    window->layoutIfNeeded();
    auto image = platform::ui::Renderer::render(*window);
    return bytes(image->pixel(static_cast<int>(p.x * image->scale()), static_cast<int>(p.y * image->scale())));
  }

  bool dark = GetParam();
  KitTestEnvironment env;
  std::shared_ptr<platform::ui::Window> window = make<platform::ui::Window>();
  std::shared_ptr<Rows> rows;
  std::shared_ptr<platform::ui::TableView> table;
};

// A spot of the first row where no text is drawn.
constexpr Point kRowGround{300, 104};
constexpr Point kRowCentre{100, 120};

TEST_P(SetupCellsTest, APressedRowTakesTheAccentAlmostAtOnceAndFadesBackOverHalfASecond) {
  auto cell = showRows<ManufacturerCell>([](ManufacturerCell& c) { c.title->setText("ARRI ALEXA 35"); c.comment->setText("CUSTOM"); });
  ASSERT_TRUE(cell);
  const Rgb ground = bytes(kit::UIConstants::primaryBG()), accent = bytes(kit::UIConstants::blue());
  EXPECT_EQ(at(kRowGround), ground);
  window->touchDown(kRowCentre);
  EXPECT_EQ(bytes(cell->title->textColor()), (Rgb{255, 255, 255}));
  EXPECT_EQ(bytes(cell->comment->textColor()), (Rgb{255, 255, 255}));
  env.advance(0.05);
  EXPECT_EQ(at(kRowGround), accent);
  window->touchUp(kRowCentre);
  env.advance(0.25);
  const Rgb halfway = at(kRowGround);
  EXPECT_NE(halfway, accent);
  EXPECT_NE(halfway, ground);
  env.advance(0.3);
  EXPECT_EQ(at(kRowGround), ground);
  // Tapped, the row is selected: its title in the accent.
  EXPECT_TRUE(cell->isSelected());
  EXPECT_EQ(bytes(cell->title->textColor()), accent);
  EXPECT_EQ(bytes(cell->anaFactorLabel->textColor()), accent);
  EXPECT_EQ(bytes(cell->comment->textColor()), bytes(kit::UIConstants::lowContrastText()));
  cell->setSelected(false, false);
  EXPECT_EQ(bytes(cell->title->textColor()), bytes(kit::UIConstants::contrastText()));
}

TEST_P(SetupCellsTest, ARatioRowColoursItsContentAndBothTextsWhenSelected) {
  auto cell = showRows<AspectRatioTableViewCell>([](AspectRatioTableViewCell& c) {
    c.aspectRatio->setText("1.44:1");
    c.native->setText("Native Aspect Ratio");
  });
  window->touchDown(kRowCentre);
  env.advance(0.05);
  EXPECT_EQ(at(kRowGround), bytes(kit::UIConstants::blue()));
  EXPECT_EQ(bytes(cell->native->textColor()), (Rgb{255, 255, 255}));
  window->touchUp(kRowCentre);
  env.advance(0.6);
  EXPECT_EQ(at(kRowGround), bytes(kit::UIConstants::primaryBG()));
  EXPECT_EQ(bytes(cell->aspectRatio->textColor()), bytes(kit::UIConstants::blue()));
  EXPECT_EQ(bytes(cell->native->textColor()), bytes(kit::UIConstants::blue()));
  cell->setSelected(false, false);
  EXPECT_EQ(bytes(cell->native->textColor()), bytes(kit::UIConstants::lowContrastText()));
}

TEST_P(SetupCellsTest, APackageRowGetsItsTextsBackOnlyWhenTheFadeHasEnded) {
  auto cell = showRows<SetupControllerPackageCell>([](SetupControllerPackageCell& c) {
    c.title->setText("Night exteriors");
    c.format->setText("ARRI ALEXA 35");
    c.lenses->setText("18 · 25 · 35");
  });
  const Rgb white{255, 255, 255};
  window->touchDown(kRowCentre);
  env.advance(0.1);
  EXPECT_EQ(at(kRowGround), bytes(kit::UIConstants::blue()));
  window->touchUp(kRowCentre);
  env.advance(0.3);
  EXPECT_EQ(bytes(cell->title->textColor()), white);
  EXPECT_EQ(bytes(cell->lenses->textColor()), white);
  env.advance(0.3);
  EXPECT_EQ(at(kRowGround), bytes(kit::UIConstants::tableViewBGColor()));
  EXPECT_EQ(bytes(cell->title->textColor()), bytes(kit::UIConstants::contrastText()));
  EXPECT_EQ(bytes(cell->format->textColor()), bytes(kit::UIConstants::lowContrastText()));
}

TEST_P(SetupCellsTest, AModeRowShowsItsTitleInTheAccentWhenSelected) {
  auto cell = showRows<SetupFormatCell>([](SetupFormatCell& c) { c.title->setText("4K 16:9"); });
  table->selectRowAtIndexPath(platform::ui::IndexPath{0, 0}, false, platform::ui::TableViewScrollPosition::None);
  EXPECT_EQ(bytes(cell->title->textColor()), bytes(kit::UIConstants::blue()));
  EXPECT_EQ(cell->title->font().fontName(), "Avenir-Roman");
  table->deselectRowAtIndexPath({0, 0}, false);
  EXPECT_EQ(bytes(cell->title->textColor()), bytes(kit::UIConstants::contrastText()));
}

TEST_P(SetupCellsTest, TheMenuRowStaysBlueAfterItsTapUntilTheMenuResetsIt) {
  auto row = make<CameraSetupButton>(platform::ui::Rect{0, 100, 390, 60});
  row->titleLabel->setText("CAMERA");
  row->itemLabel->setText("ARRI ALEXA 35");
  window->addSubview(row);
  const Point ground{380, 104}, centre{195, 130};
  EXPECT_EQ(at(ground), bytes(kit::UIConstants::cameraSetupButtonsColor()));
  window->touchDown(centre);
  env.advance(0.1);
  EXPECT_EQ(at(ground), bytes(kit::UIConstants::blue()));
  EXPECT_EQ(bytes(row->itemLabel->textColor()), (Rgb{255, 255, 255}));
  window->touchUp(centre);
  env.advance(1);
  EXPECT_EQ(at(ground), bytes(kit::UIConstants::blue()));
  row->buttonNotHighlighted();
  EXPECT_EQ(at(ground), bytes(kit::UIConstants::cameraSetupButtonsColor()));
  EXPECT_EQ(bytes(row->titleLabel->textColor()), bytes(kit::UIConstants::lowContrastText()));

  // A finger that slides off and lifts puts the row back at once.
  window->touchDown(centre);
  env.advance(0.1);
  window->touchMove({195, 400});
  window->touchUp({195, 400});
  EXPECT_EQ(at(ground), bytes(kit::UIConstants::cameraSetupButtonsColor()));
}

TEST_P(SetupCellsTest, TheRadioRowKeepsItsFixedColoursInEitherTheme) {
  auto cell = make<CameraSetupFullCellRadio>();
  cell->setSelected(true, false);
  EXPECT_FALSE(cell->radio->isHidden());
  EXPECT_EQ(bytes(cell->title->textColor()), (Rgb{0, 180, 248}));
  EXPECT_EQ(cell->title->font().fontName(), "Avenir-Medium");
  cell->setSelected(false, false);
  EXPECT_TRUE(cell->radio->isHidden());
  EXPECT_EQ(bytes(cell->title->textColor()), (Rgb{39, 39, 43}));
  EXPECT_EQ(bytes(cell->crop->textColor()), (Rgb{158, 165, 168}));

  auto line = make<SetupControllerFrameLineCell>();
  line->setSelected(true, false);
  EXPECT_EQ(line->check->alpha(), 0);
  EXPECT_EQ(bytes(line->title->textColor()), (Rgb{255, 255, 255}));
  line->setSelected(false, false);
  EXPECT_EQ(bytes(*line->contentView()->backgroundColor()), bytes(kit::UIConstants::primaryBG()));
}

INSTANTIATE_TEST_SUITE_P(Themes, SetupCellsTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Dark" : "Light"; });

}  // namespace

}  // namespace app::setup

