#pragma once

// Shared by the pages' tests: the kit's environment (a fresh container, the manual clock), the test bundle
// with its catalogues, and the shared state object dressed for one test and cleared after it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "app/kit/KitTestSupport.h"
#include "app/pages/PageState.h"
#include "platform/foundation/Bundle.h"
#include "platform/shell/ViewTreeDump.h"
#include "platform/ui/Renderer.h"

namespace ostrel::testing {

class PagesTestEnvironment {
 public:
  explicit PagesTestEnvironment(bool dark = false)
      : previousBundle_(platform::foundation::Bundle::setMainPath(OSTREL_TEST_BUNDLE_DIR)) {
    KitTestEnvironment::setDarkMode(dark);
    auto state = app::pages::framesObject();
    state->packageOne.reset();
    state->packageTwo.reset();
    state->settings = app::state::FramesSettings{};
    state->settings.cocFactor = 1500;
    state->settings.colorTheme = dark ? 0 : 1;
    state->appInDarkMode = dark;
  }
  ~PagesTestEnvironment() {
    auto state = app::pages::framesObject();
    state->packageOne.reset();
    state->packageTwo.reset();
    platform::foundation::Bundle::setMainPath(previousBundle_);
  }

  void advance(double seconds) { kit_.advance(seconds); }

 private:
  KitTestEnvironment kit_;
  std::string previousBundle_;
};

// A page's view tree (texts and frames) against the reference stored beside the tests, so that a change in
// any number a page shows fails. OSTREL_UPDATE_REFERENCES=1 writes the references anew instead; the
// pictures go to $OSTREL_PAGES_PNG_DIR when it is set, for a person to look at.
inline void expectMatchesReference(platform::ui::View& page, const std::string& name) {
  const std::string dump = platform::shell::ViewTreeDump::json(page) + "\n";
  const std::string path = std::string(OSTREL_PAGES_REFERENCE_DIR) + "/" + name + ".json";
  if (const char* png = std::getenv("OSTREL_PAGES_PNG_DIR")) {
    auto image = platform::ui::Renderer::render(page, 2, platform::graphics::Color::blackColor());
    ASSERT_TRUE(image && image->writePNG(std::string(png) + "/" + name + ".png"));
  }
  if (std::getenv("OSTREL_UPDATE_REFERENCES")) {
    std::ofstream(path) << dump;
    return;
  }
  std::ifstream file(path);
  ASSERT_TRUE(file) << "no reference " << path;
  std::stringstream stored;
  stored << file.rdbuf();
  EXPECT_EQ(dump, stored.str()) << "the page " << name << " no longer shows what " << path << " holds";
}

}  // namespace ostrel::testing
