#include "app/model/CameraPackage.h"

#include <gtest/gtest.h>

#include <cmath>

namespace app::model {

namespace {

constexpr double kTolerance = 0.01;

LensAdapterRecord adapter(float width, float height) {
  LensAdapterRecord a;
  a.adapterId = 1;
  a.adapterValueWidth = width;
  a.adapterValueHeight = height;
  return a;
}

LensObject lens(float focalLength, float focalLengthMax = 0.0f, std::string type = "Prime Lens") {
  LensObject l;
  l.focalLength = focalLength;
  l.focalLengthMax = focalLengthMax;
  l.lensType = std::move(type);
  return l;
}

// A package on a 24.89 x 18.66 mm format, spherical series, no adapter, no crop.
CameraPackage package(float width = 24.89f, float height = 18.66f, float lensSqueeze = 1.0f) {
  CameraPackage p;
  p.cameraManufacturer = Camera(3, "Kestrel", "K1", "Cine", 0);
  CameraShootingMode mode;
  mode.width = width;
  mode.height = height;
  mode.anamorphotic = 1.0f;
  mode.shootingMode = "Open Gate";
  mode.aspectRatio = "1.33:1";
  p.shootingMode = mode;
  p.lensManufacturer = LensManufacturer(5, "Halden", "Cine Primes", "Prime Lens", 1, lensSqueeze, 0);
  p.lensSet = {lens(50)};
  p.lensAdapter = adapter(1.0f, 1.0f);
  p.cropID = 1;
  p.formatType = "native";
  return p;
}

void crop(CameraPackage& p, int id, std::string ratio) {
  p.cropID = id;
  p.cropAspectRatio = std::move(ratio);
  p.formatType = "crop";
}

// A 24.89 x 18.66 mm format (14 mm high where noted) through series squeeze, adapter and crop.
TEST(CameraPackageArithmetic, SimulationAndExtractionFormats) {
  const struct Case {
    const char* what;
    float height, squeeze, adapterWidth, adapterHeight;
    const char* crop;
    float factor, simulationWidth, simulationHeight, extractionWidth, extractionHeight;
  } cases[] = {
      {"plain", 18.66f, 1, 1, 1, "", 1, 24.89f, 18.66f, 24.89f, 18.66f},
      {"2x series", 18.66f, 2, 1, 1, "", 2, 49.78f, 18.66f, 24.89f, 18.66f},
      {"narrower crop keeps the height", 18.66f, 2, 1, 1, "2.39:1", 2, 44.60f, 18.66f, 22.30f, 18.66f},
      {"wider crop keeps the width", 14.0f, 1.3f, 1, 1, "2.76:1", 1.3f, 32.36f, 11.72f, 24.89f, 11.72f},
      {"booster", 18.66f, 1, 0.71f, 0.71f, "", 1, 35.06f, 26.28f, 24.89f, 18.66f},
      {"anamorphic adapter", 18.66f, 1, 0.5f, 1, "", 2, 49.78f, 18.66f, 24.89f, 18.66f},
  };
  for (const auto& c : cases) {
    CameraPackage p = package(24.89f, c.height, c.squeeze);
    p.lensAdapter = adapter(c.adapterWidth, c.adapterHeight);
    if (*c.crop) crop(p, 3, c.crop);
    EXPECT_FLOAT_EQ(p.getTotalAnamorphicFactor(), c.factor) << c.what;
    EXPECT_NEAR(p.getFinalSimulationFormatWidth(), c.simulationWidth, kTolerance) << c.what;
    EXPECT_NEAR(p.getFinalSimulationFormatHeight(), c.simulationHeight, kTolerance) << c.what;
    EXPECT_NEAR(p.getExtractionSensorWidth(), c.extractionWidth, kTolerance) << c.what;
    EXPECT_NEAR(p.getExtractionSensorHeight(), c.extractionHeight, kTolerance) << c.what;
  }
  EXPECT_NEAR(package(24.89f, 18.66f, 2.0f).getAspectValueWithAnaBeforeCrop(), 2.667, kTolerance);
  EXPECT_EQ(adapter(0.5f, 1.0f).displayValue(), "2x ANA");
}

TEST(CameraPackageArithmetic, CropEqualToTheFormatOrUnreadableIsUncropped) {
  CameraPackage p = package(36.0f, 24.0f);
  for (const char* ratio : {"3:2", ""}) {
    crop(p, 5, ratio);
    EXPECT_FLOAT_EQ(p.getFinalSimulationFormatWidth(), 36.0f) << ratio;
    EXPECT_FLOAT_EQ(p.getFinalSimulationFormatHeight(), 24.0f) << ratio;
  }
  EXPECT_TRUE(std::isnan(CameraPackage::aspectRatioString2Value("")));
}

TEST(CameraPackageArithmetic, MissingPartsReadAsZeroEmptyOrNotFinite) {
  CameraPackage empty;
  EXPECT_EQ(empty.getTotalAnamorphicFactor(), 0.0f);
  EXPECT_FALSE(std::isfinite(empty.getExtractionSensorWidth()));
  EXPECT_EQ(empty.getLensString(), "");
  EXPECT_EQ(empty.getAdapterString(), "");
  EXPECT_EQ(empty.getSensorAspectRatio(), "NaN:1");
  EXPECT_FALSE(empty.getFreeZoomLens());
  EXPECT_FALSE(empty.getPrimeLensList());

  CameraPackage noSeries = package();
  noSeries.lensManufacturer.reset();
  EXPECT_EQ(noSeries.getFinalSimulationFormatWidth(), 0.0f);

  // An adapter that could not be read is taken as none, so the figures stay those of the bare lens.
  CameraPackage noAdapter = package();
  noAdapter.lensAdapter.reset();
  EXPECT_EQ(noAdapter.getFinalSimulationFormatWidth(), package().getFinalSimulationFormatWidth());
  EXPECT_EQ(noAdapter.getFinalSimulationFormatHeight(), package().getFinalSimulationFormatHeight());
  EXPECT_EQ(noAdapter.getTotalAnamorphicFactor(), package().getTotalAnamorphicFactor());
  EXPECT_EQ(noAdapter.adapterMagnification(), 1.0f);
}

TEST(CameraPackageTexts, LensLists) {
  CameraPackage p = package();
  EXPECT_EQ(p.getLensString(), "50");
  p.lensSet = {lens(18), lens(25), lens(35), lens(17.5f)};
  EXPECT_EQ(p.getLensString(), "18 \u00B7 25 \u00B7 35 \u00B7 17.5");
  EXPECT_EQ(p.getLensStringForPackage(), "Halden Cine Primes  |  18 \u00B7 25 \u00B7 35 \u00B7 17.5");
  EXPECT_EQ(p.getLensStringForMainView(), "Halden Cine Primes");
  EXPECT_EQ(p.getPrimeLensList().value_or(std::vector<PrimeLensObject>()).size(), 4u);
  EXPECT_FALSE(p.getFreeZoomLens());

  p.lensManufacturer = LensManufacturer(9, "Halden", "Vario", "Zoom Lens", 1, 1.0f, 0);
  p.lensSet = {lens(24, 290, "Zoom Lens")};
  EXPECT_EQ(p.getLensString(), "24 - 290mm");
  EXPECT_EQ(p.getLensStringForMainView(), "Halden Vario  |  24 - 290mm");
  EXPECT_DOUBLE_EQ(p.getFreeZoomLens().value_or(FreeZoomLensObject()).maxFl, 290.0);
  EXPECT_FALSE(p.getPrimeLensList());

  p.lensSet.clear();
  EXPECT_EQ(p.getLensString(), "");
  EXPECT_EQ(p.getLensStringForMainView(), "Halden Vario");
  EXPECT_FALSE(p.getFreeZoomLens());
}

TEST(CameraPackageTexts, AspectRatioTexts) {
  CameraPackage p = package(24.89f, 18.66f, 2.0f);
  p.shootingMode->anamorphotic = 2.0f;
  p.shootingMode->aspectRatio = "2.39:1";
  EXPECT_EQ(p.getSensorAspectRatio(), "1.2:1");
  EXPECT_EQ(p.getNativeAspectRatioIncludingAnamorphic(), "2.39:1");
  EXPECT_EQ(p.getFinalAspectRatio(), "2.39:1");

  // A spherical format behind a 2x series shows the desqueezed ratio.
  p.shootingMode->anamorphotic = 1.0f;
  p.shootingMode->aspectRatio = "1.78:1";
  EXPECT_EQ(p.getNativeAspectRatioIncludingAnamorphic(), "3.56:1");
  EXPECT_EQ(p.getFinalAspectRatio(), "3.56:1");

  crop(p, 6, "2,39:1");
  EXPECT_EQ(p.getCameraFormatLabelString(), "Kestrel K1  |  Open Gate  |   2.39:1");
  p.shootingMode->shootingModeNameOrig = false;
  EXPECT_EQ(p.getCameraFormatLabelString(), "Kestrel K1  |  2.39:1");
}

}  // namespace

}  // namespace app::model

