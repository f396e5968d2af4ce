// The app launched the way `ostrel` launches it: by the delegate's class name.
#include "app/state/AppDelegate.h"

#include <gtest/gtest.h>

#include "platform/foundation/CurrentRegion.h"
#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/PropertyList.h"
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

TEST_F(LaunchTest, ABundleWithoutSdkOptionsStopsTheLaunch) {
  platform::foundation::Bundle::setMainPath(container_.pathFor("NoOptions"));
  try {
    launch();
    ADD_FAILURE() << "launched without options";
  } catch (const platform::foundation::Exception& e) {
    EXPECT_EQ(e.name(), "com.vurevore.core");
  }
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

