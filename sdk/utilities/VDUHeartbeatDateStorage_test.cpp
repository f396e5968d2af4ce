#include "sdk/utilities/VDUHeartbeatDateStorage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/Paths.h"
#include "testing/TempContainer.h"

using namespace platform::foundation;

namespace {

class VDUHeartbeatDateStorageTest : public ::testing::Test {
 protected:
  static std::string folder() { return Paths::applicationSupport() + "/Vadeze/REDIri"; }
  static std::string file() { return folder() + "/HEARTBEAT_INFO_STORAGE"; }

  ostrel::testing::TempContainer container;
};

}  // namespace

TEST_F(VDUHeartbeatDateStorageTest, DatesPerTagAreKeptInAnArchiveUnderApplicationSupport) {
  EXPECT_EQ(VDUHeartbeatDateStorage::initWithFileName(""), nullptr);
  auto storage = VDUHeartbeatDateStorage::initWithFileName("HEARTBEAT_INFO_STORAGE");
  ASSERT_TRUE(storage);
  EXPECT_EQ(storage->heartbeatDateForTag("GLOBAL"), std::nullopt);
  EXPECT_EQ(storage->fileURL(), file());
  EXPECT_TRUE(AtomicFile::isDirectory(folder()));

  ASSERT_TRUE(storage->setHearbeatDate(1700000000.5, "GLOBAL"));
  ASSERT_TRUE(storage->setHearbeatDate(1700086400, "vure-install"));
  EXPECT_EQ(storage->heartbeatDateForTag("GLOBAL"), 1700000000.5);

  // Another store over the same file sees both, and the file is a plain tag-to-date archive.
  VDUHeartbeatDateStorage other("HEARTBEAT_INFO_STORAGE");
  EXPECT_EQ(other.heartbeatDateForTag("vure-install"), 1700086400);
  auto bytes = AtomicFile::readFile(file());
  ASSERT_TRUE(bytes);
  EXPECT_EQ(KeyedArchive::unarchivedObject({KeyedArchive::kDictionary, KeyedArchive::kDate, KeyedArchive::kString}, *bytes),
            Value(Dictionary{{"GLOBAL", Value::date(1700000000.5)}, {"vure-install", Value::date(1700086400)}}));
  // Written aside and renamed: nothing else is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder()), std::filesystem::directory_iterator()), 1);
}

TEST_F(VDUHeartbeatDateStorageTest, DamagedOrForeignContentReadsAsEmptyOrNil) {
  VDUHeartbeatDateStorage storage("HEARTBEAT_INFO_STORAGE");
  for (std::string_view junk : {std::string_view(), std::string_view("not an archive at all")}) {
    ASSERT_TRUE(AtomicFile::writeAtomically(storage.fileURL(), junk));
    EXPECT_EQ(storage.heartbeatDateForTag("GLOBAL"), std::nullopt);
  }
  ASSERT_TRUE(storage.setHearbeatDate(5, "GLOBAL"));
  EXPECT_EQ(VDUHeartbeatDateStorage::heartbeatDictionaryWithFileURL(storage.fileURL()),
            (Dictionary{{"GLOBAL", Value::date(5)}}));

  // Another writer left a string under a tag.
  auto data = KeyedArchive::archivedData(Value(Dictionary{{"GLOBAL", Value("yesterday")}, {"other", Value::date(9)}}));
  ASSERT_TRUE(AtomicFile::writeAtomically(storage.fileURL(), data->data(), data->size()));
  EXPECT_EQ(storage.heartbeatDateForTag("GLOBAL"), std::nullopt);
  EXPECT_EQ(storage.heartbeatDateForTag("other"), 9);
}

TEST_F(VDUHeartbeatDateStorageTest, StoresOverOneFileNeverLoseEachOthersTags) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      VDUHeartbeatDateStorage storage("SHARED");
      for (int i = 0; i < 10; ++i) storage.setHearbeatDate(t * 100 + i, "tag-" + std::to_string(t) + "-" + std::to_string(i));
    });
  }
  for (auto& thread : threads) thread.join();
  VDUHeartbeatDateStorage storage("SHARED");
  for (int t = 0; t < 4; ++t) {
    for (int i = 0; i < 10; ++i) {
      EXPECT_EQ(storage.heartbeatDateForTag("tag-" + std::to_string(t) + "-" + std::to_string(i)), t * 100 + i);
    }
  }
}

TEST_F(VDUHeartbeatDateStorageTest, UserDefaultsStoreToleratesForeignValues) {
  auto defaults = std::make_shared<UserDefaults>("heartbeats");
  VDUHeartbeatDateStorageUserDefaults storage(defaults, "heartbeat-dates");
  defaults->setObject("heartbeat-dates", Value("not a map"));
  EXPECT_EQ(storage.heartbeatDateForTag("GLOBAL"), std::nullopt);
  EXPECT_TRUE(storage.heartbeatDictionaryFromDefaults().empty());

  EXPECT_TRUE(storage.setHearbeatDate(10, "GLOBAL"));
  EXPECT_TRUE(storage.setHearbeatDate(20, "other"));
  EXPECT_EQ(storage.heartbeatDateForTag("GLOBAL"), 10);
  EXPECT_EQ(defaults->dictionaryForKey("heartbeat-dates"),
            (Dictionary{{"GLOBAL", Value::date(10)}, {"other", Value::date(20)}}));

  Dictionary mixed = {{"GLOBAL", Value(12)}};
  defaults->setObject("heartbeat-dates", Value(mixed));
  EXPECT_EQ(storage.heartbeatDateForTag("GLOBAL"), std::nullopt);
}
