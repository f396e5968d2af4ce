#include "app/state/SavedThemeFlag.h"

#include <gtest/gtest.h>

#include <fstream>

#include "app/state/StartUpTestSupport.h"

namespace app::state {

namespace {

using app::state::SavedThemeFlag;

class SavedThemeFlagTest : public ostrel::testing::StartUpTest {};

// The theme follows what is saved, at once, and nothing that is only in memory.
TEST_F(SavedThemeFlagTest, FollowsEachSaveAndNothingUnsaved) {
  EXPECT_FALSE(SavedThemeFlag::isDark()) << "no preference file is the light theme";
  auto state = launch();
  EXPECT_TRUE(SavedThemeFlag::isDark()) << "a first start saves the dark theme";

  state->settings.colorTheme = 1;
  state->appInDarkMode = false;
  EXPECT_TRUE(SavedThemeFlag::isDark()) << "a flag not yet saved is not the stored choice";
  state->savePrefs();
  EXPECT_FALSE(SavedThemeFlag::isDark());
  EXPECT_FALSE(stored()["SETTINGS_APPINDARKMODE"].toBool());

  // A save that finds the file as it would write it still answers for the file.
  SavedThemeFlag::fileChanged();
  state->savePrefs();
  EXPECT_FALSE(SavedThemeFlag::isDark());
}

TEST_F(SavedThemeFlagTest, ADamagedFileIsLightUntilTheStartWritesItAgain) {
  launch();
  std::ofstream(FramesObject::preferencePath()) << "<plist><dict><key>SETTINGS_APPINDARKMODE</key><tr";
  SavedThemeFlag::fileChanged();
  EXPECT_FALSE(SavedThemeFlag::isDark());
  launch();  // moves the damaged file aside and starts from the defaults: dark
  EXPECT_TRUE(SavedThemeFlag::isDark());
}

TEST_F(SavedThemeFlagTest, EachContainerAnswersFromItsOwnFile) {
  launch();
  ASSERT_TRUE(SavedThemeFlag::isDark());
  {
    ostrel::testing::TempContainer other;
    EXPECT_FALSE(SavedThemeFlag::isDark()) << "another container has no preference file yet";
  }
  EXPECT_TRUE(SavedThemeFlag::isDark());
}

}  // namespace

}  // namespace app::state

