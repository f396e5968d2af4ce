#pragma once

// Installed catalogues as a user leaves them after a while, for the tests of the catalogue updates:
// the user's own rows, some of them renumbered by an update, and stored packages that use them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/FrameGuideCatalogue.h"
#include "app/storage/LensAdapterCatalogue.h"
#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/PackageDatabaseHelper.h"
#include "app/storage/StorageTestSupport.h"
#include "testing/FileContents.h"

namespace ostrel::testing::scenes {

inline int savePackage(int lensSeries, std::vector<int> lenses, int format = 1084, int crop = 1, int guide = 1,
                       int adapter = 1) {
  app::storage::PackageDatabaseObject package;
  package.lensManufacturerId = lensSeries;
  package.lensSetIDs = std::move(lenses);
  package.cameraFormatId = format;
  package.cropID = crop;
  package.frameGuideId = guide;
  package.adapterId = adapter;
  return withOpen<app::storage::PackageDatabaseHelper>([&](auto& packages) { return packages.saveNewPackage(package); });
}

inline app::storage::PackageDatabaseObject loadPackage(int id) {
  return withOpen<app::storage::PackageDatabaseHelper>(
      [&](auto& packages) { return packages.loadPackage(id).value_or(app::storage::PackageDatabaseObject()); });
}

inline app::model::LensObject lens(int series, float focalLength, int selected, const std::string& type = "Prime Lens",
                       float focalLengthMax = 0) {
  app::model::LensObject made;
  made.manufacturerId = series;
  made.focalLength = focalLength;
  made.focalLengthMax = focalLengthMax;
  made.lensType = type;
  made.anamorphic = 1.0f;
  made.selected = selected;
  return made;
}

// Lens ids below are named by what they were before the update; shipped lenses keep theirs.
struct LensScene {
  int shippedTop = 0;  // the highest shipped lens id
  int seriesA = 0, seriesB = 0, seriesC = 0;
  int a20 = 0, a40 = 0, custom17 = 0, twin35 = 0, c75 = 0;
  int packageA = 0, packageCustom = 0, packageC = 0;

  // Series 1 and 2 (old generic) with a lens each; user series A (current, two lenses), B (empty) and C (one
  // zoom); a user 17.5 mm and a user twin of the shipped 35 mm in series 5; changed shipped flags.
  void build() {
    seedAsAFirstStart();
    app::storage::LensDatabaseHelper helper;
    ASSERT_TRUE(helper.openDb(false));
    shippedTop = helper.getLastLensID() - 1;
    const auto series = [&](const char* name, const char* type) {
      app::model::LensManufacturer made(0, "Me", name, type, 0, 1.0f, 1);
      return helper.insertManufacturer(made);
    };
    seriesA = series("A primes", "Prime Lens");
    seriesB = series("B empty", "Prime Lens");
    seriesC = series("C zoom", "Zoom Lens");
    EXPECT_TRUE(helper.deselectManufacturer());
    EXPECT_TRUE(helper.selectManufacturer(seriesA));
    const auto add = [&](app::model::LensObject made) { return helper.insertNewLensWithSelection(made); };
    const auto addCustom = [&](app::model::LensObject made) { return helper.insertOldCustomLens(made); };
    a20 = add(lens(seriesA, 20, 1));
    a40 = add(lens(seriesA, 40, 0));
    custom17 = addCustom(lens(5, 17.5f, 1));
    twin35 = addCustom(lens(5, 35, 1));  // shipped lens 20 is the series' 35 mm
    ASSERT_TRUE(helper.database().execute(
        "INSERT INTO Manufacturer (ManufacturerId, Manufacturer, LensSeries, Type, Origin) "
        "VALUES (1, 'Generic', 'Old primes', 'Prime Lens', 0), (2, 'Generic', 'Old zooms', 'Zoom Lens', 0)"));
    std::vector<app::model::LensObject> generic = {lens(1, 24, 1)}, genericZoom = {lens(2, 24, 1, "Zoom Lens", 70)};
    EXPECT_TRUE(helper.insertgenericPrimeLenses(generic));
    EXPECT_TRUE(helper.insertgenericZoomLenses(genericZoom));
    c75 = add(lens(seriesC, 75, 1, "Zoom Lens", 150));
    for (auto [id, flag] : {std::pair{16, 0}, {14, 1}, {10, 1}, {20, 0}}) {
      EXPECT_TRUE(helper.updateLensSelection({.lensId = id, .defaultSelection = flag}));
    }
    helper.closeDb();
    packageA = savePackage(seriesA, {a20, a40});
    packageCustom = savePackage(5, {custom17, twin35, 14});
    packageC = savePackage(seriesC, {c75});
  }

  static int countOf(const std::string& sql) { return countIn<app::storage::LensDatabaseHelper>(sql); }
  static bool isOld() { return countOf("SELECT COUNT(*) FROM Lenses WHERE ManufacturerId IN (1, 2)") == 2; }

  // Every user row present once, by what it is rather than by id.
  static void expectUserRows() {
    const std::string joined =
        "SELECT COUNT(*) FROM Manufacturer m JOIN Lenses l ON l.ManufacturerId = m.ManufacturerId WHERE m.Origin = 1 ";
    EXPECT_EQ(countOf(joined + "AND m.LensSeries = 'A primes' AND l.FocalLength IN (20, 40)"), 2);
    EXPECT_EQ(countOf(joined + "AND m.LensSeries = 'C zoom' AND l.FocalLength = 75 AND l.FocalLengthMax = 150"), 1);
    EXPECT_EQ(countOf("SELECT COUNT(*) FROM Lenses WHERE ManufacturerId = 5 AND FocalLength = 17.5 AND Custom = 1"), 1);
  }

  // Each package still holds the lenses it held, whatever their ids are now.
  static std::vector<float> focalLengthsOf(int packageId) {
    return withOpen<app::storage::LensDatabaseHelper>([&](auto& helper) {
      std::vector<float> lengths;
      for (int id : loadPackage(packageId).lensSetIDs) lengths.push_back(helper.getLens(id).focalLength);
      std::sort(lengths.begin(), lengths.end());
      return lengths;
    });
  }
  void expectPackagesFollow() const {
    EXPECT_EQ(focalLengthsOf(packageA), (std::vector<float>{20, 40}));
    EXPECT_EQ(focalLengthsOf(packageCustom), (std::vector<float>{12, 17.5f, 35}));
    EXPECT_EQ(focalLengthsOf(packageC), (std::vector<float>{75}));
    const int seriesOfC = loadPackage(packageC).lensManufacturerId;
    EXPECT_EQ(withOpen<app::storage::LensDatabaseHelper>([&](auto& h) { return h.getLensManufacturer(seriesOfC).value_or(app::model::LensManufacturer()).series; }),
              "C zoom");
  }
  // Everything a user could lose in an update.
  void expectWhole() const {
    expectUserRows();
    expectPackagesFollow();
  }
};

// Format ids below are named by what they were before the update; shipped rows keep theirs.
struct FormatScene {
  int newestShipped = 0, formatOne = 0, formatTwo = 0;
  int crop21 = 0, crop3 = 0, crop185 = 0;
  int packageOne = 0, packageTwo = 0, packageShipped = 0;

  // The installed catalogue is an older one: it lacks the newest shipped format and the shipped
  // 1.85:1 (12) and 2.76:1 (20) rows, so the user's rows sit where the new catalogue has its own. Two
  // user formats; user crops 2.1:1, 3:1 (selected) and 1.85:1.
  void build() {
    seedAsAFirstStart();
    app::storage::CameraFormatCatalogue formats;
    ASSERT_TRUE(formats.openDb(false));
    newestShipped = formats.getLastContainerID() - 1;
    ASSERT_TRUE(formats.database().execute("DELETE FROM FormatContainer WHERE id = ?", {newestShipped}));
    ASSERT_TRUE(formats.database().execute("DELETE FROM QuorvelFrameGuide WHERE id IN (12, 20)"));
    app::model::Camera one(0, "Rig one", "ignored", "Photo", 0), two(0, "Rig two", "", "", 0);
    app::model::CameraShootingMode mode;
    mode.width = 30.0f;
    mode.height = 17.0f;
    mode.anamorphotic = 1.3f;
    mode.aspectRatio = "1.76:1";
    mode.shootingMode = "";
    formatOne = formats.insertNewCameraManufacturer(one, mode)->containerID;
    mode.width = 12.5f;
    mode.height = 7.0f;
    formatTwo = formats.insertNewCameraManufacturer(two, mode)->containerID;
    formats.closeDb();

    app::storage::FrameGuideCatalogue guides;
    ASSERT_TRUE(guides.openDb(false));
    const auto add = [&](float width, bool selecting) {
      app::model::FrameGuide guide{.width = width, .height = 1.0f};
      selecting ? guides.insertFrameGuide(guide) : guides.insertFrameGuideFromCameraSetup(guide);
      return guide.frameGuideId;
    };
    crop21 = add(2.1f, false);
    crop3 = add(3.0f, true);
    crop185 = add(1.85f, false);
    guides.closeDb();

    packageOne = savePackage(5, {14}, formatOne, crop185, crop3);
    packageTwo = savePackage(5, {14}, formatTwo, crop3, crop21);
    packageShipped = savePackage(5, {14}, 599, 11, 1);
  }

  static bool isOld() {
    return withOpen<app::storage::FrameGuideCatalogue>([](auto& guides) { return !guides.getFrameGuide(12); });
  }
  static int countOf(const std::string& sql) { return countIn<app::storage::CameraFormatCatalogue>(sql); }

  static void expectUserRows() {
    EXPECT_EQ(countOf("SELECT COUNT(*) FROM FormatContainer f JOIN ManufactorTable m ON m.id = f.manufactorId "
                      "WHERE f.origin = 1 AND m.origin = 1 AND m.manufactor IN ('Rig one', 'Rig two')"),
              2);
    EXPECT_EQ(countOf("SELECT COUNT(*) FROM FormatContainer WHERE origin = 1"), 2);
    EXPECT_EQ(countOf("SELECT COUNT(*) FROM QuorvelFrameGuide WHERE width IN (2.0999999046325684, 3.0) "
                      "AND height = 1.0 AND type = 1"),
              2);
    EXPECT_EQ(countOf("SELECT COUNT(*) FROM QuorvelFrameGuide WHERE ABS(width - 1.85) < 0.0001 AND height = 1"), 1);
  }

  static float ratioOf(int guideId) {
    const auto guide =
        withOpen<app::storage::FrameGuideCatalogue>([&](auto& guides) { return guides.getFrameGuide(guideId); });
    return guide ? guide->width / guide->height : 0.0f;
  }
  static std::string cameraOf(int formatId) {
    return withOpen<app::storage::CameraFormatCatalogue>([&](auto& formats) -> std::string {
      const auto mode = formats.getCameraFormat(formatId);
      return mode ? formats.getCameraManufacturer(mode->manufacturerID).value_or(app::model::Camera()).manufacturer : "";
    });
  }

  // Each package still shows the camera, crop and guide it showed, whatever their ids are now.
  void expectPackagesFollow() const {
    const auto one = loadPackage(packageOne), two = loadPackage(packageTwo), shipped = loadPackage(packageShipped);
    EXPECT_EQ(cameraOf(one.cameraFormatId), "Rig one");
    EXPECT_EQ(cameraOf(two.cameraFormatId), "Rig two");
    EXPECT_FLOAT_EQ(ratioOf(one.cropID), 1.85f);
    EXPECT_FLOAT_EQ(ratioOf(one.frameGuideId), 3.0f);
    EXPECT_FLOAT_EQ(ratioOf(two.cropID), 3.0f);
    EXPECT_FLOAT_EQ(ratioOf(two.frameGuideId), 2.1f);
    EXPECT_EQ(shipped.cameraFormatId, 599);
    EXPECT_EQ(shipped.cropID, 11);
  }
  static void expectSelectedGuideIsThreeToOneAlone() { EXPECT_FLOAT_EQ(ratioOf(selectedGuide()), 3.0f); }
  // Everything a user could lose in an update.
  void expectWhole() const {
    expectUserRows();
    expectPackagesFollow();
    expectSelectedGuideIsThreeToOneAlone();
  }
};

// User adapters whose id order is not their name order ("aaaa hidden", "alpha ...", "Zeta ..."), so an update
// renumbers them across each other, and a package on each of them and on the shipped adapter 9.
struct AdapterScene {
  static constexpr const char* kNames[] = {"Zeta 0.5x", "alpha 1.33x ana", "aaaa hidden"};
  int ids[3] = {};
  std::vector<int> packages;

  void build() {
    seedAsAFirstStart();
    const float factors[][2] = {{0.5f, 0.5f}, {0.75f, 1.0f}, {0.9f, 0.9f}};
    withOpen<app::storage::LensAdapterCatalogue>([&](auto& adapters) {
      for (int i = 0; i < 3; ++i) {
        app::model::LensAdapterRecord adapter;
        adapter.adapterName = kNames[i];
        adapter.adapterValueWidth = factors[i][0];
        adapter.adapterValueHeight = factors[i][1];
        adapter.comment = "not kept";
        adapter.selected = 1;
        ids[i] = adapters.insertCustomAdapter(adapter);
      }
    });
    for (int adapter : {ids[0], ids[1], ids[2], 9}) packages.push_back(savePackage(5, {14}, 1084, 1, 1, adapter));
  }
  // The stored name, as written: the readers show an "aaaa" name as "None".
  static bool isNamed(int adapterId, const std::string& name) {
    return countIn<app::storage::LensAdapterCatalogue>(
               "SELECT COUNT(*) FROM QuorvelLensAdapter WHERE LensAdapterId = " + std::to_string(adapterId) +
               " AND LensAdapterName = '" + name + "'") == 1;
  }
  bool isOld() const { return isNamed(ids[0], kNames[0]); }
  void expectWhole() const {
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(isNamed(loadPackage(packages[i]).adapterId, kNames[i])) << kNames[i];
    EXPECT_EQ(loadPackage(packages[3]).adapterId, 9) << "shipped adapters keep their ids";
    EXPECT_EQ(withOpen<app::storage::LensAdapterCatalogue>([](auto& a) { return a.getAllCustomAdapters().size(); }), 3u)
        << "nothing doubled";
  }
};

constexpr int kPage = 4096;

inline void damage(const std::string& path, std::streamoff offset, int bytes) {
  overwriteWithNoise(path, offset, bytes, 7);
}
inline void damageMiddle(const std::string& path, int bytes) {
  damage(path, static_cast<std::streamoff>(std::filesystem::file_size(path) / 2 / kPage * kPage) - bytes / 2, bytes);
}

// Two saved packages, on shipped series and lenses: the package catalogue holds nothing but the
// person's rows.
struct PackageScene {
  int one = 0, two = 0;
  void build() {
    seedAsAFirstStart();
    one = savePackage(5, {14, 16});
    two = savePackage(192, {1246}, 599);
  }
  void expectWhole() const {
    EXPECT_EQ(loadPackage(one).lensSetIDs, (std::vector<int>{14, 16}));
    EXPECT_EQ(loadPackage(two).lensSetIDs, (std::vector<int>{1246}));
    EXPECT_EQ(loadPackage(two).cameraFormatId, 599);
    EXPECT_EQ(countIn<app::storage::PackageDatabaseHelper>("SELECT COUNT(*) FROM PackageData WHERE packageId > 0"), 2);
  }
};

// Each catalogue damaged where the scene's rows are, as a disk error leaves it, so that a rescue has
// rows of the person's to carry and some it cannot read.
inline void damageRows(const char* fileName) {
  const std::string path = CatalogueDatabase::libraryPath(fileName);
  const std::string name = fileName;
  if (name == app::storage::LensAdapterCatalogue::kFileName) {
    damage(path, 2 * kPage - 512, 512);  // the shipped rows' end of the one table page
  } else if (name == app::storage::PackageDatabaseHelper::kFileName) {
    damage(path, 3 * kPage, kPage);  // the index of the lens rows
  } else {
    damageMiddle(path, 2 * kPage);
  }
}

}  // namespace ostrel::testing::scenes
