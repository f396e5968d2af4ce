#include "app/model/QuorvelPackage.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kTolerance = 0.01;

QuorvelLensAdapter adapter(float width, float height, std::string name = "aaaaNone") {
  QuorvelLensAdapter a;
  a.adapterId = 1;
  a.adapterValueWidth = width;
  a.adapterValueHeight = height;
  a.adapterName = std::move(name);
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
QuorvelPackage package(float width = 24.89f, float height = 18.66f, float lensSqueeze = 1.0f) {
  QuorvelPackage p;
  p.cameraManufacturer = CameraManufactor(3, "Kestrel", "K1", "Cine", 0);
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

void crop(QuorvelPackage& p, int id, std::string ratio) {
  p.cropID = id;
  p.cropAspectRatio = std::move(ratio);
  p.formatType = "crop";
}

TEST(QuorvelPackageArithmetic, PlainFormatIsItsOwnSimulationAndExtraction) {
  QuorvelPackage p = package();
  EXPECT_FLOAT_EQ(p.getTotalAnamorphicFactor(), 1.0f);
  EXPECT_NEAR(p.getFinalSimulationFormatWidth(), 24.89, kTolerance);
  EXPECT_NEAR(p.getFinalSimulationFormatHeight(), 18.66, kTolerance);
  EXPECT_NEAR(p.getExtractionSensorWidth(), 24.89, kTolerance);
  EXPECT_NEAR(p.getExtractionSensorHeight(), 18.66, kTolerance);
  EXPECT_EQ(p.getExtractionSensorAspectRatioWithoutAna(), "1.33:1");
}

TEST(QuorvelPackageArithmetic, AnamorphicSeriesDesqueezesTheWidth) {
  QuorvelPackage p = package(24.89f, 18.66f, 2.0f);
  EXPECT_FLOAT_EQ(p.getTotalAnamorphicFactor(), 2.0f);
  EXPECT_NEAR(p.getAspectValueWithAnaBeforeCrop(), 2.667, kTolerance);
  EXPECT_NEAR(p.getFinalSimulationFormatWidth(), 49.78, kTolerance);
  EXPECT_NEAR(p.getFinalSimulationFormatHeight(), 18.66, kTolerance);
  EXPECT_NEAR(p.getExtractionSensorWidth(), 24.89, kTolerance);
  EXPECT_NEAR(p.getExtractionSensorHeight(), 18.66, kTolerance);
}

TEST(QuorvelPackageArithmetic, NarrowerCropKeepsTheHeight) {
  QuorvelPackage p = package(24.89f, 18.66f, 2.0f);
  crop(p, 3, "2.39:1");
  EXPECT_NEAR(p.getFinalSimulationFormatWidth(), 44.60, kTolerance);
  EXPECT_NEAR(p.getFinalSimulationFormatHeight(), 18.66, kTolerance);
  EXPECT_NEAR(p.getExtractionSensorWidth(), 22.30, kTolerance);
  EXPECT_NEAR(p.getExtractionSensorHeight(), 18.66, kTolerance);
  EXPECT_EQ(p.getFinalAspectRatio(), "2.39:1");
}

TEST(QuorvelPackageArithmetic, WiderCropKeepsTheDesqueezedWidth) {
  QuorvelPackage p = package(24.89f, 14.0f, 1.3f);
  crop(p, 4, "2.76:1");
  EXPECT_NEAR(p.getAspectValueWithAnaBeforeCrop(), 2.311, kTolerance);
  EXPECT_NEAR(p.getFinalSimulationFormatWidth(), 32.36, kTolerance);
  EXPECT_NEAR(p.getFinalSimulationFormatHeight(), 11.72, kTolerance);
  EXPECT_NEAR(p.getFinalAspectRatioValue(), 2.76, kTolerance);
}

TEST(QuorvelPackageArithmetic, CropEqualToTheFormatOrUnreadableIsUncropped) {
  QuorvelPackage p = package(36.0f, 24.0f);
  crop(p, 5, "3:2");
  ASSERT_EQ(QuorvelPackage::aspectRatioString2Value("3:2"), p.getAspectValueWithAnaBeforeCrop());
  EXPECT_FLOAT_EQ(p.getFinalSimulationFormatWidth(), 36.0f);
  EXPECT_FLOAT_EQ(p.getFinalSimulationFormatHeight(), 24.0f);

  crop(p, 5, "");
  EXPECT_TRUE(std::isnan(QuorvelPackage::aspectRatioString2Value("")));
  EXPECT_FLOAT_EQ(p.getFinalSimulationFormatWidth(), 36.0f);
  EXPECT_FLOAT_EQ(p.getFinalSimulationFormatHeight(), 24.0f);
}

TEST(QuorvelPackageArithmetic, SpeedBoosterEnlargesTheSimulatedFormatOnly) {
  QuorvelPackage p = package();
  p.lensAdapter = adapter(0.71f, 0.71f, "Booster");
  EXPECT_NEAR(p.getFinalSimulationFormatWidth(), 35.06, kTolerance);
  EXPECT_NEAR(p.getFinalSimulationFormatHeight(), 26.28, kTolerance);
  EXPECT_NEAR(p.getExtractionSensorWidth(), 24.89, 1e-4);
  EXPECT_NEAR(p.getExtractionSensorHeight(), 18.66, 1e-4);
}

TEST(QuorvelPackageArithmetic, AnamorphicAdapterActsThroughTheTotalFactor) {
  QuorvelPackage p = package();
  p.lensAdapter = adapter(0.5f, 1.0f, "Anamorphot");
  EXPECT_FLOAT_EQ(p.getTotalAnamorphicFactor(), 2.0f);
  EXPECT_EQ(p.lensAdapter->displayValue(), "2x ANA");
  EXPECT_FLOAT_EQ(p.getFinalSimulationFormatWidth(), 2 * 24.89f);
  EXPECT_FLOAT_EQ(p.getExtractionSensorWidth(), 24.89f);
  EXPECT_FLOAT_EQ(p.getExtractionSensorHeight(), 18.66f);
}

TEST(QuorvelPackageArithmetic, MissingPartsReadAsZeroAndNeverFail) {
  QuorvelPackage empty;
  EXPECT_EQ(empty.getTotalAnamorphicFactor(), 0.0f);
  EXPECT_FALSE(std::isfinite(empty.getExtractionSensorWidth()));
  EXPECT_EQ(empty.getLensString(), "");
  EXPECT_EQ(empty.getAdapterString(), "");
  EXPECT_EQ(empty.getSensorAspectRatio(), "NaN:1");
  EXPECT_FALSE(empty.getFreeZoomLens());
  EXPECT_FALSE(empty.getPrimeLensList());
  EXPECT_NO_THROW(empty.getCameraFormatLabelString());
  EXPECT_NO_THROW(empty.getLensStringForMainView());
  EXPECT_NO_THROW(empty.getExtractionSensorAspectRatioWithoutAna());

  QuorvelPackage noSeries = package();
  noSeries.lensManufacturer.reset();
  EXPECT_EQ(noSeries.getFinalSimulationFormatWidth(), 0.0f);
  EXPECT_EQ(noSeries.getLensString(), "50 - 0mm");

  QuorvelPackage noAdapter = package();
  noAdapter.lensAdapter.reset();
  EXPECT_FALSE(std::isfinite(noAdapter.getFinalSimulationFormatWidth()));
  EXPECT_NO_THROW(noAdapter.getExtractionSensorAspectRatioWithoutAna());
}

TEST(QuorvelPackageTexts, LensLists) {
  QuorvelPackage p = package();
  EXPECT_EQ(p.getLensString(), "50");
  p.lensSet = {lens(18), lens(25), lens(35), lens(17.5f)};
  EXPECT_EQ(p.getLensString(), "18 \u00B7 25 \u00B7 35 \u00B7 17.5");
  EXPECT_EQ(p.getLensStringForPackage(), "Halden Cine Primes  |  18 \u00B7 25 \u00B7 35 \u00B7 17.5");
  EXPECT_EQ(p.getLensStringForMainView(), "Halden Cine Primes");
  auto primes = p.getPrimeLensList();
  ASSERT_TRUE(primes);
  ASSERT_EQ(primes->size(), 4u);
  EXPECT_DOUBLE_EQ((*primes)[3].primelense, 17.5);
  EXPECT_TRUE((*primes)[3].selected);
  EXPECT_FALSE(p.getFreeZoomLens());

  p.lensManufacturer = LensManufacturer(9, "Halden", "Vario", "Zoom Lens", 1, 1.0f, 0);
  p.lensSet = {lens(24, 290, "Zoom Lens")};
  EXPECT_EQ(p.getLensString(), "24 - 290mm");
  EXPECT_EQ(p.getLensStringForMainView(), "Halden Vario  |  24 - 290mm");
  auto zoom = p.getFreeZoomLens();
  ASSERT_TRUE(zoom);
  EXPECT_DOUBLE_EQ(zoom->maxFl, 290.0);
  EXPECT_FALSE(p.getPrimeLensList());

  p.lensSet.clear();
  EXPECT_EQ(p.getLensString(), "");
  EXPECT_EQ(p.getLensStringForMainView(), "Halden Vario");
  EXPECT_FALSE(p.getFreeZoomLens());
}

TEST(QuorvelPackageTexts, AspectRatioTexts) {
  QuorvelPackage p = package(24.89f, 18.66f, 2.0f);
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
