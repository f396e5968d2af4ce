#pragma once

// Shared by the setup screens' tests: a fresh container with the test bundle's real catalogues, the
// manual clock, and the shared state object after a first start, editing package one as the main
// screen leaves it when the header is tapped.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/kit/KitTestSupport.h"
#include "app/pages/PageState.h"
#include "app/state/FramesObject.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/CurrentRegion.h"

namespace ostrel::testing {

class SetupTestEnvironment : public ostrel::testing::KitTestEnvironment {
 public:
  explicit SetupTestEnvironment(bool dark = true)
      : previousBundle_(platform::foundation::Bundle::setMainPath(OSTREL_TEST_BUNDLE_DIR)),
        previousRegion_(platform::foundation::CurrentRegion::setOverride("DE")) {
    auto frames = state();
    frames->packageOne.reset();
    frames->packageTwo.reset();
    frames->currentPackage.reset();
    frames->settings = app::state::FramesSettings{};
    frames->restartFromSettings = false;
    frames->storyBoardName = "Main_Universal";
    frames->loadPrefs();
    frames->settings.colorTheme = dark ? 0 : 1;
    frames->appInDarkMode = dark;
    frames->savePrefs();
    frames->setPackageOneAsCurrentPackage();
  }
  ~SetupTestEnvironment() override {
    auto frames = state();
    frames->packageOne.reset();
    frames->packageTwo.reset();
    frames->currentPackage.reset();
    platform::foundation::CurrentRegion::setOverride(previousRegion_);
    platform::foundation::Bundle::setMainPath(previousBundle_);
  }

  static std::shared_ptr<app::state::FramesObject> state() { return app::pages::framesObject(); }

 private:
  std::string previousBundle_;
  std::string previousRegion_;
};

}  // namespace ostrel::testing
