// The three scales: marks, positions and the maps between position and value.
#include <gtest/gtest.h>

#include <map>

#include "app/kit/UIConstants.h"
#include "app/main/BarTestSupport.h"
#include "app/main/ScaleMath.h"

namespace app::main {

namespace {

using namespace ostrel::testing;

class ScaleTest : public ::testing::Test, public BarTest {};

TEST_F(ScaleTest, ApertureMarksAndPositions) {
  auto b = bar(1, package("Prime Lens", {lens(50, "T1.4", "T22")}));
  EXPECT_EQ(b->scaleWidth(), 1200);
  const double step = 80;
  for (double n : {1.4, 2.8, 22.0}) EXPECT_NEAR(b->positionForAperture(n), stops(n) * step, 0.5) << n;
  EXPECT_FLOAT_EQ(b->apertureAt(0), 0.5f);
  for (float n : {0.7f, 2.8f, 5.6f, 16.0f}) EXPECT_NEAR(b->apertureAt(b->positionForAperture(n)), n, 1e-3) << n;

  // The limits are marked once, emphasised; the ordinary marks near them give way.
  std::map<std::string, int> count;
  for (const auto& [text, centre] : marks(*b)) ++count[text];
  EXPECT_EQ(count["1.4"], 1);
  EXPECT_EQ(count["22"], 1);
  EXPECT_EQ(markLabel(*b, "1.4")->font().fontName(), "Avenir-Heavy");
  EXPECT_NEAR(markLabel(*b, "22")->center().x, stops(22) * step, 0.5);
  const auto& displayed = b->apertureArrayDisplayed();
  EXPECT_EQ(std::count(displayed.begin(), displayed.end(), 1.4f), 0);
  EXPECT_EQ(std::count(displayed.begin(), displayed.end(), 22.0f), 0);
  const auto dim = platform::graphics::Color::fromBytes(170, 170, 170);
  for (const char* dimmed : {"0.5", "0.7", "1", "32", "45", "64", "90"}) {
    EXPECT_EQ(markLabel(*b, dimmed)->textColor(), dim) << dimmed;
  }
  for (const char* plain : {"2", "2.8", "16"}) EXPECT_NE(markLabel(*b, plain)->textColor(), dim) << plain;
}

TEST_F(ScaleTest, LimitsOfZeroDimLessAndAreNotPlaced) {
  const auto dim = platform::graphics::Color::fromBytes(170, 170, 170);
  auto openOnly = bar(1, package("Prime Lens", {lens(50, "T2", "")}));
  EXPECT_EQ(openOnly->currentLensApertureClosed(), 0);
  EXPECT_EQ(markLabel(*openOnly, "1.4")->textColor(), dim);
  EXPECT_NE(markLabel(*openOnly, "90")->textColor(), dim);
  auto none = bar(1, package("Prime Lens", {lens(50, "", "")}));
  for (const auto& [text, centre] : marks(*none)) {
    EXPECT_NE(markLabel(*none, text)->textColor(), dim) << text;
    EXPECT_TRUE(std::isfinite(centre.x) && centre.x >= 0) << text;
  }
  EXPECT_EQ(marks(*none).size(), 16u);  // no label for a limit of 0 (it would sit at minus infinity)
  EXPECT_FALSE(markLabel(*none, "0"));
}

TEST_F(ScaleTest, MetricDistances) {
  auto b = bar(2, package("Prime Lens", {lens(50, "T2", "T22", "0.42m | 1'5\"")}));
  EXPECT_EQ(b->scaleWidth(), 2000);
  const double perPoint = std::log(1000.0) / 2000;
  for (double d : {1.0, 10.0, 0.3}) EXPECT_NEAR(b->positionForDistance(d), std::log(d / 0.1) / perPoint, 0.5) << d;
  for (float d : {0.3f, 1.0f, 7.0f}) EXPECT_NEAR(b->distanceAt(b->positionForDistance(d)), d, d * 1e-4) << d;
  // The close focus is emphasised; the marks within 30 points of it give way, those below it are dimmed.
  EXPECT_EQ(markLabel(*b, "0.42")->font().fontName(), "Avenir-Heavy");
  EXPECT_NEAR(markLabel(*b, "0.42")->center().x, std::log(4.2) / perPoint, 0.5);
  EXPECT_FALSE(markLabel(*b, "0.4"));  // 14 points away
  EXPECT_TRUE(markLabel(*b, "0.5"));   // 50 points away
  EXPECT_EQ(markLabel(*b, "0.3")->textColor(), platform::graphics::Color::fromBytes(170, 170, 170));
  EXPECT_EQ(markLabel(*b, "1")->textColor(), kit::UIConstants::maxContrastText());
}

TEST_F(ScaleTest, ImperialDistancesReadAsFeetAndInchesWithALeadingBlank) {
  settings().measurementSystem = 1;
  auto b = bar(2, package("Prime Lens", {lens(50, "T2", "T22", "0.45m | 1'6\"")}));
  EXPECT_NEAR(b->currentLensCloseFocus(), 0.457, 0.002);
  const auto all = marks(*b);
  ASSERT_FALSE(all.empty());
  int blanks = 0;
  for (const auto& [text, centre] : all) blanks += text.front() == ' ';
  EXPECT_EQ(blanks, static_cast<int>(all.size()) - 1);  // all but the close focus
  EXPECT_TRUE(markLabel(*b, " 10'"));
  EXPECT_EQ(b->distanceArrayDisplayed().front(), 0.102f);
  EXPECT_NEAR(b->positionForDistance(0.102f), 0, 0.5);
}

TEST_F(ScaleTest, AZoomTakesTheDefaultMarksStrictlyInside) {
  auto b = bar(0, package("Zoom Lens", {zoom(24, 70)}));
  const double a1 = std::atan(fov(24, 36) / 2), a2 = std::atan(fov(70, 36) / 2);
  const double width = std::pow(46.0, 0.02) * 1500 * (a1 - a2);
  EXPECT_NEAR(b->scaleWidth(), width, 0.5);
  const std::vector<float> expected{24, 25, 28, 32, 35, 40, 50, 65, 70};
  EXPECT_EQ(b->focalLengthArray(), expected);
  const double m = width / (a1 - a2);
  for (float f : expected) {
    const double x = (a1 - std::atan(fov(f, 36) / 2)) * m;
    const auto* label = markLabel(*b, app::main::scale::numberText(f));
    ASSERT_TRUE(label) << f;
    EXPECT_NEAR(label->center().x, x, 0.5) << f;
    EXPECT_NEAR(b->positionForFocalLength(f), x, 0.5) << f;
    EXPECT_NEAR(b->focalLengthAt(x), f, 0.05) << f;
  }
  EXPECT_EQ(markLabel(*b, "24")->font().fontName(), "Avenir-Heavy");
  EXPECT_EQ(b->fovNotSelectedArrayDisplayed().size(), 7u);
  // Past the right end: the longest focal length, never more.
  EXPECT_FLOAT_EQ(b->focalLengthAt(b->scaleWidth() + 200), 70);
  EXPECT_FLOAT_EQ(b->focalLengthAt(-50), 24);
}

TEST_F(ScaleTest, ADefaultMarkCloseToAZoomEndGetsNoLabel) {
  auto b = bar(0, package("Zoom Lens", {zoom(24, 25.5f)}));
  EXPECT_EQ(b->focalLengthArray(), (std::vector<float>{24, 25, 25.5f}));
  EXPECT_FALSE(markLabel(*b, "25"));
  EXPECT_TRUE(b->fovNotSelectedArrayDisplayed().empty());
}

TEST_F(ScaleTest, APrimeSeries) {
  auto b = bar(0, package("Prime Lens", {lens(25), lens(50, "T2", "T22", "", 0), lens(100)}));
  const double a1 = std::atan(fov(25, 36) / 2), a2 = std::atan(fov(100, 36) / 2);
  const double width = std::pow(75.0, 0.02) * 1500 * (a1 - a2);
  EXPECT_NEAR(b->scaleWidth(), width, 0.5);
  const double m = width / (a1 - a2);
  for (float f : {25.0f, 50.0f, 100.0f}) {
    EXPECT_NEAR(markLabel(*b, app::main::scale::numberText(f))->center().x, (a1 - std::atan(fov(f, 36) / 2)) * m, 0.5);
  }
  // The unselected prime is dimmed, the selected ones emphasised.
  EXPECT_EQ(markLabel(*b, "50")->textColor(), platform::graphics::Color::fromBytes(170, 170, 170));
  EXPECT_EQ(markLabel(*b, "100")->font().fontName(), "Avenir-Heavy");
  for (double x : {0.0, 100.0, 368.0, width}) EXPECT_NEAR(b->positionForFocalLength(b->focalLengthAt(x)), x, 0.5);
}

TEST_F(ScaleTest, EqualFocalLengthsKeepTheSparseDensity) {
  auto b = bar(0, package("Prime Lens", {lens(25), lens(25), lens(50), lens(100)}));
  const double a1 = std::atan(fov(25, 36) / 2), a2 = std::atan(fov(100, 36) / 2);
  EXPECT_NEAR(b->scaleWidth(), std::pow(75.0, 0.02) * 1500 * (a1 - a2), 0.5);
}

// Two primes whose angles lie less than 0.035 rad apart spread the whole scale, so their marks stay
// apart.
TEST_F(ScaleTest, ClosePrimesSpreadTheScale) {
  auto b = bar(0, package("Prime Lens", {lens(25), lens(75), lens(80)}));
  ASSERT_LT(fov(75, 36) - fov(80, 36), 0.035);
  const double a1 = std::atan(fov(25, 36) / 2), a2 = std::atan(fov(80, 36) / 2);
  EXPECT_NEAR(b->scaleWidth(), std::pow(55.0, 0.02) * 2500 * (a1 - a2), 0.5);
}

TEST_F(ScaleTest, OverlappingLabelsShrinkAndAlternateHeights) {
  std::vector<model::LensObject> lenses;
  for (float f : {135.0f, 140.0f, 145.0f, 150.0f, 1000.0f}) lenses.push_back(lens(f));
  lenses.insert(lenses.begin(), lens(18));
  auto b = bar(0, package("Prime Lens", lenses));
  std::vector<std::pair<float, const platform::ui::Label*>> sorted;
  for (const auto& view : b->scrollBar()->subviews()) {
    auto* label = dynamic_cast<const platform::ui::Label*>(view.get());
    sorted.emplace_back(std::stof(label->text()), label);
  }
  std::sort(sorted.begin(), sorted.end());
  int pair = 1, overlaps = 0;
  for (size_t i = 0; i + 1 < sorted.size(); ++i) {
    const auto* first = sorted[i].second;
    const auto* second = sorted[i + 1].second;
    if (first->center().y == 22 || second->center().y == 22) continue;
    if (std::fabs(first->center().y - second->center().y) != 12) continue;
    EXPECT_EQ(first->center().y, pair % 2 ? 16 : 28) << first->text();
    EXPECT_EQ(second->center().y, pair % 2 ? 28 : 16) << second->text();
    EXPECT_EQ(first->font().pointSize(), 12);  // emphasised marks shrink to 12
    ++pair;
    ++overlaps;
  }
  EXPECT_GE(overlaps, 2);
  EXPECT_EQ(markLabel(*b, "18")->center().y, 22);
}

TEST_F(ScaleTest, ASingleFocalLengthHasAFixedScaleWithItsMarkAtTheStart) {
  for (const auto& p : {package("Prime Lens", {lens(50)}), package("Zoom Lens", {zoom(35, 35)}),
                        package("Prime Lens", {})}) {
    auto b = bar(0, p);
    EXPECT_EQ(b->scaleWidth(), 0);
    for (const auto& [text, centre] : marks(*b)) EXPECT_EQ(centre.x, 0) << text;
    EXPECT_EQ(b->positionForFocalLength(85), 0);
    EXPECT_FALSE(std::isnan(b->focalLengthAt(0)));
    EXPECT_EQ(b->zoomPercentage(), 0);
  }
}

TEST_F(ScaleTest, AZoomWithoutASelectedLensHasNoLimits) {
  auto p = package("Zoom Lens", {zoom(24, 70)});
  p.lensSet.front().selected = 0;
  auto b = bar(1, p);
  EXPECT_EQ(b->currentLensAperture(), 0);
  EXPECT_EQ(b->currentLensApertureClosed(), 0);
  EXPECT_EQ(marks(*b).size(), 16u);
  auto distance = bar(2, p);
  EXPECT_EQ(distance->currentLensCloseFocus(), 0);
  EXPECT_EQ(marks(*distance).size(), 26u);
}

TEST_F(ScaleTest, NearAHiddenFirstMarkTheValueIsTheScalesOwn) {
  // The lens opens at 0.5: the 0.5 mark gives way to the limit label, yet the start still reads 0.5.
  auto b = bar(1, package("Prime Lens", {lens(50, "T0.5", "T16")}));
  EXPECT_EQ(b->apertureArrayDisplayed().front(), 0.7f);
  EXPECT_FLOAT_EQ(b->apertureAt(0), 0.5f);
  EXPECT_NEAR(b->apertureAt(20), std::pow(std::sqrt(2.0), 0.25 - 2), 1e-4);
  auto d = bar(2, package("Prime Lens", {lens(50, "T2", "T22", "0.1m | 4''")}));
  EXPECT_FALSE(markLabel(*d, "0.1") && markLabel(*d, "0.1")->font().fontName() != "Avenir-Heavy");
  EXPECT_FLOAT_EQ(d->distanceAt(0), 0.1f);
  EXPECT_LT(d->distanceAt(10), 0.11f);
}

TEST_F(ScaleTest, RebuildingKeepsOneGradientAndCrossFadesChangedLabels) {
  const size_t labels = marks(*bar(1, package("Prime Lens", {lens(50, "T1.4", "T22")}))).size();
  auto b = bar(1, package("Prime Lens", {lens(50, "T1.4", "T22")}));
  const size_t layers = b->contentView()->layer().sublayers().size();
  const auto* before = markLabel(*b, "1.4");
  // The same scale built again keeps its labels: nothing to fade, nothing flickers.
  b->setInputType(1);
  b->setInputType(1);
  EXPECT_EQ(b->contentView()->layer().sublayers().size(), layers);
  EXPECT_EQ(b->gradientLayer()->colors().size(), 2u);
  EXPECT_EQ(b->gradientLayer()->frame(), b->contentView()->bounds());
  EXPECT_EQ(b->scrollBar()->subviews().size(), labels);
  EXPECT_EQ(markLabel(*b, "1.4"), before);
  EXPECT_EQ(markLabel(*b, "1.4")->alpha(), 1);

  // Another lens: old and new labels both stay during the fade; only the new remain after it.
  b->lensSet.lenses = {lens(50, "T2", "T16")};
  b->setFLIndex(0);
  b->setInputType(1);
  EXPECT_EQ(b->scrollBar()->subviews().size(), 2 * labels);
  env.advance(0.2);
  EXPECT_EQ(b->scrollBar()->subviews().size(), labels);
  EXPECT_FALSE(markLabel(*b, "1.4") && markLabel(*b, "1.4")->font().fontName() == "Avenir-Heavy");
  EXPECT_EQ(markLabel(*b, "16")->font().fontName(), "Avenir-Heavy");

  // The labels take the theme's colours: a theme saved since is drawn anew.
  KitTestEnvironment::setDarkMode(true);
  b->setInputType(1);
  env.advance(0.2);
  EXPECT_EQ(markLabel(*b, "2.8")->textColor(), platform::graphics::Color::whiteColor());
}

// Marks are measured once per font and text: the same text in another font has its own width.
TEST_F(ScaleTest, EachMarkIsAsWideAsItsTextInItsFont) {
  auto chosen = bar(0, package("Prime Lens", {lens(35), lens(50), lens(85)}));
  auto notChosen = bar(0, package("Prime Lens", {lens(35), lens(50, "T2", "T22", "0.45m | 1'6\"", 0), lens(85)}));
  ASSERT_NE(markLabel(*chosen, "50")->font(), markLabel(*notChosen, "50")->font());
  EXPECT_NE(markLabel(*chosen, "50")->bounds().width(), markLabel(*notChosen, "50")->bounds().width());
  for (const auto* b : {chosen.get(), notChosen.get()}) {
    for (const auto& [text, centre] : marks(*b)) {
      const auto* label = markLabel(*b, text);
      EXPECT_EQ(label->bounds().width(), label->sizeThatFits({64, 64}).width) << text;
      EXPECT_EQ(label->bounds().height(), 64) << text;
    }
  }
}

TEST_F(ScaleTest, AFocalLengthScaleFollowsTheSensorItIsBuiltFor) {
  auto b = bar(0, package("Prime Lens", {lens(25, "T2", "T22"), lens(50, "T2", "T22"), lens(100, "T2", "T22")}));
  const double wide = markLabel(*b, "100")->center().x;
  b->setInputType(0);
  EXPECT_EQ(markLabel(*b, "100")->center().x, wide) << "the same sensor gives the same scale";
  b->sensorWidth = 12;
  b->setInputType(0);
  EXPECT_NE(markLabel(*b, "100")->center().x, wide);
  EXPECT_EQ(marks(*b).size(), 3u) << "the old labels are replaced, not added to";
}

}  // namespace

}  // namespace app::main

