#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/KeyedArchive.h"

namespace sdk::installations {

// An auth token as the installation keeps it, and as it is archived in the keychain.
class StoredAuthToken final : public platform::foundation::KeyedCodable {
 public:
  static constexpr const char* kClassName = "VURInstallationsStoredAuthToken";
  static constexpr std::int64_t kStorageVersion = 1;
  static constexpr std::int64_t kStatusTokenFetched = 1;

  std::int64_t status = 0;
  std::string token;
  std::optional<double> expirationDate;  // seconds since 1970

  std::string className() const override { return kClassName; }
  void encodeWithCoder(platform::foundation::KeyedArchiver& coder) const override;
  // A newer storage version is read all the same, after a warning.
  static std::shared_ptr<StoredAuthToken> initWithCoder(platform::foundation::KeyedUnarchiver& coder);
  bool operator==(const StoredAuthToken& other) const {
    return status == other.status && token == other.token && expirationDate == other.expirationDate;
  }
};

}  // namespace sdk::installations

