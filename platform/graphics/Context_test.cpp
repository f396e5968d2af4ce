#include "platform/graphics/Context.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "testing/ScratchFolder.h"

namespace platform::graphics {
namespace {

using Bytes = std::array<uint8_t, 4>;
constexpr Bytes kClear{0, 0, 0, 0};
constexpr Bytes kRedPixel{255, 0, 0, 255};
constexpr Bytes kBluePixel{0, 0, 255, 255};

std::shared_ptr<Image> draw(Size size, double scale, const std::function<void(Context&)>& fn) {
  auto ctx = BitmapContext::create(size, scale);
  fn(*ctx);
  return ctx->makeImage();
}

TEST(Context, NoCurrentContextMakesDrawingHarmless) {
  ASSERT_EQ(currentContext(), nullptr);
  Context* none = currentContext();
  setStrokeColor(none, Color::redColor());
  setLineWidth(none, 3);
  addRect(none, {0, 0, 10, 10});
  drawPath(none, PathDrawingMode::FillStroke);
  fillRect(none, {0, 0, 10, 10});
  drawLinearGradient(none, Gradient{{Color::redColor(), Color::blueColor()}, {}}, {0, 0}, {1, 1}, 3);
  saveGState(none);
  restoreGState(none);
  Path::oval({0, 0, 5, 5}).fill();
  Path::oval({0, 0, 5, 5}).stroke();
  EXPECT_EQ(imageFromCurrentImageContext(), nullptr);
  endImageContext();  // unbalanced end is ignored too
  EXPECT_EQ(currentContext(), nullptr);
}

TEST(Context, TwoPointStrokedRectangleAtScaleTwo) {
  auto img = draw({60, 40}, 2, [](Context& c) {
    c.setStrokeColor(Color::redColor());
    c.setLineWidth(2);
    c.strokeRect({10, 10, 40, 20});
  });
  ASSERT_EQ(img->pixelWidth(), 120);
  // The 2-point line is centred on x = 10 pt: pixels 18...21 are covered, 17 and 22 are not.
  EXPECT_EQ(img->pixelBytes(18, 40), kRedPixel);
  EXPECT_EQ(img->pixelBytes(21, 40), kRedPixel);
  EXPECT_EQ(img->pixelBytes(17, 40), kClear);
  EXPECT_EQ(img->pixelBytes(22, 40), kClear);
  EXPECT_EQ(img->pixelBytes(60, 40), kClear) << "a stroke does not fill";
  EXPECT_EQ(img->pixelBytes(60, 59), kRedPixel) << "bottom edge at y = 30 pt";
}

TEST(Context, DashedLineLeavesGapsAndHonoursPhase) {
  auto dashed = [](double phase) {
    return draw({40, 4}, 1, [phase](Context& c) {
      c.setStrokeColor(Color::blueColor());
      c.setLineWidth(2);
      c.setLineDash(phase, {4, 2});
      c.moveTo({0, 2});
      c.lineTo({40, 2});
      c.strokePath();
    });
  };
  auto img = dashed(0);
  for (int x : {0, 3, 6, 9}) EXPECT_EQ(img->pixelBytes(x, 1), kBluePixel) << x;
  for (int x : {4, 5, 10, 11}) EXPECT_EQ(img->pixelBytes(x, 1), kClear) << x;
  auto shifted = dashed(1);
  EXPECT_EQ(shifted->pixelBytes(3, 1), kClear) << "phase 1 moves the first gap one point left";
  // Patterns that cannot draw (negative or all zero) fall back to a solid line instead of failing.
  auto solid = draw({10, 4}, 1, [](Context& c) {
    c.setStrokeColor(Color::blueColor());
    c.setLineWidth(2);
    c.setLineDash(0, {0, 0});
    c.moveTo({0, 2});
    c.lineTo({10, 2});
    c.strokePath();
  });
  EXPECT_EQ(solid->pixelBytes(5, 1), kBluePixel);
}

TEST(Context, LinearGradientEndColoursAndExtension) {
  Gradient g{{Color::redColor(), Color::blueColor()}, {}};
  auto paint = [&](unsigned options) {
    return draw({100, 10}, 1, [&](Context& c) { c.drawLinearGradient(g, {20, 0}, {80, 0}, options); });
  };
  auto both = paint(Gradient::DrawsBeforeStart | Gradient::DrawsAfterEnd);
  EXPECT_EQ(both->pixelBytes(5, 5), kRedPixel);
  EXPECT_EQ(both->pixelBytes(95, 5), kBluePixel);
  auto mid = both->pixel(50, 5);
  EXPECT_NEAR(mid.red(), 0.5, 0.03);
  EXPECT_NEAR(mid.blue(), 0.5, 0.03);
  auto none = paint(0);
  EXPECT_EQ(none->pixelBytes(5, 5), kClear);
  EXPECT_EQ(none->pixelBytes(95, 5), kClear);
  EXPECT_EQ(none->pixelBytes(21, 5)[0] > 240, true) << "red just inside the start";
  auto afterOnly = paint(Gradient::DrawsAfterEnd);
  EXPECT_EQ(afterOnly->pixelBytes(5, 5), kClear);
  EXPECT_EQ(afterOnly->pixelBytes(95, 5), kBluePixel);
}

TEST(Context, FilledOvalAndFillStrokeUseTheirOwnColours) {
  auto img = draw({100, 60}, 1, [](Context& c) {
    c.setFillColor(Color::redColor());
    c.setStrokeColor(Color::blueColor());
    c.setLineWidth(4);
    c.addEllipse({10, 10, 80, 40});
    c.drawPath(PathDrawingMode::FillStroke);
  });
  EXPECT_EQ(img->pixelBytes(50, 30), kRedPixel);
  EXPECT_EQ(img->pixelBytes(50, 10), kBluePixel) << "top of the oval";
  EXPECT_EQ(img->pixelBytes(12, 12), kClear) << "corner of the box";
  EXPECT_EQ(img->pixelBytes(89, 30), kBluePixel) << "right end";
}

TEST(Context, StateSaveRestoreAndClip) {
  auto img = draw({40, 20}, 1, [](Context& c) {
    c.setFillColor(Color::redColor());
    c.saveGState();
    c.setFillColor(Color::blueColor());
    c.clipToRect({0, 0, 20, 20});
    c.fillRect({0, 0, 40, 10});
    c.restoreGState();
    c.restoreGState();  // one too many: ignored, the state survives
    c.fillRect({0, 10, 40, 10});
  });
  EXPECT_EQ(img->pixelBytes(5, 5), kBluePixel);
  EXPECT_EQ(img->pixelBytes(30, 5), kClear) << "clipped";
  EXPECT_EQ(img->pixelBytes(30, 15), kRedPixel) << "colour and clip restored";
}

TEST(Context, AlphaAndClearRect) {
  auto img = draw({20, 10}, 1, [](Context& c) {
    c.setAlpha(0.5);
    c.setFillColor(Color::redColor());
    c.fillRect({0, 0, 20, 10});
    c.clearRect({10, 0, 10, 10});
  });
  EXPECT_NEAR(img->pixelBytes(5, 5)[3], 128, 1);
  EXPECT_EQ(img->pixelBytes(15, 5), kClear);
  EXPECT_FALSE(img->isClear());
  EXPECT_TRUE(draw({20, 10}, 1, [](Context& c) { c.setAlpha(0); c.fillRect({0, 0, 20, 10}); })->isClear());
}

TEST(Context, ImageContextsNestAndEnd) {
  beginImageContext({10, 10}, false, 0);
  Context* outer = currentContext();
  ASSERT_NE(outer, nullptr);
  fillRect(outer, {0, 0, 10, 10});
  beginImageContext({4, 4}, true, 1);
  auto inner = imageFromCurrentImageContext();
  ASSERT_TRUE(inner);
  EXPECT_EQ(inner->pixelBytes(0, 0), (Bytes{0, 0, 0, 255})) << "an opaque context starts black";
  endImageContext();
  EXPECT_EQ(currentContext(), outer);
  auto img = imageFromCurrentImageContext();
  ASSERT_TRUE(img);
  EXPECT_EQ(img->scale(), kScreenScale) << "scale 0 means the screen's";
  EXPECT_EQ(img->pixelWidth(), 20);
  endImageContext();
  EXPECT_EQ(currentContext(), nullptr);

  beginImageContext({0, 10}, false, 1);  // an empty size gives no context, but stays balanced
  EXPECT_EQ(currentContext(), nullptr);
  fillRect(currentContext(), {0, 0, 1, 1});
  endImageContext();
  EXPECT_EQ(currentContext(), nullptr);
  EXPECT_EQ(BitmapContext::create({1e6, 10}), nullptr);

  // Ended while a context pushed after it is still current: no entry for the freed context stays.
  beginImageContext({4, 4}, false, 1);
  auto other = BitmapContext::create({2, 2});
  pushContext(other.get());
  endImageContext();
  EXPECT_EQ(currentContext(), other.get());
  popContext();
  EXPECT_EQ(currentContext(), nullptr);
}

TEST(Image, RGBABytesRoundTripAndBadBuffersAreRefused) {
  // Two pixels: opaque green, and half-transparent red premultiplied (128, 0, 0, 128).
  const uint8_t bytes[] = {0, 255, 0, 255, 128, 0, 0, 128, 9, 9, 9, 9};
  auto img = Image::fromRGBA(2, 1, 12, bytes, 1);
  ASSERT_TRUE(img);
  EXPECT_EQ(img->rgbaBytes(), (std::vector<uint8_t>{0, 255, 0, 255, 128, 0, 0, 128}));
  EXPECT_EQ(img->pixelBytes(1, 0), (Bytes{255, 0, 0, 128}));
  EXPECT_EQ(img->pixelBytes(5, 0), kClear);
  EXPECT_EQ(Image::fromRGBA(2, 1, 4, bytes), nullptr) << "rows shorter than the width";
  EXPECT_EQ(Image::fromRGBA(0, 1, 8, bytes), nullptr);
  const uint8_t overbright[] = {200, 0, 0, 100};
  EXPECT_EQ(Image::fromRGBA(1, 1, 4, overbright)->rgbaBytes()[0], 100) << "colour clamped to alpha";
}

TEST(Image, PNGRoundTripIsByteStable) {
  auto img = draw({30, 20}, 2, [](Context& c) {
    c.setFillColor(Color(0.2, 0.4, 0.6, 0.8));
    c.fillEllipse({2, 2, 26, 16});
  });
  auto png = img->pngData();
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png, img->pngData());
  auto back = Image::fromPNGData(png, 2);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->size(), (Size{30, 20}));
  EXPECT_EQ(back->rgbaBytes(), img->rgbaBytes());

  ostrel::testing::ScratchFolder dir;
  std::string path = dir / "shot.png";
  ASSERT_TRUE(img->writePNG(path));
  auto read = Image::fromPNGFile(path);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->rgbaBytes(), img->rgbaBytes());
  EXPECT_FALSE(img->writePNG(dir / "missing/x.png"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "no temporary left behind";

  EXPECT_EQ(Image::fromPNGData({1, 2, 3}), nullptr);
  auto truncated = png;
  truncated.resize(png.size() / 2);
  EXPECT_EQ(Image::fromPNGData(truncated), nullptr);
  EXPECT_EQ(Image::fromPNGFile("/nonexistent/x.png"), nullptr);
}

TEST(Context, DrawImageScalesIntoTheRect) {
  const uint8_t px[] = {255, 0, 0, 255};
  auto dot = Image::fromRGBA(1, 1, 4, px);
  auto img = draw({20, 20}, 1, [&](Context& c) { c.drawImage(*dot, {5, 5, 10, 10}); });
  EXPECT_EQ(img->pixelBytes(5, 5), kRedPixel);
  EXPECT_EQ(img->pixelBytes(14, 14), kRedPixel);
  EXPECT_EQ(img->pixelBytes(15, 15), kClear);
}

// A layer keeps no picture of a context that reports nothing drawn, so every way of painting must
// report it, and nothing that only sets up the drawing may.
TEST(Context, ReportsWhetherAnythingWasDrawn) {
  auto untouched = BitmapContext::create({10, 10}, 2);
  untouched->translate(1, 1);
  untouched->saveGState();
  untouched->clipToRect({0, 0, 5, 5});
  untouched->setFillColor(Color::redColor());
  untouched->addRect({0, 0, 2, 2});
  untouched->restoreGState();
  EXPECT_FALSE(untouched->hasDrawn());
  EXPECT_TRUE(BitmapContext::create({2, 2}, 1, true)->hasDrawn()) << "an opaque context is painted black";

  const std::function<void(Context&)> painters[] = {
      [](Context& c) { c.fillRect({0, 0, 1, 1}); },
      [](Context& c) { c.clearRect({0, 0, 1, 1}); },
      [](Context& c) { c.strokePath(Path::oval({0, 0, 4, 4})); },
      [](Context& c) { c.drawLinearGradient(Gradient{{Color::redColor(), Color::blueColor()}, {}}, {0, 0}, {4, 0}, 0); },
      [](Context& c) { c.drawImage(*Image::fromRGBA(1, 1, 4, kRedPixel.data()), {0, 0, 2, 2}); },
      [](Context& c) { c.cairo(); },
  };
  for (size_t i = 0; i < std::size(painters); ++i) {
    auto context = BitmapContext::create({10, 10});
    painters[i](*context);
    EXPECT_TRUE(context->hasDrawn()) << "painter " << i;
  }
}

TEST(Context, FinishingHandsOverTheSamePixels) {
  auto context = BitmapContext::create({6, 4}, 2);
  context->setFillColor(Color(0.2, 0.4, 0.6, 0.5));
  context->fillEllipse({0, 0, 6, 4});
  auto copy = context->makeImage();
  auto finished = BitmapContext::finish(std::move(context));
  ASSERT_TRUE(finished);
  EXPECT_EQ(finished->scale(), 2);
  EXPECT_EQ(finished->rgbaBytes(), copy->rgbaBytes());
  EXPECT_EQ(BitmapContext::finish(nullptr), nullptr);
}

}  // namespace
}  // namespace platform::graphics
