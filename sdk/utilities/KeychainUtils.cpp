#include "sdk/utilities/KeychainUtils.h"

#include "platform/foundation/Format.h"
#include "sdk/utilities/SecureCoding.h"

namespace sdk::utilities {

using platform::foundation::Value;
using platform::security::Keychain;
using platform::security::Status;

KeychainUtils::Error KeychainUtils::keychainErrorWithFunction(const std::string& function, Status status) {
  std::string reason = platform::foundation::format("%@ (%li)", function, static_cast<long>(status));
  return {kKeychainErrorDomain, 0, Value(Dictionary{{kLocalizedFailureReasonKey, Value(reason)}})};
}

KeychainUtils::ErrorOr<std::optional<KeychainUtils::Data>> KeychainUtils::getItemWithQuery(const Dictionary& query) {
  Dictionary lookup = query;
  lookup[Keychain::kReturnData] = Value(true);
  lookup[Keychain::kMatchLimit] = Value(Keychain::kMatchLimitOne);
  Value result;
  Status status = Keychain::copyMatching(Value(std::move(lookup)), &result);
  if (status == platform::security::kStatusSuccess && result.isData()) return std::optional<Data>(*result.data());
  if (status == platform::security::kStatusItemNotFound) return std::optional<Data>();
  // Our keychain keeps each item in a file, which can be damaged as a phone's keychain never is. A
  // damaged item is kept aside, named in a warning, and reads as missing, so the value its owner writes
  // next takes its place: failing on it instead would fail every later write too, and the value would
  // never be stored again.
  if (status == platform::security::kStatusDecode &&
      Keychain::keepDamagedAside(Value(query)) == platform::security::kStatusSuccess) {
    return std::optional<Data>();
  }
  return keychainErrorWithFunction("SecItemCopyMatching", status);
}

KeychainUtils::ErrorOr<void> KeychainUtils::setItem(const Data& item, const Dictionary& query) {
  const std::optional<Data> existing = TRY(getItemWithQuery(query));
  Status status;
  const char* function;
  if (existing) {
    function = "SecItemUpdate";
    status = Keychain::update(Value(query), Value(Dictionary{{Keychain::kValueData, Value::data(item)}}));
  } else {
    function = "SecItemAdd";
    Dictionary attributes = query;
    attributes[Keychain::kAccessible] = Value(Keychain::kAccessibleAfterFirstUnlockThisDeviceOnly);
    attributes[Keychain::kValueData] = Value::data(item);
    status = Keychain::add(Value(std::move(attributes)));
  }
  if (status != platform::security::kStatusSuccess) return keychainErrorWithFunction(function, status);
  return {};
}

KeychainUtils::ErrorOr<void> KeychainUtils::removeItemWithQuery(const Dictionary& query) {
  Status status = Keychain::remove(Value(query));
  if (status == platform::security::kStatusSuccess || status == platform::security::kStatusItemNotFound) return {};
  return keychainErrorWithFunction("SecItemDelete", status);
}

}  // namespace sdk::utilities

