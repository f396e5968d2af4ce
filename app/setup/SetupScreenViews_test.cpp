// The screens the analytics library reports while a person uses the app: the main screen's pages are
// one screen, the setup menu another.
#include <gtest/gtest.h>

#include "app/main/MainScreenTestSupport.h"
#include "app/setup/NewCameraSetupViewController.h"
#include "sdk/analytics/engine/reporters/ScreenViewReporter.h"
#include "sdk/analytics/engine/reporters/ReporterHost.h"

namespace app::setup {

namespace {

using platform::foundation::Dictionary;

// What the reporters log, by name and parameters.
class ScreenViewRecorder final : public sdk::analytics::ReporterHost {
 public:
  void logInternalEvent(const std::string& origin, const std::string& name, const Dictionary& parameters,
                        std::optional<double>) override {
    std::lock_guard lock(mutex);
    if (name == "_vs") views.push_back(parameters);
    if (name == "_vs") { EXPECT_EQ(origin, "auto"); }
  }
  void setInternalUserProperty(const Value&, const std::string&, const std::string&) override {}
  bool isAppActive() override { return true; }

  std::vector<Dictionary> screenViews() {
    sdk::analytics::ScreenViewReporter::sharedInstance()->waitForQueue();
    std::lock_guard lock(mutex);
    return views;
  }

  std::mutex mutex;
  std::vector<Dictionary> views;
};

// Installed before the main screen comes up, so its first appearance is heard.
struct RecorderInstalled {
  RecorderInstalled() { sdk::analytics::ReporterHost::setCurrent(recorder); }
  ~RecorderInstalled() { sdk::analytics::ReporterHost::setCurrent(nullptr); }
  std::shared_ptr<ScreenViewRecorder> recorder = std::make_shared<ScreenViewRecorder>();
};

class SetupScreenViewsTest : public ::testing::Test,
                             public RecorderInstalled,
                             public ostrel::testing::MainScreenFixture<> {
 protected:
  std::string text(const Dictionary& parameters, const char* name) {
    auto found = parameters.find(name);
    return found == parameters.end() ? "-" : found->second.description();
  }
};

TEST_F(SetupScreenViewsTest, PagesAreOneScreenAndSetupAnother) {
  // Out to the last page and back to the first, whose header opens package one's setup.
  for (int i = 0; i < 6; ++i) swipe(-150);
  EXPECT_EQ(screen->menuPositionMain, 6);
  for (int i = 0; i < 6; ++i) swipe(150);
  EXPECT_EQ(screen->menuPositionMain, 1);
  window->layoutIfNeeded();
  tap(*views().formatButtonOne);
  env.advance(1);
  ASSERT_TRUE(std::dynamic_pointer_cast<NewCameraSetupViewController>(navigation->topViewController()));

  auto seen = recorder->screenViews();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(text(seen[0], "_sc"), "NewMainViewController");
  EXPECT_EQ(text(seen[1], "_sc"), "NewCameraSetupViewController");
  EXPECT_EQ(text(seen[1], "_pc"), "NewMainViewController");
  EXPECT_EQ(text(seen[1], "_pi"), text(seen[0], "_si"));
}

}  // namespace

}  // namespace app::setup

