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

// Series 5 as a commit hands it with the package: `chosen` of its primes (14 to 20 mm, two of 50 mm) and
// its zoom (90, 24-70 mm).
model::CameraPackage onSeriesFive(const std::vector<int>& chosen) {
  model::CameraPackage package = packageOf({.series = 5, .lenses = chosen});
  package.mLensSet = model::LensSet();
  for (const auto& [id, focal] : std::initializer_list<std::pair<int, float>>{{14, 14}, {16, 16}, {18, 18}, {20, 20},
                                                                              {50, 50}, {51, 50}, {90, 24}}) {
    model::LensObject lens;
    lens.lensId = id;
    lens.focalLength = focal;
    lens.lensType = id == 90 ? "Zoom Lens" : "Prime Lens";
    package.mLensSet->lenses.push_back(lens);
    for (auto& inSet : package.lensSet) {
      if (inSet.lensId == id) inSet = lens;
    }
  }
  return package;
}

// A stand-in and the stored row it stands in for, each choice stored as FramesObject stores it.
struct StandIn {
  explicit StandIn(PackageDatabaseObject row, const std::vector<int>& shownLenses) : stored(std::move(row)) {
    persons.shownStandsIn();
    shown = onSeriesFive(shownLenses);
  }
  // The lenses shown after a tap (or a series chosen), stored; what the stored row then holds.
  std::string choose(const model::CameraPackage& chosen) {
    EXPECT_TRUE(persons.choose(shown, chosen, PersonsPackage::kLenses));
    shown = chosen;
    auto row = persons.personsRow(shown, [this] { return std::optional(stored); });
    if (row) {
      stored = *row;
      persons.choicesStored();
    }
    return holdings(row);
  }

  PersonsPackage persons;
  PackageDatabaseObject stored;
  model::CameraPackage shown;
};

PackageDatabaseObject storedOnSeriesFive(const std::vector<int>& lenses) {
  PackageDatabaseObject row = storedRow();
  row.lensManufacturerId = 5;
  row.lensSetIDs = lenses;
  return row;
}

// The default series stands in for the person's own, two of its primes shown: only the lenses tapped on
// it are stored, as that series' only ones; tapped off again, or the stand-in's series restored as the
// picker is left after another series was chosen, the person's series and lens come back.
TEST(PersonsPackageTest, LensesTappedOnAStandInAreStoredWithoutTheOthersItShows) {
  const std::string persons = "format 1353 crop 21 | series 254: 1247 | adapter 23 | guide 1 2 16530736";
  StandIn slot(storedRow(), {14, 16});
  EXPECT_EQ(slot.choose(onSeriesFive({14, 16, 18})), "format 1353 crop 21 | series 5: 18 | adapter 23 | guide 1 2 16530736");
  EXPECT_EQ(slot.choose(onSeriesFive({14, 16, 18, 20})), "format 1353 crop 21 | series 5: 18 20 | adapter 23 | guide 1 2 16530736");
  EXPECT_EQ(slot.choose(onSeriesFive({16, 18, 20})), "format 1353 crop 21 | series 5: 18 20 | adapter 23 | guide 1 2 16530736")
      << "a lens of the stand-in's tapped off is none of the stored row's";
  EXPECT_EQ(slot.choose(onSeriesFive({16})), persons);

  const model::CameraPackage otherSeries = packageOf({.format = 1353, .crop = 21, .series = 192, .lenses = {1246}});
  EXPECT_EQ(slot.choose(otherSeries), "format 1353 crop 21 | series 192: 1246 | adapter 23 | guide 1 2 16530736");
  EXPECT_EQ(slot.choose(onSeriesFive({16, 18})), "format 1353 crop 21 | series 5: 18 | adapter 23 | guide 1 2 16530736");
  EXPECT_EQ(slot.choose(otherSeries), "format 1353 crop 21 | series 192: 1246 | adapter 23 | guide 1 2 16530736");
  EXPECT_EQ(slot.choose(onSeriesFive({14, 16})), persons) << "the stand-in's series restored";
}

// The stored row holds the stand-in's series: a prime tapped on takes the place of the stored one of its
// focal length, a zoom that of every lens; a lens deleted from the stored row meanwhile stays gone; and
// tapping off the stored row's last lens is refused, the row kept as it is.
TEST(PersonsPackageTest, LensesTappedOnAStandInOfTheStoredSeriesJoinItsLenses) {
  StandIn slot(storedOnSeriesFive({16, 20, 50}), {14, 16});
  EXPECT_EQ(slot.choose(onSeriesFive({14, 16, 51})), "format 1353 crop 21 | series 5: 16 20 51 | adapter 23 | guide 1 2 16530736");
  slot.stored.lensSetIDs = {16, 51};  // lens 20 deleted, and the stored packages followed
  EXPECT_EQ(slot.choose(onSeriesFive({14, 16, 18, 51})), "format 1353 crop 21 | series 5: 16 18 51 | adapter 23 | guide 1 2 16530736");
  EXPECT_EQ(slot.choose(onSeriesFive({90})), "format 1353 crop 21 | series 5: 90 | adapter 23 | guide 1 2 16530736");

  StandIn last(storedOnSeriesFive({16}), {14, 16});
  EXPECT_TRUE(last.persons.choose(last.shown, onSeriesFive({14}), PersonsPackage::kLenses));
  EXPECT_EQ(holdings(last.persons.personsRow(onSeriesFive({14}), [&] { return std::optional(last.stored); })), "nothing");
  EXPECT_TRUE(last.persons.choicesWaiting());
}

}  // namespace

}  // namespace app::state
