#include "app/optics/FStopMatrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const std::string kThird = "\u2153";
const std::string kHalf = "\u00BD";
const std::string kTwoThirds = "\u2154";

TEST(FStopMatrix, NearestStopOfAnAperture) {
  FStopMatrix m;
  EXPECT_EQ(m.getFResultString(2.0), "f 2");
  EXPECT_EQ(m.getFResultString(6.35), "f 5.6 " + kThird);
  EXPECT_EQ(m.getFResultString(0.9), "f 1");
  EXPECT_EQ(m.getFResultString(3.36), "f 2.8 " + kHalf);
  EXPECT_EQ(m.getFResultString(100), "f 90 " + kThird);
  EXPECT_EQ(m.getFResultString(120), "f 90 " + kTwoThirds);
  EXPECT_EQ(m.getFResultString(22.6), "f 22");
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
    std::string text = m.getFResultString(n);
    EXPECT_EQ(text.rfind("f ", 0), 0u) << n;
  }
}

TEST(FStopMatrix, PositionTextsAndValues) {
  FStopMatrix m;
  EXPECT_EQ(m.row(), 1);
  EXPECT_EQ(m.getFStopString(), "f 1");
  m.setRow(6);
  m.setModus(1);
  EXPECT_EQ(m.getFStopString(), "f 5.6 " + kThird);
  EXPECT_DOUBLE_EQ(m.getFStopReal(), 6.349604207);
  m.setModus(2);
  EXPECT_DOUBLE_EQ(m.getFStopReal(), 6.727171321);
  EXPECT_EQ(m.getFStopString(), "f 5.6 " + kHalf);
  m.setModus(3);
  EXPECT_DOUBLE_EQ(m.getFStopReal(), 7.127189745);
  m.setRow(14);
  m.setModus(0);
  EXPECT_EQ(m.getFStopString(), "f 90");
  EXPECT_DOUBLE_EQ(m.getFStopReal(), 90.50966799);
  EXPECT_EQ(m.fNumDisplaySecondRow().size(), 4u);
  for (const auto* table : {&m.fNumReal(), &m.fNumPlus1_3(), &m.fNumPlus1_2(), &m.fNumPlus2_3()}) {
    ASSERT_EQ(table->size(), 15u);
    for (size_t i = 1; i < table->size(); ++i) EXPECT_LT((*table)[i - 1], (*table)[i]);
  }
}

TEST(FStopMatrix, StoredPositionOutOfRangeReadsAsTheFirstStartPosition) {
  for (auto [row, modus] : {std::pair{15, 1}, {-1, 2}, {1000000, 0}, {3, 4}, {3, -1}}) {
    FStopMatrix m;
    m.setRow(row);
    m.setModus(modus);
    EXPECT_EQ(m.row(), 4);
    EXPECT_EQ(m.modus(), 0);
    EXPECT_EQ(m.getFStopString(), "f 2.8");
    EXPECT_DOUBLE_EQ(m.getFStopReal(), 2.828427125);
  }
}

}  // namespace
