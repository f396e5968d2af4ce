// Checks the catalogues the bundle ships: the rows the app starts from, and data that is whole.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>
#include <string>

#include "app/storage/CatalogueDatabase.h"

#ifndef OSTREL_TEST_BUNDLE_DIR
#error "OSTREL_TEST_BUNDLE_DIR must name the built bundle"
#endif

namespace {

using Step = CatalogueStatement::Step;

class ShippedCatalogueTest : public ::testing::Test {
 protected:
  void open(const std::string& name) {
    ASSERT_TRUE(db_.openPath(std::string(OSTREL_TEST_BUNDLE_DIR) + "/" + name + ".db")) << name;
  }
  int count(const std::string& sql) {
    auto statement = db_.prepare(sql);
    return statement.step() == Step::Row ? statement.columnInt(0) : -1;
  }
  CatalogueDatabase db_;
};

// "1.78:1" -> 1.78
double ratioValue(const std::string& text) {
  const auto colon = text.find(':');
  if (colon == std::string::npos) return NAN;
  return std::strtod(text.substr(0, colon).c_str(), nullptr) / std::strtod(text.substr(colon + 1).c_str(), nullptr);
}

TEST_F(ShippedCatalogueTest, FormatsTheAppStartsFromExistWithTheirCameras) {
  open("QuorvelFormatDatabase");
  for (int id : {1084, 599, 133, 10}) {
    EXPECT_EQ(count("SELECT COUNT(*) FROM FormatContainer f JOIN ManufactorTable m ON m.id = f.manufactorId "
                    "WHERE f.id = " + std::to_string(id)),
              1)
        << "format " << id;
  }
  EXPECT_EQ(count("SELECT COUNT(*) FROM FormatContainer WHERE manufactorId NOT IN (SELECT id FROM ManufactorTable)"), 0);
  EXPECT_EQ(count("SELECT COUNT(*) FROM ManufactorTable WHERE id NOT IN (SELECT manufactorId FROM FormatContainer)"), 0);
  EXPECT_GE(count("SELECT COUNT(*) FROM ManufactorTable WHERE type = 'Cine'"), 24);
  EXPECT_GE(count("SELECT COUNT(*) FROM ManufactorTable WHERE type = 'Photo'"), 12);
  EXPECT_EQ(count("SELECT COUNT(*) FROM cameraformatRef"), 0);
}

TEST_F(ShippedCatalogueTest, EveryFormatIsWholeAndItsRatioTextMatchesItsSize) {
  open("QuorvelFormatDatabase");
  EXPECT_EQ(count("SELECT COUNT(*) FROM ManufactorTable WHERE origin != 0 OR type NOT IN ('Cine', 'Photo') "
                  "OR manufactor = '' OR model = ''"),
            0);
  auto formats = db_.prepare(
      "SELECT f.id, f.shootingMode, f.width, f.height, f.anamorphic, f.aspectratio, f.category, f.origin, m.type "
      "FROM FormatContainer f JOIN ManufactorTable m ON m.id = f.manufactorId");
  int rows = 0;
  while (formats.step() == Step::Row) {
    ++rows;
    const int id = formats.columnInt(0);
    EXPECT_FALSE(formats.columnText(1).empty()) << id;
    const double width = formats.columnDouble(2), height = formats.columnDouble(3);
    EXPECT_GT(width, 0) << id;
    EXPECT_GT(height, 0) << id;
    EXPECT_EQ(formats.columnDouble(4), 1.0) << id;
    EXPECT_NEAR(ratioValue(formats.columnText(5)), width / height, 0.006) << id << " " << formats.columnText(5);
    EXPECT_EQ(formats.columnText(6), formats.columnText(8)) << id;
    EXPECT_EQ(formats.columnInt(7), 0) << id;
  }
  EXPECT_GE(rows, 80);
}

TEST_F(ShippedCatalogueTest, FrameGuideOneIsNoneFirstAndTheOnlySelectedGuide) {
  open("QuorvelFormatDatabase");
  auto guides = db_.prepare("SELECT id, width, height, selected, type, sortValue FROM QuorvelFrameGuide ORDER BY sortValue");
  ASSERT_EQ(guides.step(), Step::Row);
  EXPECT_EQ(guides.columnInt(0), 1);
  EXPECT_EQ(guides.columnInt(3), 1);
  const double noneSort = guides.columnDouble(5);
  std::set<std::pair<double, double>> sizes;
  int rows = 1;
  while (guides.step() == Step::Row) {
    ++rows;
    const double width = guides.columnDouble(1), height = guides.columnDouble(2);
    EXPECT_GT(width, 0);
    EXPECT_GT(height, 0);
    EXPECT_EQ(guides.columnInt(3), 0);
    EXPECT_EQ(guides.columnInt(4), 0);
    EXPECT_GT(guides.columnDouble(5), noneSort);
    EXPECT_FLOAT_EQ(static_cast<float>(guides.columnDouble(5)), static_cast<float>(width / height));
    EXPECT_TRUE(sizes.insert({width, height}).second) << width << ":" << height << " twice";
  }
  EXPECT_GE(rows, 15);
}

TEST_F(ShippedCatalogueTest, LensSeriesTheAppStartsFromExist) {
  open("LensDatabase");
  EXPECT_EQ(count("SELECT COUNT(*) FROM Manufacturer WHERE Selected = 1"), 1);
  EXPECT_EQ(count("SELECT ManufacturerId FROM Manufacturer WHERE Selected = 1"), 5);
  EXPECT_GT(count("SELECT COUNT(*) FROM Lenses WHERE ManufacturerId = 5 AND DefaultSelection = 1"), 0);
  EXPECT_EQ(count("SELECT ManufacturerId FROM Lenses WHERE LensId = 1246"), 192);
  EXPECT_EQ(count("SELECT COUNT(*) FROM Manufacturer WHERE ManufacturerId = 250 AND Type = 'Prime Lens' AND Anamorphotic = 1.0"), 1);
  EXPECT_EQ(count("SELECT COUNT(*) FROM Manufacturer WHERE ManufacturerId = 251 AND Type = 'Prime Lens' AND Anamorphotic = 2.0"), 1);
  EXPECT_EQ(count("SELECT COUNT(*) FROM Manufacturer WHERE ManufacturerId = 252 AND Type = 'Zoom Lens' AND Anamorphotic = 1.0"), 1);
  EXPECT_EQ(count("SELECT COUNT(*) FROM Manufacturer WHERE ManufacturerId = 253 AND Type = 'Zoom Lens' AND Anamorphotic = 2.0"), 1);
  EXPECT_GT(count("SELECT COUNT(*) FROM Lenses WHERE ManufacturerId = 250 AND DefaultSelection = 1"), 0);
  EXPECT_GE(count("SELECT COUNT(*) FROM Manufacturer"), 30);
  EXPECT_EQ(count("SELECT COUNT(*) FROM Manufacturer WHERE Origin != 0"), 0);
}

// "0.38m | 1'3\"": the metric figure in metres, the imperial one the same distance to the inch.
void expectCloseFocusTexts(const std::string& text, int lensId) {
  const auto bar = text.find(" | ");
  ASSERT_NE(bar, std::string::npos) << lensId;
  const std::string metric = text.substr(0, bar), imperial = text.substr(bar + 3);
  ASSERT_EQ(metric.back(), 'm') << lensId;
  const double metres = std::strtod(metric.c_str(), nullptr);
  const auto feetMark = imperial.find('\'');
  const double feet = feetMark == std::string::npos ? 0 : std::strtod(imperial.c_str(), nullptr);
  const std::string inchPart = feetMark == std::string::npos ? imperial : imperial.substr(feetMark + 1);
  const double inches = inchPart.empty() ? 0 : std::strtod(inchPart.c_str(), nullptr);
  EXPECT_NEAR((feet * 12 + inches) * 0.0254, metres, 0.0127 + 1e-9) << lensId << " " << text;
}

TEST_F(ShippedCatalogueTest, EveryLensBelongsToItsSeriesAndIsWhole) {
  open("LensDatabase");
  auto lenses = db_.prepare(
      "SELECT l.LensId, l.FocalLength, l.FocalLengthMax, l.LensType, m.Type, l.Anamorphotic, m.Anamorphotic, "
      "l.Custom, l.Category, l.Aperture, m.Manufacturer FROM Lenses l LEFT JOIN Manufacturer m "
      "ON m.ManufacturerId = l.ManufacturerId");
  int rows = 0;
  while (lenses.step() == Step::Row) {
    ++rows;
    const int id = lenses.columnInt(0);
    ASSERT_FALSE(lenses.columnIsNull(4)) << "lens " << id << " has no series";
    EXPECT_GT(lenses.columnDouble(1), 0) << id;
    if (lenses.columnText(3) == "Zoom Lens") {
      EXPECT_GT(lenses.columnDouble(2), lenses.columnDouble(1)) << id;
    } else {
      EXPECT_EQ(lenses.columnText(3), "Prime Lens") << id;
      EXPECT_EQ(lenses.columnDouble(2), 0.0) << id;
    }
    EXPECT_EQ(lenses.columnText(3), lenses.columnText(4)) << id;
    EXPECT_EQ(lenses.columnDouble(5), lenses.columnDouble(6)) << id;
    EXPECT_EQ(lenses.columnInt(7), 0) << id;
    if (!lenses.columnText(8).empty()) expectCloseFocusTexts(lenses.columnText(8), id);
    const std::string aperture = lenses.columnText(9);
    if (lenses.columnText(10) != "Generic") {
      ASSERT_FALSE(aperture.empty()) << id;
      EXPECT_GT(std::strtod(aperture.c_str() + aperture.find_first_of("0123456789"), nullptr), 0.9) << id;
    }
  }
  EXPECT_GE(rows, 250);
}

TEST_F(ShippedCatalogueTest, AdaptersTheAppReliesOnExist) {
  open("QuorvelLensAdapterDb");
  auto none = db_.prepare("SELECT LensAdapterName, AdapterWidthValue, AdapterHeightValue, AdapterSelected "
                          "FROM QuorvelLensAdapter WHERE LensAdapterId = 1");
  ASSERT_EQ(none.step(), Step::Row);
  EXPECT_EQ(none.columnText(0).rfind("aaaa", 0), 0u);
  EXPECT_EQ(none.columnDouble(1), 1.0);
  EXPECT_EQ(none.columnDouble(2), 1.0);
  EXPECT_EQ(none.columnInt(3), 1);
  EXPECT_EQ(count("SELECT COUNT(*) FROM QuorvelLensAdapter WHERE AdapterSelected = 1"), 1);
  // The ids that adapters of the old fixed list map to, with the factor of that list's entry.
  const std::pair<int, float> legacy[] = {{3, 1.4f}, {5, 2.0f}, {7, 0.58f}, {8, 0.64f}, {9, 0.71f}};
  for (const auto& [id, factor] : legacy) {
    auto row = db_.prepare("SELECT AdapterWidthValue, AdapterHeightValue FROM QuorvelLensAdapter WHERE LensAdapterId = ?");
    row.bind(1, id);
    ASSERT_EQ(row.step(), Step::Row) << id;
    EXPECT_FLOAT_EQ(row.columnFloat(0), factor) << id;
    EXPECT_FLOAT_EQ(row.columnFloat(1), factor) << id;
  }
  EXPECT_EQ(count("SELECT COUNT(*) FROM QuorvelLensAdapter WHERE AdapterType != 0 OR AdapterWidthValue <= 0 "
                  "OR AdapterHeightValue <= 0"),
            0);
}

TEST_F(ShippedCatalogueTest, PackageCatalogueShipsEmpty) {
  open("QuorvelPackageDatabase");
  EXPECT_EQ(count("SELECT COUNT(*) FROM PackageData"), 0);
  EXPECT_EQ(count("SELECT COUNT(*) FROM PackageLensData"), 0);
}

}  // namespace
