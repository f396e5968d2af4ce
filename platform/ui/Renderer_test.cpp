#include "platform/ui/Renderer.h"

#include <cairo.h>
#include <algorithm>
#include <gtest/gtest.h>

#include "platform/graphics/Context.h"
#include "platform/ui/GradientLayer.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/ShapeLayer.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"

namespace platform::ui {
namespace {

using Bytes = std::array<uint8_t, 4>;
constexpr Bytes kWhite{255, 255, 255, 255};
constexpr Bytes kRed{255, 0, 0, 255};
constexpr Bytes kGreen{0, 255, 0, 255};
constexpr Bytes kBlue{0, 0, 255, 255};

// A small white window at scale 2; probes below are in pixels, so a point is two of them.
std::shared_ptr<Window> probeWindow() {
  auto w = make<Window>(Screen{"probe", {200, 120}, {}, 2});
  w->setBackgroundColor(Color::whiteColor());
  return w;
}

class StrokedBox : public View {
 public:
  using View::View;
  int draws = 0;

 protected:
  void drawRect(const Rect&) override {
    ++draws;
    Context* c = graphics::currentContext();
    graphics::setStrokeColor(c, Color::redColor());
    graphics::setLineWidth(c, 2);
    graphics::strokeRect(c, {10, 10, 40, 20});
  }
};

TEST(Renderer, TwoPointStrokedRectangleInAView) {
  auto w = probeWindow();
  auto box = make<StrokedBox>(Rect{20, 20, 100, 60});
  w->addSubview(box);
  auto img = Renderer::render(*w);
  ASSERT_TRUE(img);
  ASSERT_EQ(img->pixelWidth(), 400);
  // Left edge at x = 20 + 10 pt: pixels 58...61 red, 57 and 62 white.
  int y = (20 + 20) * 2;
  EXPECT_EQ(img->pixelBytes(57, y), kWhite);
  EXPECT_EQ(img->pixelBytes(58, y), kRed);
  EXPECT_EQ(img->pixelBytes(61, y), kRed);
  EXPECT_EQ(img->pixelBytes(62, y), kWhite);
  EXPECT_EQ(img->pixelBytes(80, y), kWhite) << "inside is not filled";
  EXPECT_EQ(graphics::currentContext(), nullptr) << "no context once the pass is over";
}

TEST(Renderer, ShapeLayersDrawDashesAndOvals) {
  auto w = probeWindow();
  auto dash = make<ShapeLayer>();
  dash->setFrame({0, 10, 200, 10});
  graphics::Path line;
  line.moveTo({0, 5});
  line.lineTo({200, 5});
  dash->setPath(line);
  dash->setFillColor(std::nullopt);
  dash->setStrokeColor(Color::blueColor());
  dash->setLineWidth(2);
  dash->setLineDashPattern({4, 2});
  w->layer().addSublayer(dash);

  auto oval = make<ShapeLayer>();
  oval->setFrame({100, 40, 80, 60});
  oval->setPath(graphics::Path::oval({0, 0, 80, 60}));
  oval->setFillColor(Color::greenColor());
  w->layer().addSublayer(oval);

  auto img = Renderer::render(*w);
  int y = 15 * 2;
  EXPECT_EQ(img->pixelBytes(2, y), kBlue);      // dash 0...4 pt
  EXPECT_EQ(img->pixelBytes(9, y), kWhite);     // gap 4...6 pt
  EXPECT_EQ(img->pixelBytes(13, y), kBlue);     // dash 6...10 pt
  EXPECT_EQ(img->pixelBytes(2, y - 3), kWhite); // 2 pt thick: 14...16 pt
  EXPECT_EQ(img->pixelBytes(280, 140), kGreen) << "oval centre";
  EXPECT_EQ(img->pixelBytes(202, 82), kWhite) << "corner of the oval's box";
  EXPECT_EQ(img->pixelBytes(202, 140), kGreen) << "left end of the oval";
}

TEST(Renderer, GradientLayerEndColours) {
  auto w = probeWindow();
  auto layer = make<GradientLayer>();
  layer->setColors({Color::redColor(), Color::blueColor()});
  auto v = make<View>(Rect{10, 10, 50, 100}, layer);
  w->addSubview(v);
  auto img = Renderer::render(*w);
  auto top = img->pixel(60, 20), bottom = img->pixel(60, 219), middle = img->pixel(60, 120);
  EXPECT_GT(top.red(), 0.98);
  EXPECT_LT(top.blue(), 0.02);
  EXPECT_GT(bottom.blue(), 0.98);
  EXPECT_NEAR(middle.red(), 0.5, 0.02);
  EXPECT_EQ(img->pixelBytes(18, 120), kWhite) << "nothing outside the layer";
}

TEST(Renderer, LabelTextOfAKnownFontAtAKnownPlace) {
  auto w = probeWindow();
  auto label = make<Label>(Rect{40, 30, 100, 40});
  label->setFont(Font::named("Avenir-Heavy", 20));
  label->setTextColor(Color::redColor());
  label->setText("H");
  w->addSubview(label);
  auto img = Renderer::render(*w);
  // One line, centred vertically: its baseline sits at the middle plus half the ascent minus descent.
  const Font& f = label->font();
  double baseline = 30 + (40 - f.lineHeight()) / 2 + f.ascender();
  int stemX = (40 + 3) * 2;
  EXPECT_EQ(img->pixelBytes(stemX, static_cast<int>((baseline - f.capHeight() / 2) * 2)), kRed);
  EXPECT_EQ(img->pixelBytes(stemX, static_cast<int>((baseline - f.capHeight()) * 2) - 3), kWhite);
  EXPECT_EQ(img->pixelBytes(stemX, static_cast<int>(baseline * 2) + 3), kWhite);
  EXPECT_EQ(img->pixelBytes(40 * 2 - 2, static_cast<int>(baseline * 2) - 10), kWhite);

  label->setTextAlignment(TextAlignment::Right);
  img = Renderer::render(*w);
  EXPECT_EQ(img->pixelBytes(stemX, static_cast<int>((baseline - f.capHeight() / 2) * 2)), kWhite)
      << "the label redrew when its alignment changed";
}

// A one-line label too narrow for its text: cut at the tail by default; drawn smaller and whole when it
// adjusts its font size, down to its minimum scale, below which it is cut again.
TEST(Renderer, ALabelThatAdjustsItsFontSizeShrinksLongTextToFit) {
  auto w = probeWindow();
  auto label = make<Label>(Rect{10, 10, 120, 30});
  label->setFont(Font::named("Avenir-Heavy", 20));
  label->setTextColor(Color::redColor());
  label->setText("HHHHHHHHHH");
  w->addSubview(label);
  const double natural = label->sizeThatFits({0, 0}).width;
  ASSERT_GT(natural, 120);
  ASSERT_LT(natural * 0.7, 120);
  EXPECT_TRUE(label->isTruncated());
  // The topmost row of ink: smaller capitals, centred as before, start lower.
  auto firstInkRow = [&] {
    auto img = Renderer::render(*w);
    for (int y = 20; y < 80; ++y) {
      for (int x = 20; x < 260; ++x) {
        if (img->pixelBytes(x, y) != kWhite) return y;
      }
    }
    return 80;
  };
  const int cut = firstInkRow();
  label->setAdjustsFontSizeToFitWidth(true);
  EXPECT_FALSE(label->isTruncated());
  EXPECT_GT(firstInkRow(), cut + 2);
  label->setMinimumScaleFactor(0.95);
  EXPECT_TRUE(label->isTruncated()) << "not small enough at the allowed scale";
  label->setFrame({10, 10, 0, 30});
  EXPECT_FALSE(label->isTruncated()) << "a label of no width shows nothing to cut";
}

// A label keeps its laid-out text between draws: every change to what it shows must still show.
TEST(Renderer, ALabelDrawnOnceFollowsEveryLaterChange) {
  auto w = probeWindow();
  auto label = make<Label>(Rect{10, 10, 120, 30});
  label->setFont(Font::named("Avenir-Heavy", 20));
  label->setText("HHHHHHHHHH");
  w->addSubview(label);
  // The leftmost column with solid ink, and the colour found there.
  auto firstInk = [&] {
    auto img = Renderer::render(*w);
    for (int x = 20; x < 260; ++x) {
      for (int y = 20; y < 80; ++y) {
        const Bytes ink = img->pixelBytes(x, y);
        if (std::min({ink[0], ink[1], ink[2]}) < 16) return std::make_pair(x, ink);
      }
    }
    return std::make_pair(260, kWhite);
  };
  const int left = firstInk().first;
  EXPECT_TRUE(label->isTruncated());
  label->setText("HH");
  EXPECT_FALSE(label->isTruncated()) << "the new text";
  label->setFont(Font::named("Avenir-Heavy", 80));
  EXPECT_TRUE(label->isTruncated()) << "the new font";
  label->setFont(Font::named("Avenir-Heavy", 20));
  label->setTextAlignment(TextAlignment::Right);
  EXPECT_GT(firstInk().first, left + 40) << "the new alignment";
  label->setTextColor(Color::blueColor());
  label->setTextAlignment(TextAlignment::Left);
  label->setText("HHHHHHHHHH");
  EXPECT_EQ(firstInk().second[2], 255) << "the new colour: blue, where black had none";
  label->setFrame({10, 10, 180, 30});
  EXPECT_FALSE(label->isTruncated()) << "the new width";
}

TEST(Renderer, SubtreeAlphaIsAppliedToTheWholeGroup) {
  auto w = probeWindow();
  auto group = make<View>(Rect{0, 0, 200, 120});
  group->setAlpha(0.5);
  auto a = make<View>(Rect{10, 10, 60, 60});
  auto b = make<View>(Rect{40, 40, 60, 60});
  a->setBackgroundColor(Color::redColor());
  b->setBackgroundColor(Color::redColor());
  group->addSubview(a);
  group->addSubview(b);
  w->addSubview(group);
  auto img = Renderer::render(*w);
  auto alone = img->pixelBytes(30, 30), overlap = img->pixelBytes(110, 110);
  EXPECT_EQ(alone, overlap) << "overlapping children do not blend with each other";
  EXPECT_NEAR(alone[1], 128, 1);
  EXPECT_EQ(alone[0], 255);
  group->setHidden(true);
  EXPECT_EQ(Renderer::render(*w)->pixelBytes(110, 110), kWhite);
}

TEST(Renderer, LayerInsertedAtZeroGoesBehindSubviews) {
  auto w = probeWindow();
  auto card = make<View>(Rect{0, 0, 200, 120});
  card->setBackgroundColor(Color::whiteColor());
  auto button = make<View>(Rect{50, 30, 40, 40});
  button->setBackgroundColor(Color::blueColor());
  card->addSubview(button);
  auto behind = make<Layer>();
  behind->setFrame({0, 0, 200, 120});
  behind->setBackgroundColor(Color::redColor());
  card->layer().insertSublayer(behind, 0);
  w->addSubview(card);
  auto img = Renderer::render(*w);
  EXPECT_EQ(img->pixelBytes(140, 100), kBlue) << "the subview stays on top";
  EXPECT_EQ(img->pixelBytes(10, 10), kRed) << "the layer covers the view's own background";
}

TEST(Renderer, CornersBordersClippingAndMasks) {
  auto w = probeWindow();
  auto clip = make<View>(Rect{10, 10, 60, 60});
  clip->setClipsToBounds(true);
  clip->layer().setCornerRadius(20);
  clip->layer().setBorderWidth(2);
  clip->layer().setBorderColor(Color::blueColor());
  auto spill = make<View>(Rect{0, 0, 200, 200});
  spill->setBackgroundColor(Color::redColor());
  clip->addSubview(spill);
  w->addSubview(clip);

  auto masked = make<View>(Rect{100, 10, 60, 60});
  masked->setBackgroundColor(Color::greenColor());
  auto mask = make<ShapeLayer>();
  mask->setFrame({0, 0, 60, 60});
  mask->setPath(graphics::Path::oval({0, 0, 60, 60}));
  masked->layer().setMask(mask);
  w->addSubview(masked);

  auto img = Renderer::render(*w);
  EXPECT_EQ(img->pixelBytes(80, 80), kRed);
  EXPECT_EQ(img->pixelBytes(150, 80), kWhite) << "clipped at the right edge";
  EXPECT_EQ(img->pixelBytes(22, 22), kWhite) << "rounded corner";
  EXPECT_EQ(img->pixelBytes(80, 21), kBlue) << "border over the subviews";
  EXPECT_EQ(img->pixelBytes(260, 80), kGreen) << "mask centre";
  EXPECT_EQ(img->pixelBytes(202, 22), kWhite) << "cut by the oval mask";
}

// Draws a red square in its corner, by the context's calls or straight through cairo, then runs the
// plain view's drawing as a subclass may.
class CornerThenBase : public View {
 public:
  using View::View;
  bool throughCairo = false;

 protected:
  void drawRect(const Rect& rect) override {
    Context* c = graphics::currentContext();
    if (throughCairo) {
      cairo_t* cr = c->cairo();
      cairo_set_source_rgb(cr, 1, 0, 0);
      cairo_rectangle(cr, 0, 0, 10, 10);
      cairo_fill(cr);
    } else {
      graphics::setFillColor(c, Color::redColor());
      graphics::fillRect(c, {0, 0, 10, 10});
    }
    View::drawRect(rect);
  }
};

class PlainContainer : public View {
 public:
  using View::View;
};

TEST(Renderer, OnlyViewsThatDrawKeepAPicture) {
  auto w = probeWindow();
  auto container = make<PlainContainer>(Rect{0, 0, 100, 60});
  auto painted = make<CornerThenBase>(Rect{100, 0, 50, 50});
  auto raw = make<CornerThenBase>(Rect{100, 60, 50, 50});
  raw->throughCairo = true;
  w->addSubview(container);
  w->addSubview(painted);
  w->addSubview(raw);
  auto img = Renderer::render(*w);
  EXPECT_EQ(container->layer().contents(), nullptr) << "a container draws nothing of its own";
  EXPECT_TRUE(painted->layer().contents()) << "drawn before the plain view's drawing ran";
  EXPECT_TRUE(raw->layer().contents()) << "drawn through cairo itself";
  EXPECT_EQ(img->pixelBytes(2 * 105, 2 * 5), kRed);
  EXPECT_EQ(img->pixelBytes(2 * 105, 2 * 65), kRed);
  EXPECT_EQ(img->pixelBytes(2 * 50, 2 * 30), kWhite);
}

TEST(Renderer, ContentsAreRedrawnOnlyWhenOutOfDate) {
  auto w = probeWindow();
  auto box = make<StrokedBox>(Rect{0, 0, 100, 60});
  w->addSubview(box);
  Renderer::render(*w);
  Renderer::render(*w);
  EXPECT_EQ(box->draws, 1);
  box->setNeedsDisplay();
  Renderer::render(*w);
  EXPECT_EQ(box->draws, 2);
  box->setFrame({10, 0, 100, 60});  // moved only
  Renderer::render(*w);
  EXPECT_EQ(box->draws, 2);
  box->setFrame({10, 0, 120, 60});
  Renderer::render(*w);
  EXPECT_EQ(box->draws, 3);
  Renderer::render(*box, 1);  // another scale needs new pixels
  EXPECT_EQ(box->draws, 4);
}

// A rounded field fills itself in the system's colour for the appearance; its kept picture must not
// outlive a change of appearance.
TEST(Renderer, SystemColouredViewsRedrawWhenTheAppearanceChanges) {
  auto w = probeWindow();
  auto field = make<TextField>(Rect{20, 20, 120, 36});
  field->setBorderStyle(TextBorderStyle::RoundedRect);
  w->addSubview(field);
  auto fill = [&] { return Renderer::render(*w)->pixelBytes(2 * 100, 2 * 38); };
  EXPECT_EQ(fill(), kWhite);
  w->setUserInterfaceStyle(UserInterfaceStyle::Dark);
  EXPECT_LT(fill()[0], 60) << "still the light picture after the switch to dark";
  w->setUserInterfaceStyle(UserInterfaceStyle::Light);
  EXPECT_EQ(fill(), kWhite);
}

TEST(Renderer, ImageViewFitsItsImage) {
  const uint8_t px[] = {255, 0, 0, 255, 255, 0, 0, 255};
  auto wide = graphics::Image::fromRGBA(2, 1, 8, px);
  auto w = probeWindow();
  auto iv = make<ImageView>(Rect{0, 0, 100, 100});
  iv->setImage(wide);
  iv->setContentMode(ContentMode::ScaleAspectFit);
  EXPECT_EQ(iv->imageRect(), (Rect{0, 25, 100, 50}));
  w->addSubview(iv);
  auto img = Renderer::render(*w);
  EXPECT_EQ(img->pixelBytes(100, 100), kRed);
  EXPECT_EQ(img->pixelBytes(100, 40), kWhite);
  iv->setContentMode(ContentMode::ScaleAspectFill);
  EXPECT_EQ(iv->imageRect(), (Rect{-50, 0, 200, 100}));
  EXPECT_EQ(Renderer::render(*w)->pixelBytes(210, 40), kWhite) << "clipped to the view";
}

TEST(Renderer, SameTreeGivesTheSamePNGBytes) {
  auto build = [] {
    auto w = probeWindow();
    auto label = make<Label>(Rect{5, 5, 190, 30});
    label->setFont(Font::named("Avenir-Medium", 14));
    label->setText("Ø 46.3mm → 32.87mm ∞ ❤️");
    w->addSubview(label);
    auto ring = make<ShapeLayer>();
    ring->setFrame({0, 40, 200, 80});
    ring->setPath(graphics::Path::oval({20, 5, 160, 70}));
    ring->setFillColor(std::nullopt);
    ring->setStrokeColor(Color::fromBytes(0, 180, 248));
    ring->setLineWidth(1.5);
    w->layer().addSublayer(ring);
    w->setAlpha(0.9);
    return w;
  };
  auto first = Renderer::render(*build())->pngData();
  auto second = Renderer::render(*build())->pngData();
  EXPECT_EQ(first, second);
}

}  // namespace
}  // namespace platform::ui
