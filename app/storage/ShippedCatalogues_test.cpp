// Checks the catalogues the bundle ships: the rows the app starts from, and data that is whole.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/storage/StorageTestSupport.h"
#include "app/storage/connection/CatalogueDatabase.h"

using app::storage::CatalogueDatabase;
using app::storage::CatalogueStatement;

namespace app::storage {

namespace {

using namespace ostrel::testing;

struct Check {
  const char* catalogue;
  int expected;  // -1: the query names the first row breaking a rule, and there must be none
  const char* sql;
};

constexpr const char* kFormats = "QuorvelFormatDatabase";
constexpr const char* kLenses = "LensDatabase";
constexpr const char* kAdapters = "QuorvelLensAdapterDb";

const Check kChecks[] = {
    // The rows start-up and the legacy maps rely on.
    {kFormats, 4,
     "SELECT COUNT(*) FROM FormatContainer f JOIN ManufactorTable m ON m.id = f.manufactorId "
     "WHERE f.id IN (1084, 599, 133, 10)"},
    {kLenses, 5, "SELECT IIF(COUNT(*) = 1, MAX(ManufacturerId), 0) FROM Manufacturer WHERE Selected = 1"},
    {kLenses, 2,
     "SELECT COUNT(DISTINCT ManufacturerId) FROM Lenses WHERE ManufacturerId IN (5, 250) "
     "AND DefaultSelection = 1"},
    {kLenses, 192, "SELECT ManufacturerId FROM Lenses WHERE LensId = 1246"},
    {kLenses, 4,
     "SELECT COUNT(*) FROM Manufacturer WHERE (ManufacturerId, Type, Anamorphotic) IN (VALUES "
     "(250, 'Prime Lens', 1.0), (251, 'Prime Lens', 2.0), (252, 'Zoom Lens', 1.0), (253, 'Zoom Lens', 2.0))"},
    {kAdapters, 1, "SELECT IIF(COUNT(*) = 1, MAX(LensAdapterId), 0) FROM QuorvelLensAdapter WHERE AdapterSelected = 1"},
    {kAdapters, 1,
     "SELECT COUNT(*) FROM QuorvelLensAdapter WHERE LensAdapterId = 1 AND LensAdapterName LIKE 'aaaa%' "
     "AND AdapterWidthValue = 1.0 AND AdapterHeightValue = 1.0"},
    // Ids the old fixed adapter list maps to, with the factor of that list's entry.
    {kAdapters, 5,
     "SELECT COUNT(*) FROM QuorvelLensAdapter a JOIN (VALUES (3, 1.4), (5, 2.0), (7, 0.58), (8, 0.64), "
     "(9, 0.71)) v ON a.LensAdapterId = v.column1 WHERE ABS(a.AdapterWidthValue - v.column2) < 1e-6 "
     "AND ABS(a.AdapterHeightValue - v.column2) < 1e-6"},
    {"QuorvelPackageDatabase", 0, "SELECT (SELECT COUNT(*) FROM PackageData) + (SELECT COUNT(*) FROM PackageLensData)"},
    // Enough real content to be of use.
    {kFormats, 1, "SELECT COUNT(*) >= 24 FROM ManufactorTable WHERE type = 'Cine'"},
    {kFormats, 1, "SELECT COUNT(*) >= 12 FROM ManufactorTable WHERE type = 'Photo'"},
    {kFormats, 1, "SELECT COUNT(*) >= 80 FROM FormatContainer"},
    {kFormats, 1, "SELECT COUNT(*) >= 15 FROM QuorvelFrameGuide"},
    {kLenses, 1, "SELECT COUNT(*) >= 30 FROM Manufacturer"},
    {kLenses, 1, "SELECT COUNT(*) >= 250 FROM Lenses"},
    // Whole rows: no row may break these.
    {kFormats, -1, "SELECT id FROM FormatContainer WHERE manufactorId NOT IN (SELECT id FROM ManufactorTable)"},
    {kFormats, -1,
     "SELECT id FROM ManufactorTable WHERE id NOT IN (SELECT manufactorId FROM FormatContainer) OR "
     "origin != 0 OR type NOT IN ('Cine', 'Photo') OR manufactor = '' OR model = ''"},
    {kFormats, -1,
     "SELECT f.id FROM FormatContainer f JOIN ManufactorTable m ON m.id = f.manufactorId WHERE "
     "IFNULL(f.shootingMode, '') = '' OR NOT f.width > 0 OR NOT f.height > 0 OR f.anamorphic != 1.0 "
     "OR f.category != m.type OR f.origin != 0"},
    {kFormats, -1,
     "SELECT id FROM FormatContainer WHERE instr(aspectratio, ':') = 0 OR ABS(width / height - "
     "CAST(substr(aspectratio, 1, instr(aspectratio, ':') - 1) AS REAL) / "
     "CAST(substr(aspectratio, instr(aspectratio, ':') + 1) AS REAL)) > 0.006"},
    {kFormats, -1, "SELECT id FROM cameraformatRef"},
    {kFormats, -1,
     "SELECT id FROM QuorvelFrameGuide WHERE NOT width > 0 OR NOT height > 0 OR type != 0 OR "
     "(selected != 0) != (id = 1) OR (id != 1 AND ABS(sortValue - width / height) > 1e-6 * sortValue)"},
    {kFormats, -1,
     "SELECT id FROM QuorvelFrameGuide WHERE id != 1 AND sortValue <= "
     "(SELECT sortValue FROM QuorvelFrameGuide WHERE id = 1)"},
    {kFormats, -1,
     "SELECT b.id FROM QuorvelFrameGuide a JOIN QuorvelFrameGuide b "
     "ON a.id < b.id AND a.width = b.width AND a.height = b.height"},
    {kLenses, -1, "SELECT ManufacturerId FROM Manufacturer WHERE Origin != 0"},
    // Every lens in a series of its own type and squeeze, zooms the right way round, primes without a range.
    {kLenses, -1,
     "SELECT l.LensId FROM Lenses l LEFT JOIN Manufacturer m ON m.ManufacturerId = l.ManufacturerId WHERE "
     "m.ManufacturerId IS NULL OR NOT l.FocalLength > 0 OR l.LensType != m.Type OR "
     "l.Anamorphotic != m.Anamorphotic OR IFNULL(l.Custom, 0) != 0 OR CASE l.LensType "
     "WHEN 'Zoom Lens' THEN NOT l.FocalLengthMax > l.FocalLength WHEN 'Prime Lens' THEN "
     "IFNULL(l.FocalLengthMax, 0) != 0 ELSE 1 END OR (m.Manufacturer != 'Generic' AND "
     "NOT CAST(ltrim(IFNULL(l.Aperture, ''), 'Tf/') AS REAL) > 0.9)"},
    // A close focus shorter than the lens allows was measured from the lens front or mistyped. The bound:
    // no lens body plus its mount's flange is shorter than 0.15 m, and even with internal focusing no
    // non-macro lens (nor any lens shipped here) focuses closer than twice its longest focal length from
    // the sensor (a thin lens cannot come closer than four times it).
    {kLenses, -1,
     "SELECT LensId FROM Lenses WHERE Category != '' AND CAST(Category AS REAL) < "
     "MAX(0.15, 2 * MAX(FocalLength, IFNULL(FocalLengthMax, 0)) / 1000.0)"},
    // An image circle must cover the smallest format of the coverage the series is sold for: a 16:9
    // Super 35 area (23.5 x 13.2 mm), an APS-C sensor (22.3 x 14.9 mm), full frame (36 x 24 mm).
    {kLenses, -1,
     "SELECT LensId FROM Lenses WHERE MIN(IFNULL(ImageCircle, 1e9), IFNULL(ImageCircleMax, 1e9)) < CASE "
     "SizeCategory WHEN 'Super 35' THEN 26.9 WHEN 'APS-C' THEN 26.8 WHEN 'Full Frame' THEN 43.2 "
     "WHEN 'Large Format' THEN 43.2 ELSE 0 END OR NOT IFNULL(ImageCircle, 1) > 0 OR "
     "(ImageCircleMax IS NOT NULL AND (LensType != 'Zoom Lens' OR ImageCircle IS NULL))"},
    // One row per lens of a series, and one row per mode of a camera as its menu names it.
    {kLenses, -1,
     "SELECT b.LensId FROM Lenses a JOIN Lenses b ON a.LensId < b.LensId AND a.ManufacturerId = b.ManufacturerId "
     "AND a.FocalLength = b.FocalLength AND IFNULL(a.FocalLengthMax, 0) = IFNULL(b.FocalLengthMax, 0) "
     "AND a.Aperture = b.Aperture"},
    {kFormats, -1,
     "SELECT b.id FROM FormatContainer a JOIN FormatContainer b ON a.id < b.id AND a.manufactorId = b.manufactorId "
     "AND a.shootingMode = b.shootingMode"},
    {kAdapters, -1,
     "SELECT LensAdapterId FROM QuorvelLensAdapter WHERE AdapterType != 0 OR NOT AdapterWidthValue > 0 "
     "OR NOT AdapterHeightValue > 0"},
};

class ShippedCatalogueTest : public ::testing::TestWithParam<Check> {};

TEST_P(ShippedCatalogueTest, Holds) {
  CatalogueDatabase db;
  ASSERT_TRUE(db.openPath(std::string(OSTREL_TEST_BUNDLE_DIR) + "/" + GetParam().catalogue + ".db"));
  auto statement = db.prepare(GetParam().sql);
  ASSERT_TRUE(statement.ok()) << GetParam().sql;
  const bool row = statement.step() == CatalogueStatement::Step::Row;
  EXPECT_EQ(row ? statement.columnInt(0) : -1, GetParam().expected)
      << GetParam().catalogue << ": " << GetParam().sql << (row ? " first gives " + statement.columnText(0) : "");
}

INSTANTIATE_TEST_SUITE_P(Bundle, ShippedCatalogueTest, ::testing::ValuesIn(kChecks));

// "0.38m | 1'3\"": the metric figure in metres, the imperial one the same distance to the inch.
TEST(ShippedLensTexts, CloseFocusTextsAgree) {
  CatalogueDatabase db;
  ASSERT_TRUE(db.openPath(std::string(OSTREL_TEST_BUNDLE_DIR) + "/LensDatabase.db"));
  auto lenses = db.prepare("SELECT LensId, Category FROM Lenses WHERE Category != ''");
  while (lenses.step() == CatalogueStatement::Step::Row) {
    const std::string text = lenses.columnText(1);
    const auto bar = text.find("m | ");
    ASSERT_NE(bar, std::string::npos) << lenses.columnInt(0) << " " << text;
    const std::string imperial = text.substr(bar + 4);
    const auto feetMark = imperial.find('\'');
    const double feet = feetMark == std::string::npos ? 0 : std::strtod(imperial.c_str(), nullptr);
    const double inches = std::strtod(imperial.c_str() + (feetMark == std::string::npos ? 0 : feetMark + 1), nullptr);
    EXPECT_NEAR((feet * 12 + inches) * 0.0254, std::strtod(text.c_str(), nullptr), 0.0127 + 1e-9)
        << lenses.columnInt(0) << " " << text;
  }
}

}  // namespace

}  // namespace app::storage

