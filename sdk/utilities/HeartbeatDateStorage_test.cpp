#include "sdk/utilities/HeartbeatDateStorage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/Paths.h"
#include "testing/FileContents.h"
#include "testing/TempContainer.h"

namespace sdk::utilities {

using namespace platform::foundation;

namespace {

class HeartbeatDateStorageTest : public ::testing::Test {
 protected:
  ostrel::testing::TempContainer container;
  const std::string folder = Paths::applicationSupport() + "/Vadeze/REDIri";
};

}  // namespace

TEST_F(HeartbeatDateStorageTest, DatesPerTagAreKeptInAnArchiveUnderApplicationSupport) {
  EXPECT_EQ(HeartbeatDateStorage::initWithFileName(""), nullptr);
  auto storage = HeartbeatDateStorage::initWithFileName("HEARTBEAT_INFO_STORAGE");
  ASSERT_TRUE(storage);
  EXPECT_EQ(storage->fileURL(), folder + "/HEARTBEAT_INFO_STORAGE");
  EXPECT_EQ(storage->heartbeatDateForTag("GLOBAL"), std::nullopt);
  ASSERT_TRUE(storage->setHeartbeatDate(1700000000.5, "GLOBAL"));
  ASSERT_TRUE(storage->setHeartbeatDate(1700086400, "vure-install"));

  // Another store over the same file sees both, and the file is a plain tag-to-date archive.
  EXPECT_EQ(HeartbeatDateStorage("HEARTBEAT_INFO_STORAGE").heartbeatDateForTag("vure-install"), 1700086400);
  auto bytes = AtomicFile::readFile(storage->fileURL());
  ASSERT_TRUE(bytes.ok());
  const KeyedArchive::ClassSet allowed = {KeyedArchive::kDictionary, KeyedArchive::kDate, KeyedArchive::kString};
  EXPECT_EQ(KeyedArchive::unarchivedObject(allowed, *bytes),
            Value(Dictionary{{"GLOBAL", Value::date(1700000000.5)}, {"vure-install", Value::date(1700086400)}}));
  // Written aside and renamed: nothing else is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 1);
}

TEST_F(HeartbeatDateStorageTest, DamagedOrForeignContentReadsAsEmptyOrNil) {
  HeartbeatDateStorage storage("HEARTBEAT_INFO_STORAGE");
  for (std::string_view junk : {std::string_view(), std::string_view("not an archive at all")}) {
    ASSERT_TRUE(AtomicFile::writeAtomically(storage.fileURL(), junk).ok());
    EXPECT_EQ(storage.heartbeatDateForTag("GLOBAL"), std::nullopt);
  }
  // An empty file held nothing; the damaged one is kept aside.
  const auto kept = ostrel::testing::damagedCopiesOf(storage.fileURL());
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(ostrel::testing::contentsOf(kept[0]), "not an archive at all");
  // Another writer left a string under a tag.
  auto data = KeyedArchive::archivedData(Value(Dictionary{{"GLOBAL", Value("yesterday")}, {"other", Value::date(9)}}));
  ASSERT_TRUE(AtomicFile::writeAtomically(storage.fileURL(), data->data(), data->size()).ok());
  EXPECT_EQ(storage.heartbeatDateForTag("GLOBAL"), std::nullopt);
  EXPECT_EQ(storage.heartbeatDateForTag("other"), 9);

  auto defaults = std::make_shared<UserDefaults>("heartbeats");
  HeartbeatDateUserDefaultsStorage stored(defaults, "heartbeat-dates");
  for (const Value& foreign : {Value("not a map"), Value(Dictionary{{"GLOBAL", Value(12)}})}) {
    defaults->setObject("heartbeat-dates", foreign);
    EXPECT_EQ(stored.heartbeatDateForTag("GLOBAL"), std::nullopt);
  }
  EXPECT_TRUE(stored.setHeartbeatDate(10, "other"));
  EXPECT_EQ(stored.heartbeatDateForTag("other"), 10);
}

TEST_F(HeartbeatDateStorageTest, StoresOverOneFileNeverLoseEachOthersTags) {
  auto tag = [](int t, int i) { return "tag-" + std::to_string(t) + "-" + std::to_string(i); };
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &tag] {
      HeartbeatDateStorage storage("SHARED");
      for (int i = 0; i < 10; ++i) EXPECT_TRUE(storage.setHeartbeatDate(t * 100 + i, tag(t, i)));
    });
  }
  for (auto& thread : threads) thread.join();
  HeartbeatDateStorage storage("SHARED");
  for (int t = 0; t < 4; ++t) {
    for (int i = 0; i < 10; ++i) EXPECT_EQ(storage.heartbeatDateForTag(tag(t, i)), t * 100 + i);
  }
}

}  // namespace sdk::utilities

