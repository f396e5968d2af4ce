#pragma once

#include <optional>
#include <string>

#include "platform/foundation/Error.h"
#include "platform/foundation/Value.h"
#include "platform/security/Keychain.h"

namespace sdk::utilities {

inline constexpr const char* kKeychainErrorDomain = "com.gul.keychain.ErrorDomain";

// The keychain item calls the SDK needs, with statuses turned into errors. Queries are keychain
// dictionaries (platform::security::Keychain's keys).
//
// The error slot is always written when given: with the failure, or cleared (an Error with an empty
// domain) on success, so a caller can tell "no item" (nil, cleared) from a failure (nil, error).
class KeychainUtils {
 public:
  using Error = platform::foundation::Error;
  using Data = platform::foundation::Data;
  using Dictionary = platform::foundation::Dictionary;

  // The item's data; nullopt when there is no such item (slot cleared) or on failure.
  static std::optional<Data> getItemWithQuery(const Dictionary& query, Error* error);
  // Updates the data of an existing item or adds a new one (accessible after first unlock, this device
  // only).
  static bool setItem(const Data& item, const Dictionary& query, Error* error);
  // A missing item counts as removed.
  static bool removeItemWithQuery(const Dictionary& query, Error* error);
  // Code 0; the failure reason is "<function> (<status>)".
  static Error keychainErrorWithFunction(const std::string& function, platform::security::Status status);
};

}  // namespace sdk::utilities

