#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "app/model/CameraFormatFull.h"
#include "app/model/LensManufacturer.h"
#include "app/model/LensObject.h"
#include "app/model/PrimeLensObject.h"
#include "app/model/StoredColor.h"
#include "app/model/FrameGuide.h"
#include "app/model/LensAdapterRecord.h"

namespace app::model {

namespace {

TEST(CatalogueRecords, FrameGuideAndAdapterLabels) {
  EXPECT_EQ((FrameGuide{1, 2.39f, 1.0f, 0, 0}.getListString()), "None");
  EXPECT_EQ((FrameGuide{2, 1.85f, 1.0f, 0, 0}.getListString()), "1.85:1");
  EXPECT_EQ(FrameGuide::ratioText(16.0f, 9.0f), "16:9");

  // Only the width decides the label.
  const struct {
    float width, height;
    const char* label;
  } adapters[] = {{0.71f, 0.71f, "0.71x"}, {1.0f, 1.0f, "1x"}, {1.0f, 0.5f, "1x ANA"}, {0.0f, 1.0f, nullptr}};
  for (const auto& a : adapters) {
    LensAdapterRecord adapter;
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
  EXPECT_EQ(lens.getCloseFocusMetricString(), "0.45m");
  EXPECT_EQ(lens.getCloseFocusImperialString(), "1.5ft");
  EXPECT_EQ(lens.getCloseFocusMetric(), "0.45");
  EXPECT_EQ(lens.getCloseFocusImperial(), "1.5");
  lens.closeFocus = "0.3m | 1' 6\"";
  EXPECT_EQ(lens.getCloseFocusImperial(), "16");
  lens.closeFocus = "2ft";
  EXPECT_EQ(lens.getCloseFocusMetricString(), "2ft");
  EXPECT_EQ(lens.getCloseFocusImperialString(), "2ft");
  lens.closeFocus.clear();
  EXPECT_EQ(lens.getCloseFocusMetric(), "");
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
  camera.manufacturer = Camera(1, "Kestrel", "K1", "Cine", 0);
  camera.shootingMode.shootingMode = "4K";
  camera.shootingMode.aspectRatio = "1.9:1";
  EXPECT_EQ(camera.getListString(), "Kestrel K1 4K - 1.9:1 ");
}

TEST(CatalogueRecords, FocalListsSortAscending) {
  std::vector<PrimeLensObject> primes = {{85, true}, {18, false}, {35, true}};
  std::sort(primes.begin(), primes.end(), [](auto& a, auto& b) { return a.compareIT(b) < 0; });
  EXPECT_DOUBLE_EQ(primes.front().primeLens, 18);
  EXPECT_DOUBLE_EQ(primes.back().primeLens, 85);
  FreeZoomLensObject wide(24, 70), longer(24, 290), tele(70, 200);
  EXPECT_LT(wide.compareIT(longer), 0);
  EXPECT_GT(tele.compareIT(longer), 0);
  EXPECT_EQ(wide.compareIT(FreeZoomLensObject(24, 70)), 0);
}

TEST(CatalogueRecords, ColorCodeTruncatesComponentsWithinTheirByte) {
  EXPECT_EQ(StoredColor::defaultFrameGuideColor().colorCode(), 0xFC3E30);
  EXPECT_EQ((StoredColor{0.5, 0.999, 0.0, 1}.colorCode()), 0x7FFE00);
  EXPECT_EQ((StoredColor{2.0, -1.0, std::nan(""), 1}.colorCode()), 0xFF0000);
  for (int code : {0, 0x123456, 0xFFFFFF, 0xFC3E30}) {
    EXPECT_EQ(StoredColor::fromColorCode(code).colorCode(), code);
  }
  EXPECT_EQ(StoredColor::fromColorCode(0xFC3E30).alpha, 1.0);
}

}  // namespace

}  // namespace app::model

