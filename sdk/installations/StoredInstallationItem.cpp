#include "sdk/installations/StoredInstallationItem.h"

#include <mutex>

#include "sdk/core/CoreLogger.h"
#include "sdk/installations/InstallationsMessageCodes.h"
#include "sdk/installations/InstallationsShared.h"

namespace sdk::installations {

using sdk::installations::kLogService;

namespace {

using platform::foundation::KeyedArchive;
using platform::foundation::Value;

void encodeOptional(platform::foundation::KeyedArchiver& coder, const std::optional<std::string>& text,
                    const char* key) {
  if (text) coder.encodeObject(Value(*text), key);
}

}  // namespace

void StoredAuthToken::encodeWithCoder(platform::foundation::KeyedArchiver& coder) const {
  coder.encodeInt64(status, "status");
  coder.encodeObject(Value(token), "token");
  if (expirationDate) coder.encodeObject(Value::date(*expirationDate), "expirationDate");
  coder.encodeInt64(kStorageVersion, "storageVersion");
}

std::shared_ptr<StoredAuthToken> StoredAuthToken::initWithCoder(
    platform::foundation::KeyedUnarchiver& coder) {
  const std::int64_t version = coder.decodeInt64("storageVersion");
  if (version > kStorageVersion) {
    sdk::core::coreLogWarning(kLogService, messages::kStoredAuthTokenFromNewerCoder,
                  "VURInstallationsStoredAuthToken was encoded by a newer coder version %ld. Current coder version is "
                  "%ld. Some auth token data may be lost.",
                  static_cast<long>(version), static_cast<long>(kStorageVersion));
  }
  auto token = std::make_shared<StoredAuthToken>();
  token->status = coder.decodeInt64("status");
  token->token = coder.decodeString("token").value_or("");
  token->expirationDate = coder.decodeObjectOfClass(KeyedArchive::kDate, "expirationDate").date();
  if (coder.failed()) return nullptr;
  return token;
}

void StoredInstallationItem::encodeWithCoder(platform::foundation::KeyedArchiver& coder) const {
  coder.encodeObject(Value(coreInstallationID), "vurevoreInstallationID");
  encodeOptional(coder, refreshToken, "refreshToken");
  if (authToken) coder.encodeObject(Value(std::make_shared<StoredAuthToken>(*authToken)), "authToken");
  coder.encodeInt64(registrationStatus, "registrationStatus");
  encodeOptional(coder, IIDDefaultToken, "IIDDefaultToken");
  coder.encodeInt64(kStorageVersion, "storageVersion");
}

std::shared_ptr<StoredInstallationItem> StoredInstallationItem::initWithCoder(
    platform::foundation::KeyedUnarchiver& coder) {
  const std::int64_t version = coder.decodeInt64("storageVersion");
  if (version > kStorageVersion) {
    sdk::core::coreLogWarning(kLogService, messages::kStoredItemFromNewerCoder,
                  "VURInstallationsStoredItem was encoded by a newer coder version %ld. Current coder version is %ld. "
                  "Some installation data may be lost.",
                  static_cast<long>(version), static_cast<long>(kStorageVersion));
  }
  auto item = std::make_shared<StoredInstallationItem>();
  item->storageVersion = version;
  item->coreInstallationID = coder.decodeString("vurevoreInstallationID").value_or("");
  item->refreshToken = coder.decodeString("refreshToken");
  if (auto token = coder.decodeObjectOfClass(StoredAuthToken::kClassName, "authToken")
                       .objectAs<StoredAuthToken>()) {
    item->authToken = *token;
  }
  item->registrationStatus = coder.decodeInt64("registrationStatus");
  item->IIDDefaultToken = coder.decodeString("IIDDefaultToken");
  if (coder.failed()) return nullptr;
  return item;
}

void StoredInstallationItem::registerArchiveClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    KeyedArchive::registerClass<StoredAuthToken>();
    KeyedArchive::registerClass<StoredInstallationItem>();
  });
}

}  // namespace sdk::installations

