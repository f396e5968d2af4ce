#include "platform/graphics/TextLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

extern "C" const char* __lsan_default_suppressions();

namespace platform::graphics {
namespace {

TEST(Font, AppFontNamesMapToLatoWeightsAndKeepTheirName) {
  struct Case {
    const char* name;
    const char* face;
  } cases[] = {{"Avenir-Roman", "Lato Regular"}, {"Avenir-Medium", "Lato Medium"}, {"Avenir-Heavy", "Lato Heavy"},
               {"Avenir-Black", "Lato Black"}};
  for (const Case& c : cases) {
    Font f = Font::named(c.name, 14);
    EXPECT_EQ(f.fontName(), c.name);
    EXPECT_EQ(f.pointSize(), 14);
    EXPECT_EQ(f.familyName(), "Lato");
    EXPECT_EQ(f.resolvedFace(), c.face) << c.name;
  }
  EXPECT_EQ(Font::named("Avenir-Heavy", 9).withSize(12).fontName(), "Avenir-Heavy");
  EXPECT_TRUE(Font::named("Avenir-HeavyOblique", 9).italic());
}

TEST(Font, UnknownNamesStillDrawAndMetricsScale) {
  Font odd = Font::named("NoSuchFace-Bold", 10);
  EXPECT_EQ(odd.fontName(), "NoSuchFace-Bold");
  EXPECT_FALSE(odd.resolvedFace().empty()) << "fontconfig substitutes a face";
  Font small = Font::named("Avenir-Roman", 10), big = Font::named("Avenir-Roman", 20);
  EXPECT_GT(small.ascender(), 0);
  EXPECT_LT(small.descender(), 0);
  EXPECT_NEAR(big.lineHeight(), 2 * small.lineHeight(), 0.01);
  EXPECT_GT(small.capHeight(), 5);
  EXPECT_LT(small.capHeight(), small.ascender());
  EXPECT_EQ(Font::named("Avenir-Roman", -3).pointSize(), 0) << "a negative size is not kept";
}

TEST(TextLayout, MeasuresWrapsAndTruncates) {
  TextStyle style{Font::named("Avenir-Medium", 14)};
  Size one = measureText(AttributedString("35"), style);
  Size two = measureText(AttributedString("3535"), style);
  EXPECT_NEAR(two.width, 2 * one.width, 0.5);
  EXPECT_NEAR(one.height, style.font.lineHeight(), 0.5);
  EXPECT_EQ(measureText(AttributedString(""), style), (Size{0, 0}));

  AttributedString para("the quick brown fox jumps over the lazy dog again and again");
  TextLayout wrapped(para, style, 100);
  EXPECT_GT(wrapped.lineCount(), 3);
  EXPECT_LE(wrapped.size().width, 100);
  EXPECT_FALSE(wrapped.isTruncated());

  style.numberOfLines = 2;
  style.lineBreakMode = LineBreakMode::TruncateTail;
  TextLayout two2(para, style, 100);
  EXPECT_EQ(two2.lineCount(), 2);
  EXPECT_TRUE(two2.isTruncated());
  EXPECT_NEAR(two2.size().height, 2 * style.font.lineHeight(), 1);

  style.lineBreakMode = LineBreakMode::WordWrap;  // wrapping modes clip instead
  TextLayout clipped(para, style, 100);
  EXPECT_EQ(clipped.lineCount(), 2);
  EXPECT_TRUE(clipped.isTruncated());
}

TEST(TextLayout, AKeptMeasurementAnswersOnlyTheSameQuestion) {
  const TextStyle base{Font::named("Avenir-Medium", 14)};
  const AttributedString words("depth of field and field of view");
  // Each differs from the one before in one thing that changes the size; a measurement kept for the
  // one before must not answer for it.
  struct Question {
    AttributedString text;
    TextStyle style;
    double width;
  };
  std::vector<Question> questions{{words, base, 0}, {words, base, 60}};
  TextStyle bigger = base;
  bigger.font = base.font.withSize(20);
  questions.push_back({words, bigger, 60});
  TextStyle heavy = bigger;
  heavy.font = Font::named("Avenir-Heavy", 20);
  questions.push_back({words, heavy, 60});
  TextStyle twoLines = heavy;
  twoLines.numberOfLines = 2;
  questions.push_back({words, twoLines, 60});
  AttributedString kerned = words;
  kerned.addAttributes({.kern = 3.0}, 0, 5);
  questions.push_back({kerned, twoLines, 60});

  for (size_t i = 0; i < questions.size(); ++i) {
    const Question& q = questions[i];
    const Size fresh = TextLayout(q.text, q.style, q.width).size();
    EXPECT_EQ(measureText(q.text, q.style, q.width), fresh) << "question " << i;
    EXPECT_EQ(measureText(q.text, q.style, q.width), fresh) << "question " << i << ", asked again";
    if (i > 0) {
      const Question& before = questions[i - 1];
      EXPECT_NE(fresh, TextLayout(before.text, before.style, before.width).size()) << "question " << i;
    }
  }
  // Colour is no part of the size.
  TextStyle red = base;
  red.color = Color::redColor();
  EXPECT_EQ(measureText(words, red), measureText(words, base));
}

TEST(TextLayout, SymbolsFallBackToInstalledFonts) {
  TextLayout layout(AttributedString("∞ → Ø ° ❤️"), TextStyle{Font::named("Avenir-Heavy", 16)});
  EXPECT_EQ(layout.unknownGlyphCount(), 0);
  EXPECT_GT(layout.size().width, 40);
}

// A character the font has no glyph for is drawn in another installed face, and only that character:
// the faces say which text a fallback touched.
TEST(TextLayout, NamesTheFacesItDrawsIn) {
  const Font medium = Font::named("Avenir-Medium", 18);
  ASSERT_EQ(medium.resolvedFace(), "Lato Medium");
  EXPECT_EQ(TextLayout(AttributedString("Ø 46mm → 32.66mm"), TextStyle{medium}).faces(),
            std::vector<std::string>{"Lato Medium"});
  const auto mixed = TextLayout(AttributedString("Ø ☺ Ø"), TextStyle{medium}).faces();
  ASSERT_EQ(mixed.size(), 2u);
  EXPECT_EQ(mixed.front(), "Lato Medium");
  EXPECT_TRUE(TextLayout(AttributedString(""), TextStyle{medium}).faces().empty());
}

// A program that lays out text loads fontconfig; the leak checker's list for it must be linked in,
// or every sanitizer run of such a program reports fontconfig's caches as leaks.
TEST(TextLayout, ProgramsThatDrawTextCarryTheLeakCheckersList) {
  std::string list = __lsan_default_suppressions();
  EXPECT_NE(list.find("leak:libfontconfig.so\n"), std::string::npos) << list;
}

TEST(TextLayout, KerningAndAttributesOverRanges) {
  TextStyle style{Font::named("Avenir-Roman", 12)};
  AttributedString plain("FOCAL LENGTH");
  AttributedString kerned("FOCAL LENGTH", TextAttributes{.kern = 1.0});
  // One point between each pair of the twelve characters.
  EXPECT_NEAR(measureText(kerned, style).width - measureText(plain, style).width, 11, 0.6);

  AttributedString mixed("αβγ abc");
  mixed.addAttributes({.foregroundColor = Color::redColor()}, 1, 2);
  mixed.addAttributes({.kern = 2.0}, 2, 100);  // past the end: cut at the end
  auto runs = mixed.runs();
  ASSERT_EQ(runs.size(), 4u);
  EXPECT_EQ(runs[0].length, 1u);
  EXPECT_EQ(runs[1].attributes.foregroundColor, Color::redColor());
  EXPECT_FALSE(runs[1].attributes.kern);
  EXPECT_EQ(runs[2].attributes, (TextAttributes{.foregroundColor = Color::redColor(), .kern = 2.0}));
  EXPECT_EQ(runs[3].location, 3u);
  EXPECT_EQ(runs[3].length, 4u);
  EXPECT_EQ(mixed.byteOffset(3), 6u) << "three two-byte letters";
  mixed.addAttributes({.kern = 1.0}, 7, 1);  // wholly past the end: ignored
  EXPECT_EQ(mixed.runs().size(), 4u);
}

TEST(TextLayout, TextOfAKnownFontLandsAtAKnownPlace) {
  auto ctx = BitmapContext::create({100, 40}, 2);
  AttributedString text("HH", TextAttributes{.foregroundColor = Color::redColor()});
  text.addAttributes({.foregroundColor = Color::blueColor()}, 1, 1);
  TextStyle style{Font::named("Avenir-Heavy", 20)};
  TextLayout layout(text, style);
  layout.draw(ctx.get(), {10, 5});
  auto img = ctx->makeImage();
  // The capital's stem starts just right of x = 10 pt and spans cap height above the baseline.
  double baseline = 5 + layout.firstBaseline();
  double cap = style.font.capHeight();
  int midY = static_cast<int>((baseline - cap / 2) * 2);
  int stemX = static_cast<int>((10 + 3) * 2);
  auto px = img->pixelBytes(stemX, midY);
  EXPECT_EQ(px[0], 255);
  EXPECT_EQ(px[3], 255);
  EXPECT_EQ(img->pixelBytes(stemX, static_cast<int>((baseline - cap) * 2) - 3)[3], 0) << "nothing above the cap";
  EXPECT_EQ(img->pixelBytes(stemX, static_cast<int>(baseline * 2) + 3)[3], 0) << "nothing below the baseline";
  // The second letter takes its own colour.
  int secondStem = static_cast<int>((10 + layout.size().width / 2 + 3) * 2);
  EXPECT_EQ(img->pixelBytes(secondStem, midY)[2], 255);
  EXPECT_EQ(img->pixelBytes(9 * 2, midY)[3], 0);

  // A path built before the text is still there to fill after it.
  ctx->beginPath();
  ctx->addRect({80, 30, 10, 10});
  layout.draw(ctx.get(), {10, 5});
  ctx->setFillColor(Color::greenColor());
  ctx->fillPath();
  EXPECT_EQ(ctx->makeImage()->pixelBytes(170, 70), (std::array<uint8_t, 4>{0, 255, 0, 255}));
}

TEST(TextLayout, DrawingIsRepeatableToTheByte) {
  auto render = [] {
    auto ctx = BitmapContext::create({120, 30}, 2);
    drawText(ctx.get(), AttributedString("Ø 46.3mm → 32.87mm"), TextStyle{Font::named("Avenir-Medium", 14)},
             {0, 0, 120, 30});
    return ctx->makeImage()->pngData();
  };
  EXPECT_EQ(render(), render());
}

}  // namespace
}  // namespace platform::graphics
