#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/KeyedArchive.h"
#include "sdk/installations/StoredAuthToken.h"

namespace sdk::installations {

// An installation as archived in the keychain.
class StoredInstallationItem final : public platform::foundation::KeyedCodable {
 public:
  static constexpr const char* kClassName = "VURInstallationsStoredItem";
  static constexpr std::int64_t kStorageVersion = 1;

  std::string coreInstallationID;
  std::optional<std::string> refreshToken;
  std::optional<StoredAuthToken> authToken;
  std::int64_t registrationStatus = 0;
  std::optional<std::string> IIDDefaultToken;
  // What the archive said; kept so a caller can tell a record from a newer release.
  std::int64_t storageVersion = kStorageVersion;

  std::string className() const override { return kClassName; }
  void encodeWithCoder(platform::foundation::KeyedArchiver& coder) const override;
  static std::shared_ptr<StoredInstallationItem> initWithCoder(platform::foundation::KeyedUnarchiver& coder);
  // Registers both archive classes with the keyed archive (once).
  static void registerArchiveClasses();
};

}  // namespace sdk::installations

