#include "sdk/utilities/VDULogger.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/foundation/SystemFacts.h"
#include "platform/log/Log.h"

using platform::foundation::ScopedSystemFacts;
using platform::foundation::SystemFacts;
using platform::log::CapturedLines;

namespace {

SystemFacts phoneFacts(bool storeInstall) {
  SystemFacts facts = SystemFacts::defaults();
  facts.deviceModel = "iPhone15,2";
  facts.executableEncrypted = storeInstall;
  return facts;
}

class VDULoggerTest : public ::testing::Test {
 protected:
  void SetUp() override { VDULoggerResetForTesting(); }
  void TearDown() override { VDULoggerResetForTesting(); }

  std::vector<std::string> flushed() {
    VDULoggerFlush();
    std::vector<std::string> messages;
    for (const auto& line : captured.lines()) messages.push_back(line.message);
    return messages;
  }

  ScopedSystemFacts facts{phoneFacts(false)};
  CapturedLines captured;
};

}  // namespace

TEST_F(VDULoggerTest, LineCarriesVersionServiceCodeAndFormattedText) {
  VDULogError("[VadezeUtilities/UserDefaults]", false, "I-VDU000001", "Bad key %@ at %ld", std::string("k"), 3L);
  VDULoggerRegisterVersion("8.7.0");
  VDULogWarning("<VadezeUtilities>", false, "I-COR000001", "%d%% done", 50);
  ASSERT_EQ(flushed(), (std::vector<std::string>{" - [VadezeUtilities/UserDefaults][I-VDU000001] Bad key k at 3",
                                                 "8.7.0 - <VadezeUtilities>[I-COR000001] 50% done"}));
  const auto lines = captured.lines();
  EXPECT_EQ(lines[0].level, 3);
  EXPECT_EQ(lines[1].level, 4);
  EXPECT_EQ(lines[0].facility, kVDULoggerFacility);
}

TEST_F(VDULoggerTest, TextWithoutArgumentListIsWrittenAsItStands) {
  VDULogBasic(VDULoggerLevelError, "[ZURAridire]", false, "I-NET000001", "GET 100%d %@ %s");
  // An empty argument list is still an argument list: the text is formatted.
  VDULogBasic(VDULoggerLevelError, "[ZURAridire]", false, "I-NET000002", "100%%", {});
  EXPECT_EQ(flushed(), (std::vector<std::string>{" - [ZURAridire][I-NET000001] GET 100%d %@ %s",
                                                 " - [ZURAridire][I-NET000002] 100%"}));
}

TEST_F(VDULoggerTest, LevelFilterForceAndDebugFlag) {
  VDULogInfo("[S]", false, "I-COR000002", "dropped at notice");
  VDULogNotice("[S]", false, "I-COR000003", "kept");
  // A forced line passes whatever the level, also at debug level where the client's own filter would
  // otherwise drop it.
  VDULogDebug("[S]", true, "I-COR000004", "forced");
  EXPECT_FALSE(VDUIsLoggableLevel(VDULoggerLevelInfo));
  EXPECT_TRUE(VDUIsLoggableLevel(VDULoggerLevelNotice));

  VDUSetLoggerLevel(VDULoggerLevelInfo);
  VDULogInfo("[S]", false, "I-COR000005", "info now kept");
  VDULogDebug("[S]", false, "I-COR000006", "debug still dropped");

  VDULoggerForceDebug();
  EXPECT_TRUE(VDUIsLoggableLevel(VDULoggerLevelDebug));
  VDULogDebug("[S]", false, "I-COR000007", "debug flag on");

  const auto messages = flushed();
  ASSERT_EQ(messages.size(), 4u);
  EXPECT_NE(messages[0].find("kept"), std::string::npos);
  EXPECT_NE(messages[1].find("[I-COR000004] forced"), std::string::npos);
  EXPECT_EQ(captured.lines()[1].level, VDULoggerLevelDebug);
  EXPECT_NE(messages[2].find("info now kept"), std::string::npos);
  EXPECT_NE(messages[3].find("debug flag on"), std::string::npos);
}

TEST_F(VDULoggerTest, InvalidLevelIsRefusedWithItsMessage) {
  VDUSetLoggerLevel(2);
  VDUSetLoggerLevel(8);
  EXPECT_TRUE(VDUIsLoggableLevel(VDULoggerLevelNotice));
  EXPECT_FALSE(VDUIsLoggableLevel(VDULoggerLevelInfo));
  EXPECT_EQ(flushed(), (std::vector<std::string>{" - [VDULogger][I-COR000023] Invalid logger level, 2",
                                                 " - [VDULogger][I-COR000023] Invalid logger level, 8"}));
  EXPECT_EQ(captured.lines()[0].level, VDULoggerLevelError);
}

TEST_F(VDULoggerTest, StoreInstallNeverRisesAboveNotice) {
  ScopedSystemFacts store(phoneFacts(true));
  VDUSetLoggerLevel(VDULoggerLevelInfo);
  EXPECT_FALSE(VDUIsLoggableLevel(VDULoggerLevelInfo));
  VDULoggerForceDebug();
  EXPECT_FALSE(VDUIsLoggableLevel(VDULoggerLevelDebug));

  VDUSetLoggerLevel(VDULoggerLevelWarning);
  EXPECT_FALSE(VDUIsLoggableLevel(VDULoggerLevelNotice));
  VDUSetLoggerLevel(VDULoggerLevelNotice);
  EXPECT_TRUE(VDUIsLoggableLevel(VDULoggerLevelNotice));

  // Forcing still works there: that is how a store install reports what it must.
  VDULogInfo("[S]", true, "I-COR000008", "forced in store");
  EXPECT_EQ(flushed(), std::vector<std::string>{" - [S][I-COR000008] forced in store"});
}

TEST_F(VDULoggerTest, ManyThreadsLogAndChangeLevelsSafely) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i) {
        VDULogNotice("[T]", false, "I-COR000009", "thread %d line %d", t, i);
        if (i % 50 == 0) VDUSetLoggerLevel(t % 2 ? VDULoggerLevelInfo : VDULoggerLevelNotice);
        VDULoggerRegisterVersion(i % 2 ? "1" : "2");
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(flushed().size(), 800u);
}
