#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "app/model/CameraFormatFull.h"
#include "app/model/LensManufacturer.h"
#include "app/model/LensObject.h"
#include "app/model/PrimeLenseObject.h"
#include "app/model/QuorvelColor.h"
#include "app/model/QuorvelFrameGuide.h"
#include "app/model/QuorvelLensAdapter.h"

namespace {

TEST(CatalogueRecords, FrameGuideTexts) {
  QuorvelFrameGuide none{1, 2.39f, 1.0f, 0, 0};
  EXPECT_EQ(none.getListString(), "None");
  QuorvelFrameGuide flat{2, 1.85f, 1.0f, 0, 0};
  EXPECT_EQ(flat.getListString(), "1.85:1");
  EXPECT_EQ(QuorvelFrameGuide::ratioText(16.0f, 9.0f), "16:9");
  EXPECT_EQ(QuorvelFrameGuide::ratioText(2.39f, 1.0f), "2.39:1");
}

TEST(CatalogueRecords, AdapterLabelsTestOnlyTheWidth) {
  QuorvelLensAdapter adapter;
  adapter.adapterValueWidth = adapter.adapterValueHeight = 0.71f;
  EXPECT_EQ(adapter.displayValue(), "0.71x");
  EXPECT_TRUE(adapter.isNormalAdapter());

  adapter.adapterValueWidth = adapter.adapterValueHeight = 1.0f;
  EXPECT_EQ(adapter.displayValue(), "1x");
  EXPECT_TRUE(adapter.isNoneAdapter());

  adapter.adapterValueHeight = 0.5f;
  EXPECT_TRUE(adapter.isNoneAdapter());
  EXPECT_EQ(adapter.displayValue(), "1x ANA");

  adapter.adapterValueWidth = 0.0f;
  adapter.adapterValueHeight = 1.0f;
  EXPECT_NO_THROW(adapter.displayValue());
}

TEST(CatalogueRecords, LensCloseFocusSplitsAtTheBar) {
  LensObject lens;
  lens.closeFocus = "0.45m | 1.5ft";
  EXPECT_EQ(lens.getCloseFcousMetricString(), "0.45m");
  EXPECT_EQ(lens.getCloseFcousImperialString(), "1.5ft");
  EXPECT_EQ(lens.getCloseFcousMetric(), "0.45");
  EXPECT_EQ(lens.getCloseFcousImperial(), "1.5");

  lens.closeFocus = "0.3m | 1' 6\"";
  EXPECT_EQ(lens.getCloseFcousImperial(), "16");
  lens.closeFocus = "2ft";
  EXPECT_EQ(lens.getCloseFcousMetricString(), "2ft");
  EXPECT_EQ(lens.getCloseFcousImperialString(), "2ft");
  lens.closeFocus.clear();
  EXPECT_EQ(lens.getCloseFcousMetric(), "");
}

TEST(CatalogueRecords, LensInputValuesAndListText) {
  LensObject lens;
  lens.focalLength = 50.0f;
  lens.lensType = "Prime Lens";
  InputScrollStructObject plain = lens.getInputValues();
  EXPECT_FLOAT_EQ(plain.aperture, 2.8f);
  EXPECT_FLOAT_EQ(plain.distance, 1.0f);
  EXPECT_EQ(plain.closeFocus, "");
  EXPECT_FLOAT_EQ(plain.fl, 50.0f);
  EXPECT_EQ(lens.getListString(), "50.0mm");

  lens.aperture = "T2.1";
  lens.closeFocus = "0.45m | 1.5ft";
  InputScrollStructObject full = lens.getInputValues();
  EXPECT_EQ(lens.getAperture(), "2.1");
  EXPECT_FLOAT_EQ(full.aperture, 2.1f);
  EXPECT_FLOAT_EQ(full.distance, -1.0f);
  EXPECT_EQ(full.closeFocus, "0.45m | 1.5ft");

  lens.lensType = "Zoom Lens";
  lens.focalLength = 24.0f;
  lens.focalLengthMax = 290.0f;
  EXPECT_EQ(lens.getListString(), "24.0 - 290.0mm");
}

TEST(CatalogueRecords, SeriesKindAndDefaults) {
  LensManufacturer series;
  EXPECT_FLOAT_EQ(series.anamorphotic, 1.0f);
  EXPECT_EQ(series.origin, 1);
  EXPECT_TRUE(series.isPrimeLens());
  series.lensType = "Zoom Lens";
  EXPECT_TRUE(series.isZoomLens());
  LensManufacturer named(7, "Halden", "Cine Primes", "Prime Lens", 1, 2.0f, 0);
  EXPECT_EQ(named.series, "Cine Primes");
  EXPECT_EQ(named.getListString(), "Halden Cine Primes");

  CameraFormatFull full;
  full.manufactorer = CameraManufactor(1, "Kestrel", "K1", "Cine", 0);
  full.shootingMode.shootingMode = "4K";
  full.shootingMode.aspectRatio = "1.9:1";
  EXPECT_EQ(full.getListString(), "Kestrel K1 4K - 1.9:1 ");
}

TEST(CatalogueRecords, FocalListsSortAscending) {
  std::vector<PrimeLenseObject> primes = {{85, true}, {18, false}, {35, true}};
  std::sort(primes.begin(), primes.end(), [](auto& a, auto& b) { return a.compareIT(b) < 0; });
  EXPECT_DOUBLE_EQ(primes.front().primelense, 18);
  EXPECT_DOUBLE_EQ(primes.back().primelense, 85);

  FreeZoomLenseObject wide(24, 70), longer(24, 290), tele(70, 200);
  EXPECT_LT(wide.compareIT(longer), 0);
  EXPECT_GT(tele.compareIT(longer), 0);
  EXPECT_EQ(wide.compareIT(FreeZoomLenseObject(24, 70)), 0);
  EXPECT_DOUBLE_EQ(FreeZoomLenseObject().maxFl, 1.0);
}

TEST(CatalogueRecords, ColorCodeTruncatesComponents) {
  EXPECT_EQ(QuorvelColor::defaultFrameGuideColor().colorCode(), 0xFC3E30);
  EXPECT_EQ((QuorvelColor{1, 0, 0, 1}.colorCode()), 0xFF0000);
  EXPECT_EQ(QuorvelColor::blueColor().colorCode(), 255);
  EXPECT_EQ((QuorvelColor{0.5, 0.999, 0.0, 1}.colorCode()), 0x7FFE00);

  QuorvelColor decoded = QuorvelColor::fromColorCode(0xFC3E30);
  EXPECT_NEAR(decoded.red, 0.988, 1e-3);
  EXPECT_NEAR(decoded.green, 0.243, 1e-3);
  EXPECT_NEAR(decoded.blue, 0.188, 1e-3);
  EXPECT_EQ(decoded.alpha, 1.0);
  for (int code : {0, 0x123456, 0xFFFFFF, 0xFC3E30}) {
    EXPECT_EQ(QuorvelColor::fromColorCode(code).colorCode(), code);
  }
  // Out-of-range components stay within their own byte.
  EXPECT_EQ((QuorvelColor{2.0, -1.0, std::nan(""), 1}.colorCode()), 0xFF0000);
}

}  // namespace
