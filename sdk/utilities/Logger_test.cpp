#include "sdk/utilities/Logger.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/foundation/SystemFacts.h"
#include "sdk/utilities/LoggedLinesTestSupport.h"

namespace sdk::utilities {

using ostrel::testing::LoggedLines;

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

class LoggerTest : public ::testing::Test {
 protected:
  ScopedSystemFacts facts{phoneFacts(false)};
  LoggedLines logged;
};

}  // namespace

TEST_F(LoggerTest, LineCarriesVersionServiceCodeAndTextFormattedOnlyWithAnArgumentList) {
  logError("[VadezeUtilities/UserDefaults]", false, "I-VDU000001", "Bad key %@ at %ld", std::string("k"), 3L);
  registerLoggerVersion("8.7.0");
  logWarning("<VadezeUtilities>", false, "I-COR000001", "%d%% done", 50);
  logBasic(kLoggerLevelError, "[ZURAridire]", false, "I-NET000001", "GET 100%d %@ %s");
  logBasic(kLoggerLevelError, "[ZURAridire]", false, "I-NET000002", "100%%", {});  // an empty list is a list
  EXPECT_EQ(logged.messages(), (Messages{" - [VadezeUtilities/UserDefaults][I-VDU000001] Bad key k at 3",
                                         "8.7.0 - <VadezeUtilities>[I-COR000001] 50% done",
                                         "8.7.0 - [ZURAridire][I-NET000001] GET 100%d %@ %s",
                                         "8.7.0 - [ZURAridire][I-NET000002] 100%"}));
  EXPECT_EQ(logged.lines()[0].level, kLoggerLevelError);
  EXPECT_EQ(logged.lines()[1].level, kLoggerLevelWarning);
}

// A format's own line breaks stand; a text put into it, or handed over whole without arguments, may
// quote anything and stays on its line.
TEST_F(LoggerTest, AFormatKeepsItsLineBreaksAndWhatComesFromOutsideIsWrittenOut) {
  const std::string reply = "no\n2026-12-08 10:00:00 error made up\x1b[2J";
  const std::string written = "no\\n2026-12-08 10:00:00 error made up\\x1B[2J";
  logError("[S]", false, "I-COR000001", "Failed:\n%@", reply);
  logBasic(kLoggerLevelError, "[S]", false, "I-NET000001", "GET\n" + reply);
  EXPECT_EQ(logged.messages(), (Messages{" - [S][I-COR000001] Failed:\n" + written,
                                         " - [S][I-NET000001] GET\\n" + written}));
}

TEST_F(LoggerTest, LevelFilterInvalidLevelsForcedLinesAndDebugFlag) {
  logInfo("[S]", false, "I-COR000002", "dropped at notice");
  setLoggerLevel(2);
  setLoggerLevel(8);
  EXPECT_FALSE(isLoggableLevel(kLoggerLevelInfo)) << "refused levels change nothing";
  // A forced line passes whatever the level, even at debug level where the level filter alone would drop it.
  logDebug("[S]", true, "I-COR000004", "forced");
  setLoggerLevel(kLoggerLevelInfo);
  logInfo("[S]", false, "I-COR000005", "info now kept");
  logDebug("[S]", false, "I-COR000006", "debug still dropped");
  forceLoggerDebug();
  logDebug("[S]", false, "I-COR000007", "debug flag on");
  EXPECT_EQ(logged.messages(),
            (Messages{" - [VDULogger][I-COR000023] Invalid logger level, 2",
                      " - [VDULogger][I-COR000023] Invalid logger level, 8", " - [S][I-COR000004] forced",
                      " - [S][I-COR000005] info now kept", " - [S][I-COR000007] debug flag on"}));
  EXPECT_EQ(logged.lines()[0].level, kLoggerLevelError);
  EXPECT_EQ(logged.lines()[2].level, kLoggerLevelDebug);
}

TEST_F(LoggerTest, StoreInstallOnlyLowersItsLevelButForcedLinesPass) {
  ScopedSystemFacts store(phoneFacts(true));
  setLoggerLevel(kLoggerLevelInfo);
  EXPECT_FALSE(isLoggableLevel(kLoggerLevelInfo));
  forceLoggerDebug();
  EXPECT_FALSE(isLoggableLevel(kLoggerLevelDebug));
  setLoggerLevel(kLoggerLevelWarning);
  EXPECT_FALSE(isLoggableLevel(kLoggerLevelNotice)) << "lowering works";
  setLoggerLevel(kLoggerLevelNotice);
  EXPECT_FALSE(isLoggableLevel(kLoggerLevelNotice)) << "notice is refused like every level above it";
  EXPECT_TRUE(isLoggableLevel(kLoggerLevelWarning));
  logInfo("[S]", true, "I-COR000008", "forced in store");
  EXPECT_EQ(logged.messages(), Messages{" - [S][I-COR000008] forced in store"});
}

TEST_F(LoggerTest, ManyThreadsLogAndChangeLevelsSafely) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i) {
        logNotice("[T]", false, "I-COR000009", "thread %d line %d", t, i);
        if (i % 50 == 0) setLoggerLevel(t % 2 ? kLoggerLevelInfo : kLoggerLevelNotice);
        registerLoggerVersion(i % 2 ? "1" : "2");
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(logged.messages().size(), 800u);
}

}  // namespace sdk::utilities

