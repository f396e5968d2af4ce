#include "sdk/installations/VURInstallationsIIDTokenStore.h"

#include <mutex>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Format.h"
#include "platform/security/Keychain.h"
#include "sdk/installations/VURInstallationsErrorUtil.h"
#include "sdk/utilities/VDUKeychainUtils.h"

using platform::foundation::Dictionary;
using platform::foundation::Error;
using platform::foundation::KeyedArchive;
using platform::foundation::Value;
using platform::security::Keychain;

std::shared_ptr<VURInstallationsIIDTokenInfo> VURInstallationsIIDTokenInfo::initWithCoder(
    platform::foundation::KeyedUnarchiver& coder) {
  auto info = std::make_shared<VURInstallationsIIDTokenInfo>();
  info->token = coder.decodeString("token").value_or("");
  return info;
}

Dictionary VURInstallationsIIDTokenStore::tokenQuery() const {
  Dictionary query{{Keychain::kClass, Value(Keychain::kClassGenericPassword)},
                   {Keychain::kGeneric, Value(kGenericAttribute)},
                   {Keychain::kService, Value(platform::foundation::format("%@:%@", GCMSenderID_, "*"))}};
  const std::string bundleID = platform::foundation::Bundle::main()->bundleIdentifier();
  if (!bundleID.empty()) query[Keychain::kAccount] = Value(bundleID);
  return query;
}

VBLPromise::Ptr VURInstallationsIIDTokenStore::existingIIDDefaultToken() {
  static std::once_flag registered;
  std::call_once(registered, [] { KeyedArchive::registerClass<VURInstallationsIIDTokenInfo>(); });
  const Dictionary query = tokenQuery();
  return VBLPromise::onQueueDo(platform::dispatch::Queue::global(platform::dispatch::Queue::Priority::Low), [query] {
    Error error;
    auto data = VDUKeychainUtils::getItemWithQuery(query, &error);
    if (!data) {
      return VBLValueWithError(error.domain.empty() ? VURInstallationsErrorUtil::corruptedIIDTokenData() : error);
    }
    Error archiveError;
    Value root = KeyedArchive::unarchivedObject({VURInstallationsIIDTokenInfo::kClassName}, *data, &archiveError,
                                                {{VURInstallationsIIDTokenInfo::kLegacyClassName,
                                                  VURInstallationsIIDTokenInfo::kClassName}});
    auto info = root.objectAs<VURInstallationsIIDTokenInfo>();
    if (info && !info->token.empty()) return Value(info->token);
    return VBLValueWithError(archiveError.domain.empty() ? VURInstallationsErrorUtil::corruptedIIDTokenData()
                                                         : archiveError);
  });
}
