#include "sdk/utilities/VDUKeychainStorage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/Paths.h"
#include "platform/security/Keychain.h"
#include "sdk/promises/VBLPromiseTestSupport.h"
#include "sdk/utilities/VDUKeychainUtils.h"
#include "sdk/utilities/VDUSecureCoding.h"
#include "testing/ChildProcess.h"
#include "testing/TempContainer.h"

using platform::foundation::AtomicFile;
using platform::foundation::Dictionary;
using platform::foundation::Paths;
using platform::foundation::KeyedArchive;
using platform::foundation::KeyedArchiver;
using platform::foundation::KeyedCodable;
using platform::foundation::KeyedUnarchiver;
using platform::foundation::Object;
using platform::security::Keychain;

namespace {

constexpr const char* kRoleVariable = "OSTREL_VDU_KEYCHAIN_TEST_ROLE";
constexpr const char* kService = "com.example.store";

class StoredRecord : public KeyedCodable {
 public:
  static constexpr const char* kClassName = "TestStoredRecord";
  explicit StoredRecord(std::string id = {}) : id(std::move(id)) {}
  std::string id;

  std::string className() const override { return kClassName; }
  void encodeWithCoder(KeyedArchiver& coder) const override { coder.encodeObject(platform::foundation::Value(id), "id"); }
  static std::shared_ptr<StoredRecord> initWithCoder(KeyedUnarchiver& coder) {
    auto id = coder.decodeString("id");
    return id ? std::make_shared<StoredRecord>(*id) : nullptr;
  }
};

class Uncodable : public Object {};

class VDUKeychainStorageTest : public VBLPromiseTest {
 protected:
  void SetUp() override {
    VBLPromiseTest::SetUp();
    KeyedArchive::registerClass<StoredRecord>();
  }

  // Waits for the promise and hands back its value; fails the test if it rejected.
  Value resolved(const VBLPromise::Ptr& promise) {
    EXPECT_TRUE(VBLWaitForPromisesWithTimeout(10));
    EXPECT_TRUE(promise->isFulfilled()) << (promise->error() ? promise->error()->description() : "pending");
    return promise->value();
  }
  Error rejected(const VBLPromise::Ptr& promise) {
    EXPECT_TRUE(VBLWaitForPromisesWithTimeout(10));
    EXPECT_TRUE(promise->isRejected());
    return promise->error().value_or(Error{});
  }
  static std::string idOf(const Value& value) {
    auto record = value.objectAs<StoredRecord>();
    return record ? record->id : "<none>";
  }
  static Value record(const std::string& id) { return Value(std::make_shared<StoredRecord>(id)); }

  ostrel::testing::TempContainer container;
  std::shared_ptr<VDUKeychainCache> cache = std::make_shared<VDUKeychainCache>(5);
  VDUKeychainStorage storage{kService, cache};
};

}  // namespace

TEST_F(VDUKeychainStorageTest, MissingKeyResolvesWithNilAndCachesNothing) {
  EXPECT_TRUE(resolved(storage.getObjectForKey("nothing", StoredRecord::kClassName, std::nullopt)).isNil());
  EXPECT_EQ(cache->count(), 0u);
  EXPECT_TRUE(resolved(storage.removeObjectForKey("nothing", std::nullopt)).isNull());
}

TEST_F(VDUKeychainStorageTest, StoredObjectsSurviveANewStoreAndAreCachedPerAccessGroup) {
  EXPECT_TRUE(resolved(storage.setObject(record("first"), "key", std::nullopt)).isNull());
  ASSERT_TRUE(resolved(storage.setObject(record("grouped"), "key", std::string("group.a"))).isNull());

  // A second store over the same keychain, with an empty cache, reads the items back.
  VDUKeychainStorage restarted(kService);
  EXPECT_EQ(idOf(resolved(restarted.getObjectForKey("key", StoredRecord::kClassName, std::string("group.a")))), "grouped");
  EXPECT_EQ(idOf(resolved(restarted.getObjectForKey("key", StoredRecord::kClassName, std::string("")))), "first");

  // Reads are served from the cache: the keychain item is gone but the read still answers.
  Dictionary query = storage.keychainQueryWithKey("key", std::string("group.a"));
  ASSERT_EQ(Keychain::remove(Value(query)), 0);
  EXPECT_EQ(idOf(resolved(storage.getObjectForKey("key", StoredRecord::kClassName, std::string("group.a")))), "grouped");
  // ...but never across access groups.
  EXPECT_TRUE(resolved(storage.getObjectForKey("key", StoredRecord::kClassName, std::string("group.b"))).isNil());
}

TEST_F(VDUKeychainStorageTest, AFailedWriteLeavesNoObjectInTheCache) {
  ASSERT_TRUE(resolved(storage.setObject(record("stored"), "key", std::nullopt)).isNull());

  Error error = rejected(storage.setObject(Value(std::make_shared<Uncodable>()), "key", std::nullopt));
  EXPECT_EQ(error.domain, kVDUSecureCodingErrorDomain);
  EXPECT_EQ(error.code, -1);
  EXPECT_EQ(cache->count(), 0u);
  // The read goes to the keychain and finds what was really stored.
  EXPECT_EQ(idOf(resolved(storage.getObjectForKey("key", StoredRecord::kClassName, std::nullopt))), "stored");

  // A keychain failure (the item's file is damaged) is rolled back the same way.
  for (const auto& entry : std::filesystem::directory_iterator(Keychain::folder())) {
    if (entry.path().extension() == ".item") {
      ASSERT_TRUE(AtomicFile::writeAtomically(entry.path().string(), std::string_view("torn"), nullptr, 0600));
    }
  }
  error = rejected(storage.setObject(record("never stored"), "key", std::nullopt));
  EXPECT_EQ(error.domain, kVDUKeychainErrorDomain);
  EXPECT_EQ(error.userInfo[kVDULocalizedFailureReasonKey], Value("SecItemCopyMatching (-26275)"));
  EXPECT_EQ(cache->count(), 0u);
  EXPECT_EQ(rejected(storage.getObjectForKey("key", StoredRecord::kClassName, std::nullopt)).domain,
            kVDUKeychainErrorDomain);
}

TEST_F(VDUKeychainStorageTest, ReadingAsTheWrongClassRejectsWithACodingError) {
  ASSERT_TRUE(resolved(storage.setObject(Value("plain text"), "text", std::nullopt)).isNull());
  storage.resetInMemoryCache();
  Error error = rejected(storage.getObjectForKey("text", StoredRecord::kClassName, std::nullopt));
  EXPECT_EQ(error.domain, kVDUSecureCodingErrorDomain);
  EXPECT_EQ(cache->count(), 0u);
  EXPECT_EQ(resolved(storage.getObjectForKey("text", KeyedArchive::kString, std::nullopt)), Value("plain text"));
}

TEST_F(VDUKeychainStorageTest, RemoveDeletesTheItemAndTheCachedObject) {
  ASSERT_TRUE(resolved(storage.setObject(record("doomed"), "key", std::nullopt)).isNull());
  EXPECT_TRUE(resolved(storage.removeObjectForKey("key", std::nullopt)).isNull());
  EXPECT_TRUE(resolved(storage.getObjectForKey("key", StoredRecord::kClassName, std::nullopt)).isNil());
}

// --- across processes -----------------------------------------------------------------------------

TEST_F(VDUKeychainStorageTest, ChildWritesARecord) {
  if (!std::getenv(kRoleVariable)) GTEST_SKIP() << "runs only as a child process";
  Paths::setRoot(std::getenv("OSTREL_HOME"));  // the parent's container, not this fixture's
  ASSERT_TRUE(resolved(storage.setObject(record("from the child"), "installation", std::nullopt)).isNull());
}

TEST_F(VDUKeychainStorageTest, AnItemWrittenByAnotherProcessIsReadAfterItExits) {
  pid_t child = ostrel::testing::spawnTestChild(
      "VDUKeychainStorageTest.ChildWritesARecord",
      {std::string(kRoleVariable) + "=writer", "OSTREL_HOME=" + container.path()});
  ASSERT_EQ(ostrel::testing::waitTestChild(child), 0);

  EXPECT_EQ(idOf(resolved(storage.getObjectForKey("installation", StoredRecord::kClassName, std::nullopt))), "from the child");
}
