#include "sdk/utilities/UserDefaultsStore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>
#include <vector>

#include <sys/stat.h>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/PreferencesDomain.h"
#include "platform/foundation/PropertyList.h"
#include "sdk/utilities/LoggedLinesTestSupport.h"
#include "testing/ChildProcess.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace sdk::utilities {

using ostrel::testing::LoggedLines;

using namespace platform::foundation;

namespace {

constexpr const char* kDefaultsRoleVariable = "OSTREL_VDU_DEFAULTS_TEST_ROLE";

class UserDefaultsStoreTest : public ::testing::Test {
 protected:
  std::shared_ptr<ManualClock> useManualClock() {
    environment.emplace();
    return environment->clock();
  }
  static std::string fileOf(const std::string& suite) { return Paths::preferences() + "/" + suite + ".plist"; }

  ostrel::testing::TempContainer container;
  LoggedLines logged;
  std::optional<ostrel::testing::MainThreadEnvironment> environment;
};

}  // namespace

TEST_F(UserDefaultsStoreTest, InvalidKeysAndValuesAreLoggedAndChangeNothing) {
  UserDefaultsStore defaults("checks");
  defaults.setObject(Value("kept"), "key");
  EXPECT_TRUE(defaults.objectForKey("").isNil());
  defaults.setObject(Value(1), "");
  defaults.setObject(Value::null(), "key");
  defaults.setObject(Value(Array{Value("ok"), Value(std::make_shared<Object>())}), "key");
  EXPECT_EQ(defaults.objectForKey("key"), Value("kept"));
  auto lines = logged.messages();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], " - <VadezeUtilities>[I-VDU000001] Cannot get object for invalid user default key.");
  EXPECT_EQ(lines[1], " - [VadezeUtilities/UserDefaults][I-VDU000002] Cannot set object for invalid user default key.");
  EXPECT_TRUE(lines[2].starts_with(" - [VadezeUtilities/UserDefaults][I-VDU000003] Cannot set invalid object to "
                                   "user defaults. Must be a string, number, array, dictionary, date, or data. "
                                   "Value: <null>"));
}

TEST_F(UserDefaultsStoreTest, TypedReadsAnswerOnlyForTheirKindAndStoresOfOneSuiteShareValues) {
  UserDefaultsStore defaults("typed"), sameSuite("typed"), other("other");
  defaults.setInteger(42, "int");
  defaults.setFloat(0.5f, "float");
  defaults.setObject(Value("text"), "text");
  defaults.setObject(Value(Dictionary{{"a", Value(1)}}), "map");
  EXPECT_EQ(sameSuite.stringForKey("int"), "42");
  EXPECT_EQ(sameSuite.stringForKey("float"), "0.5");
  EXPECT_EQ(sameSuite.stringForKey("map"), std::nullopt);
  EXPECT_EQ(sameSuite.arrayForKey("text"), std::nullopt);
  EXPECT_EQ(sameSuite.dictionaryForKey("int"), std::nullopt);
  EXPECT_EQ(sameSuite.dictionaryForKey("map"), (Dictionary{{"a", Value(1)}}));
  EXPECT_TRUE(other.objectForKey("int").isNil());
  EXPECT_EQ(UserDefaultsStore("").appNameRef(), PreferencesDomain::currentApplication()) << "no suite: the app's own";
}

TEST_F(UserDefaultsStoreTest, TenWritesWithinOneSecondCauseOneSynchronisationOneSecondAfterTheLast) {
  auto clock = useManualClock();
  UserDefaultsStore defaults("burst");
  // The writes come from a worker queue, which has no run loop of its own.
  auto worker = platform::dispatch::Queue::serial("writer");
  for (int i = 0; i < 10; ++i) {
    worker->sync([&] { defaults.setInteger(i, "value-" + std::to_string(i)); });
    clock->advance(0.1);  // the tenth write happens at 0.9 s
  }
  clock->advance(0.85);  // 1.85 s: the first write's timer would have fired at 1.0 s
  EXPECT_FALSE(AtomicFile::fileExists(fileOf("burst")));
  clock->advance(0.05);  // 1.9 s: one second after the tenth write
  EXPECT_EQ(PropertyList::readFile(fileOf("burst")).size(), 10u);
  auto written = std::filesystem::last_write_time(fileOf("burst"));
  clock->advance(10);
  EXPECT_EQ(std::filesystem::last_write_time(fileOf("burst")), written);
  EXPECT_EQ(clock->pendingTimers(), 0u);
}

// A second after a write is not always a whole number of the clock's nanoseconds away in doubles; the
// write-behind must not wait for the fraction of a nanosecond for ever (the virtual clock hung here).
TEST_F(UserDefaultsStoreTest, AWriteIsSynchronisedOnTimeWhateverTheRoundingOfItsSecond) {
  auto clock = useManualClock();
  UserDefaultsStore defaults("rounding");
  clock->advance(1.416666667);  // 1.416666667 + 1.0 lands a few 1e-16 past 2.416666667 in doubles
  auto worker = platform::dispatch::Queue::serial("writer");
  worker->sync([&] { defaults.setInteger(1, "value"); });
  clock->advance(1.0);
  EXPECT_EQ(PropertyList::readFile(fileOf("rounding")).size(), 1u);
  EXPECT_EQ(clock->pendingTimers(), 0u);
}

// Many threads writing at once: every write arrives, the write-behind keeps a single timer however many
// writes there are, and the file is written once per burst, one delay after its last write.
TEST_F(UserDefaultsStoreTest, TenThousandWritesFromSeveralThreadsArriveInOneFileWritePerPeriod) {
  auto clock = useManualClock();
  UserDefaultsStore defaults("crowd");
  constexpr int kThreads = 8, kEach = 1250;
  auto burst = [&](const std::string& prefix) {
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
      writers.emplace_back([&, t] {
        for (int i = 0; i < kEach; ++i) defaults.setInteger(i, prefix + std::to_string(t) + "-" + std::to_string(i));
      });
    }
    for (auto& writer : writers) writer.join();
    EXPECT_EQ(clock->pendingTimers(), 1u) << "one pending flush, not one per write";
  };
  burst("first-");
  clock->advance(0.5);
  burst("second-");  // at 0.5 s: the flush moves to 1.5 s
  clock->advance(0.5);
  EXPECT_FALSE(AtomicFile::fileExists(fileOf("crowd")));
  clock->advance(0.5);
  ASSERT_TRUE(AtomicFile::fileExists(fileOf("crowd")));
  Value written = PropertyList::readFile(fileOf("crowd"));
  EXPECT_EQ(written.size(), std::size_t{2 * kThreads * kEach}) << "every write arrived";
  EXPECT_EQ(written["second-7-1249"], Value(1249));
  struct stat first {};
  ASSERT_EQ(::stat(fileOf("crowd").c_str(), &first), 0);
  clock->advance(10);
  struct stat later {};
  ASSERT_EQ(::stat(fileOf("crowd").c_str(), &later), 0);
  EXPECT_EQ(later.st_ino, first.st_ino) << "nothing more to write, so no second file";
  EXPECT_EQ(clock->pendingTimers(), 0u);
}

TEST_F(UserDefaultsStoreTest, ReleasingAStoreWritesWhatIsPendingAndAFailedWriteKeepsTheChange) {
  auto clock = useManualClock();
  UserDefaultsStore("released").setObject(Value("soon"), "k");
  EXPECT_EQ(PropertyList::readFile(fileOf("released")), Value(Dictionary{{"k", Value("soon")}}));
  EXPECT_EQ(clock->pendingTimers(), 0u);

  std::filesystem::create_directories(fileOf("blocked"));  // a folder where the file should be
  UserDefaultsStore blocked("blocked");
  blocked.setObject(Value(1), "k");
  blocked.synchronize();
  EXPECT_EQ(logged.messages().back(),
            " - [VadezeUtilities/UserDefaults][I-VDU000004] Cannot synchronize user defaults to disk\ncannot write " +
                fileOf("blocked") + ": it is a folder, which cannot be read and is left in place");
  EXPECT_EQ(blocked.objectForKey("k"), Value(1)) << "kept for the next attempt";
}

TEST(UserDefaultsStoreChild, Write) {
  if (!std::getenv(kDefaultsRoleVariable)) GTEST_SKIP() << "runs only as a child process";
  UserDefaultsStore defaults("com.vurevore.VURInstallations");
  defaults.setObject(Value("from another process"), "note");
  defaults.setInteger(99, "count");
  // Exits without synchronising and before the write-behind timer: release must write it.
}

TEST_F(UserDefaultsStoreTest, AValueWrittenByOneProcessIsReadByTheNext) {
  pid_t child = ostrel::testing::spawnTestChild(
      "UserDefaultsStoreChild.Write", {std::string(kDefaultsRoleVariable) + "=writer", "OSTREL_HOME=" + container.path()});
  ASSERT_EQ(ostrel::testing::waitTestChild(child), 0);
  UserDefaultsStore defaults("com.vurevore.VURInstallations");
  EXPECT_EQ(defaults.stringForKey("note"), "from another process");
  EXPECT_EQ(defaults.integerForKey("count"), 99);
}

}  // namespace sdk::utilities

