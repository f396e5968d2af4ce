#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Value.h"

namespace sdk::analytics {

class IdentitySupport;
class PersistedConfig;

// The identifiers that describe this installation to the measurement library: the app instance ID
// (random, kept across launches, replaced on reset or when the advertising ID changes), the advertising
// ID with its tracking flag and authorisation status, the vendor ID, the app IDs of the options file,
// the core's installation ID and the app's own identifier and version. Storage consent is enforced
// on everything it keeps.
//
// Mutable state lives on the identity queue. Getters wait on that queue (so they must not be called
// from it); setters return at once. A getter that refreshes queues the refresh first, so it sees its
// result.
class Identity : public std::enable_shared_from_this<Identity> {
  struct Key {};

 public:
  using Value = platform::foundation::Value;

  // Tracking-authorisation status codes.
  static constexpr std::uint64_t kConsentRestricted = 1;
  static constexpr std::uint64_t kConsentDenied = 2;
  static constexpr std::uint64_t kConsentAuthorized = 3;
  static constexpr std::uint64_t kConsentNotDetermined = 4;
  static constexpr std::uint64_t kConsentUnavailable = 5;
  static constexpr std::uint64_t kConsentUnsupported = 6;

  static constexpr const char* kVMPAppIDKey = "VADEZE_APP_ID";
  static constexpr const char* kDeDedAppIDKey = "DEDED_APP_ID";
  static constexpr const char* kIDFVCollectionEnabledKey = "VADEZE_ANALYTICS_IDFV_COLLECTION_ENABLED";

  // Made once with the shared persisted settings and the device's advertising services.
  static std::shared_ptr<Identity> sharedInstance();
  // nullptr (with a log line) without persisted settings. `support` defaults to the device's.
  static std::shared_ptr<Identity> initWithPersistedConfig(std::shared_ptr<PersistedConfig> config,
                                                              std::shared_ptr<IdentitySupport> support = nullptr);
  Identity(Key, std::shared_ptr<PersistedConfig> config, std::shared_ptr<IdentitySupport> support);

  // The analytics library version: "80700000" gives 80700.
  static std::int64_t analyticsLibraryVersion();
  static std::int64_t libraryVersionFromString(const std::string& version);
  // The numeric fields of a bundle version: "2.10b3" gives 2 and 103.
  static std::vector<std::int32_t> numericFieldsFromAppVersionNumeric(const std::string& version);
  // 32 hexadecimal characters.
  static std::string randomAppInstanceID();

  std::optional<std::string> appInstanceID();
  void setAppInstanceID(const std::string& appInstanceID);
  std::optional<std::string> resettableDeviceID();
  std::optional<std::string> hashedResettableDeviceID();
  bool limitedAdTracking();
  bool hasLimitedAdTracking();
  std::uint64_t appleConsentStatus();
  bool iOS14OrAbove() const;
  std::optional<std::string> identifierForVendor();

  std::string appIDFromVMP();
  std::string appIDFromDeDed();
  // Only the first non-empty value per process is taken.
  void setAppIDFromVMP(const std::string& appID);
  void setAppIDFromDeDed(const std::string& appID);

  bool shouldSetLastAdvertisingIDResetUserProperty();
  void setShouldSetLastAdvertisingIDResetUserProperty(bool value);
  // Drops what denied storage may not keep: the advertising ID's hash, the app instance ID.
  void enforceConsentSettings();
  bool isFromAppStore() const;

  const std::string& appID() const { return appID_; }
  const std::string& appVersion() const { return appVersion_; }
  const std::optional<std::int32_t>& appVersionMajor() const { return appVersionMajor_; }
  const std::optional<std::int32_t>& appVersionMinor() const { return appVersionMinor_; }
  const std::optional<std::int32_t>& appVersionRelease() const { return appVersionRelease_; }

  // The SDK core's installation ID; empty while unknown.
  std::string coreInstallationID() const;
  // Nothing or an empty ID (a fetch that failed) keeps the ID known so far: a failed fetch says
  // nothing about the installation, and bundles would otherwise go out without it until the next change.
  void setCoreInstallationID(const std::optional<std::string>& installationID);

  // Queues a refresh of the advertising identity (see the .cpp for the rule).
  void updateIdentifiers();
  // The same refresh in the caller's turn of the identity queue, done before it returns: for a caller
  // that reads the identity right after, which would otherwise wait for another thread to run it.
  void updateIdentifiersAndWait();

  // What a bundle's identifier fields are made of: each value as its getter above gives it, all read
  // in one turn of the queue after one refresh, where the getters refresh and wait once each.
  struct Identifiers {
    std::string appIDFromVMP;
    std::string appIDFromDeDed;
    bool iOS14OrAbove = false;
    std::uint64_t appleConsentStatus = kConsentUnsupported;
    bool hasLimitedAdTracking = false;
    bool limitedAdTracking = false;
    std::optional<std::string> resettableDeviceID;
    std::optional<std::string> identifierForVendor;
    std::optional<std::string> appInstanceID;
  };
  Identifiers identifiers();

  const std::shared_ptr<platform::dispatch::Queue>& queue() const { return queue_; }

 private:
  void readOptionsFile();
  void readBundle();
  void refreshOnQueue();
  // The refresh and then `read`, in one turn of the queue: the same order as queuing the refresh
  // before the read, without handing the work to another thread and back.
  template <class Read>
  auto refreshedRead(Read read) {
    decltype(read()) value{};
    queue_->sync([&] {
      refreshOnQueue();
      value = read();
    });
    return value;
  }
  void enforceConsentOnQueue();
  // Whether the vendor ID may be handed out at all: collection not switched off, analytics storage allowed.
  bool mayUseVendorID() const;
  // The device's vendor ID, cached on the queue for the next reader.
  std::optional<std::string> readVendorID();
  std::uint64_t consentStatusOnQueue(bool* gateOpen) const;

  const std::shared_ptr<PersistedConfig> persistedConfig_;
  const std::shared_ptr<IdentitySupport> support_;
  const std::shared_ptr<platform::dispatch::Queue> queue_;

  // Identity queue only.
  std::optional<double> lastAppInstanceIDUpdateTimestamp_;
  std::uint64_t appleConsentStatus_ = kConsentUnsupported;
  std::optional<std::string> resettableDeviceID_;
  bool limitedAdTracking_ = false;
  std::optional<std::string> identifierForVendorString_;
  std::string appIDFromVMP_;
  std::string appIDFromDeDed_;

  // Each app ID is taken once per process after initialisation; the flags are claimed by the caller.
  std::atomic<bool> vmpAppIDTaken_{false};
  std::atomic<bool> deDedAppIDTaken_{false};

  Value isIDFVCollectionEnabledNumber_;
  std::string appID_;
  std::string appVersion_;
  std::optional<std::int32_t> appVersionMajor_;
  std::optional<std::int32_t> appVersionMinor_;
  std::optional<std::int32_t> appVersionRelease_;

  mutable std::mutex installationIDMutex_;
  std::string coreInstallationID_;
};

}  // namespace sdk::analytics

