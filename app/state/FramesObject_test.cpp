// Start-up in a fresh container: each launch is a new state object reading what the last one left.
#include "app/state/FramesObject.h"

#include <gtest/gtest.h>

#include "app/state/StartUpTestSupport.h"

namespace app::state {

namespace {

using namespace ostrel::testing;

TEST_F(StartUpTest, AFirstLaunchWritesExactlyTheFirstStartValues) {
  for (const char* region : {"US", "DE"}) {
    ostrel::testing::TempContainer fresh;
    CurrentRegion::setOverride(region);
    EXPECT_TRUE(launch()->first_Start);
    const Value file = stored();
    EXPECT_EQ(file, firstStartValues(region)) << region << "\n" << file.description();
    EXPECT_TRUE(file["FMATRIXROW"].isReal());
    EXPECT_TRUE(file["quorvelAnamorphicUpdateDone"].isBool());
    EXPECT_TRUE(file["Version"].isInteger());

    // Both standard packages are stored, in the first start's frame-guide colour and shading.
    for (int id : {-2, -1}) {
      EXPECT_EQ(storedPackage(id).frameGuideColor, 0xFC3E30) << id;
      EXPECT_EQ(storedPackage(id).frameGuideShading, 2) << id;
    }
    EXPECT_EQ(storedPackage(-1).lensManufacturerId, 192);
  }
}

TEST_F(StartUpTest, LaterLaunchesCountUpAndKeepTheFrameGuideStyle) {
  launch();
  const auto second = launch();
  EXPECT_FALSE(second->first_Start);
  EXPECT_EQ(second->appStarts(), 2);
  ASSERT_TRUE(second->packageOne && second->packageTwo);
  EXPECT_EQ(second->packageOne->frameGuideColor.colorCode(), 0xFC3E30);
  EXPECT_EQ(second->packageTwo->frameGuideShading, 2);

  // A colour the user chose for package two stays after the next save and relaunch.
  second->packageTwo->frameGuideColor = model::StoredColor::fromColorCode(0x00FF00);
  second->packageTwo->frameGuideShading = 3;
  second->savePrefs();
  const auto third = launch();
  EXPECT_EQ(stored()["App_Start_Count"], Value(3));
  EXPECT_EQ(third->packageTwo->frameGuideColor.colorCode(), 0x00FF00);
  EXPECT_EQ(third->packageTwo->frameGuideShading, 3);
  EXPECT_EQ(storedPackage(-1).frameGuideColor, 0x00FF00);
  third->setPackageTwoAsCurrentPackage();
  EXPECT_EQ(third->currentPackage->frameGuideColor.colorCode(), 0x00FF00);
}

TEST_F(StartUpTest, TheCatalogueVersionDecidesAndIsStoredOnlyOnceTheUpdatesSucceeded) {
  launch();
  log_.clear();
  launch();
  EXPECT_TRUE(logged("NO DBUpate!"));
  EXPECT_FALSE(logged("Update LensDB now!"));

  // A container from the release before this catalogue carries that release's version.
  storeChanged({{"DBVersion", 53}, {"quorvelAnamorphicUpdateDone", false}});
  // Without the bundle's catalogues no update can be made; the installed ones stay in use.
  platform::foundation::Bundle::setMainPath(container_.pathFor("EmptyBundle"));
  EXPECT_EQ(launch()->packageOne->lensManufacturer->manufacturerId, 5) << "packages still load";
  EXPECT_EQ(stored()["DBVersion"], Value(53));
  EXPECT_EQ(stored()["quorvelAnamorphicUpdateDone"], Value(false));

  platform::foundation::Bundle::setMainPath(OSTREL_TEST_BUNDLE_DIR);
  log_.clear();
  launch();
  EXPECT_TRUE(logged("DBUpate!"));
  const size_t lens = positionOf("Update LensDB now!"), format = positionOf("Update CameraformatDB now!"),
               adapter = positionOf("Update LensAdapterUpdate now!");
  EXPECT_LT(lens, format);
  EXPECT_LT(format, adapter);
  EXPECT_LT(adapter, log_.lines().size());
  EXPECT_EQ(stored()["DBVersion"], Value(FramesObject::kDBVersion));
  EXPECT_EQ(stored()["quorvelAnamorphicUpdateDone"], Value(true));
}

TEST_F(StartUpTest, AFileThatDoesNotParseReadsAsOneWithoutKeysAndKeepsTheStoredPackages) {
  launch();
  storeChanged({{"FormatOneID", 133}, {"COCFACTOR", 1800}});
  ASSERT_TRUE(platform::foundation::AtomicFile::writeAtomically(FramesObject::preferencePath(),
                                                                std::string_view("<plist><dict><key>")).ok());
  log_.clear();
  EXPECT_FALSE(launch()->first_Start) << "the stored packages are no first start's";
  EXPECT_TRUE(logged("Update LensDB now!"));
  EXPECT_EQ(stored(), firstStartValues("DE")) << "the formats are the stored packages' own";
}

TEST_F(StartUpTest, StoredValuesAreReadByTheirRulesAndOutOfRangeOnesReplaced) {
  launch();
  // The settings group is read only with its theme key.
  store({{"appIsVersion3", true}, {"quorvelAnamorphicUpdateDone", true}, {"DBVersion", FramesObject::kDBVersion}, {"SETTINGS_SNAP", false}});
  auto state = launch();
  EXPECT_TRUE(state->settings.snap);
  EXPECT_TRUE(state->settings.hapticFeedback);

  // Dark mode, circle-of-confusion factor and f-stop position as the next launch reads them.
  const auto read = [&](const Dictionary& changes) {
    storeChanged(changes);
    state = launch();
    return std::tuple(state->appInDarkMode, int(state->settings.cocFactor), state->fMatrix.row(),
                      state->fMatrix.modus());
  };
  EXPECT_EQ(read({{"SETTINGS_COLORTHEME", 2},
                  {"SETTINGS_APPINDARKMODE", false},
                  {"COCFACTOR", 1200},
                  {"FMATRIXROW", 7.0},
                  {"FMATRIXMODUS", 2.0},
                  {"LensAdapterOne", 0.64}}),
            std::tuple(false, 1200, 7, 2));
  EXPECT_FLOAT_EQ(state->lensadapterOne.currentAdapter(), 0.64f);
  EXPECT_FLOAT_EQ(state->lensadapterTwo.currentAdapter(), 1.0f);
  // Theme 0 is dark whatever the file says.
  EXPECT_EQ(read({{"SETTINGS_COLORTHEME", 0}, {"COCFACTOR", 5000}, {"FMATRIXROW", "seven"}}),
            std::tuple(true, 1500, 4, 0));
  EXPECT_EQ(read({{"COCFACTOR", 0}, {"FMATRIXROW", 99.0}}), std::tuple(true, 1500, 4, 0));
  // A stored modus off the table is not the user's choice either: the whole position is the first start's.
  EXPECT_EQ(read({{"FMATRIXROW", 6.0}, {"FMATRIXMODUS", 9.0}}), std::tuple(true, 1500, 4, 0));
  EXPECT_EQ(read({{"FMATRIXROW", 6.0}, {"FMATRIXMODUS", -1.0}}), std::tuple(true, 1500, 4, 0));
  // The ends of the tile's range are the user's choice.
  for (int factor : {1000, 2000}) {
    EXPECT_EQ(std::get<1>(read({{"COCFACTOR", factor}})), factor);
    state->savePrefs();
    EXPECT_EQ(stored()["COCFACTOR"], Value(factor));
  }
  for (int factor : {999, 2001}) EXPECT_EQ(std::get<1>(read({{"COCFACTOR", factor}})), 1500) << factor;
  EXPECT_EQ(stored()["COCFACTOR"], Value(1500));
}

TEST_F(StartUpTest, BlockedHapticsNeverReachTheFile) {
  auto state = launch();
  state->blockHapticFeedback();
  state->blockHapticFeedback();
  EXPECT_FALSE(state->settings.hapticFeedback);
  state->savePrefs();
  EXPECT_EQ(stored()["SETTINGS_HAPTICFEEDBACK"], Value(true));
  state->unblockHapticFeedback();
  EXPECT_TRUE(state->settings.hapticFeedback);

  // A user who turned it off keeps it off through a block.
  state->settings.hapticFeedback = false;
  state->blockHapticFeedback();
  state->unblockHapticFeedback();
  state->savePrefs();
  EXPECT_EQ(stored()["SETTINGS_HAPTICFEEDBACK"], Value(false));
}

model::LensObject prime(int id, float focalLength) {
  model::LensObject lens;
  lens.lensId = id;
  lens.focalLength = focalLength;
  lens.lensType = "Prime Lens";
  return lens;
}

TEST(LensSetThinningTest, OnePrimePerFocalLengthWithTheSelectedOneWinning) {
  FramesObject state;
  model::LensObject zoom = prime(3, 50);
  zoom.lensType = "Zoom Lens";
  const auto thinned = [&](std::vector<model::LensObject> selected) {
    model::CameraPackage package;
    package.mLensSet = model::LensSet{.lenses = {prime(7, 50), zoom, prime(8, 85), prime(9, 50)},
                                      .lensManufacturer = {},
                                      .selectedLenses = std::move(selected)};
    state.packageOne = package;
    std::vector<int> ids;
    for (const auto& lens : state.getLensSetForPackageOne().lenses) ids.push_back(lens.lensId);
    EXPECT_EQ(state.packageOne->mLensSet->lenses.size(), ids.size()) << "the package's own set is thinned";
    return ids;
  };
  EXPECT_EQ(thinned({prime(9, 50)}), (std::vector<int>{3, 8, 9}));
  EXPECT_EQ(thinned({}), (std::vector<int>{7, 3, 8}));
  state.packageTwo.reset();
  EXPECT_TRUE(state.getLensSetForPackageTwo().lenses.empty());
}

}  // namespace

}  // namespace app::state

