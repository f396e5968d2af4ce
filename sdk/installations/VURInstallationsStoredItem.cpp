#include "sdk/installations/VURInstallationsStoredItem.h"

#include <mutex>

#include "sdk/core/VURLogger.h"
#include "sdk/installations/InstallationsShared.h"

using sdk::installations::kLogService;

namespace {

using platform::foundation::KeyedArchive;
using platform::foundation::Value;

void encodeOptional(platform::foundation::KeyedArchiver& coder, const std::optional<std::string>& text,
                    const char* key) {
  if (text) coder.encodeObject(Value(*text), key);
}

}  // namespace

void VURInstallationsStoredAuthToken::encodeWithCoder(platform::foundation::KeyedArchiver& coder) const {
  coder.encodeInt64(status, "status");
  coder.encodeObject(Value(token), "token");
  if (expirationDate) coder.encodeObject(Value::date(*expirationDate), "expirationDate");
  coder.encodeInt64(kStorageVersion, "storageVersion");
}

std::shared_ptr<VURInstallationsStoredAuthToken> VURInstallationsStoredAuthToken::initWithCoder(
    platform::foundation::KeyedUnarchiver& coder) {
  const std::int64_t version = coder.decodeInt64("storageVersion");
  if (version > kStorageVersion) {
    VURLogWarning(kLogService, "I-FIS004000",
                  "VURInstallationsStoredAuthToken was encoded by a newer coder version %ld. Current coder version is "
                  "%ld. Some auth token data may be lost.",
                  static_cast<long>(version), static_cast<long>(kStorageVersion));
  }
  auto token = std::make_shared<VURInstallationsStoredAuthToken>();
  token->status = coder.decodeInt64("status");
  token->token = coder.decodeString("token").value_or("");
  token->expirationDate = coder.decodeObjectOfClass(KeyedArchive::kDate, "expirationDate").date();
  if (coder.failed()) return nullptr;
  return token;
}

void VURInstallationsStoredItem::encodeWithCoder(platform::foundation::KeyedArchiver& coder) const {
  coder.encodeObject(Value(vurevoreInstallationID), "vurevoreInstallationID");
  encodeOptional(coder, refreshToken, "refreshToken");
  if (authToken) coder.encodeObject(Value(std::make_shared<VURInstallationsStoredAuthToken>(*authToken)), "authToken");
  coder.encodeInt64(registrationStatus, "registrationStatus");
  encodeOptional(coder, IIDDefaultToken, "IIDDefaultToken");
  coder.encodeInt64(kStorageVersion, "storageVersion");
}

std::shared_ptr<VURInstallationsStoredItem> VURInstallationsStoredItem::initWithCoder(
    platform::foundation::KeyedUnarchiver& coder) {
  const std::int64_t version = coder.decodeInt64("storageVersion");
  if (version > kStorageVersion) {
    VURLogWarning(kLogService, "I-FIS003000",
                  "VURInstallationsStoredItem was encoded by a newer coder version %ld. Current coder version is %ld. "
                  "Some installation data may be lost.",
                  static_cast<long>(version), static_cast<long>(kStorageVersion));
  }
  auto item = std::make_shared<VURInstallationsStoredItem>();
  item->storageVersion = version;
  item->vurevoreInstallationID = coder.decodeString("vurevoreInstallationID").value_or("");
  item->refreshToken = coder.decodeString("refreshToken");
  if (auto token = coder.decodeObjectOfClass(VURInstallationsStoredAuthToken::kClassName, "authToken")
                       .objectAs<VURInstallationsStoredAuthToken>()) {
    item->authToken = *token;
  }
  item->registrationStatus = coder.decodeInt64("registrationStatus");
  item->IIDDefaultToken = coder.decodeString("IIDDefaultToken");
  if (coder.failed()) return nullptr;
  return item;
}

void VURInstallationsStoredItem::registerArchiveClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    KeyedArchive::registerClass<VURInstallationsStoredAuthToken>();
    KeyedArchive::registerClass<VURInstallationsStoredItem>();
  });
}
