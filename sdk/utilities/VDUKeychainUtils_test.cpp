#include "sdk/utilities/VDUKeychainUtils.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/foundation/AtomicFile.h"
#include "platform/security/Keychain.h"
#include "sdk/utilities/VDUSecureCoding.h"
#include "testing/TempContainer.h"

using namespace platform::foundation;
using platform::security::Keychain;

namespace {

Dictionary itemQuery(const std::string& account) {
  return {{Keychain::kClass, Value(Keychain::kClassGenericPassword)},
          {Keychain::kService, Value("com.example.utils")},
          {Keychain::kAccount, Value(account)}};
}

std::string reasonOf(const Error& error) { return error.userInfo[kVDULocalizedFailureReasonKey].toString(); }

class Uncodable : public Object {};

class VDUKeychainUtilsTest : public ::testing::Test {
 protected:
  ostrel::testing::TempContainer container;
};

}  // namespace

TEST_F(VDUKeychainUtilsTest, SetAddsThenUpdatesOnlyTheData) {
  Error error = Error::make("stale", 1);
  EXPECT_FALSE(VDUKeychainUtils::getItemWithQuery(itemQuery("a"), &error));
  EXPECT_TRUE(error.domain.empty());  // a missing item is no error

  ASSERT_TRUE(VDUKeychainUtils::setItem({1, 2}, itemQuery("a"), &error)) << error;
  // Another writer lowers the item's accessibility; an update must leave that alone.
  ASSERT_EQ(Keychain::update(Value(itemQuery("a")), Value(Dictionary{{Keychain::kAccessible, Value("custom")}})), 0);
  ASSERT_TRUE(VDUKeychainUtils::setItem({3}, itemQuery("a"), &error)) << error;
  EXPECT_EQ(VDUKeychainUtils::getItemWithQuery(itemQuery("a"), &error), (Data{3}));

  Value attributes;
  Dictionary q = itemQuery("a");
  q[Keychain::kReturnAttributes] = Value(true);
  ASSERT_EQ(Keychain::copyMatching(Value(q), &attributes), 0);
  EXPECT_EQ(attributes[Keychain::kAccessible], Value("custom"));

  ASSERT_TRUE(VDUKeychainUtils::setItem({4}, itemQuery("b"), &error));
  q = itemQuery("b");
  q[Keychain::kReturnAttributes] = Value(true);
  ASSERT_EQ(Keychain::copyMatching(Value(q), &attributes), 0);
  EXPECT_EQ(attributes[Keychain::kAccessible], Value(Keychain::kAccessibleAfterFirstUnlockThisDeviceOnly));
}

TEST_F(VDUKeychainUtilsTest, StatusesBecomeKeychainErrorsNamingTheCall) {
  EXPECT_EQ(reasonOf(VDUKeychainUtils::keychainErrorWithFunction("SecItemAdd", -25299)), "SecItemAdd (-25299)");

  Error error;
  EXPECT_TRUE(VDUKeychainUtils::removeItemWithQuery(itemQuery("never"), &error));
  EXPECT_TRUE(error.domain.empty());
  Dictionary bad = itemQuery("x");
  bad[Keychain::kService] = Value(12);
  EXPECT_FALSE(VDUKeychainUtils::removeItemWithQuery(bad, &error));
  EXPECT_EQ(error.domain, kVDUKeychainErrorDomain);
  EXPECT_EQ(error.code, 0);
  EXPECT_EQ(reasonOf(error), "SecItemDelete (-50)");

  // A damaged item file fails reads and writes with the keychain's status, never as "no item".
  ASSERT_TRUE(VDUKeychainUtils::setItem({1}, itemQuery("torn"), &error));
  for (const auto& entry : std::filesystem::directory_iterator(Keychain::folder())) {
    if (entry.path().extension() == ".item") {
      ASSERT_TRUE(AtomicFile::writeAtomically(entry.path().string(), std::string_view("junk"), nullptr, 0600));
    }
  }
  EXPECT_FALSE(VDUKeychainUtils::getItemWithQuery(itemQuery("torn"), &error));
  EXPECT_EQ(reasonOf(error), "SecItemCopyMatching (-26275)");
  EXPECT_FALSE(VDUKeychainUtils::setItem({2}, itemQuery("torn"), &error));
  EXPECT_EQ(reasonOf(error), "SecItemCopyMatching (-26275)");
  EXPECT_TRUE(VDUKeychainUtils::removeItemWithQuery(itemQuery("torn"), &error));
}

TEST(VDUSecureCodingTest, RoundTripsAndRefusesClassesOutsideTheAllowedSet) {
  Value map(Dictionary{{"tag", Value::date(1700000000)}});
  Error error;
  auto data = VDUSecureCoding::archivedDataWithRootObject(map, &error);
  ASSERT_TRUE(data) << error;
  EXPECT_EQ(VDUSecureCoding::unarchivedObjectOfClasses({KeyedArchive::kDictionary, KeyedArchive::kDate}, *data, &error), map);

  EXPECT_TRUE(VDUSecureCoding::unarchivedObjectOfClass(KeyedArchive::kDictionary, *data, &error).isNil());
  EXPECT_EQ(error.domain, kVDUSecureCodingErrorDomain);
  EXPECT_EQ(error.code, -1);
  EXPECT_EQ(reasonOf(error), "NSKeyedUnarchiver failed to unarchive data.");
  ASSERT_TRUE(error.underlyingError());
  EXPECT_EQ(error.underlyingError()->domain, KeyedArchive::kErrorDomain);

  error = {};
  EXPECT_TRUE(VDUSecureCoding::unarchivedObjectOfClass(KeyedArchive::kString, Data{0xde, 0xad}, &error).isNil());
  EXPECT_EQ(error.code, -1);
}

TEST(VDUSecureCodingTest, ArchivingAnUncodableObjectReportsTheExceptionShapedError) {
  EXPECT_EQ(reasonOf(VDUSecureCoding::archivingErrorWithException(Exception("Name", "why"))),
            "NSKeyedArchiver exception with name: Name, reason: why, userInfo: (null)");
  Error error;
  EXPECT_FALSE(VDUSecureCoding::archivedDataWithRootObject(Value(std::make_shared<Uncodable>()), &error));
  EXPECT_EQ(error.domain, kVDUSecureCodingErrorDomain);
  EXPECT_EQ(error.code, -1);
  EXPECT_EQ(reasonOf(error).rfind("NSKeyedArchiver exception with name: NSInvalidArgumentException, reason: ", 0), 0u);
}
