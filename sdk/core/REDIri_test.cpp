#include "sdk/core/REDIri.h"

#include <gtest/gtest.h>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "testing/TempContainer.h"

namespace {

using platform::foundation::AtomicFile;
using platform::foundation::Bundle;

class ConfigureTest : public ::testing::Test {
 protected:
  ConfigureTest() : previous_(Bundle::setMainPath(OSTREL_TEST_BUNDLE_DIR)) { REDIri::resetApps(); }
  ~ConfigureTest() override {
    REDIri::resetApps();
    Bundle::setMainPath(previous_);
  }
  // A bundle holding only `options` as its options file (none when empty).
  void useBundleWith(std::string_view options) {
    const std::string folder = container_.pathFor("Bundle");
    ASSERT_TRUE(AtomicFile::createDirectories(folder));
    if (!options.empty()) ASSERT_TRUE(AtomicFile::writeAtomically(folder + "/VadezeService-Info.plist", options));
    Bundle::setMainPath(folder);
  }
  static std::string raisedBy(void (*call)()) {
    try {
      call();
    } catch (const platform::foundation::Exception& e) {
      EXPECT_EQ(e.name(), "com.vurevore.core");
      return e.reason();
    }
    return "";
  }

  ostrel::testing::TempContainer container_;
  std::string previous_;
};

TEST_F(ConfigureTest, TheShippedOptionsConfigureTheDefaultAppOnce) {
  EXPECT_FALSE(REDIri::isDefaultAppConfigured());
  REDIri::configure();
  const auto app = REDIri::defaultApp();
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(app->name(), "__REDIRI_DEFAULT");
  EXPECT_TRUE(app->isDefaultApp());
  EXPECT_TRUE(app->options()["VADEZE_APP_ID"].isString());
  EXPECT_EQ(raisedBy(&REDIri::configure), "Default app has already been configured.");
  EXPECT_EQ(REDIri::defaultApp(), app) << "the first configuration stands";
}

TEST_F(ConfigureTest, AMissingOrUnreadableOptionsFileRaisesAndConfiguresNothing) {
  for (std::string_view options : {std::string_view(), std::string_view("not a property list"),
                                   std::string_view("<plist version=\"1.0\"><array/></plist>")}) {
    useBundleWith(options);
    EXPECT_NE(raisedBy(&REDIri::configure).find("could not find a valid VadezeService-Info.plist"), std::string::npos)
        << options;
    EXPECT_FALSE(REDIri::isDefaultAppConfigured());
  }
}

}  // namespace
