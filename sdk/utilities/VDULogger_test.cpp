#include "sdk/utilities/VDULogger.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/foundation/SystemFacts.h"
#include "sdk/utilities/VDULoggerTestSupport.h"

using ostrel::testing::VDULoggedLines;

using platform::foundation::ScopedSystemFacts;
using platform::foundation::SystemFacts;
using Messages = std::vector<std::string>;

namespace {

SystemFacts phoneFacts(bool storeInstall) {
  SystemFacts facts = SystemFacts::defaults();
  facts.deviceModel = "iPhone15,2";
  facts.executableEncrypted = storeInstall;
  return facts;
}

class VDULoggerTest : public ::testing::Test {
 protected:
  ScopedSystemFacts facts{phoneFacts(false)};
  VDULoggedLines logged;
};

}  // namespace

TEST_F(VDULoggerTest, LineCarriesVersionServiceCodeAndTextFormattedOnlyWithAnArgumentList) {
  VDULogError("[VadezeUtilities/UserDefaults]", false, "I-VDU000001", "Bad key %@ at %ld", std::string("k"), 3L);
  VDULoggerRegisterVersion("8.7.0");
  VDULogWarning("<VadezeUtilities>", false, "I-COR000001", "%d%% done", 50);
  VDULogBasic(VDULoggerLevelError, "[ZURAridire]", false, "I-NET000001", "GET 100%d %@ %s");
  VDULogBasic(VDULoggerLevelError, "[ZURAridire]", false, "I-NET000002", "100%%", {});  // an empty list is a list
  EXPECT_EQ(logged.messages(), (Messages{" - [VadezeUtilities/UserDefaults][I-VDU000001] Bad key k at 3",
                                         "8.7.0 - <VadezeUtilities>[I-COR000001] 50% done",
                                         "8.7.0 - [ZURAridire][I-NET000001] GET 100%d %@ %s",
                                         "8.7.0 - [ZURAridire][I-NET000002] 100%"}));
  EXPECT_EQ(logged.lines()[0].level, VDULoggerLevelError);
  EXPECT_EQ(logged.lines()[1].level, VDULoggerLevelWarning);
}

TEST_F(VDULoggerTest, LevelFilterInvalidLevelsForcedLinesAndDebugFlag) {
  VDULogInfo("[S]", false, "I-COR000002", "dropped at notice");
  VDUSetLoggerLevel(2);
  VDUSetLoggerLevel(8);
  EXPECT_FALSE(VDUIsLoggableLevel(VDULoggerLevelInfo)) << "refused levels change nothing";
  // A forced line passes whatever the level, even at debug level where the level filter alone would drop it.
  VDULogDebug("[S]", true, "I-COR000004", "forced");
  VDUSetLoggerLevel(VDULoggerLevelInfo);
  VDULogInfo("[S]", false, "I-COR000005", "info now kept");
  VDULogDebug("[S]", false, "I-COR000006", "debug still dropped");
  VDULoggerForceDebug();
  VDULogDebug("[S]", false, "I-COR000007", "debug flag on");
  EXPECT_EQ(logged.messages(),
            (Messages{" - [VDULogger][I-COR000023] Invalid logger level, 2",
                      " - [VDULogger][I-COR000023] Invalid logger level, 8", " - [S][I-COR000004] forced",
                      " - [S][I-COR000005] info now kept", " - [S][I-COR000007] debug flag on"}));
  EXPECT_EQ(logged.lines()[0].level, VDULoggerLevelError);
  EXPECT_EQ(logged.lines()[2].level, VDULoggerLevelDebug);
}

TEST_F(VDULoggerTest, StoreInstallOnlyLowersItsLevelButForcedLinesPass) {
  ScopedSystemFacts store(phoneFacts(true));
  VDUSetLoggerLevel(VDULoggerLevelInfo);
  EXPECT_FALSE(VDUIsLoggableLevel(VDULoggerLevelInfo));
  VDULoggerForceDebug();
  EXPECT_FALSE(VDUIsLoggableLevel(VDULoggerLevelDebug));
  VDUSetLoggerLevel(VDULoggerLevelWarning);
  EXPECT_FALSE(VDUIsLoggableLevel(VDULoggerLevelNotice)) << "lowering works";
  VDUSetLoggerLevel(VDULoggerLevelNotice);
  EXPECT_FALSE(VDUIsLoggableLevel(VDULoggerLevelNotice)) << "notice is refused like every level above it";
  EXPECT_TRUE(VDUIsLoggableLevel(VDULoggerLevelWarning));
  VDULogInfo("[S]", true, "I-COR000008", "forced in store");
  EXPECT_EQ(logged.messages(), Messages{" - [S][I-COR000008] forced in store"});
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
  EXPECT_EQ(logged.messages().size(), 800u);
}
