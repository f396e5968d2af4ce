#include "app/state/SavedThemeFlag.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/foundation/PropertyList.h"

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

// Another program's writes are followed at once, whether they replace the file or write it in place.
TEST_F(SavedThemeFlagTest, FollowsAFileAnotherProgramWrites) {
  launch();
  ASSERT_TRUE(SavedThemeFlag::isDark());
  const std::string path = FramesObject::preferencePath();
  platform::foundation::Dictionary light = *stored().dictionary();
  light["SETTINGS_APPINDARKMODE"] = false;
  ASSERT_TRUE(platform::foundation::PropertyList::writeFile(path, platform::foundation::Value(light),
                                                            platform::foundation::PropertyList::Format::Xml));
  EXPECT_FALSE(SavedThemeFlag::isDark()) << "a file put in its place";
  std::ofstream(path, std::ios::trunc) << "<plist><dict><key>SETTINGS_APPINDARKMODE</key><true/></dict></plist>";
  EXPECT_TRUE(SavedThemeFlag::isDark()) << "the file written in place";
  std::remove(path.c_str());
  EXPECT_FALSE(SavedThemeFlag::isDark()) << "the file gone";
}

// What the calling thread has read from files so far, as the kernel counts it; -1 where it does not.
long long bytesReadByThisThread() {
  std::ifstream io("/proc/thread-self/io");
  std::string key;
  long long value = 0;
  while (io >> key >> value) {
    if (key == "rchar:") return value;
  }
  return -1;
}

// A screen's hundreds of colours parse the file once, and again only once it was written.
TEST_F(SavedThemeFlagTest, ParsesTheFileOnlyOnceItIsAnotherOrWrittenSince) {
  launch();
  ASSERT_TRUE(SavedThemeFlag::isDark());
  const long long fileBytes = static_cast<long long>(std::ifstream(FramesObject::preferencePath(), std::ios::ate).tellg());
  const long long before = bytesReadByThisThread();
  if (before < 0) GTEST_SKIP() << "this system does not count a thread's reads";
  for (int colour = 0; colour < 500; ++colour) ASSERT_TRUE(SavedThemeFlag::isDark());
  EXPECT_LT(bytesReadByThisThread() - before, fileBytes) << "the file was parsed again";
  std::ofstream(FramesObject::preferencePath(), std::ios::app) << "\n";
  const long long written = bytesReadByThisThread();
  EXPECT_TRUE(SavedThemeFlag::isDark());
  EXPECT_GE(bytesReadByThisThread() - written, fileBytes) << "a file written since is parsed again";
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

