#include "sdk/utilities/VDUKeychainStorage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/Paths.h"
#include "platform/security/Keychain.h"
#include "sdk/promises/VBLPromiseTestSupport.h"

using ostrel::testing::VBLPromiseTest;
#include "sdk/utilities/VDUKeychainUtils.h"
#include "sdk/utilities/VDUSecureCoding.h"
#include "testing/ChildProcess.h"
#include "testing/TempContainer.h"

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

class VDUKeychainStorageTest : public VBLPromiseTest {
 protected:
  void SetUp() override {
    VBLPromiseTest::SetUp();
    KeyedArchive::registerClass<StoredRecord>();
  }

  // The promise's value once it settled; fails the test when it rejected.
  Value resolved(const VBLPromise::Ptr& promise) {
    EXPECT_TRUE(VBLWaitForPromisesWithTimeout(10));
    EXPECT_TRUE(promise->isFulfilled()) << (promise->error() ? promise->error()->description() : "pending");
    return promise->value();
  }
  Error rejected(const VBLPromise::Ptr& promise) {
    EXPECT_TRUE(VBLWaitForPromisesWithTimeout(10));
    return promise->error().value_or(Error{"not rejected", 0, {}});
  }
  std::string storedID(const std::string& key, const std::optional<std::string>& group = kNoGroup,
                       VDUKeychainStorage* from = nullptr) {
    from = from ? from : &storage;
    auto record = resolved(from->getObjectForKey(key, StoredRecord::kClassName, group)).objectAs<StoredRecord>();
    return record ? record->id : "<none>";
  }
  bool set(const std::string& id, const std::string& key, const std::optional<std::string>& group = kNoGroup) {
    return resolved(storage.setObject(Value(std::make_shared<StoredRecord>(id)), key, group)).isNull();
  }

  ostrel::testing::TempContainer container;
  std::shared_ptr<VDUKeychainCache> cache = std::make_shared<VDUKeychainCache>(5);
  VDUKeychainStorage storage{"com.example.store", cache};
};

}  // namespace

TEST_F(VDUKeychainStorageTest, StoredObjectsSurviveANewStoreAndAreCachedPerAccessGroup) {
  EXPECT_EQ(storedID("key"), "<none>");
  EXPECT_EQ(cache->count(), 0u) << "nothing found, nothing cached";
  ASSERT_TRUE(set("first", "key"));
  ASSERT_TRUE(set("grouped", "key", kGroupA));
  VDUKeychainStorage restarted("com.example.store");  // same keychain, empty cache
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

TEST_F(VDUKeychainStorageTest, AFailedWriteLeavesNoObjectInTheCache) {
  ASSERT_TRUE(set("stored", "key"));
  Error error = rejected(storage.setObject(Value(std::make_shared<platform::foundation::Object>()), "key", kNoGroup));
  EXPECT_EQ(error.domain, kVDUSecureCodingErrorDomain);
  EXPECT_EQ(error.code, -1);
  EXPECT_EQ(cache->count(), 0u);
  EXPECT_EQ(storedID("key"), "stored") << "the read goes to the keychain and finds what was really stored";

  // A keychain failure (the item's file is damaged) is rolled back the same way.
  for (const auto& entry : std::filesystem::directory_iterator(Keychain::folder())) {
    if (entry.path().extension() == ".item") {
      ASSERT_TRUE(platform::foundation::AtomicFile::writeAtomically(entry.path().string(), "torn", nullptr, 0600));
    }
  }
  error = rejected(storage.setObject(Value(std::make_shared<StoredRecord>("never stored")), "key", kNoGroup));
  EXPECT_EQ(error.domain, kVDUKeychainErrorDomain);
  EXPECT_EQ(error.userInfo[kVDULocalizedFailureReasonKey], Value("SecItemCopyMatching (-26275)"));
  EXPECT_EQ(cache->count(), 0u);
  EXPECT_EQ(rejected(storage.getObjectForKey("key", StoredRecord::kClassName, kNoGroup)).domain,
            kVDUKeychainErrorDomain);
}

TEST_F(VDUKeychainStorageTest, ChildWritesARecord) {
  if (!std::getenv(kRoleVariable)) GTEST_SKIP() << "runs only as a child process";
  platform::foundation::Paths::setRoot(std::getenv("OSTREL_HOME"));  // the parent's container, not this fixture's
  ASSERT_TRUE(set("from the child", "installation"));
}

TEST_F(VDUKeychainStorageTest, AnItemWrittenByAnotherProcessIsReadAfterItExits) {
  pid_t child = ostrel::testing::spawnTestChild(
      "VDUKeychainStorageTest.ChildWritesARecord",
      {std::string(kRoleVariable) + "=writer", "OSTREL_HOME=" + container.path()});
  ASSERT_EQ(ostrel::testing::waitTestChild(child), 0);
  EXPECT_EQ(storedID("installation"), "from the child");
}
