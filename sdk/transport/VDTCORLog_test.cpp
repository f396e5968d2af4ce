#include "sdk/transport/VDTCORLog.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/log/Log.h"
#include "sdk/core/VURCoreTestSupport.h"
#include "sdk/transport/VDTCOREndpoints.h"

namespace {

TEST(VDTCORLogTest, OnlyLevelFourLinesAreWrittenWithTheirCodes) {
  platform::log::CapturedLines lines;
  VDTCORLog(6, 3, "below the threshold");
  VDTCORLogDebug("a trace %d", 1);
  VDTCORLog(6, 4, "written %@ %d%%", "text", 5);
  VDTCORLog(1006, 4, "100%% sure");
  auto kept = lines.lines();
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept[0].message, "[VadezeDataTransport][I-VDTCOR000006] written text 5%");
  EXPECT_EQ(kept[1].message, "[VadezeDataTransport][I-VDTCOR001006] 100% sure");
}

// The address comes from the environment, else the options file; without either no target has a URL.
TEST(VDTCOREndpointsTest, UploadURLsFollowTheConfiguredAddressAndNothingElse) {
  ostrel::testing::SdkWorld world;  // options without an address
  ::unsetenv(VDTCOREndpoints::kServiceURLEnvironmentVariable);
  for (std::int64_t target : {999, 1000, 1001, 1002, 1003}) EXPECT_FALSE(VDTCOREndpoints::uploadURLForTarget(target)) << target;
  EXPECT_TRUE(VDTCOREndpoints::uploadURLs().empty());

  auto options = ostrel::testing::validOptionsDictionary();
  options[VDTCOREndpoints::kServiceURLOptionKey] = "https://events.example.net/";
  world.writePlist("VadezeService-Info.plist", platform::foundation::Value(options));
  VUROptions::resetDefaultOptions();
  EXPECT_EQ(VDTCOREndpoints::uploadURLForTarget(1001), "https://events.example.net/batch/vll");
  EXPECT_EQ(VDTCOREndpoints::uploadURLs().size(), 4u);
  EXPECT_FALSE(VDTCOREndpoints::uploadURLForTarget(999));

  ::setenv(VDTCOREndpoints::kServiceURLEnvironmentVariable, "http://127.0.0.1:9", 1);
  EXPECT_EQ(VDTCOREndpoints::uploadURLForTarget(1000), "http://127.0.0.1:9/batch/upl") << "the environment wins";
  ::setenv(VDTCOREndpoints::kServiceURLEnvironmentVariable, "ftp://127.0.0.1", 1);
  EXPECT_FALSE(VDTCOREndpoints::uploadURLForTarget(1000)) << "only http(s) addresses";
  ::unsetenv(VDTCOREndpoints::kServiceURLEnvironmentVariable);

  EXPECT_TRUE(VDTCOREndpoints::setUploadURLForTarget(1002, "http://127.0.0.1:9/crashes"));
  EXPECT_FALSE(VDTCOREndpoints::setUploadURLForTarget(999, "http://127.0.0.1:9/batch"));
  EXPECT_EQ(VDTCOREndpoints::uploadURLForTarget(1002), "http://127.0.0.1:9/crashes");
  VDTCOREndpoints::resetUploadURLs();
  EXPECT_EQ(VDTCOREndpoints::uploadURLForTarget(1002), "https://events.example.net/batch/csh");
}

}  // namespace
