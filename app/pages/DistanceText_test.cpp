#include "app/pages/DistanceText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace app::pages {

namespace {

// Metre and foot texts while their figure has up to five digits, so that two limits 1.6 m apart still
// read apart; then kilometres and miles, tenths below twenty, whole numbers up to five digits and a
// power of ten beyond, rounded up into the next power where it must.
TEST(DistanceText, DistancesReadInMetresAndFeetWhileTheirFigureFits) {
  const struct {
    double meters;
    const char* metric;
    const char* imperial;
  } cases[] = {
      {9999.5, "10000m", "32806'"},
      {14999.2, "14999m", "49209'"},
      {15000.8, "15001m", "49214'"},
      {30480.35, "30480m", "99999'"},
      {30480.4, "30480m", "18.9mi"},
      {99999.4, "99999m", "62mi"},
      {99999.5, "100km", "62mi"},
      {99999499, "99999km", "62136mi"},
      {99999500, "1.0e5km", "62136mi"},
      {1e9, "1.0e6km", "6.2e5mi"},
      {9.96e10, "1.0e8km", "6.2e7mi"},
      {std::numeric_limits<double>::max(), "1.8e305km", "1.1e305mi"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DistanceText::text(c.meters, 0), c.metric) << c.meters;
    EXPECT_EQ(DistanceText::text(c.meters, 1), c.imperial) << c.meters;
  }
  for (double nothing : {std::numeric_limits<double>::infinity(), std::nan("")}) {
    EXPECT_EQ(DistanceText::text(nothing, 0), kNoValueText);
    EXPECT_EQ(DistanceText::focusText(nothing, 1), kNoValueText);
  }
  EXPECT_EQ(DistanceText::focusText(0.001, 0), kNoValueText) << "closer than any lens focuses";
  EXPECT_EQ(DistanceText::focusText(1e9, 0), "1.0e6km");
}

}  // namespace

}  // namespace app::pages
