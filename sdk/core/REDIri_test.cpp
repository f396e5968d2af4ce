#include "sdk/core/REDIri.h"

#include <gtest/gtest.h>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "testing/TempContainer.h"

namespace {

using platform::foundation::AtomicFile;
using platform::foundation::Bundle;

// The reason configure() raised with; empty when it configured.
std::string configureRaises() {
  try {
    REDIri::configure();
  } catch (const platform::foundation::Exception& e) {
    EXPECT_EQ(e.name(), "com.vurevore.core");
    return e.reason();
  }
  return "";
}

class ConfigureTest : public ::testing::Test {
 protected:
  ConfigureTest() { REDIri::resetApps(); }
  ~ConfigureTest() override { REDIri::resetApps(), Bundle::setMainPath(previous_); }

  ostrel::testing::TempContainer container_;
  std::string folder_ = container_.pathFor("Bundle");
  std::string previous_ = Bundle::setMainPath(folder_);
};

TEST_F(ConfigureTest, OnlyAReadableOptionsFileConfiguresTheDefaultAppAndOnlyOnce) {
  ASSERT_TRUE(AtomicFile::createDirectories(folder_));
  for (std::string_view options : {"", "not a property list", "<plist version=\"1.0\"><array/></plist>"}) {
    if (!options.empty()) {
      ASSERT_TRUE(AtomicFile::writeAtomically(folder_ + "/VadezeService-Info.plist", options));
    }
    EXPECT_NE(configureRaises().find("could not find a valid VadezeService-Info.plist"), std::string::npos) << options;
    EXPECT_FALSE(REDIri::isDefaultAppConfigured());
  }
  Bundle::setMainPath(OSTREL_TEST_BUNDLE_DIR);  // the options file the app ships
  EXPECT_EQ(configureRaises(), "");
  const auto app = REDIri::defaultApp();
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(app->name(), "__REDIRI_DEFAULT");
  EXPECT_TRUE(app->options()["VADEZE_APP_ID"].isString());
  EXPECT_EQ(configureRaises(), "Default app has already been configured.");
  EXPECT_EQ(REDIri::defaultApp(), app) << "the first configuration stands";
}

}  // namespace
