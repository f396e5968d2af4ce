#include "sdk/transport/TransportLog.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/log/Log.h"
#include "sdk/core/SdkWorldTestSupport.h"
#include "sdk/transport/UploadEndpoints.h"

namespace sdk::transport {

namespace {

TEST(transportLogTest, OnlyLevelFourLinesAreWrittenWithTheirCodes) {
  platform::log::CapturedLines lines;
  transportLog(6, 3, "below the threshold");
  transportLogDebug("a trace %d", 1);
  transportLog(6, 4, "written %@ %d%%", "text", 5);
  transportLog(1006, 4, "100%% sure");
  auto kept = lines.lines();
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept[0].message, "[VadezeDataTransport][I-VDTCOR000006] written text 5%");
  EXPECT_EQ(kept[1].message, "[VadezeDataTransport][I-VDTCOR001006] 100% sure");
}

// The address comes from the environment, else the options file; without either no target has a URL.
TEST(UploadEndpointsTest, UploadURLsFollowTheConfiguredAddressAndNothingElse) {
  ostrel::testing::SdkWorld world;  // options without an address
  ::unsetenv(UploadEndpoints::kServiceURLEnvironmentVariable);
  for (std::int64_t target : {999, 1000, 1001, 1002, 1003}) EXPECT_FALSE(UploadEndpoints::uploadURLForTarget(target)) << target;
  EXPECT_TRUE(UploadEndpoints::uploadURLs().empty());

  auto options = ostrel::testing::validOptionsDictionary();
  options[UploadEndpoints::kServiceURLOptionKey] = "https://events.example.net/";
  world.writePlist("VadezeService-Info.plist", platform::foundation::Value(options));
  sdk::core::AppOptions::resetDefaultOptions();
  EXPECT_EQ(UploadEndpoints::uploadURLForTarget(1001), "https://events.example.net/batch/vll");
  EXPECT_EQ(UploadEndpoints::uploadURLs().size(), 4u);
  EXPECT_FALSE(UploadEndpoints::uploadURLForTarget(999));

  ::setenv(UploadEndpoints::kServiceURLEnvironmentVariable, "http://127.0.0.1:9", 1);
  EXPECT_EQ(UploadEndpoints::uploadURLForTarget(1000), "http://127.0.0.1:9/batch/upl") << "the environment wins";
  ::setenv(UploadEndpoints::kServiceURLEnvironmentVariable, "ftp://127.0.0.1", 1);
  EXPECT_FALSE(UploadEndpoints::uploadURLForTarget(1000)) << "only http(s) addresses";
  ::unsetenv(UploadEndpoints::kServiceURLEnvironmentVariable);

  EXPECT_TRUE(UploadEndpoints::setUploadURLForTarget(1002, "http://127.0.0.1:9/crashes"));
  EXPECT_FALSE(UploadEndpoints::setUploadURLForTarget(999, "http://127.0.0.1:9/batch"));
  EXPECT_EQ(UploadEndpoints::uploadURLForTarget(1002), "http://127.0.0.1:9/crashes");
  UploadEndpoints::resetUploadURLs();
  EXPECT_EQ(UploadEndpoints::uploadURLForTarget(1002), "https://events.example.net/batch/csh");
}

}  // namespace

}  // namespace sdk::transport

