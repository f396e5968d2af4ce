#pragma once

// Shared by the settings tests: the pages' environment (a fresh container on the manual clock, the test
// bundle, the shared state object cleared), and a window to put tiles in.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/pages/PageState.h"
#include "app/pages/PagesTestSupport.h"
#include "platform/foundation/PropertyList.h"
#include "platform/ui/Window.h"

namespace ostrel::testing {

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() { window->makeKeyAndVisible(); }

  static app::state::FramesSettings& settings() { return app::pages::framesObject()->settings; }
  // A key of the preference file as last saved; nil when the file or the key is missing.
  static platform::foundation::Value stored(const std::string& key) {
    return platform::foundation::PropertyList::readFile(app::state::FramesObject::preferencePath())[key];
  }
  void tap(const platform::ui::View& view) {
    const auto centre = view.convertPointTo({view.bounds().midX(), view.bounds().midY()}, nullptr);
    window->touchDown(centre);
    window->touchUp(centre);
    env.advance(0.01);
  }

  PagesTestEnvironment env;
  std::shared_ptr<platform::ui::Window> window = platform::ui::make<platform::ui::Window>();
};

}  // namespace ostrel::testing
