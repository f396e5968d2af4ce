#include "sdk/installations/InstallationStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/PropertyList.h"
#include "platform/security/Keychain.h"
#include "sdk/installations/InstallationsErrors.h"
#include "sdk/installations/LegacyInstanceIDStore.h"
#include "sdk/installations/LegacyInstanceIDTokenStore.h"
#include "sdk/installations/InstallationItem.h"
#include "sdk/installations/StoredInstallationItem.h"
#include "sdk/installations/LegacyInstanceIDTestSupport.h"
#include "sdk/installations/InstallationsTestSupport.h"
#include "sdk/utilities/LoggedLinesTestSupport.h"
#include "testing/FileContents.h"

#ifndef OSTREL_INSTALLATIONS_TESTDATA_DIR
#error "OSTREL_INSTALLATIONS_TESTDATA_DIR must name sdk/installations/testdata"
#endif

namespace sdk::installations {

namespace {

using ostrel::testing::bytesOf;
using ostrel::testing::writeLegacyKey;
using ostrel::testing::writeLegacyMarker;
using ostrel::testing::writeLegacyToken;
using platform::foundation::Data;
using platform::foundation::Dictionary;
using platform::foundation::Value;
using platform::security::Keychain;

class InstallationStoreTest : public ::testing::Test {
 protected:
  std::shared_ptr<InstallationStore> newStore() {
    return std::make_shared<InstallationStore>(
        std::make_shared<sdk::utilities::KeychainStorage>(IDController::kKeychainService), std::nullopt);
  }
  Value await(const sdk::promises::Promise::Ptr& promise) {
    EXPECT_TRUE(world.settle(promise));
    return promise->isFulfilled() ? promise->value() : Value();
  }
  InstallationItem::Ptr registeredItem() {
    auto item = std::make_shared<InstallationItem>(ostrel::testing::kAppID, "app");
    item->coreInstallationID = InstallationItem::generateFID();
    item->refreshToken = "refresh-1";
    item->authToken = StoredAuthToken{};
    item->authToken->status = 1;
    item->authToken->token = "token-1";
    item->authToken->expirationDate = 1700003600.5;
    item->registrationStatus = InstallationItem::kRegistered;
    item->IIDDefaultToken = "legacy-token";
    return item;
  }

  ostrel::testing::InstallationsWorld world;
};

// An archive of a record as a newer release would write it.
class NewerStoredItem final : public platform::foundation::KeyedCodable {
 public:
  std::string className() const override { return StoredInstallationItem::kClassName; }
  void encodeWithCoder(platform::foundation::KeyedArchiver& coder) const override {
    coder.encodeObject(Value("fid-from-the-future"), "vurevoreInstallationID");
    coder.encodeInt64(1, "registrationStatus");
    coder.encodeInt64(2, "storageVersion");
    coder.encodeObject(Value("something new"), "newField");
  }
};

TEST_F(InstallationStoreTest, ASavedInstallationReadsBackWholeAndOnlyWhileMarked) {
  auto store = newStore();
  auto item = registeredItem();
  await(store->saveInstallation(item));
  auto read = await(newStore()->installationForAppID(ostrel::testing::kAppID, "app")).objectAs<InstallationItem>();
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->coreInstallationID, item->coreInstallationID);
  EXPECT_EQ(read->refreshToken, item->refreshToken);
  EXPECT_EQ(read->authToken, item->authToken);
  EXPECT_EQ(read->registrationStatus, item->registrationStatus);
  EXPECT_EQ(read->IIDDefaultToken, item->IIDDefaultToken);

  // A fresh install of the app: the defaults are gone, the keychain record is not.
  await(store->setInstallationExists(false, item->identifier()));
  auto missing = newStore()->installationForAppID(ostrel::testing::kAppID, "app");
  world.settle(missing);
  ASSERT_TRUE(missing->isRejected());
  EXPECT_EQ(InstallationsErrors::failureReasonOf(*missing->error()),
            std::string("Installation for appID ") + ostrel::testing::kAppID + " appName app not found");

  await(store->saveInstallation(item));
  await(store->removeInstallationForAppID(ostrel::testing::kAppID, "app"));
  Value left;
  EXPECT_EQ(Keychain::copyMatching(Value(Dictionary{{Keychain::kClass, Value(Keychain::kClassGenericPassword)},
                                                    {Keychain::kService, Value(IDController::kKeychainService)}}),
                                   &left),
            platform::security::kStatusItemNotFound);
  EXPECT_TRUE(sdk::utilities::UserDefaultsStore(InstallationStore::kUserDefaultsSuiteName).objectForKey(item->identifier()).isNil());
}

// A damaged keychain record must not stop the app from ever holding an installation again: it is kept
// aside, reads as no installation, and the next one takes its place.
TEST_F(InstallationStoreTest, ADamagedRecordIsKeptAsideAndANewInstallationTakesItsPlace) {
  auto item = registeredItem();
  await(newStore()->saveInstallation(item));
  std::string recordFile;
  for (const auto& entry : std::filesystem::directory_iterator(Keychain::folder())) {
    if (entry.path().extension() == ".item") recordFile = entry.path().string();
  }
  ASSERT_FALSE(recordFile.empty());
  ASSERT_TRUE(platform::foundation::AtomicFile::writeAtomically(recordFile, std::string("bplist00"), 0600).ok());

  auto missing = newStore()->installationForAppID(ostrel::testing::kAppID, "app");
  world.settle(missing);
  ASSERT_TRUE(missing->isRejected());
  EXPECT_EQ(InstallationsErrors::failureReasonOf(*missing->error()),
            std::string("Installation for appID ") + ostrel::testing::kAppID + " appName app not found");
  EXPECT_EQ(ostrel::testing::damagedCopiesOf(recordFile).size(), 1u);

  auto next = registeredItem();
  await(newStore()->saveInstallation(next));
  auto read = await(newStore()->installationForAppID(ostrel::testing::kAppID, "app")).objectAs<InstallationItem>();
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->coreInstallationID, next->coreInstallationID);
}

TEST_F(InstallationStoreTest, ARecordFromANewerReleaseIsReadAfterAWarning) {
  ostrel::testing::LoggedLines log(sdk::utilities::kLoggerLevelWarning);
  StoredInstallationItem::registerArchiveClasses();
  const std::string identifier = InstallationItem::identifierWithAppID(ostrel::testing::kAppID, "app");
  sdk::utilities::KeychainStorage storage(IDController::kKeychainService);
  await(storage.setObject(Value(std::make_shared<NewerStoredItem>()), identifier, std::nullopt));
  auto store = newStore();
  await(store->setInstallationExists(true, identifier));
  auto read = await(store->installationForAppID(ostrel::testing::kAppID, "app")).objectAs<InstallationItem>();
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->coreInstallationID, "fid-from-the-future");
  EXPECT_TRUE(log.contains("I-FIS003000"));
  EXPECT_TRUE(log.contains("encoded by a newer coder version 2. Current coder version is 1."));
}

TEST(InstallationItemTest, GeneratedFIDsAreURLSafeAndStartWithCToF) {
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) {
    const std::string fid = InstallationItem::generateFID();
    ASSERT_EQ(fid.size(), 22u);
    EXPECT_NE(std::string("cdef").find(fid[0]), std::string::npos) << fid;
    EXPECT_EQ(fid.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"), std::string::npos);
    seen.insert(fid);
  }
  EXPECT_EQ(seen.size(), 200u);
}

TEST(InstallationItemTest, ValidationNamesEveryMissingPart) {
  struct Case {
    std::function<void(InstallationItem&)> change;
    std::string reason;
  };
  const Case cases[] = {
      {[](InstallationItem&) {}, ""},
      {[](InstallationItem& i) { i.registrationStatus = 0; }, "invalid `registrationStatus`"},
      {[](InstallationItem& i) { i.coreInstallationID.clear(), i.appID.clear(); },
       "`appID` must not be empty, `vurevoreInstallationID` must not be empty"},
      {[](InstallationItem& i) { i.registrationStatus = 2; },
       "registered installation must have non-empty `refreshToken`, registered installation must have non-empty "
       "`authToken.token`, registered installation must have non-empty `authToken.expirationDate`"},
  };
  for (const auto& c : cases) {
    InstallationItem item("app-id", "name");
    item.coreInstallationID = "fid";
    item.registrationStatus = 1;
    c.change(item);
    auto valid = item.isValid();
    EXPECT_EQ(valid.ok(), c.reason.empty());
    if (!c.reason.empty() && !valid.ok()) {
      EXPECT_EQ(InstallationsErrors::failureReasonOf(valid.error()), "VURInstallationsItem validation errors: " + c.reason);
    }
  }
}

// --- what an older identifier library left behind -------------------------------------------------

TEST_F(InstallationStoreTest, TheLegacyIdentifierNeedsTheMarkerAndAKey) {
  LegacyInstanceIDStore legacy;
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
    if (c.key) writeLegacyKey(LegacyInstanceIDStore::kPublicKeyTagPrefix, *c.key);
    auto promise = legacy.existingIID();
    world.settle(promise);
    EXPECT_EQ(promise->isFulfilled(), c.identifier.has_value());
    if (c.identifier) {
      EXPECT_EQ(promise->value(), Value(*c.identifier));
    }
  }
  for (const char* key : {"a", "another key", "yet another one"}) {
    const std::string identifier = LegacyInstanceIDStore::IIDWithPublicKeyData(bytesOf(key));
    EXPECT_EQ(identifier.size(), 11u);
    EXPECT_NE(std::string("cdef").find(identifier[0]), std::string::npos) << identifier;
  }
}

TEST_F(InstallationStoreTest, DeletingTheLegacyIdentifierRemovesMarkerAndKeysAndNeedsNothingThere) {
  LegacyInstanceIDStore legacy;
  EXPECT_TRUE(await(legacy.deleteExistingIID()).isNull()) << "nothing there is success";
  writeLegacyMarker(true);
  writeLegacyKey(LegacyInstanceIDStore::kPublicKeyTagPrefix, "public");
  writeLegacyKey(LegacyInstanceIDStore::kPrivateKeyTagPrefix, "private");
  EXPECT_TRUE(await(legacy.deleteExistingIID()).isNull());
  const Value plist = platform::foundation::PropertyList::readFile(LegacyInstanceIDStore::plistPath());
  EXPECT_FALSE(plist.contains(LegacyInstanceIDStore::kMarkerKey));
  EXPECT_EQ(plist["other"], Value("kept"));
  Value keys;
  EXPECT_EQ(Keychain::copyMatching(Value(Dictionary{{Keychain::kClass, Value(Keychain::kClassKey)}}), &keys),
            platform::security::kStatusItemNotFound);
}

TEST_F(InstallationStoreTest, TheLegacyDefaultTokenIsReadFromItsArchive) {
  LegacyInstanceIDTokenStore store(ostrel::testing::kSenderID);
  auto none = store.existingIIDDefaultToken();
  world.settle(none);
  ASSERT_TRUE(none->isRejected());
  EXPECT_EQ(InstallationsErrors::failureReasonOf(*none->error()),
            "IID token data stored in Keychain is corrupted or in an incompatible format.");
  EXPECT_EQ(store.tokenQuery().at(Keychain::kService), Value(std::string(ostrel::testing::kSenderID) + ":*"));
  writeLegacyToken(store, "legacy-default-token");
  EXPECT_EQ(await(store.existingIIDDefaultToken()), Value("legacy-default-token"));
}

// testdata/stored-installation-archive.bin was written by an earlier build: an installation already in a
// device's keychain must read back field for field, whatever the classes are called in the code.
TEST(InstallationArchiveFromAnEarlierBuild, StillDecodes) {
  StoredInstallationItem::registerArchiveClasses();
  const std::string bytes =
      ostrel::testing::contentsOf(OSTREL_INSTALLATIONS_TESTDATA_DIR "/stored-installation-archive.bin");
  ASSERT_FALSE(bytes.empty());
  platform::foundation::Error error;
  auto value = platform::foundation::KeyedArchive::unarchivedObject(
      {StoredInstallationItem::kClassName}, Data(bytes.begin(), bytes.end()), &error);
  auto item = value.objectAs<StoredInstallationItem>();
  ASSERT_NE(item, nullptr) << error;
  EXPECT_EQ(item->coreInstallationID, "cW9ZqKn3Tz6pQ1rS2tU3vW");
  EXPECT_EQ(item->refreshToken, "refresh-token-1");
  ASSERT_TRUE(item->authToken);
  EXPECT_EQ(item->authToken->status, StoredAuthToken::kStatusTokenFetched);
  EXPECT_EQ(item->authToken->token, "auth-token-1");
  EXPECT_EQ(item->authToken->expirationDate, 1765604800.25);
  EXPECT_EQ(item->registrationStatus, 2);
  EXPECT_EQ(item->IIDDefaultToken, "iid-default-token");
  EXPECT_EQ(item->storageVersion, StoredInstallationItem::kStorageVersion);
}

}  // namespace

}  // namespace sdk::installations

