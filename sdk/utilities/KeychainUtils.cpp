#include "sdk/utilities/KeychainUtils.h"

#include "platform/foundation/Format.h"
#include "sdk/utilities/SecureCoding.h"

namespace sdk::utilities {

using platform::foundation::Value;
using platform::security::Keychain;
using platform::security::Status;

namespace {

void clear(platform::foundation::Error* error) {
  if (error) *error = platform::foundation::Error{};
}

}  // namespace

KeychainUtils::Error KeychainUtils::keychainErrorWithFunction(const std::string& function, Status status) {
  std::string reason = platform::foundation::format("%@ (%li)", function, static_cast<long>(status));
  return {kKeychainErrorDomain, 0, Value(Dictionary{{kLocalizedFailureReasonKey, Value(reason)}})};
}

std::optional<KeychainUtils::Data> KeychainUtils::getItemWithQuery(const Dictionary& query, Error* error) {
  Dictionary lookup = query;
  lookup[Keychain::kReturnData] = Value(true);
  lookup[Keychain::kMatchLimit] = Value(Keychain::kMatchLimitOne);
  Value result;
  Status status = Keychain::copyMatching(Value(std::move(lookup)), &result);
  if (status == platform::security::kStatusSuccess && result.isData()) {
    clear(error);
    return *result.data();
  }
  if (status == platform::security::kStatusItemNotFound) {
    clear(error);
    return std::nullopt;
  }
  platform::foundation::report(error, keychainErrorWithFunction("SecItemCopyMatching", status));
  return std::nullopt;
}

bool KeychainUtils::setItem(const Data& item, const Dictionary& query, Error* error) {
  Error lookupError;
  auto existing = getItemWithQuery(query, &lookupError);
  if (!lookupError.domain.empty()) {
    platform::foundation::report(error, lookupError);
    return false;
  }
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
  if (status != platform::security::kStatusSuccess) {
    platform::foundation::report(error, keychainErrorWithFunction(function, status));
    return false;
  }
  clear(error);
  return true;
}

bool KeychainUtils::removeItemWithQuery(const Dictionary& query, Error* error) {
  Status status = Keychain::remove(Value(query));
  if (status == platform::security::kStatusSuccess || status == platform::security::kStatusItemNotFound) {
    clear(error);
    return true;
  }
  platform::foundation::report(error, keychainErrorWithFunction("SecItemDelete", status));
  return false;
}

}  // namespace sdk::utilities

