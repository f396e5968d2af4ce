#include "sdk/utilities/KeychainUtils.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/foundation/AtomicFile.h"
#include "platform/log/Log.h"
#include "platform/security/Keychain.h"
#include "sdk/utilities/SecureCoding.h"
#include "testing/FileContents.h"
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
};

}  // namespace

TEST_F(KeychainUtilsTest, SetAddsThenUpdatesOnlyTheData) {
  auto missing = KeychainUtils::getItemWithQuery(itemQuery("a"));
  ASSERT_TRUE(missing.ok()) << "a missing item is no error";
  EXPECT_FALSE(*missing);
  ASSERT_TRUE(KeychainUtils::setItem({1, 2}, itemQuery("a")).ok());
  EXPECT_EQ(accessibilityOf("a"), Value(Keychain::kAccessibleAfterFirstUnlockThisDeviceOnly));
  // Another writer changes the item's accessibility; an update must leave that alone.
  ASSERT_EQ(Keychain::update(Value(itemQuery("a")), Value(Dictionary{{Keychain::kAccessible, Value("custom")}})), 0);
  ASSERT_TRUE(KeychainUtils::setItem({3}, itemQuery("a")).ok());
  EXPECT_EQ(KeychainUtils::getItemWithQuery(itemQuery("a")).valueOr(std::nullopt), (Data{3}));
  EXPECT_EQ(accessibilityOf("a"), Value("custom"));
}

TEST_F(KeychainUtilsTest, StatusesBecomeKeychainErrorsNamingTheCall) {
  EXPECT_TRUE(KeychainUtils::removeItemWithQuery(itemQuery("never")).ok());
  Dictionary bad = itemQuery("x");
  bad[Keychain::kService] = Value(12);
  auto removed = KeychainUtils::removeItemWithQuery(bad);
  ASSERT_FALSE(removed.ok());
  const Error& error = removed.error();
  EXPECT_EQ(error.domain, kKeychainErrorDomain);
  EXPECT_EQ(error.code, 0);
  EXPECT_EQ(reasonOf(error), "SecItemDelete (-50)");
}

// Whoever owns a damaged item (the installation's record, analytics' first-open flag) must be able to
// store its value again: failing on the item would fail every later write too.
TEST_F(KeychainUtilsTest, ADamagedItemIsKeptAsideReadsAsMissingAndTakesTheNextValue) {
  ASSERT_TRUE(KeychainUtils::setItem(Data{1, 2, 3}, itemQuery("damaged")).ok());
  std::string damagedFile;
  for (const auto& entry : std::filesystem::directory_iterator(Keychain::folder())) {
    if (entry.path().extension() == ".item") damagedFile = entry.path().string();
  }
  ASSERT_FALSE(damagedFile.empty());
  ASSERT_TRUE(KeychainUtils::setItem(Data{9}, itemQuery("whole")).ok());
  ASSERT_TRUE(AtomicFile::writeAtomically(damagedFile, std::string("bplist00 torn"), 0600).ok());
  platform::log::CapturedLines log;
  auto read = KeychainUtils::getItemWithQuery(itemQuery("damaged"));
  ASSERT_TRUE(read.ok()) << read.error();
  EXPECT_FALSE(*read);
  const auto kept = ostrel::testing::damagedCopiesOf(damagedFile);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_TRUE(log.contains("kept as " + kept[0]));
  ASSERT_TRUE(KeychainUtils::setItem(Data{4}, itemQuery("damaged")).ok());
  EXPECT_EQ(KeychainUtils::getItemWithQuery(itemQuery("damaged")).valueOr(std::nullopt), Data{4});
  EXPECT_EQ(KeychainUtils::getItemWithQuery(itemQuery("whole")).valueOr(std::nullopt), Data{9}) << "others untouched";
}

TEST(SecureCodingTest, RoundTripsAndRefusesClassesOutsideTheAllowedSetOrThatCannotBeCoded) {
  Value map(Dictionary{{"tag", Value::date(1700000000)}});
  auto data = SecureCoding::archivedDataWithRootObject(map);
  ASSERT_TRUE(data.ok()) << data.error();
  EXPECT_EQ(SecureCoding::unarchivedObjectOfClasses({KeyedArchive::kDictionary, KeyedArchive::kDate}, *data).valueOr(Value()),
            map);
  for (const Data& input : {*data, Data{0xde, 0xad}}) {  // a date is not allowed; junk is no archive
    auto refused = SecureCoding::unarchivedObjectOfClass(KeyedArchive::kDictionary, input);
    ASSERT_FALSE(refused.ok());
    const Error& error = refused.error();
    EXPECT_EQ(error.domain, kSecureCodingErrorDomain);
    EXPECT_EQ(error.code, -1);
    EXPECT_EQ(reasonOf(error), "NSKeyedUnarchiver failed to unarchive data.");
    EXPECT_EQ(error.underlyingError().value_or(Error{}).domain, KeyedArchive::kErrorDomain);
  }
  auto unwritable = SecureCoding::archivedDataWithRootObject(Value(std::make_shared<Object>()));
  ASSERT_FALSE(unwritable.ok());
  EXPECT_EQ(unwritable.error().code, -1);
  EXPECT_TRUE(reasonOf(unwritable.error()).starts_with("NSKeyedArchiver exception with name: NSInvalidArgumentException, reason: "));
}

}  // namespace sdk::utilities

