#include "sdk/installations/VURInstallationsStore.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/PropertyList.h"
#include "platform/security/Keychain.h"
#include "sdk/installations/VURInstallationsErrorUtil.h"
#include "sdk/installations/VURInstallationsIIDStore.h"
#include "sdk/installations/VURInstallationsIIDTokenStore.h"
#include "sdk/installations/VURInstallationsItem.h"
#include "sdk/installations/VURInstallationsStoredItem.h"
#include "sdk/installations/VURInstallationsLegacyFixtures.h"
#include "sdk/installations/VURInstallationsTestSupport.h"
#include "sdk/utilities/VDULoggerTestSupport.h"
#include "testing/FileContents.h"

#ifndef OSTREL_INSTALLATIONS_TESTDATA_DIR
#error "OSTREL_INSTALLATIONS_TESTDATA_DIR must name sdk/installations/testdata"
#endif

namespace {

using ostrel::testing::bytesOf;
using ostrel::testing::writeLegacyKey;
using ostrel::testing::writeLegacyMarker;
using ostrel::testing::writeLegacyToken;
using platform::foundation::Data;
using platform::foundation::Dictionary;
using platform::foundation::Value;
using platform::security::Keychain;

class VURInstallationsStoreTest : public ::testing::Test {
 protected:
  std::shared_ptr<VURInstallationsStore> newStore() {
    return std::make_shared<VURInstallationsStore>(
        std::make_shared<VDUKeychainStorage>(VURInstallationsIDController::kKeychainService), std::nullopt);
  }
  Value await(const VBLPromise::Ptr& promise) {
    EXPECT_TRUE(world.settle(promise));
    return promise->isFulfilled() ? promise->value() : Value();
  }
  VURInstallationsItem::Ptr registeredItem() {
    auto item = std::make_shared<VURInstallationsItem>(ostrel::testing::kAppID, "app");
    item->vurevoreInstallationID = VURInstallationsItem::generateFID();
    item->refreshToken = "refresh-1";
    item->authToken = VURInstallationsStoredAuthToken{};
    item->authToken->status = 1;
    item->authToken->token = "token-1";
    item->authToken->expirationDate = 1700003600.5;
    item->registrationStatus = VURInstallationsItem::kRegistered;
    item->IIDDefaultToken = "legacy-token";
    return item;
  }

  ostrel::testing::InstallationsWorld world;
};

// An archive of a record as a newer release would write it.
class NewerStoredItem final : public platform::foundation::KeyedCodable {
 public:
  std::string className() const override { return VURInstallationsStoredItem::kClassName; }
  void encodeWithCoder(platform::foundation::KeyedArchiver& coder) const override {
    coder.encodeObject(Value("fid-from-the-future"), "vurevoreInstallationID");
    coder.encodeInt64(1, "registrationStatus");
    coder.encodeInt64(2, "storageVersion");
    coder.encodeObject(Value("something new"), "newField");
  }
};

TEST_F(VURInstallationsStoreTest, ASavedInstallationReadsBackWholeAndOnlyWhileMarked) {
  auto store = newStore();
  auto item = registeredItem();
  await(store->saveInstallation(item));
  auto read = await(newStore()->installationForAppID(ostrel::testing::kAppID, "app")).objectAs<VURInstallationsItem>();
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->vurevoreInstallationID, item->vurevoreInstallationID);
  EXPECT_EQ(read->refreshToken, item->refreshToken);
  EXPECT_EQ(read->authToken, item->authToken);
  EXPECT_EQ(read->registrationStatus, item->registrationStatus);
  EXPECT_EQ(read->IIDDefaultToken, item->IIDDefaultToken);

  // A fresh install of the app: the defaults are gone, the keychain record is not.
  await(store->setInstallationExists(false, item->identifier()));
  auto missing = newStore()->installationForAppID(ostrel::testing::kAppID, "app");
  world.settle(missing);
  ASSERT_TRUE(missing->isRejected());
  EXPECT_EQ(VURInstallationsErrorUtil::failureReasonOf(*missing->error()),
            std::string("Installation for appID ") + ostrel::testing::kAppID + " appName app not found");

  await(store->saveInstallation(item));
  await(store->removeInstallationForAppID(ostrel::testing::kAppID, "app"));
  Value left;
  EXPECT_EQ(Keychain::copyMatching(Value(Dictionary{{Keychain::kClass, Value(Keychain::kClassGenericPassword)},
                                                    {Keychain::kService, Value(VURInstallationsIDController::kKeychainService)}}),
                                   &left),
            platform::security::kStatusItemNotFound);
  EXPECT_TRUE(VDUUserDefaults(VURInstallationsStore::kUserDefaultsSuiteName).objectForKey(item->identifier()).isNil());
}

TEST_F(VURInstallationsStoreTest, ARecordFromANewerReleaseIsReadAfterAWarning) {
  ostrel::testing::VDULoggedLines log(VDULoggerLevelWarning);
  VURInstallationsStoredItem::registerArchiveClasses();
  const std::string identifier = VURInstallationsItem::identifierWithAppID(ostrel::testing::kAppID, "app");
  VDUKeychainStorage storage(VURInstallationsIDController::kKeychainService);
  await(storage.setObject(Value(std::make_shared<NewerStoredItem>()), identifier, std::nullopt));
  auto store = newStore();
  await(store->setInstallationExists(true, identifier));
  auto read = await(store->installationForAppID(ostrel::testing::kAppID, "app")).objectAs<VURInstallationsItem>();
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->vurevoreInstallationID, "fid-from-the-future");
  EXPECT_TRUE(log.contains("I-FIS003000"));
  EXPECT_TRUE(log.contains("encoded by a newer coder version 2. Current coder version is 1."));
}

TEST(VURInstallationsItemTest, GeneratedFIDsAreURLSafeAndStartWithCToF) {
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) {
    const std::string fid = VURInstallationsItem::generateFID();
    ASSERT_EQ(fid.size(), 22u);
    EXPECT_NE(std::string("cdef").find(fid[0]), std::string::npos) << fid;
    EXPECT_EQ(fid.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"), std::string::npos);
    seen.insert(fid);
  }
  EXPECT_EQ(seen.size(), 200u);
}

TEST(VURInstallationsItemTest, ValidationNamesEveryMissingPart) {
  struct Case {
    std::function<void(VURInstallationsItem&)> change;
    std::string reason;
  };
  const Case cases[] = {
      {[](VURInstallationsItem&) {}, ""},
      {[](VURInstallationsItem& i) { i.registrationStatus = 0; }, "invalid `registrationStatus`"},
      {[](VURInstallationsItem& i) { i.vurevoreInstallationID.clear(), i.appID.clear(); },
       "`appID` must not be empty, `vurevoreInstallationID` must not be empty"},
      {[](VURInstallationsItem& i) { i.registrationStatus = 2; },
       "registered installation must have non-empty `refreshToken`, registered installation must have non-empty "
       "`authToken.token`, registered installation must have non-empty `authToken.expirationDate`"},
  };
  for (const auto& c : cases) {
    VURInstallationsItem item("app-id", "name");
    item.vurevoreInstallationID = "fid";
    item.registrationStatus = 1;
    c.change(item);
    platform::foundation::Error error;
    EXPECT_EQ(item.isValid(&error), c.reason.empty());
    if (!c.reason.empty()) {
      EXPECT_EQ(VURInstallationsErrorUtil::failureReasonOf(error), "VURInstallationsItem validation errors: " + c.reason);
    }
  }
}

// --- what an older identifier library left behind -------------------------------------------------

TEST_F(VURInstallationsStoreTest, TheLegacyIdentifierNeedsTheMarkerAndAKey) {
  VURInstallationsIIDStore legacy;
  struct Case {
    bool plist, marker;
    std::optional<std::string> key;
    std::optional<std::string> identifier;
  };
  const Case cases[] = {
      {false, false, "legacy-public-key", std::nullopt},
      {true, false, "legacy-public-key", std::nullopt},
      {true, true, std::nullopt, std::nullopt},
      {true, true, "", std::nullopt},  // no bytes: the digest of nothing is no identity
      {true, true, "legacy-public-key", "cVq4D_6SnSI"},
  };
  for (const auto& c : cases) {
    ostrel::testing::TempContainer fresh;
    if (c.plist) writeLegacyMarker(c.marker);
    if (c.key) writeLegacyKey(VURInstallationsIIDStore::kPublicKeyTagPrefix, *c.key);
    auto promise = legacy.existingIID();
    world.settle(promise);
    EXPECT_EQ(promise->isFulfilled(), c.identifier.has_value());
    if (c.identifier) {
      EXPECT_EQ(promise->value(), Value(*c.identifier));
    }
  }
  for (const char* key : {"a", "another key", "yet another one"}) {
    const std::string identifier = VURInstallationsIIDStore::IIDWithPublicKeyData(bytesOf(key));
    EXPECT_EQ(identifier.size(), 11u);
    EXPECT_NE(std::string("cdef").find(identifier[0]), std::string::npos) << identifier;
  }
}

TEST_F(VURInstallationsStoreTest, DeletingTheLegacyIdentifierRemovesMarkerAndKeysAndNeedsNothingThere) {
  VURInstallationsIIDStore legacy;
  EXPECT_TRUE(await(legacy.deleteExistingIID()).isNull()) << "nothing there is success";
  writeLegacyMarker(true);
  writeLegacyKey(VURInstallationsIIDStore::kPublicKeyTagPrefix, "public");
  writeLegacyKey(VURInstallationsIIDStore::kPrivateKeyTagPrefix, "private");
  EXPECT_TRUE(await(legacy.deleteExistingIID()).isNull());
  const Value plist = platform::foundation::PropertyList::readFile(VURInstallationsIIDStore::plistPath());
  EXPECT_FALSE(plist.contains(VURInstallationsIIDStore::kMarkerKey));
  EXPECT_EQ(plist["other"], Value("kept"));
  Value keys;
  EXPECT_EQ(Keychain::copyMatching(Value(Dictionary{{Keychain::kClass, Value(Keychain::kClassKey)}}), &keys),
            platform::security::kStatusItemNotFound);
}

TEST_F(VURInstallationsStoreTest, TheLegacyDefaultTokenIsReadFromItsArchive) {
  VURInstallationsIIDTokenStore store(ostrel::testing::kSenderID);
  auto none = store.existingIIDDefaultToken();
  world.settle(none);
  ASSERT_TRUE(none->isRejected());
  EXPECT_EQ(VURInstallationsErrorUtil::failureReasonOf(*none->error()),
            "IID token data stored in Keychain is corrupted or in an incompatible format.");
  EXPECT_EQ(store.tokenQuery().at(Keychain::kService), Value(std::string(ostrel::testing::kSenderID) + ":*"));
  writeLegacyToken(store, "legacy-default-token");
  EXPECT_EQ(await(store.existingIIDDefaultToken()), Value("legacy-default-token"));
}

// testdata/stored-installation-archive.bin was written by an earlier build: an installation already in a
// device's keychain must read back field for field, whatever the classes are called in the code.
TEST(InstallationArchiveFromAnEarlierBuild, StillDecodes) {
  VURInstallationsStoredItem::registerArchiveClasses();
  const std::string bytes =
      ostrel::testing::contentsOf(OSTREL_INSTALLATIONS_TESTDATA_DIR "/stored-installation-archive.bin");
  ASSERT_FALSE(bytes.empty());
  platform::foundation::Error error;
  auto value = platform::foundation::KeyedArchive::unarchivedObject(
      {VURInstallationsStoredItem::kClassName}, Data(bytes.begin(), bytes.end()), &error);
  auto item = value.objectAs<VURInstallationsStoredItem>();
  ASSERT_NE(item, nullptr) << error;
  EXPECT_EQ(item->vurevoreInstallationID, "cW9ZqKn3Tz6pQ1rS2tU3vW");
  EXPECT_EQ(item->refreshToken, "refresh-token-1");
  ASSERT_TRUE(item->authToken);
  EXPECT_EQ(item->authToken->status, VURInstallationsStoredAuthToken::kStatusTokenFetched);
  EXPECT_EQ(item->authToken->token, "auth-token-1");
  EXPECT_EQ(item->authToken->expirationDate, 1765604800.25);
  EXPECT_EQ(item->registrationStatus, 2);
  EXPECT_EQ(item->IIDDefaultToken, "iid-default-token");
  EXPECT_EQ(item->storageVersion, VURInstallationsStoredItem::kStorageVersion);
}

}  // namespace
