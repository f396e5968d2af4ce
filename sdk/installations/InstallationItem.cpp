#include "sdk/installations/InstallationItem.h"

#include <uuid/uuid.h>

#include <algorithm>
#include <vector>

#include "platform/foundation/Base64.h"
#include "platform/foundation/Format.h"
#include "sdk/installations/InstallationsErrors.h"

namespace sdk::installations {

void InstallationItem::updateWithStoredItem(const StoredInstallationItem& stored) {
  coreInstallationID = stored.coreInstallationID;
  refreshToken = stored.refreshToken;
  authToken = stored.authToken;
  registrationStatus = stored.registrationStatus;
  IIDDefaultToken = stored.IIDDefaultToken;
}

std::shared_ptr<StoredInstallationItem> InstallationItem::storedItem() const {
  auto stored = std::make_shared<StoredInstallationItem>();
  stored->coreInstallationID = coreInstallationID;
  stored->refreshToken = refreshToken;
  stored->authToken = authToken;
  stored->registrationStatus = registrationStatus;
  stored->IIDDefaultToken = IIDDefaultToken;
  return stored;
}

platform::foundation::ErrorOr<void> InstallationItem::isValid() const {
  std::vector<std::string> problems;
  if (appID.empty()) problems.emplace_back("`appID` must not be empty");
  if (coreAppName.empty()) problems.emplace_back("`vurevoreAppName` must not be empty");
  if (coreInstallationID.empty()) problems.emplace_back("`vurevoreInstallationID` must not be empty");
  if (registrationStatus == kUnknown) {
    problems.emplace_back("invalid `registrationStatus`");
  } else if (registrationStatus == kRegistered) {
    if (!refreshToken || refreshToken->empty()) {
      problems.emplace_back("registered installation must have non-empty `refreshToken`");
    }
    if (!authToken || authToken->token.empty()) {
      problems.emplace_back("registered installation must have non-empty `authToken.token`");
    }
    if (!authToken || !authToken->expirationDate) {
      problems.emplace_back("registered installation must have non-empty `authToken.expirationDate`");
    }
  }
  if (problems.empty()) return {};
  std::string joined;
  for (const auto& problem : problems) joined += (joined.empty() ? "" : ", ") + problem;
  return InstallationsErrors::installationsErrorWithCode(
      0, platform::foundation::format("VURInstallationsItem validation errors: %@", joined), std::nullopt);
}

std::string base64URL(const std::uint8_t* bytes, std::size_t count, bool keepPadding) {
  const std::string text =
      platform::foundation::Base64::encode(std::string_view(reinterpret_cast<const char*>(bytes), count));
  std::string out;
  for (char c : text) {
    if (c == '/') {
      out += '_';
    } else if (c == '+') {
      out += '-';
    } else if (c != '=' || keepPadding) {
      out += c;
    }
  }
  return out;
}

std::string InstallationItem::generateFID() {
  uuid_t uuid;
  uuid_generate_random(uuid);
  std::uint8_t block[17];
  block[0] = static_cast<std::uint8_t>(0x70 + (uuid[15] & 0x0f));
  for (int i = 0; i < 16; ++i) block[i + 1] = uuid[i];
  return base64URL(block, sizeof block, true).substr(0, kFIDLength);
}

bool InstallationItem::isWellFormedFID(std::string_view FID) {
  if (FID.size() != kFIDLength && FID.size() != kLegacyFIDLength) return false;
  return std::all_of(FID.begin(), FID.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
  });
}

std::string InstallationItem::description() const {
  // Tokens stay out of logs.
  return platform::foundation::format("<VURInstallationsItem appName: %@, FID: %@, status: %ld>", coreAppName,
                                      coreInstallationID, static_cast<long>(registrationStatus));
}

}  // namespace sdk::installations

