#include "app/optics/LensMatchCalc.h"

#include <gtest/gtest.h>

#include <cmath>

namespace app::optics {

namespace {

constexpr int kCocFactor = 1500;

model::CameraPackage package(float width, float height) {
  model::CameraPackage p;
  model::CameraShootingMode mode;
  mode.width = width;
  mode.height = height;
  mode.anamorphotic = 1.0f;
  mode.aspectRatio = "1.5:1";
  p.shootingMode = mode;
  p.lensManufacturer = model::LensManufacturer(5, "Halden", "Primes", "Prime Lens", 1, 1.0f, 0);
  model::LensAdapterRecord none;
  none.adapterValueWidth = none.adapterValueHeight = 1.0f;
  p.lensAdapter = none;
  p.cropID = 1;
  p.formatType = "native";
  return p;
}

const model::CameraPackage kSuper35 = package(24.89f, 18.66f);
const model::CameraPackage kFullFrame = package(36.0f, 24.0f);

TEST(LensMatchCalc, FocalLengthAcrossFormats) {
  const struct {
    const model::CameraPackage &from, &to;
    double horizontal, vertical;
  } cases[] = {
      {kSuper35, kSuper35, 50, 50}, {kSuper35, kFullFrame, 72.32, 64.31}, {kFullFrame, kSuper35, 34.57, 38.88}};
  for (const auto& c : cases) {
    EXPECT_NEAR(LensMatchCalc::horMatchWithPackageSource(c.from, 50, c.to), c.horizontal, 0.01);
    EXPECT_NEAR(LensMatchCalc::verMatchWithPackageSource(c.from, 50, c.to), c.vertical, 0.01);
  }
  EXPECT_NEAR(LensMatchCalc::horApertureMatchWithPackageSource(kSuper35, 50, 2.8f, kSuper35, kCocFactor), 2.8, 1e-3);
  EXPECT_NEAR(LensMatchCalc::verApertureMatchWithPackageSource(kSuper35, 50, 2.8f, kSuper35, kCocFactor), 2.8, 1e-3);
}

TEST(LensMatchCalc, ApertureKeepsTheHyperfocalDistance) {
  const float f = 50, n = 2.8f;
  double f2 = LensMatchCalc::horMatchWithPackageSource(kSuper35, f, kFullFrame);
  double n2 = LensMatchCalc::horApertureMatchWithPackageSource(kSuper35, f, n, kFullFrame, kCocFactor);
  auto coc = [](const model::CameraPackage& p) {
    return std::hypot(p.getExtractionSensorWidth(), p.getExtractionSensorHeight()) / kCocFactor;
  };
  double hyperfocal = f * f / (coc(kSuper35) * n) + f;
  double matched = f2 * f2 / (coc(kFullFrame) * n2) + f2;
  EXPECT_NEAR(matched, hyperfocal, hyperfocal * 1e-4);
  EXPECT_GT(n2, n);  // the larger format needs a smaller opening for the same depth of field
}

model::CameraPackage withAdapter(model::CameraPackage p, float width, float height) {
  p.lensAdapter->adapterValueWidth = width;
  p.lensAdapter->adapterValueHeight = height;
  return p;
}

// Behind a focal reducer or converter the sensor sees a lens of scaled focal length and f-number: the
// matches find the lens on the other package that gives that picture and that depth of field.
TEST(LensMatchCalc, AnAdapterScalesFocalLengthAndStopAlike) {
  const model::CameraPackage extended = withAdapter(kSuper35, 2, 2);
  EXPECT_NEAR(LensMatchCalc::horMatchWithPackageSource(extended, 50, kSuper35), 100, 1e-3);
  EXPECT_NEAR(LensMatchCalc::horApertureMatchWithPackageSource(extended, 50, 2.8f, kSuper35, kCocFactor), 5.6, 1e-3);
  EXPECT_NEAR(LensMatchCalc::verApertureMatchWithPackageSource(extended, 50, 2.8f, kSuper35, kCocFactor), 5.6, 1e-3);
  // The other way round: the 100 mm f/5.6 picture is a 50 mm f/2.8 behind the extender.
  EXPECT_NEAR(LensMatchCalc::horMatchWithPackageSource(kSuper35, 100, extended), 50, 1e-3);
  EXPECT_NEAR(LensMatchCalc::horApertureMatchWithPackageSource(kSuper35, 100, 5.6f, extended, kCocFactor), 2.8, 1e-3);

  const model::CameraPackage boosted = withAdapter(kSuper35, 0.71f, 0.71f);
  EXPECT_NEAR(LensMatchCalc::horMatchWithPackageSource(boosted, 50, kSuper35), 35.5, 0.01);
  EXPECT_NEAR(LensMatchCalc::horApertureMatchWithPackageSource(boosted, 50, 2.8f, kSuper35, kCocFactor), 1.988, 0.01);
  // Between two packages behind the same adapter, everything stays as it is.
  EXPECT_NEAR(LensMatchCalc::horApertureMatchWithPackageSource(boosted, 50, 2.8f, boosted, kCocFactor), 2.8, 1e-3);

  // An anamorphic adapter widens the view but leaves the height, and so the depth of field.
  const model::CameraPackage squeezed = withAdapter(kSuper35, 0.5f, 1);
  EXPECT_NEAR(LensMatchCalc::verMatchWithPackageSource(squeezed, 50, kSuper35), 50, 1e-3);
  EXPECT_NEAR(LensMatchCalc::verApertureMatchWithPackageSource(squeezed, 50, 2.8f, kSuper35, kCocFactor), 2.8, 1e-3);
}

TEST(LensMatchCalc, ZeroSizedSourceGivesNonFiniteResults) {
  model::CameraPackage broken = package(0.0f, 0.0f);
  EXPECT_FALSE(std::isfinite(LensMatchCalc::horMatchWithPackageSource(broken, 50, kFullFrame)));
  EXPECT_FALSE(std::isfinite(LensMatchCalc::verMatchWithPackageSource(broken, 50, kFullFrame)));
  EXPECT_FALSE(
      std::isfinite(LensMatchCalc::horApertureMatchWithPackageSource(broken, 50, 2.8f, kFullFrame, kCocFactor)));
}

}  // namespace

}  // namespace app::optics

