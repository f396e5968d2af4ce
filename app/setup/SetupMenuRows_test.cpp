// The setup menu's row texts and layout, from packages made in memory.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "app/setup/SetupMenuRows.h"

namespace app::setup {

namespace {

using app::setup::SetupMenuRows;

model::CameraPackage package(float cameraSqueeze, float lensSqueeze, float adapterWidth, float adapterHeight) {
  model::CameraPackage p;
  model::CameraShootingMode mode;
  mode.shootingMode = "Open Gate";
  mode.width = 36.7f;
  mode.height = 25.54f;
  mode.anamorphotic = cameraSqueeze;
  mode.aspectRatio = "1.44:1";
  p.shootingMode = mode;
  p.cameraManufacturer = model::Camera(7, "Maker", "Model X", "Cine", 0);
  p.cropID = 1;
  p.formatType = "native";
  model::LensManufacturer series;
  series.manufacturer = "Glass";
  series.series = "Primes";
  series.anamorphotic = lensSqueeze;
  p.lensManufacturer = series;
  model::LensAdapterRecord adapter;
  adapter.adapterId = 1;
  adapter.adapterName = "None";
  adapter.adapterValueWidth = adapterWidth;
  adapter.adapterValueHeight = adapterHeight;
  p.lensAdapter = adapter;
  model::FrameGuide guide;
  guide.frameGuideId = 1;
  guide.width = -1.0f;
  guide.height = -1.0f;
  p.frameGuide = guide;
  model::LensObject lens;
  lens.lensId = 1;
  lens.focalLength = 35;
  lens.lensType = "Prime Lens";
  p.lensSet = {lens};
  return p;
}

bool hasArrow(const std::string& text) { return text.find("→") != std::string::npos; }

TEST(SetupMenuRows, LayoutFollowsWhetherTheCameraNamesItsModes) {
  auto p = package(1, 1, 1, 1);
  auto rows = SetupMenuRows::forPackage(p);
  EXPECT_TRUE(rows.withShootingMode);
  EXPECT_EQ(rows.lensSetupTop, 1.0);
  EXPECT_EQ(rows.shootingModeValue, "Open Gate");
  p.shootingMode->shootingModeNameOrig = false;
  rows = SetupMenuRows::forPackage(p);
  EXPECT_FALSE(rows.withShootingMode);
  EXPECT_EQ(rows.lensSetupTop, -60.0);
  EXPECT_EQ(rows.cameraValue, "Maker Model X");
  EXPECT_EQ(rows.lensSeriesValue, "Glass Primes");
}

TEST(SetupMenuRows, AspectRatioInAllBranches) {
  struct Case {
    const char* what;
    float camera, lens, width, height;
    bool arrow;
  };
  const Case cases[] = {
      {"spherical all through", 1, 1, 1, 1, false},
      {"spherical camera, anamorphic series", 1, 2, 1, 1, true},
      {"anamorphic camera, other series, no anamorphic adapter", 2, 1.33f, 1, 1, false},
      {"anamorphic camera and series alike, anamorphic adapter", 2, 2, 0.5f, 1, true},
      {"spherical series behind an adapter undoing the camera's squeeze", 2, 1, 0.5f, 1, false},
      {"spherical series behind an adapter of another squeeze", 2, 1, 1 / 1.5f, 1, true},
      {"spherical series and camera, anamorphic adapter", 1, 1, 0.5f, 1, true},
  };
  for (const auto& c : cases) {
    const auto p = package(c.camera, c.lens, c.width, c.height);
    const std::string text = SetupMenuRows::displayAspectRatio(p);
    EXPECT_EQ(hasArrow(text), c.arrow) << c.what << ": " << text;
    if (!c.arrow) {
      EXPECT_EQ(text, p.getFinalAspectRatio()) << c.what;
    } else if (c.width == c.height || c.lens != 1.0f) {
      EXPECT_EQ(text, "1.44:1 → " + p.getFinalAspectRatio()) << c.what;
    } else {
      EXPECT_EQ(text, p.getSensorAspectRatio() + " → " + p.getFinalAspectRatio()) << c.what;
    }
  }
  auto cropped = package(1, 2, 1, 1);
  cropped.cropID = 5;
  cropped.formatType = "crop";
  cropped.cropAspectRatio = "2.39:1";
  EXPECT_EQ(SetupMenuRows::displayAspectRatio(cropped), "2.39:1") << "a crop never shows an arrow";
  EXPECT_EQ(SetupMenuRows::forPackage(cropped).aspectTitle, "Extraction");
  EXPECT_EQ(SetupMenuRows::forPackage(package(1, 1, 1, 1)).aspectTitle, "Native Aspect Ratio");
}

TEST(SetupMenuRows, FramelineTextIsPointedInEveryLocale) {
  auto p = package(1, 1, 1, 1);
  EXPECT_EQ(SetupMenuRows::forPackage(p).framelineValue, "None");
  p.frameGuide->width = 1.0f;
  p.frameGuide->height = 100.0f;
  EXPECT_EQ(SetupMenuRows::forPackage(p).framelineValue, "None") << "the shipped no-frame-line row";
  p.frameGuide->frameGuideId = 4;
  p.frameGuide->width = 2.39f;
  p.frameGuide->height = 1.0f;
  // A comma locale where the system has one; the text must not follow it.
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"}) {
    if (std::setlocale(LC_ALL, name)) break;
  }
  EXPECT_EQ(SetupMenuRows::forPackage(p).framelineValue, "2.39:1");
  p.frameGuide->width = 1.85f;
  EXPECT_EQ(SetupMenuRows::forPackage(p).framelineValue, "1.85:1");
  std::setlocale(LC_ALL, previous.c_str());
}

TEST(SetupMenuRows, LensTitleAndAdapterText) {
  auto p = package(1, 1, 1, 1);
  EXPECT_EQ(SetupMenuRows::forPackage(p).lensesTitle, "Lens");
  EXPECT_EQ(SetupMenuRows::forPackage(p).adapterValue, "None") << "an adapter of width 1 shows only its name";
  model::LensObject second = p.lensSet.front();
  second.lensId = 2;
  second.focalLength = 50;
  p.lensSet.push_back(second);
  const auto rows = SetupMenuRows::forPackage(p);
  EXPECT_EQ(rows.lensesTitle, "Lenses");
  EXPECT_EQ(rows.lensesValue, p.getLensString());
  p.lensAdapter->adapterName = "Booster";
  p.lensAdapter->adapterValueWidth = 0.71f;
  p.lensAdapter->adapterValueHeight = 0.71f;
  EXPECT_EQ(SetupMenuRows::forPackage(p).adapterValue, "Booster (0.71x)");
  p.lensAdapter->adapterValueWidth = 0.5f;
  p.lensAdapter->adapterValueHeight = 1.0f;
  EXPECT_EQ(SetupMenuRows::forPackage(p).adapterValue, "Booster (2x ANA)");
}

TEST(SetupMenuRows, MissingPartsReadAsEmptyTexts) {
  model::CameraPackage empty;
  const auto rows = SetupMenuRows::forPackage(empty);
  EXPECT_FALSE(rows.withShootingMode);
  EXPECT_TRUE(rows.cameraValue.empty());
  EXPECT_TRUE(rows.adapterValue.empty());
  EXPECT_EQ(rows.lensesTitle, "Lens");
}

}  // namespace

}  // namespace app::setup

