// What of a standard package's slot may be stored: the package shown when it is the person's, else what
// they chose on the package standing in for theirs, put onto the stored row.
#include "app/state/PersonsPackage.h"

#include <gtest/gtest.h>

namespace app::state {

namespace {

using storage::PackageDatabaseObject;

struct Parts {
  int format = 1084, crop = 1, series = 5;
  std::vector<int> lenses = {16};
  int adapter = 1, guide = 1, shading = 4, colour = 0xFF;
};

model::CameraPackage packageOf(const Parts& parts) {
  model::CameraPackage package;
  package.shootingMode = model::CameraShootingMode();
  package.shootingMode->containerID = parts.format;
  package.shootingMode->width = 36.0f;
  package.shootingMode->height = 24.0f;
  package.cameraManufacturer = model::Camera();
  package.cropID = parts.crop;
  if (parts.series != 0) {
    package.lensManufacturer = model::LensManufacturer();
    package.lensManufacturer->manufacturerId = parts.series;
  }
  for (int id : parts.lenses) {
    package.lensSet.emplace_back();
    package.lensSet.back().lensId = id;
  }
  package.lensAdapter = model::LensAdapterRecord();
  package.lensAdapter->adapterId = parts.adapter;
  package.frameGuide = model::FrameGuide();
  package.frameGuide->frameGuideId = parts.guide;
  package.frameGuideShading = parts.shading;
  package.frameGuideColor = model::StoredColor::fromColorCode(parts.colour);
  return package;
}

// "format 1084 crop 1 | series 5: 16 | adapter 1 | guide 1 4 255": what a row holds.
std::string holdings(const std::optional<PackageDatabaseObject>& row) {
  if (!row) return "nothing";
  std::string text = "format " + std::to_string(row->cameraFormatId) + " crop " + std::to_string(row->cropID) +
                     " | series " + std::to_string(row->lensManufacturerId) + ":";
  for (int id : row->lensSetIDs) text += " " + std::to_string(id);
  return text + " | adapter " + std::to_string(row->adapterId) + " | guide " + std::to_string(row->frameGuideId) + " " +
         std::to_string(row->frameGuideShading) + " " + std::to_string(row->frameGuideColor);
}

// The person's stored package: their camera, ratio, series, adapter and frame-guide style.
const Parts kStored{.format = 1353, .crop = 21, .series = 254, .lenses = {1247}, .adapter = 23, .guide = 1,
                    .shading = 2, .colour = 0xFC3D30};

PackageDatabaseObject storedRow() {
  PackageDatabaseObject row;
  row.packageID = -2;
  row.cameraFormatId = kStored.format;
  row.cropID = kStored.crop;
  row.lensManufacturerId = kStored.series;
  row.lensSetIDs = kStored.lenses;
  row.adapterId = kStored.adapter;
  row.frameGuideId = kStored.guide;
  row.frameGuideShading = kStored.shading;
  row.frameGuideColor = kStored.colour;
  return row;
}

TEST(PersonsPackageTest, APackageOfThePersonsIsStoredAsShownUnlessPartOfItCouldNotBeRead) {
  PersonsPackage persons;
  const auto none = [] { return std::optional<PackageDatabaseObject>(); };
  const model::CameraPackage shown = packageOf({.series = 192, .lenses = {1246}});
  EXPECT_EQ(holdings(persons.personsRow(shown, none)), "format 1084 crop 1 | series 192: 1246 | adapter 1 | guide 1 4 255");

  // A camera chosen while the lens catalogue could not be read: the lenses are not the person's to lose.
  Parts withoutLenses{.format = 599, .series = 0, .lenses = {}};
  EXPECT_TRUE(persons.choose(shown, packageOf(withoutLenses), PersonsPackage::kCamera));
  EXPECT_TRUE(persons.standsIn());
  EXPECT_EQ(holdings(persons.personsRow(packageOf(withoutLenses), [] { return std::optional(storedRow()); })),
            "format 599 crop 1 | series 254: 1247 | adapter 23 | guide 1 2 16530736");
}

// The default package stands in: a camera, then an adapter, chosen on it reach the stored row and nothing
// else does, not the parts a commit rebuilt unchanged (an EXIT that commits what was shown) nor the ones
// the choice was not about; a choice that could not be read is refused and kept from the row; a whole
// package chosen (a saved one loaded) is the person's again.
TEST(PersonsPackageTest, OnlyWhatIsChosenOnAStandInReachesTheStoredRow) {
  PersonsPackage persons;
  persons.shownStandsIn();
  int reads = 0;
  const auto stored = [&reads] {
    ++reads;
    return std::optional(storedRow());
  };
  const model::CameraPackage fallback = packageOf({.format = 10});
  EXPECT_FALSE(persons.choicesWaiting());
  EXPECT_EQ(holdings(persons.personsRow(fallback, stored)), holdings(storedRow())) << "the stored row as it is";

  EXPECT_TRUE(persons.choose(fallback, fallback, PersonsPackage::kCamera));
  EXPECT_FALSE(persons.choicesWaiting()) << "nothing changed";

  // The camera's commit rebuilt the series from selection flags that hold another package's choice.
  const model::CameraPackage camera = packageOf({.format = 599, .crop = 10, .series = 192, .lenses = {1246}});
  EXPECT_TRUE(persons.choose(fallback, camera, PersonsPackage::kCamera));
  const model::CameraPackage adapter = packageOf({.format = 599, .crop = 10, .series = 192, .lenses = {1246}, .adapter = 5});
  EXPECT_TRUE(persons.choose(camera, adapter, PersonsPackage::kAdapter));
  EXPECT_TRUE(persons.choicesWaiting());
  EXPECT_EQ(holdings(persons.personsRow(adapter, stored)), "format 599 crop 10 | series 254: 1247 | adapter 5 | guide 1 2 16530736");

  // A series chosen while the lens catalogue could not be read holds no lenses: refused, and not stored.
  model::CameraPackage noLenses = adapter;
  noLenses.lensManufacturer.reset();
  noLenses.lensSet.clear();
  EXPECT_FALSE(persons.choose(adapter, noLenses, PersonsPackage::kLenses));
  EXPECT_EQ(holdings(persons.personsRow(noLenses, stored)), "format 599 crop 10 | series 254: 1247 | adapter 5 | guide 1 2 16530736");

  persons.choicesStored();
  EXPECT_FALSE(persons.choicesWaiting());
  EXPECT_EQ(holdings(persons.personsRow(noLenses, [] { return std::optional<PackageDatabaseObject>(); })), "nothing")
      << "a stored row that cannot be read is not made up";
  EXPECT_TRUE(persons.standsIn());

  const model::CameraPackage saved = packageOf({.format = 133, .series = 5, .lenses = {14, 16}, .adapter = 3});
  EXPECT_TRUE(persons.choose(noLenses, saved, PersonsPackage::kWhole));
  EXPECT_FALSE(persons.standsIn());
  const int readsBefore = reads;
  EXPECT_EQ(holdings(persons.personsRow(saved, stored)), "format 133 crop 1 | series 5: 14 16 | adapter 3 | guide 1 4 255");
  EXPECT_EQ(reads, readsBefore) << "the person's own package needs no stored row";
}

}  // namespace

}  // namespace app::state
