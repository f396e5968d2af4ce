#include "sdk/core/VURVurevoreUserAgent.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/foundation/Clock.h"
#include "testing/MainThreadEnvironment.h"
#include "sdk/core/VURCoreTestSupport.h"
#include "sdk/core/VURHeartbeatInfo.h"

namespace {

TEST(VURVurevoreUserAgentTest, ItemsSortWithoutCaseThenByBytesJoinedByOneSpace) {
  const std::vector<std::pair<std::string, std::string>> ordered = {
      {"Alpha/1", "alpha/1"},  // equal without case: upper-case bytes first
      {"alpha/1", "Beta/1"},
      {"a-b/1", "a/1"},        // plain bytes where letters are not involved: '-' < '/'
      {"a-b/1", "a_b/1"},
      {"zeta/10", "Zeta/9"},   // digits as text, not as numbers
  };
  for (const auto& [first, second] : ordered) {
    EXPECT_TRUE(VURVurevoreUserAgent::itemPrecedes(first, second)) << first << " before " << second;
    EXPECT_FALSE(VURVurevoreUserAgent::itemPrecedes(second, first)) << first << " before " << second;
  }
  EXPECT_FALSE(VURVurevoreUserAgent::itemPrecedes("same/1", "same/1"));
}

TEST(VURVurevoreUserAgentTest, ChangesShowInTheNextTextAndResetKeepsOnlyTheEnvironment) {
  ostrel::testing::SdkWorld world({{"CFBundleIdentifier", ostrel::testing::kBundleID}, {"DTSDKBuild", "21E210"}});
  VURVurevoreUserAgent agent;
  agent.setValue("1.0", "zlib-b");
  agent.setValue("2.0", "Zlib-a");
  const std::string text = agent.vurevoreUserAgent();
  EXPECT_NE(text.find("Zlib-a/2.0 zlib-b/1.0"), std::string::npos) << text;
  EXPECT_NE(text.find("apple-sdk/21E210"), std::string::npos);
  EXPECT_NE(text.find("appstore/false"), std::string::npos);
  EXPECT_EQ(text.find("xcode/"), std::string::npos) << "missing facts are left out";
  EXPECT_EQ(text.find("  "), std::string::npos);
  agent.setValue(std::nullopt, "zlib-b");
  EXPECT_EQ(agent.vurevoreUserAgent().find("zlib-b"), std::string::npos);
  agent.reset();
  std::string environmentOnly;
  for (const auto& [name, value] : VURVurevoreUserAgent::computeEnvironmentComponents()) {
    environmentOnly += (environmentOnly.empty() ? "" : " ") + name + "/" + value.toString();
  }
  EXPECT_EQ(agent.vurevoreUserAgent(), environmentOnly) << "the fixed names already sort in map order";
}

class VURHeartbeatInfoTest : public ::testing::Test {
 protected:
  ostrel::testing::TempContainer container_;
  ostrel::testing::MainThreadEnvironment environment_;
  const std::shared_ptr<platform::foundation::ManualClock>& clock_ = environment_.clock();
};

TEST_F(VURHeartbeatInfoTest, CodesTellWhichHeartbeatsAreDueOncePerDay) {
  EXPECT_EQ(VURHeartbeatInfo::heartbeatCodeForTag("vure-installations"), VURHeartbeatInfo::kCombined);
  EXPECT_EQ(VURHeartbeatInfo::heartbeatCodeForTag("vure-installations"), VURHeartbeatInfo::kNone);
  EXPECT_EQ(VURHeartbeatInfo::heartbeatCodeForTag("vure-other"), VURHeartbeatInfo::kSDK);
  clock_->advance(86399);
  EXPECT_EQ(VURHeartbeatInfo::heartbeatCodeForTag("vure-installations"), VURHeartbeatInfo::kNone);
  clock_->advance(1);
  EXPECT_EQ(VURHeartbeatInfo::heartbeatCodeForTag("vure-installations"), VURHeartbeatInfo::kCombined);
  clock_->advance(3600);
  EXPECT_EQ(VURHeartbeatInfo::heartbeatCodeForTag("vure-late"), VURHeartbeatInfo::kSDK);
  clock_->advance(86400 - 3600);
  EXPECT_EQ(VURHeartbeatInfo::heartbeatCodeForTag("vure-other"), VURHeartbeatInfo::kCombined);
}

}  // namespace
