// The generic-lens migration against an old catalogue made here: generic lenses still in series 1
// and 2, packages on them, and a user series whose lens the update renumbers.
#include "app/storage/GenericLensMigration.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/storage/CatalogueUpdateTestSupport.h"
#include "app/storage/PackageUtil.h"
#include "app/storage/StorageTestSupport.h"

namespace app::storage {

namespace {

using namespace ostrel::testing;

using scenes::lens;

class GenericLensMigrationTest : public StorageTest {
 protected:
  void SetUp() override {
    seedAsAFirstStart();
    CameraFormatCatalogue formats;
    ASSERT_TRUE(formats.openDb(false));
    anamorphic20_ = userFormat(formats, "Ana 2x", 2.0f);
    anamorphic15_ = userFormat(formats, "Ana 1.5x", 1.5f);
    formats.closeDb();

    LensDatabaseHelper catalogue;
    ASSERT_TRUE(catalogue.openDb(false));
    ASSERT_TRUE(catalogue.database().execute(
        "INSERT INTO Manufacturer (ManufacturerId, Manufacturer, LensSeries, Type, Origin) "
        "VALUES (1, 'Generic', 'Old primes', 'Prime Lens', 0), (2, 'Generic', 'Old zooms', 'Zoom Lens', 0)"));
    // Inserted first, so they hold the ids right after the shipped ones.
    std::vector<model::LensObject> primes = {lens(1, 27, 1), lens(1, 33, 1), lens(1, 47, 0), lens(1, 47, 0)};
    ASSERT_TRUE(catalogue.insertgenericPrimeLenses(primes));
    g27_ = primes[0].lensId, g33_ = primes[1].lensId, gA47_ = primes[2].lensId, gB47_ = primes[3].lensId;
    std::vector<model::LensObject> zooms = {lens(2, 24, 1, "Zoom Lens", 70)};
    ASSERT_TRUE(catalogue.insertgenericZoomLenses(zooms));
    zoom_ = zooms[0].lensId;
    model::LensManufacturer mine(0, "Me", "Mine", "Prime Lens", 0, 1.0f, 1);
    mineSeries_ = catalogue.insertManufacturer(mine);
    model::LensObject own = lens(mineSeries_, 35, 1);
    own35_ = catalogue.insertNewLensWithSelection(own);
    catalogue.closeDb();

    saveStandard(-2, 1, {g27_, g33_}, anamorphic20_);
    saveStandard(-1, 2, {zoom_}, 599);
    p47a_ = scenes::savePackage(1, {gA47_}, anamorphic15_);
    p47b_ = scenes::savePackage(1, {gB47_}, anamorphic15_);
    pMine_ = scenes::savePackage(mineSeries_, {own35_});
    pEmpty_ = scenes::savePackage(2, {}, 599);
  }

  static int userFormat(CameraFormatCatalogue& formats, const std::string& name, float squeeze) {
    model::Camera camera(0, name, "", "Cine", 1);
    model::CameraShootingMode mode;
    mode.width = 24.0f;
    mode.height = 18.0f;
    mode.anamorphotic = squeeze;
    return formats.insertNewCameraManufacturer(camera, mode)->containerID;
  }
  static void saveStandard(int id, int series, std::vector<int> lenses, int format) {
    PackageDatabaseObject row;
    row.lensManufacturerId = series;
    row.lensSetIDs = std::move(lenses);
    row.cameraFormatId = format;
    row.cropID = 1;
    row.adapterId = 1;
    row.frameGuideId = 1;
    withOpen<PackageDatabaseHelper>([&](auto& packages) {
      return id == -2 ? packages.savePackageStandardOne(row) : packages.savePackageStandardTwo(row);
    });
  }

  // Snapshot, catalogue update, re-insertion: the order start-up runs them in.
  NewLensManufacturerIds migrate(bool replaceCatalogue = true) {
    const auto snapshot = GenericLensMigration::generateUpdateobjectWithPackageOne(PackageUtil::loadPackage(-2),
                                                                                   PackageUtil::loadPackage(-1));
    if (replaceCatalogue) {
      LensDatabaseHelper catalogue;
      EXPECT_TRUE(catalogue.resetdatabase());
    }
    return GenericLensMigration::updateGenericFavorites(snapshot);
  }

  // "251 27mm x2 selected, ...": series, focal length, squeeze and selection of each lens a package holds.
  static std::string lensesOf(int packageId, bool withSelection = true) {
    return withOpen<LensDatabaseHelper>([&](auto& catalogue) {
      std::ostringstream text;
      for (int id : scenes::loadPackage(packageId).lensSetIDs) {
        const model::LensObject lens = catalogue.getLens(id);
        text << (text.tellp() > 0 ? ", " : "") << lens.manufacturerId << " " << lens.focalLength << "mm x"
             << lens.anamorphic << (withSelection && lens.selected ? " selected" : "");
      }
      return text.str();
    });
  }

  int anamorphic20_ = 0, anamorphic15_ = 0, mineSeries_ = 0;
  int g27_ = 0, g33_ = 0, gA47_ = 0, gB47_ = 0, zoom_ = 0, own35_ = 0;
  int p47a_ = 0, p47b_ = 0, pMine_ = 0, pEmpty_ = 0;
};

TEST_F(GenericLensMigrationTest, StandardPackagesMoveBySqueezeAndEndSelected) {
  const auto ids = migrate();
  EXPECT_EQ(ids.lensmanuID1, 251) << "primes on a 2.0 format";
  EXPECT_EQ(ids.lensmanuID2, 252) << "zooms on a spherical format";
  EXPECT_TRUE(ids.complete);
  EXPECT_EQ(lensesOf(-2), "251 27mm x2 selected, 251 33mm x2 selected");
  EXPECT_EQ(scenes::loadPackage(-1).lensSetIDs, std::vector<int>{292}) << "the shipped 24-70 is the twin";
  EXPECT_EQ(lensesOf(-1), "252 24mm x1 selected");
}

TEST_F(GenericLensMigrationTest, BothStandardPackagesOnOneGenericSeriesKeepTheirOwnLenses) {
  saveStandard(-2, 1, {g27_}, anamorphic20_);
  saveStandard(-1, 1, {g33_}, anamorphic20_);
  const auto ids = migrate();
  EXPECT_EQ(std::pair(ids.lensmanuID1, ids.lensmanuID2), std::pair(251, 251));
  // The series' selection holds only the set loaded last; each package moves the lenses it holds.
  EXPECT_EQ(lensesOf(-2, false), "251 27mm x2");
  EXPECT_EQ(lensesOf(-1, false), "251 33mm x2");
}

TEST_F(GenericLensMigrationTest, UserPackagesMoveAndShareOneRowPerFocalLength) {
  migrate();
  // Primes on a 1.5 format count as spherical; user packages leave the selection alone.
  EXPECT_EQ(lensesOf(p47a_), "250 47mm x1");
  EXPECT_EQ(scenes::loadPackage(p47b_).lensSetIDs, scenes::loadPackage(p47a_).lensSetIDs);
  EXPECT_EQ(scenes::loadPackage(p47a_).lensManufacturerId, 250);
  EXPECT_EQ(scenes::loadPackage(pEmpty_).lensManufacturerId, 252) << "an empty set still moves its series";
}

TEST_F(GenericLensMigrationTest, ARenumberedUserLensOnADroppedGenericIdStaysWithItsPackage) {
  migrate();
  // The update gave the user's 35 mm the id the generic 27 mm had; only rows of the generic lens move.
  const auto mine = scenes::loadPackage(pMine_);
  EXPECT_EQ(mine.lensSetIDs, std::vector<int>{g27_}) << "the scene must produce the id clash it is about";
  EXPECT_EQ(lensesOf(pMine_, false), std::to_string(mine.lensManufacturerId) + " 35mm x1");
}

TEST_F(GenericLensMigrationTest, WithoutACatalogueUpdateTheSameFileIsMigrated) {
  EXPECT_EQ(migrate(false).lensmanuID1, 251);
  EXPECT_EQ(lensesOf(-2, false), "251 27mm x2, 251 33mm x2");
  EXPECT_EQ(scenes::loadPackage(pMine_).lensSetIDs, std::vector<int>{own35_});
}

TEST_F(GenericLensMigrationTest, PackagesOnRealSeriesOrWithoutTheirTargetStayPut) {
  saveStandard(-1, 5, {16}, 599);
  ASSERT_TRUE(withOpen<LensDatabaseHelper>([](auto& catalogue) { return catalogue.deleteManufacturer(250); }));
  const auto ids = migrate(false);
  EXPECT_EQ(ids.lensmanuID2, 0);
  EXPECT_FALSE(ids.complete);
  EXPECT_EQ(scenes::loadPackage(-1).lensSetIDs, std::vector<int>{16});
  EXPECT_EQ(scenes::loadPackage(p47a_).lensManufacturerId, 1);
  EXPECT_EQ(scenes::loadPackage(p47a_).lensSetIDs, std::vector<int>{gA47_});
}

}  // namespace

}  // namespace app::storage

