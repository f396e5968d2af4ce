#pragma once

#include <optional>
#include <string>

namespace sdk::analytics {

// Small strings kept in the keychain under an identifier and the app's bundle identifier; they
// outlive a reinstall.
class KeychainWrapper {
 public:
  static std::optional<std::string> keychainValueWithIdentifier(const std::string& identifier, const std::string& appID);
  // Creates or replaces the item; false when the keychain refused it.
  [[nodiscard]] static bool upsertKeychainValue(const std::string& value, const std::string& identifier,
                                                const std::string& appID);
};

}  // namespace sdk::analytics

