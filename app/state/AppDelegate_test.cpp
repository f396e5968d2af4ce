// The app launched the way `ostrel` launches it: by the delegate's class name.
#include "app/state/AppDelegate.h"

#include <gtest/gtest.h>

#include "platform/foundation/CurrentRegion.h"
#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/PropertyList.h"
#include "platform/log/Log.h"
#include "platform/ui/Application.h"
#include "sdk/core/App.h"
#include "testing/TempContainer.h"

using platform::foundation::CurrentRegion;

namespace app::state {

namespace {

using platform::foundation::PropertyList;
using platform::foundation::Value;

class LaunchTest : public ::testing::Test {
 protected:
  LaunchTest() : previousBundle_(platform::foundation::Bundle::setMainPath(OSTREL_TEST_BUNDLE_DIR)) {
    sdk::core::App::resetApps();
    platform::ui::Application::setAppExtension(false);
  }
  ~LaunchTest() override {
    platform::ui::Application::setAppExtension(std::nullopt);
    sdk::core::App::resetApps();
    platform::foundation::Bundle::setMainPath(previousBundle_);
  }
  static void launch() {
    char name[] = "ostrel";
    char* argv[] = {name, nullptr};
    platform::ui::applicationMain(1, argv, "AppDelegate", {.runMainLoop = false});
  }

  ostrel::testing::TempContainer container_;
  std::string previousBundle_;
};

TEST_F(LaunchTest, LaunchingLoadsTheStateAndEnteringTheBackgroundSavesIt) {
  platform::dispatch::MainLoop::setMainThread();
  launch();
  EXPECT_TRUE(sdk::core::App::isDefaultAppConfigured()) << "the SDK is configured first";
  const auto delegate = AppDelegate::shared();
  ASSERT_NE(delegate, nullptr);
  const auto state = delegate->getFramesObject();
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state, FramesObject::getSingleton());
  EXPECT_TRUE(state->packageOne.has_value());

  state->settings.cocFactor = 1750;
  platform::ui::Application::sharedApplication()->enterBackground();
  EXPECT_EQ(PropertyList::readFile(FramesObject::preferencePath())["COCFACTOR"], Value(1750));
}

// The calculator needs none of the SDK's services: a bundle whose options file is missing or cannot be
// read launches without them, and says so once.
TEST_F(LaunchTest, ABundleWithoutReadableSdkOptionsLaunchesWithoutTheSDK) {
  platform::dispatch::MainLoop::setMainThread();
  platform::foundation::Bundle::setMainPath(container_.pathFor("NoOptions"));
  platform::log::CapturedLines log;
  launch();
  EXPECT_FALSE(sdk::core::App::isDefaultAppConfigured());
  const auto delegate = AppDelegate::shared();
  ASSERT_NE(delegate, nullptr);
  ASSERT_NE(delegate->getFramesObject(), nullptr);
  EXPECT_TRUE(delegate->getFramesObject()->packageOne.has_value());
  std::size_t said = 0;
  for (const auto& line : log.lines()) {
    if (line.level == platform::log::Error && line.message.find("The SDK's options file") == 0) ++said;
  }
  EXPECT_EQ(said, 1u);
}

TEST(CurrentRegionTest, TheCountryIsTakenFromTheLocaleName) {
  const std::pair<const char*, const char*> cases[] = {
      {"en_US.UTF-8", "US"}, {"de_DE@euro", "DE"}, {"my_mm", "MM"}, {"C.UTF-8", ""}, {"POSIX", ""}};
  for (const auto& [locale, country] : cases) EXPECT_EQ(CurrentRegion::countryOf(locale), country) << locale;
  const std::string previous = CurrentRegion::setOverride("LR");
  EXPECT_TRUE(FramesObject::phoneRegionIsImperial());
  CurrentRegion::setOverride("FR");
  EXPECT_FALSE(FramesObject::phoneRegionIsImperial());
  CurrentRegion::setOverride(previous);
}

}  // namespace

}  // namespace app::state

