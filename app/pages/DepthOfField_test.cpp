#include "app/pages/DepthOfField.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/pages/PagePackagesTestSupport.h"

namespace app::pages {

namespace {

// The formulas written out once more in double, as a cinematographer's table would give them.
struct Expected {
  double coc, hyperfocal, nearLimit, farLimit;
};
Expected byHand(double w, double h, double factor, double f, double n, double s) {
  double c = std::sqrt(w * w + h * h) / factor;
  double hyperfocal = (f * f / (c * n) + f) / 1000;
  double d = s - f / 1000;
  return {c, hyperfocal, hyperfocal * s / (hyperfocal + d), hyperfocal * s / (hyperfocal - d)};
}

TEST(DepthOfField, LimitsFollowTheHyperfocalFormulas) {
  const struct Case {
    float w, h, factor, f, n, s;
    const char *coc, *hyperfocal, *nearLimit, *farLimit, *total;
  } cases[] = {
      {24.89f, 18.66f, 1500, 50, 2.8f, 3, "CoC: 0.021mm", "43m", "2.81m", "3.22m", "0.41m"},
      {36, 24, 1500, 25, 5.6f, 2, "CoC: 0.029mm", "3.89m", "1.33m", "4.06m", "2.73m"},
      {24.89f, 18.66f, 2000, 85, 2, 10, "CoC: 0.016mm", "232m", "9.59m", "10.4m", "0.86m"},
      // A long lens focused close: the depth is below what the metric text can show.
      {24.89f, 18.66f, 1500, 200, 1.4f, 0.3f, "CoC: 0.021mm", "1378m", "0.30m", "0.30m", "<0.001m"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.f);
    DepthOfField dof = DepthOfField::calculate(c.w, c.h, c.factor, c.f, c.n, c.s);
    Expected e = byHand(c.w, c.h, c.factor, c.f, c.n, c.s);
    EXPECT_NEAR(dof.circleOfConfusion, e.coc, 1e-9);
    EXPECT_NEAR(dof.hyperFocalDistance, e.hyperfocal, e.hyperfocal * 1e-6);
    EXPECT_NEAR(dof.nearDistance, e.nearLimit, e.nearLimit * 1e-5);
    EXPECT_NEAR(dof.farDistance, e.farLimit, e.farLimit * 1e-5);
    ASSERT_FALSE(dof.beyondHyperfocal());
    DepthOfFieldTexts texts = DepthOfFieldTexts::make(dof, 0);
    EXPECT_EQ(texts.circleOfConfusion, c.coc);
    EXPECT_EQ(texts.hyperFocal, c.hyperfocal);
    EXPECT_EQ(texts.nearLimit, c.nearLimit);
    EXPECT_EQ(texts.farLimit, c.farLimit);
    EXPECT_EQ(texts.total, c.total);
  }
}

TEST(DepthOfField, ImperialTextsHaveNoFloorForTinyDepths) {
  DepthOfField dof = DepthOfField::calculate(24.89f, 18.66f, 1500, 50, 2.8f, 3);
  DepthOfFieldTexts texts = DepthOfFieldTexts::make(dof, 1);
  EXPECT_EQ(texts.circleOfConfusion, "CoC: 0.021mm");
  EXPECT_EQ(texts.hyperFocal, "141'");
  EXPECT_EQ(texts.nearLimit, "9' 3''");
  EXPECT_EQ(texts.farLimit, "10' 7''");
  EXPECT_EQ(texts.total, "1' 4''");

  DepthOfField tiny = DepthOfField::calculate(24.89f, 18.66f, 1500, 200, 1.4f, 0.3f);
  EXPECT_EQ(DepthOfFieldTexts::make(tiny, 1).total, "<0.1''");
}

TEST(DepthOfField, AtOrBeyondTheHyperfocalDistanceTheFarLimitIsInfinite) {
  Expected e = byHand(24.89f, 18.66f, 1500, 50, 2.8f, 3);
  // The first distance the bar can hold at or past the hyperfocal distance, then one well beyond it.
  float atHyperfocal = static_cast<float>(e.hyperfocal);
  if (atHyperfocal < e.hyperfocal) atHyperfocal = std::nextafter(atHyperfocal, 1e9f);
  for (float s : {atHyperfocal, 500.0f}) {
    DepthOfField dof = DepthOfField::calculate(24.89f, 18.66f, 1500, 50, 2.8f, s);
    ASSERT_TRUE(dof.beyondHyperfocal()) << s;
    DepthOfFieldTexts texts = DepthOfFieldTexts::make(dof, 0);
    EXPECT_EQ(texts.farLimit, "∞");
    EXPECT_EQ(texts.total, "∞");
    EXPECT_EQ(texts.hyperFocal, "43m");
    DofMarkerOffsets markers = DofMarkerOffsets::make(dof, 300);
    EXPECT_EQ(markers.nearOffset, -2.0);
    EXPECT_EQ(markers.farOffset, 150.0);
  }
  DepthOfField justShort = DepthOfField::calculate(24.89f, 18.66f, 1500, 50, 2.8f, std::nextafter(atHyperfocal, 0.0f));
  EXPECT_FALSE(justShort.beyondHyperfocal());
}

TEST(DepthOfField, MarkersSitBySharesOfTheDepthAroundTheFocus) {
  DepthOfField dof = DepthOfField::calculate(36, 24, 1500, 25, 5.6f, 2);
  Expected e = byHand(36, 24, 1500, 25, 5.6f, 2);
  double depth = e.farLimit - e.nearLimit;
  DofMarkerOffsets markers = DofMarkerOffsets::make(dof, 200);
  ASSERT_TRUE(markers.nearOffset && markers.farOffset);
  EXPECT_NEAR(*markers.nearOffset, (2 - e.nearLimit) / depth * -100, 1e-3);
  EXPECT_NEAR(*markers.farOffset, (e.farLimit - 2) / depth * 100, 1e-3);

  // A focus right at the near limit would put the near marker on the centre: it keeps 2 points away.
  DepthOfField tiny = DepthOfField::calculate(24.89f, 18.66f, 1500, 200, 1.4f, 0.3f);
  DofMarkerOffsets close = DofMarkerOffsets::make(tiny, 200);
  ASSERT_TRUE(close.nearOffset);
  EXPECT_LE(*close.nearOffset, -2.0);
  EXPECT_LE(*close.farOffset, 100.0);
}

// Inputs the bars or the settings can produce that have no depth of field: the page shows its no-value
// text and moves no marker, and nothing infinite or undefined is left for a frame.
TEST(DepthOfField, ValuesThatCannotBeComputedShowNoValue) {
  const struct Case {
    const char* what;
    float w, h, factor, f, n, s;
    bool coc;
  } cases[] = {
      {"zero focal length", 24.89f, 18.66f, 1500, 0, 2.8f, 3, true},
      {"zero aperture", 24.89f, 18.66f, 1500, 50, 0, 3, true},
      {"zero factor", 24.89f, 18.66f, 0, 50, 2.8f, 3, false},
      {"format without size", 0, 0, 1500, 50, 2.8f, 3, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DepthOfField dof = DepthOfField::calculate(c.w, c.h, c.factor, c.f, c.n, c.s);
    EXPECT_FALSE(dof.hasLimits());
    EXPECT_EQ(dof.hasCircleOfConfusion(), c.coc);
    DepthOfFieldTexts texts = DepthOfFieldTexts::make(dof, 0);
    EXPECT_EQ(texts.nearLimit, "–");
    EXPECT_EQ(texts.farLimit, "–");
    EXPECT_EQ(texts.total, "–");
    EXPECT_EQ(texts.hyperFocal, "–");
    EXPECT_EQ(texts.circleOfConfusion, c.coc ? "CoC: 0.021mm" : "CoC: –");
    DofMarkerOffsets markers = DofMarkerOffsets::make(dof, 200);
    EXPECT_FALSE(markers.nearOffset);
    EXPECT_FALSE(markers.farOffset);
  }
}

TEST(DepthOfField, FocusAtTheFocalLengthHasNoDepthAndLeavesTheMarkers) {
  DepthOfField dof = DepthOfField::calculate(24.89f, 18.66f, 1500, 50, 2.8f, 0.05f);
  EXPECT_TRUE(dof.hasLimits());
  EXPECT_EQ(DepthOfFieldTexts::make(dof, 0).total, "<0.001m");
  DofMarkerOffsets markers = DofMarkerOffsets::make(dof, 200);
  EXPECT_FALSE(markers.nearOffset);
  EXPECT_FALSE(markers.farOffset);
}

// The metric floor lies exactly below what "0.001m" can show: a depth of 1.2 mm or of 6.6 mm is printed.
TEST(DepthOfField, DepthsFromAMillimetreOnArePrinted) {
  EXPECT_EQ(DepthOfFieldTexts::make(DepthOfField::calculate(24.89f, 18.66f, 1500, 200, 8, 0.5f), 0).total, "0.001m");
  EXPECT_EQ(DepthOfFieldTexts::make(DepthOfField::calculate(24.89f, 18.66f, 1500, 200, 8, 1), 0).total, "0.007m");
}

// Focusing exactly at the hyperfocal distance already reaches infinity.
TEST(DepthOfField, ExactlyAtTheHyperfocalDistanceTheFarLimitIsInfinite) {
  DepthOfField dof{.focalLength = 50, .aperture = 2.8f, .focusDistance = 40, .circleOfConfusion = 0.021,
                   .hyperFocalDistance = 40, .nearDistance = 20, .farDistance = 4.0e6};
  ASSERT_TRUE(dof.beyondHyperfocal());
  DepthOfFieldTexts texts = DepthOfFieldTexts::make(dof, 0);
  EXPECT_EQ(texts.farLimit, "∞");
  EXPECT_EQ(texts.total, "∞");
  EXPECT_EQ(DofMarkerOffsets::make(dof, 300).farOffset, 150.0);
}

// The picture behind a focal reducer or converter is that of a lens with focal length and f-number both
// scaled by the adapter; an anamorphic adapter leaves the height, and so both, as they are. Checked
// against the textbook's thin-lens limits, s (H - f) / (H + s - 2f) and s (H - f) / (H - s).
TEST(DepthOfField, AnAdapterScalesFocalLengthAndStopAsTheSensorSeesThem) {
  using ostrel::testing::package;
  auto thinLens = [](double w, double h, double f, double n, double s) {
    double c = std::sqrt(w * w + h * h) / 1500 / 1000;  // metres
    double fm = f / 1000, hyperfocal = fm * fm / (n * c) + fm;
    return Expected{c, hyperfocal, s * (hyperfocal - fm) / (hyperfocal + s - 2 * fm),
                    s * (hyperfocal - fm) / (hyperfocal - s)};
  };
  // A super-35 16:9 format behind a 0.71x booster, a 50 mm lens at T2.8 focused at 3 m: a 35.5 mm f/1.99.
  model::CameraPackage booster = package({.width = 24.88f, .height = 14, .adapterWidth = 0.71f, .adapterHeight = 0.71f});
  DepthOfField dof = DepthOfField::forPackage(booster, 1500, 50, 2.8f, 3);
  Expected e = thinLens(24.88, 14, 50 * 0.71, 2.8 * 0.71, 3);
  EXPECT_NEAR(dof.hyperFocalDistance, e.hyperfocal, e.hyperfocal * 0.01);
  EXPECT_NEAR(dof.nearDistance, e.nearLimit, e.nearLimit * 0.01);
  EXPECT_NEAR(dof.farDistance, e.farLimit, e.farLimit * 0.01);

  auto same = [](const DepthOfField& a, const DepthOfField& b) {
    return a.hyperFocalDistance == b.hyperFocalDistance && a.nearDistance == b.nearDistance &&
           a.farDistance == b.farDistance && a.circleOfConfusion == b.circleOfConfusion;
  };
  // A 2x extender doubles both; no adapter and an anamorphic one change neither.
  model::CameraPackage extender = package({.adapterWidth = 2, .adapterHeight = 2});
  EXPECT_TRUE(same(DepthOfField::forPackage(extender, 1500, 50, 2.8f, 3),
                   DepthOfField::calculate(36, 24, 1500, 100, 5.6f, 3)));
  for (model::CameraPackage plain : {package({}), package({.adapterWidth = 0.5f, .adapterHeight = 1})}) {
    EXPECT_TRUE(same(DepthOfField::forPackage(plain, 1500, 50, 2.8f, 3),
                     DepthOfField::calculate(plain.getExtractionSensorWidth(), plain.getExtractionSensorHeight(),
                                             1500, 50, 2.8f, 3)));
  }
}

// There is no longest lens: a telescope of twelve metres focused five kilometres away has its limits
// some metres either side of the focus, and a focal length of a thousand kilometres still a hyperfocal
// distance, in a power of ten of kilometres.
TEST(DepthOfField, LongFocalLengthsHaveTheirLimits) {
  using ostrel::testing::package;
  DepthOfField dof = DepthOfField::forPackage(package({}), 1500, 12000, 2.8f, 5000);
  ASSERT_TRUE(dof.hasLimits());
  EXPECT_FALSE(dof.beyondHyperfocal());
  EXPECT_LT(dof.nearDistance, 5000);
  EXPECT_GT(dof.farDistance, 5000);
  EXPECT_LT(dof.farDistance - dof.nearDistance, 100);
  for (int system : {0, 1}) {
    DepthOfFieldTexts texts = DepthOfFieldTexts::make(dof, system);
    for (const std::string& text : {texts.hyperFocal, texts.nearLimit, texts.farLimit, texts.total}) {
      EXPECT_EQ(text.find("–"), std::string::npos) << text;
    }
  }
  DofMarkerOffsets markers = DofMarkerOffsets::make(dof, 200);
  EXPECT_TRUE(markers.nearOffset && markers.farOffset);

  DepthOfField far = DepthOfField::forPackage(package({}), 1500, 1e9f, 2.8f, 3);
  EXPECT_TRUE(far.hasHyperfocal());
  EXPECT_NE(DepthOfFieldTexts::make(far, 0).hyperFocal.find("e"), std::string::npos);
}

// Lenses no one can build and focus distances no lens can reach show the no-value text, never a
// number: a focal length under half a millimetre, an adapter of a billion or of a ten-thousandth, a focus
// inside the lens (the hyperfocal distance still stands there).
TEST(DepthOfField, ImpossibleLensesAndFocusShowNoValue) {
  using ostrel::testing::package;
  const struct Case {
    const char* what;
    model::CameraPackage package;
    float f, s;
    const char* hyperfocal;
  } cases[] = {
      {"a focal length under half a millimetre", package({}), 0.4f, 3, "–"},
      {"an adapter of a billion", package({.adapterWidth = 1e9f, .adapterHeight = 1e9f}), 50, 3, "–"},
      {"an adapter of a ten-thousandth", package({.adapterWidth = 1e-4f, .adapterHeight = 1e-4f}), 50, 3, "–"},
      {"a focus closer than the focal length", package({}), 50, 0.01f, "31m"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DepthOfField dof = DepthOfField::forPackage(c.package, 1500, c.f, 2.8f, c.s);
    EXPECT_FALSE(dof.hasLimits());
    DepthOfFieldTexts texts = DepthOfFieldTexts::make(dof, 0);
    EXPECT_EQ(texts.hyperFocal, c.hyperfocal);
    EXPECT_EQ(texts.nearLimit, "–");
    EXPECT_EQ(texts.farLimit, "–");
    EXPECT_EQ(texts.total, "–");
    EXPECT_EQ(DepthOfFieldTexts::make(dof, 1).total, "–");
    DofMarkerOffsets markers = DofMarkerOffsets::make(dof, 200);
    EXPECT_FALSE(markers.nearOffset || markers.farOffset);
  }
}

}  // namespace

}  // namespace app::pages

