#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/Error.h"
#include "platform/foundation/ErrorOr.h"
#include "platform/foundation/Value.h"
#include "sdk/installations/StoredAuthToken.h"
#include "sdk/installations/StoredInstallationItem.h"

namespace sdk::installations {

// One app's installation: its ID (the FID), the refresh token the service issued at registration,
// the current auth token and where registration stands. Items travel through promises and are not
// changed once handed on: a change is made on a copy.
class InstallationItem final : public platform::foundation::Object {
 public:
  using Ptr = std::shared_ptr<InstallationItem>;

  enum RegistrationStatus : std::int64_t { kUnknown = 0, kUnregistered = 1, kRegistered = 2 };
  static constexpr std::size_t kFIDLength = 22;
  // An ID taken over from the older instance-identifier library.
  static constexpr std::size_t kLegacyFIDLength = 11;

  InstallationItem(std::string appID, std::string appName)
      : appID(std::move(appID)), coreAppName(std::move(appName)) {}

  std::string appID;
  std::string coreAppName;
  std::string coreInstallationID;
  std::optional<std::string> refreshToken;
  std::optional<StoredAuthToken> authToken;
  std::int64_t registrationStatus = kUnknown;
  std::optional<std::string> IIDDefaultToken;

  Ptr copy() const { return std::make_shared<InstallationItem>(*this); }
  void updateWithStoredItem(const StoredInstallationItem& stored);
  std::shared_ptr<StoredInstallationItem> storedItem() const;

  // The app ID followed directly by the app name: the record's key in the keychain and user defaults.
  static std::string identifierWithAppID(const std::string& appID, const std::string& appName) {
    return appID + appName;
  }
  std::string identifier() const { return identifierWithAppID(appID, coreAppName); }

  // Fails with every missing part named in one error (code 0).
  platform::foundation::ErrorOr<void> isValid() const;

  // 22 URL-safe base64 characters of a random UUID behind a byte whose high half is 0111, so that
  // the first character is always c, d, e or f.
  static std::string generateFID();
  // Whether `FID` has the form of an ID this app makes: 22 characters of the URL-safe base64 alphabet,
  // or 11 for one taken over from the older library. An ID a server sends is stored and goes into
  // later requests, so nothing else is taken from it.
  static bool isWellFormedFID(std::string_view FID);

  std::string description() const override;
};

// Standard base64 of `bytes` with "/" as "_" and "+" as "-"; padding kept when asked for.
std::string base64URL(const std::uint8_t* bytes, std::size_t count, bool keepPadding);

}  // namespace sdk::installations

