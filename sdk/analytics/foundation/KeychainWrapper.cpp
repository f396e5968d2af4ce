#include "sdk/analytics/foundation/KeychainWrapper.h"

#include "platform/security/Keychain.h"
#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/utilities/KeychainUtils.h"

namespace sdk::analytics {

using platform::foundation::Dictionary;
using platform::foundation::Value;
using platform::security::Keychain;

namespace {

Dictionary query(const std::string& identifier, const std::string& appID) {
  return {{Keychain::kClass, Value(Keychain::kClassGenericPassword)},
          {Keychain::kService, Value(appID)},
          {Keychain::kAccount, Value(identifier)}};
}

}  // namespace

std::optional<std::string> KeychainWrapper::keychainValueWithIdentifier(const std::string& identifier,
                                                                           const std::string& appID) {
  auto read = sdk::utilities::KeychainUtils::getItemWithQuery(query(identifier, appID));
  // An unreadable item reads as none, as a missing one does (a damaged one is kept aside below us, so
  // the value written next takes its place).
  if (!read) return std::nullopt;
  if (!*read) return std::nullopt;
  return std::string((*read)->begin(), (*read)->end());
}

bool KeychainWrapper::upsertKeychainValue(const std::string& value, const std::string& identifier,
                                             const std::string& appID) {
  const platform::foundation::Data data(value.begin(), value.end());
  auto stored = sdk::utilities::KeychainUtils::setItem(data, query(identifier, appID));
  if (stored.ok()) return true;
  Monitor::shared()->logWithLevel(LogLevel::kMonitoredWarning, messages::kKeychainValueStoreFailed,
                                  "Unable to store keychain value. Identifier, error", Value(identifier),
                                  Value(stored.error().localizedDescription()));
  return false;
}

}  // namespace sdk::analytics

