#include "sdk/utilities/VDUKeychainUtils.h"

#include <gtest/gtest.h>

#include "platform/security/Keychain.h"
#include "sdk/utilities/VDUSecureCoding.h"
#include "testing/TempContainer.h"

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
std::string reasonOf(const Error& error) { return error.userInfo[kVDULocalizedFailureReasonKey].toString(); }

class VDUKeychainUtilsTest : public ::testing::Test {
 protected:
  ostrel::testing::TempContainer container;
  Error error = Error::make("stale", 1);
};

}  // namespace

TEST_F(VDUKeychainUtilsTest, SetAddsThenUpdatesOnlyTheData) {
  EXPECT_FALSE(VDUKeychainUtils::getItemWithQuery(itemQuery("a"), &error));
  EXPECT_TRUE(error.domain.empty()) << "a missing item is no error";
  ASSERT_TRUE(VDUKeychainUtils::setItem({1, 2}, itemQuery("a"), &error)) << error;
  EXPECT_EQ(accessibilityOf("a"), Value(Keychain::kAccessibleAfterFirstUnlockThisDeviceOnly));
  // Another writer changes the item's accessibility; an update must leave that alone.
  ASSERT_EQ(Keychain::update(Value(itemQuery("a")), Value(Dictionary{{Keychain::kAccessible, Value("custom")}})), 0);
  ASSERT_TRUE(VDUKeychainUtils::setItem({3}, itemQuery("a"), &error)) << error;
  EXPECT_EQ(VDUKeychainUtils::getItemWithQuery(itemQuery("a"), &error), (Data{3}));
  EXPECT_EQ(accessibilityOf("a"), Value("custom"));
}

TEST_F(VDUKeychainUtilsTest, StatusesBecomeKeychainErrorsNamingTheCall) {
  EXPECT_TRUE(VDUKeychainUtils::removeItemWithQuery(itemQuery("never"), &error));
  EXPECT_TRUE(error.domain.empty());
  Dictionary bad = itemQuery("x");
  bad[Keychain::kService] = Value(12);
  EXPECT_FALSE(VDUKeychainUtils::removeItemWithQuery(bad, &error));
  EXPECT_EQ(error.domain, kVDUKeychainErrorDomain);
  EXPECT_EQ(error.code, 0);
  EXPECT_EQ(reasonOf(error), "SecItemDelete (-50)");
}

TEST(VDUSecureCodingTest, RoundTripsAndRefusesClassesOutsideTheAllowedSetOrThatCannotBeCoded) {
  Value map(Dictionary{{"tag", Value::date(1700000000)}});
  Error error;
  auto data = VDUSecureCoding::archivedDataWithRootObject(map, &error);
  ASSERT_TRUE(data) << error;
  EXPECT_EQ(VDUSecureCoding::unarchivedObjectOfClasses({KeyedArchive::kDictionary, KeyedArchive::kDate}, *data, &error),
            map);
  for (const Data& input : {*data, Data{0xde, 0xad}}) {  // a date is not allowed; junk is no archive
    error = {};
    EXPECT_TRUE(VDUSecureCoding::unarchivedObjectOfClass(KeyedArchive::kDictionary, input, &error).isNil());
    EXPECT_EQ(error.domain, kVDUSecureCodingErrorDomain);
    EXPECT_EQ(error.code, -1);
    EXPECT_EQ(reasonOf(error), "NSKeyedUnarchiver failed to unarchive data.");
    EXPECT_EQ(error.underlyingError().value_or(Error{}).domain, KeyedArchive::kErrorDomain);
  }
  EXPECT_FALSE(VDUSecureCoding::archivedDataWithRootObject(Value(std::make_shared<Object>()), &error));
  EXPECT_EQ(error.code, -1);
  EXPECT_TRUE(reasonOf(error).starts_with("NSKeyedArchiver exception with name: NSInvalidArgumentException, reason: "));
}
