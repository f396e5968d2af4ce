#include "app/optics/FStopMatrix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace app::optics {

namespace {

const std::string kThird = "\u2153";
const std::string kHalf = "\u00BD";
const std::string kTwoThirds = "\u2154";

TEST(FStopMatrix, NearestStopOfAnAperture) {
  const std::pair<double, std::string> cases[] = {{2.0, "f 2"},
                                                  {6.35, "f 5.6 " + kThird},
                                                  {0.9, "f 1"},
                                                  {3.36, "f 2.8 " + kHalf},
                                                  {100, "f 90 " + kThird},
                                                  {120, "f 90 " + kTwoThirds},
                                                  {22.6, "f 22"}};
  FStopMatrix m;
  for (const auto& [aperture, text] : cases) EXPECT_EQ(m.getFResultString(aperture), text) << aperture;
}

TEST(FStopMatrix, AperturesOffTheTableNeverReachAnIntegerConversion) {
  FStopMatrix m;
  const double inf = std::numeric_limits<double>::infinity();
  for (double below : {0.5, 0.0, -0.0, -4.0, -inf, std::nan(""), 1e-300}) {
    EXPECT_EQ(m.getFResultString(below), "< f 0.7") << below;
  }
  for (double above : {125.0, 200.0, 1e300, inf}) {
    EXPECT_EQ(m.getFResultString(above), "> f 90") << above;
  }
  // Every aperture in between names a stop of the table; from about f 121 on the nearest stop is past f 90.
  for (double n = 0.71; n < 120; n *= 1.01) {
    EXPECT_EQ(m.getFResultString(n).rfind("f ", 0), 0u) << n;
  }
}

TEST(FStopMatrix, PositionTextsAndValues) {
  FStopMatrix m;
  EXPECT_EQ(m.getFStopString(), "f 1");
  m.setRow(6);
  m.setModus(2);
  EXPECT_EQ(m.getFStopString(), "f 5.6 " + kHalf);
  EXPECT_DOUBLE_EQ(m.getFStopReal(), 6.727171321);
  for (const auto* table : {&m.fNumReal(), &m.fNumPlus1_3(), &m.fNumPlus1_2(), &m.fNumPlus2_3()}) {
    ASSERT_EQ(table->size(), 15u);
    EXPECT_TRUE(std::is_sorted(table->begin(), table->end()));
  }
}

TEST(FStopMatrix, AModusOffTheTableHasNoValueAndNoSuffixButKeepsItsRow) {
  for (int modus : {4, 7, -1}) {
    FStopMatrix m;
    m.setRow(6);
    m.setModus(modus);
    EXPECT_EQ(m.getFStopReal(), 0.0) << modus;
    EXPECT_EQ(m.getFStopString(), "f 5.6") << modus;
    EXPECT_EQ(m.row(), 6) << modus;
  }
}

TEST(FStopMatrix, ARowOffTheTableReadsAsTheFirstStartRow) {
  for (int row : {15, -1, 1000000}) {
    FStopMatrix m;
    m.setRow(row);
    m.setModus(1);
    EXPECT_EQ(m.row(), 4) << row;
    EXPECT_EQ(m.getFStopString(), "f 2.8 " + kThird) << row;
    EXPECT_DOUBLE_EQ(m.getFStopReal(), 3.174802104) << row;
  }
}

TEST(FStopMatrix, TheLastIndexOfTheTableIsNeverPassed) {
  // log2 of this aperture over the half-stop divisor is exactly 14: the first value past f 90's row.
  const double edge = 128.00000000000014;
  ASSERT_EQ(std::log2(edge) / 0.5000000000000001, 14.0);
  FStopMatrix m;
  EXPECT_EQ(m.getFResultString(edge), "> f 90");
  EXPECT_EQ(m.getFResultString(std::nextafter(edge, 0.0)), "> f 90") << "the next stop up is past the table";
}

}  // namespace

}  // namespace app::optics

