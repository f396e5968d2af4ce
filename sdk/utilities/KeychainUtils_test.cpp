#include "sdk/utilities/KeychainUtils.h"

#include <gtest/gtest.h>

#include "platform/security/Keychain.h"
#include "sdk/utilities/SecureCoding.h"
#include "testing/TempContainer.h"

namespace sdk::utilities {

using namespace platform::foundation;
using platform::security::Keychain;

namespace {

Dictionary itemQuery(const std::string& account, bool returnAttributes = false) {
  Dictionary query = {{Keychain::kClass, Value(Keychain::kClassGenericPassword)},
                      {Keychain::kService, Value("com.example.utils")},
                      {Keychain::kAccount, Value(account)}};
  if (returnAttributes) query[Keychain::kReturnAttributes] = Value(true);
  return query;
}
Value accessibilityOf(const std::string& account) {
  Value attributes;
  EXPECT_EQ(Keychain::copyMatching(Value(itemQuery(account, true)), &attributes), 0);
  return attributes[Keychain::kAccessible];
}
std::string reasonOf(const Error& error) { return error.userInfo[kLocalizedFailureReasonKey].toString(); }

class KeychainUtilsTest : public ::testing::Test {
 protected:
  ostrel::testing::TempContainer container;
  Error error = Error::make("stale", 1);
};

}  // namespace

TEST_F(KeychainUtilsTest, SetAddsThenUpdatesOnlyTheData) {
  EXPECT_FALSE(KeychainUtils::getItemWithQuery(itemQuery("a"), &error));
  EXPECT_TRUE(error.domain.empty()) << "a missing item is no error";
  ASSERT_TRUE(KeychainUtils::setItem({1, 2}, itemQuery("a"), &error)) << error;
  EXPECT_EQ(accessibilityOf("a"), Value(Keychain::kAccessibleAfterFirstUnlockThisDeviceOnly));
  // Another writer changes the item's accessibility; an update must leave that alone.
  ASSERT_EQ(Keychain::update(Value(itemQuery("a")), Value(Dictionary{{Keychain::kAccessible, Value("custom")}})), 0);
  ASSERT_TRUE(KeychainUtils::setItem({3}, itemQuery("a"), &error)) << error;
  EXPECT_EQ(KeychainUtils::getItemWithQuery(itemQuery("a"), &error), (Data{3}));
  EXPECT_EQ(accessibilityOf("a"), Value("custom"));
}

TEST_F(KeychainUtilsTest, StatusesBecomeKeychainErrorsNamingTheCall) {
  EXPECT_TRUE(KeychainUtils::removeItemWithQuery(itemQuery("never"), &error));
  EXPECT_TRUE(error.domain.empty());
  Dictionary bad = itemQuery("x");
  bad[Keychain::kService] = Value(12);
  EXPECT_FALSE(KeychainUtils::removeItemWithQuery(bad, &error));
  EXPECT_EQ(error.domain, kKeychainErrorDomain);
  EXPECT_EQ(error.code, 0);
  EXPECT_EQ(reasonOf(error), "SecItemDelete (-50)");
}

TEST(SecureCodingTest, RoundTripsAndRefusesClassesOutsideTheAllowedSetOrThatCannotBeCoded) {
  Value map(Dictionary{{"tag", Value::date(1700000000)}});
  Error error;
  auto data = SecureCoding::archivedDataWithRootObject(map, &error);
  ASSERT_TRUE(data) << error;
  EXPECT_EQ(SecureCoding::unarchivedObjectOfClasses({KeyedArchive::kDictionary, KeyedArchive::kDate}, *data, &error),
            map);
  for (const Data& input : {*data, Data{0xde, 0xad}}) {  // a date is not allowed; junk is no archive
    error = {};
    EXPECT_TRUE(SecureCoding::unarchivedObjectOfClass(KeyedArchive::kDictionary, input, &error).isNil());
    EXPECT_EQ(error.domain, kSecureCodingErrorDomain);
    EXPECT_EQ(error.code, -1);
    EXPECT_EQ(reasonOf(error), "NSKeyedUnarchiver failed to unarchive data.");
    EXPECT_EQ(error.underlyingError().value_or(Error{}).domain, KeyedArchive::kErrorDomain);
  }
  EXPECT_FALSE(SecureCoding::archivedDataWithRootObject(Value(std::make_shared<Object>()), &error));
  EXPECT_EQ(error.code, -1);
  EXPECT_TRUE(reasonOf(error).starts_with("NSKeyedArchiver exception with name: NSInvalidArgumentException, reason: "));
}

}  // namespace sdk::utilities

