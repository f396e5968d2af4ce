#include "sdk/installations/LegacyInstanceIDTokenStore.h"

#include <mutex>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Format.h"
#include "platform/security/Keychain.h"
#include "sdk/installations/InstallationsErrors.h"
#include "sdk/utilities/KeychainUtils.h"

namespace sdk::installations {

using platform::foundation::Dictionary;
using platform::foundation::Error;
using platform::foundation::KeyedArchive;
using platform::foundation::Value;
using platform::security::Keychain;

std::shared_ptr<LegacyInstanceIDTokenInfo> LegacyInstanceIDTokenInfo::initWithCoder(
    platform::foundation::KeyedUnarchiver& coder) {
  auto info = std::make_shared<LegacyInstanceIDTokenInfo>();
  info->token = coder.decodeString("token").value_or("");
  return info;
}

Dictionary LegacyInstanceIDTokenStore::tokenQuery() const {
  Dictionary query{{Keychain::kClass, Value(Keychain::kClassGenericPassword)},
                   {Keychain::kGeneric, Value(kGenericAttribute)},
                   {Keychain::kService, Value(platform::foundation::format("%@:%@", GCMSenderID_, "*"))}};
  const std::string bundleID = platform::foundation::Bundle::main()->bundleIdentifier();
  if (!bundleID.empty()) query[Keychain::kAccount] = Value(bundleID);
  return query;
}

sdk::promises::Promise::Ptr LegacyInstanceIDTokenStore::existingIIDDefaultToken() {
  static std::once_flag registered;
  std::call_once(registered, [] { KeyedArchive::registerClass<LegacyInstanceIDTokenInfo>(); });
  const Dictionary query = tokenQuery();
  return sdk::promises::Promise::onQueueDo(platform::dispatch::Queue::global(platform::dispatch::Queue::Priority::Low), [query] {
    auto found = sdk::utilities::KeychainUtils::getItemWithQuery(query);
    if (!found.ok()) return sdk::promises::valueWithError(found.error());
    if (!*found) return sdk::promises::valueWithError(InstallationsErrors::corruptedIIDTokenData());
    const platform::foundation::Data* data = &**found;
    Error archiveError;
    Value root = KeyedArchive::unarchivedObject({LegacyInstanceIDTokenInfo::kClassName}, *data, &archiveError,
                                                {{LegacyInstanceIDTokenInfo::kLegacyClassName,
                                                  LegacyInstanceIDTokenInfo::kClassName}});
    auto info = root.objectAs<LegacyInstanceIDTokenInfo>();
    if (info && !info->token.empty()) return Value(info->token);
    return sdk::promises::valueWithError(archiveError.domain.empty() ? InstallationsErrors::corruptedIIDTokenData()
                                                         : archiveError);
  });
}

}  // namespace sdk::installations

