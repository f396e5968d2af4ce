#include "sdk/utilities/KeychainStorage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/Paths.h"
#include "platform/security/Keychain.h"
#include "sdk/promises/PromiseTestSupport.h"

namespace sdk::utilities {

using ostrel::testing::PromiseTest;

}  // namespace sdk::utilities

#include "sdk/utilities/KeychainUtils.h"
#include "sdk/utilities/SecureCoding.h"
#include "testing/ChildProcess.h"
#include "testing/TempContainer.h"

namespace sdk::utilities {

using platform::foundation::KeyedArchive;
using platform::foundation::Value;
using platform::foundation::KeyedArchiver;
using platform::foundation::KeyedUnarchiver;
using platform::security::Keychain;

namespace {

constexpr const char* kRoleVariable = "OSTREL_VDU_KEYCHAIN_TEST_ROLE";
const std::optional<std::string> kNoGroup, kGroupA = "group.a";

class StoredRecord : public platform::foundation::KeyedCodable {
 public:
  static constexpr const char* kClassName = "TestStoredRecord";
  explicit StoredRecord(std::string id = {}) : id(std::move(id)) {}
  std::string id;

  std::string className() const override { return kClassName; }
  void encodeWithCoder(KeyedArchiver& coder) const override { coder.encodeObject(Value(id), "id"); }
  static std::shared_ptr<StoredRecord> initWithCoder(KeyedUnarchiver& coder) {
    auto id = coder.decodeString("id");
    return id ? std::make_shared<StoredRecord>(*id) : nullptr;
  }
};

class KeychainStorageTest : public PromiseTest {
 protected:
  void SetUp() override {
    PromiseTest::SetUp();
    KeyedArchive::registerClass<StoredRecord>();
  }

  // The promise's value once it settled; fails the test when it rejected.
  Value resolved(const sdk::promises::Promise::Ptr& promise) {
    EXPECT_TRUE(sdk::promises::waitForPromisesWithTimeout(10));
    EXPECT_TRUE(promise->isFulfilled()) << (promise->error() ? promise->error()->description() : "pending");
    return promise->value();
  }
  Error rejected(const sdk::promises::Promise::Ptr& promise) {
    EXPECT_TRUE(sdk::promises::waitForPromisesWithTimeout(10));
    return promise->error().value_or(Error{"not rejected", 0, {}});
  }
  std::string storedID(const std::string& key, const std::optional<std::string>& group = kNoGroup,
                       KeychainStorage* from = nullptr) {
    from = from ? from : &storage;
    auto record = resolved(from->getObjectForKey(key, StoredRecord::kClassName, group)).objectAs<StoredRecord>();
    return record ? record->id : "<none>";
  }
  bool set(const std::string& id, const std::string& key, const std::optional<std::string>& group = kNoGroup) {
    return resolved(storage.setObject(Value(std::make_shared<StoredRecord>(id)), key, group)).isNull();
  }

  ostrel::testing::TempContainer container;
  std::shared_ptr<KeychainCache> cache = std::make_shared<KeychainCache>(5);
  KeychainStorage storage{"com.example.store", cache};
};

}  // namespace

TEST_F(KeychainStorageTest, StoredObjectsSurviveANewStoreAndAreCachedPerAccessGroup) {
  EXPECT_EQ(storedID("key"), "<none>");
  EXPECT_EQ(cache->count(), 0u) << "nothing found, nothing cached";
  ASSERT_TRUE(set("first", "key"));
  ASSERT_TRUE(set("grouped", "key", kGroupA));
  KeychainStorage restarted("com.example.store");  // same keychain, empty cache
  EXPECT_EQ(storedID("key", kGroupA, &restarted), "grouped");
  EXPECT_EQ(storedID("key", std::string(""), &restarted), "first") << "an empty group is no group";

  // Reads are served from the cache: the keychain item is gone but the read still answers...
  ASSERT_EQ(Keychain::remove(Value(storage.keychainQueryWithKey("key", kGroupA))), 0);
  EXPECT_EQ(storedID("key", kGroupA), "grouped");
  // ...but never across access groups.
  EXPECT_EQ(storedID("key", std::string("group.b")), "<none>");
  EXPECT_TRUE(resolved(storage.removeObjectForKey("key", kNoGroup)).isNull());
  EXPECT_EQ(storedID("key"), "<none>");
}

TEST_F(KeychainStorageTest, AFailedWriteLeavesNoObjectInTheCache) {
  ASSERT_TRUE(set("stored", "key"));
  Error error = rejected(storage.setObject(Value(std::make_shared<platform::foundation::Object>()), "key", kNoGroup));
  EXPECT_EQ(error.domain, kSecureCodingErrorDomain);
  EXPECT_EQ(error.code, -1);
  EXPECT_EQ(cache->count(), 0u);
  EXPECT_EQ(storedID("key"), "stored") << "the read goes to the keychain and finds what was really stored";

  // A keychain failure (its folder cannot be reached) is rolled back the same way.
  const std::string folder = Keychain::folder();
  std::filesystem::remove_all(folder);
  ASSERT_TRUE(platform::foundation::AtomicFile::writeAtomically(folder, "not a folder", 0600).ok());
  error = rejected(storage.setObject(Value(std::make_shared<StoredRecord>("never stored")), "key", kNoGroup));
  EXPECT_EQ(error.domain, kKeychainErrorDomain);
  EXPECT_EQ(error.userInfo[kLocalizedFailureReasonKey], Value("SecItemCopyMatching (-36)"));
  EXPECT_EQ(cache->count(), 0u);
  EXPECT_EQ(rejected(storage.getObjectForKey("key", StoredRecord::kClassName, kNoGroup)).domain,
            kKeychainErrorDomain);
}

TEST_F(KeychainStorageTest, ChildWritesARecord) {
  if (!std::getenv(kRoleVariable)) GTEST_SKIP() << "runs only as a child process";
  platform::foundation::Paths::setRoot(std::getenv("OSTREL_HOME"));  // the parent's container, not this fixture's
  ASSERT_TRUE(set("from the child", "installation"));
}

TEST_F(KeychainStorageTest, AnItemWrittenByAnotherProcessIsReadAfterItExits) {
  pid_t child = ostrel::testing::spawnTestChild(
      "KeychainStorageTest.ChildWritesARecord",
      {std::string(kRoleVariable) + "=writer", "OSTREL_HOME=" + container.path()});
  ASSERT_EQ(ostrel::testing::waitTestChild(child), 0);
  EXPECT_EQ(storedID("installation"), "from the child");
}

}  // namespace sdk::utilities

