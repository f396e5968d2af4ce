#include "sdk/transport/VDTCORLog.h"

#include <gtest/gtest.h>

#include "platform/log/Log.h"
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

TEST(VDTCOREndpointsTest, EveryUploadTargetHasAURLThatCanBeConfigured) {
  for (std::int64_t target : {1000, 1001, 1002, 1003}) EXPECT_TRUE(VDTCOREndpoints::uploadURLForTarget(target)) << target;
  for (std::int64_t target : {999, 1004, 0}) EXPECT_FALSE(VDTCOREndpoints::uploadURLForTarget(target)) << target;
  for (const auto& [target, url] : VDTCOREndpoints::uploadURLs()) {
    EXPECT_NE(url.find(".invalid/"), std::string::npos) << url;  // nothing names a real host
  }
  EXPECT_TRUE(VDTCOREndpoints::setUploadURLForTarget(1001, "http://127.0.0.1:9/batch"));
  EXPECT_FALSE(VDTCOREndpoints::setUploadURLForTarget(999, "http://127.0.0.1:9/batch"));
  EXPECT_EQ(VDTCOREndpoints::uploadURLForTarget(1001), "http://127.0.0.1:9/batch");
  VDTCOREndpoints::resetUploadURLs();
  EXPECT_NE(VDTCOREndpoints::uploadURLForTarget(1001), "http://127.0.0.1:9/batch");
}

}  // namespace
