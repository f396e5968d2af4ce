#pragma once

#include <optional>
#include <string>

#include "platform/foundation/Error.h"
#include "platform/foundation/ErrorOr.h"
#include "platform/foundation/Value.h"
#include "platform/security/Keychain.h"

namespace sdk::utilities {

inline constexpr const char* kKeychainErrorDomain = "com.gul.keychain.ErrorDomain";

// The keychain item calls the SDK needs, with statuses turned into errors. Queries are keychain
// dictionaries (platform::security::Keychain's keys).
class KeychainUtils {
 public:
  using Error = platform::foundation::Error;
  using Data = platform::foundation::Data;
  using Dictionary = platform::foundation::Dictionary;
  template <typename T>
  using ErrorOr = platform::foundation::ErrorOr<T>;

  // The item's data; nullopt when there is no such item, which is not a failure, or when the item was
  // damaged and has been kept aside (see Keychain::keepDamagedAside).
  static ErrorOr<std::optional<Data>> getItemWithQuery(const Dictionary& query);
  // Updates the data of an existing item or adds a new one (accessible after first unlock, this device
  // only).
  static ErrorOr<void> setItem(const Data& item, const Dictionary& query);
  // A missing item counts as removed.
  static ErrorOr<void> removeItemWithQuery(const Dictionary& query);
  // Code 0; the failure reason is "<function> (<status>)".
  static Error keychainErrorWithFunction(const std::string& function, platform::security::Status status);
};

}  // namespace sdk::utilities

