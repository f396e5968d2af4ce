#include "sdk/core/UserAgent.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/foundation/Clock.h"
#include "testing/MainThreadEnvironment.h"
#include "sdk/core/SdkWorldTestSupport.h"
#include "sdk/core/HeartbeatInfo.h"

namespace sdk::core {

namespace {

TEST(UserAgentTest, ItemsSortWithoutCaseThenByBytesJoinedByOneSpace) {
  const std::vector<std::pair<std::string, std::string>> ordered = {
      {"Alpha/1", "alpha/1"},  // equal without case: upper-case bytes first
      {"alpha/1", "Beta/1"},
      {"a-b/1", "a/1"},        // plain bytes where letters are not involved: '-' < '/'
      {"a-b/1", "a_b/1"},
      {"zeta/10", "Zeta/9"},   // digits as text, not as numbers
  };
  for (const auto& [first, second] : ordered) {
    EXPECT_TRUE(UserAgent::itemPrecedes(first, second)) << first << " before " << second;
    EXPECT_FALSE(UserAgent::itemPrecedes(second, first)) << first << " before " << second;
  }
  EXPECT_FALSE(UserAgent::itemPrecedes("same/1", "same/1"));
}

TEST(UserAgentTest, ChangesShowInTheNextTextAndResetKeepsOnlyTheEnvironment) {
  ostrel::testing::SdkWorld world({{"CFBundleIdentifier", ostrel::testing::kBundleID}, {"DTSDKBuild", "21E210"}});
  UserAgent agent;
  agent.setValue("1.0", "zlib-b");
  agent.setValue("2.0", "Zlib-a");
  const std::string text = agent.userAgentString();
  EXPECT_NE(text.find("Zlib-a/2.0 zlib-b/1.0"), std::string::npos) << text;
  EXPECT_NE(text.find("apple-sdk/21E210"), std::string::npos);
  EXPECT_NE(text.find("appstore/false"), std::string::npos);
  EXPECT_EQ(text.find("xcode/"), std::string::npos) << "missing facts are left out";
  EXPECT_EQ(text.find("  "), std::string::npos);
  agent.setValue(std::nullopt, "zlib-b");
  EXPECT_EQ(agent.userAgentString().find("zlib-b"), std::string::npos);
  agent.setValue("", "zlib-b");
  EXPECT_TRUE(agent.userAgentString().ends_with(" zlib-b/")) << "an empty value is a value";
  agent.reset();
  std::string environmentOnly;
  for (const auto& [name, value] : UserAgent::computeEnvironmentComponents()) {
    environmentOnly += (environmentOnly.empty() ? "" : " ") + name + "/" + value.toString();
  }
  EXPECT_EQ(agent.userAgentString(), environmentOnly) << "the fixed names already sort in map order";
}

TEST(UserAgentTest, AnInfoValueThatIsThereIsListedEvenWhenEmpty) {
  ostrel::testing::SdkWorld world({{"CFBundleIdentifier", ostrel::testing::kBundleID}, {"DTXcodeBuild", ""}});
  const auto components = UserAgent::computeEnvironmentComponents();
  ASSERT_TRUE(components.contains("xcode"));
  EXPECT_EQ(components.at("xcode"), platform::foundation::Value(""));
  EXPECT_FALSE(components.contains("apple-sdk"));
}

class HeartbeatInfoTest : public ::testing::Test {
 protected:
  ostrel::testing::TempContainer container_;
  ostrel::testing::MainThreadEnvironment environment_;
  const std::shared_ptr<platform::foundation::ManualClock>& clock_ = environment_.clock();
};

TEST_F(HeartbeatInfoTest, CodesTellWhichHeartbeatsAreDueOncePerDay) {
  EXPECT_EQ(HeartbeatInfo::heartbeatCodeForTag("vure-installations"), HeartbeatInfo::kCombined);
  EXPECT_EQ(HeartbeatInfo::heartbeatCodeForTag("vure-installations"), HeartbeatInfo::kNone);
  EXPECT_EQ(HeartbeatInfo::heartbeatCodeForTag("vure-other"), HeartbeatInfo::kSDK);
  clock_->advance(86399);
  EXPECT_EQ(HeartbeatInfo::heartbeatCodeForTag("vure-installations"), HeartbeatInfo::kNone);
  clock_->advance(1);
  EXPECT_EQ(HeartbeatInfo::heartbeatCodeForTag("vure-installations"), HeartbeatInfo::kCombined);
  clock_->advance(3600);
  EXPECT_EQ(HeartbeatInfo::heartbeatCodeForTag("vure-late"), HeartbeatInfo::kSDK);
  clock_->advance(86400 - 3600);
  EXPECT_EQ(HeartbeatInfo::heartbeatCodeForTag("vure-other"), HeartbeatInfo::kCombined);
}

}  // namespace

}  // namespace sdk::core

