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

TEST(CatalogueRecords, FrameGuideAndAdapterLabels) {
  EXPECT_EQ((QuorvelFrameGuide{1, 2.39f, 1.0f, 0, 0}.getListString()), "None");
  EXPECT_EQ((QuorvelFrameGuide{2, 1.85f, 1.0f, 0, 0}.getListString()), "1.85:1");
  EXPECT_EQ(QuorvelFrameGuide::ratioText(16.0f, 9.0f), "16:9");

  // Only the width decides the label.
  const struct {
    float width, height;
    const char* label;
  } adapters[] = {{0.71f, 0.71f, "0.71x"}, {1.0f, 1.0f, "1x"}, {1.0f, 0.5f, "1x ANA"}, {0.0f, 1.0f, nullptr}};
  for (const auto& a : adapters) {
    QuorvelLensAdapter adapter;
    adapter.adapterValueWidth = a.width;
    adapter.adapterValueHeight = a.height;
    EXPECT_EQ(adapter.isNoneAdapter(), a.width == 1.0f) << a.width;
    const std::string label = adapter.displayValue();  // whatever the width, it must not fail
    if (a.label) {
      EXPECT_EQ(label, a.label);
    }
  }
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

TEST(CatalogueRecords, LensInputValuesAndListTexts) {
  LensObject lens;
  lens.focalLength = 50.0f;
  lens.lensType = "Prime Lens";
  EXPECT_EQ(lens.getListString(), "50.0mm");
  EXPECT_FLOAT_EQ(lens.getInputValues().aperture, 2.8f) << "no stored aperture";
  lens.aperture = "T2.1";
  lens.closeFocus = "0.45m | 1.5ft";
  const InputScrollStructObject full = lens.getInputValues();
  EXPECT_FLOAT_EQ(full.aperture, 2.1f);
  EXPECT_FLOAT_EQ(full.distance, -1.0f);
  EXPECT_EQ(full.closeFocus, "0.45m | 1.5ft");

  lens.lensType = "Zoom Lens";
  lens.focalLength = 24.0f;
  lens.focalLengthMax = 290.0f;
  EXPECT_EQ(lens.getListString(), "24.0 - 290.0mm");
  CameraFormatFull camera;
  camera.manufactorer = CameraManufactor(1, "Kestrel", "K1", "Cine", 0);
  camera.shootingMode.shootingMode = "4K";
  camera.shootingMode.aspectRatio = "1.9:1";
  EXPECT_EQ(camera.getListString(), "Kestrel K1 4K - 1.9:1 ");
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
}

TEST(CatalogueRecords, ColorCodeTruncatesComponentsWithinTheirByte) {
  EXPECT_EQ(QuorvelColor::defaultFrameGuideColor().colorCode(), 0xFC3E30);
  EXPECT_EQ((QuorvelColor{0.5, 0.999, 0.0, 1}.colorCode()), 0x7FFE00);
  EXPECT_EQ((QuorvelColor{2.0, -1.0, std::nan(""), 1}.colorCode()), 0xFF0000);
  for (int code : {0, 0x123456, 0xFFFFFF, 0xFC3E30}) {
    EXPECT_EQ(QuorvelColor::fromColorCode(code).colorCode(), code);
  }
  EXPECT_EQ(QuorvelColor::fromColorCode(0xFC3E30).alpha, 1.0);
}

}  // namespace
