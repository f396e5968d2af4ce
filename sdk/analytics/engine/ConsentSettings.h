#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Value.h"

namespace sdk::analytics {

// The app user's storage consent for measurement: whether advertising and analytics storage are
// granted or denied, and which source set them. State is process-wide behind one serial queue: reads
// wait on it, writes are queued, so a write followed by a read on one thread is always seen.
//
// Settings are a dictionary with "ad_storage" and "analytics_storage" holding "granted" or "denied"
// (read without regard to case); anything else counts as not denied. The same dictionary is what the
// facade stores.
class ConsentSettings {
 public:
  using Dictionary = platform::foundation::Dictionary;
  using Value = platform::foundation::Value;

  static constexpr const char* kAdStorage = "ad_storage";
  static constexpr const char* kAnalyticsStorage = "analytics_storage";
  static constexpr const char* kGranted = "granted";
  static constexpr const char* kDenied = "denied";
  static constexpr const char* kDefaultAllowAdStorageKey = "VADEZE_ANALYTICS_DEFAULT_ALLOW_AD_STORAGE";
  static constexpr const char* kDefaultAllowAnalyticsStorageKey = "VADEZE_ANALYTICS_DEFAULT_ALLOW_ANALYTICS_STORAGE";

  // Sources, lower wins.
  static constexpr std::int64_t kSourcePublic = 10;
  static constexpr std::int64_t kSourcePublicStored = 20;  // also the Info.plist defaults
  static constexpr std::int64_t kSourceInternal = 30;
  static constexpr std::int64_t kSourceInternalStored = 40;  // also consent given in the start options
  static constexpr std::int64_t kSourceNone = 100;

  static std::shared_ptr<platform::dispatch::Queue> serialQueue();

  static std::optional<Dictionary> consentSettings();
  // Nothing also forgets the source, so that any later source wins.
  static void setConsentSettings(const std::optional<Dictionary>& settings);
  static std::int64_t consentSource();
  static void setConsentSource(std::int64_t source);
  // Merges entries into the current settings; new values win, other keys stay.
  static void updateSettings(const Dictionary& entries);

  // Never denied while consent is switched off remotely.
  static bool isAdStorageDenied();
  static bool isAnalyticsStorageDenied();

  // The two consent entries of any dictionary, values as they are.
  static Dictionary consentSettingsFromDictionary(const Value& dictionary);
  // The app's defaults from its Info.plist: a number under each key maps to granted or denied.
  static Dictionary consentSettingsFromPlist();

  // Whether the current settings deny a storage that `previous` did not (nil previous counts as
  // nothing denied).
  static bool didWithdrawPreviousConsent(const Value& previous);
  // Whether `source` may replace the settings now in force: it wins or ties.
  static bool isConsentSourceHigherPriority(std::int64_t source);
  // "G1" and one character per storage ('0' denied, '1' granted, '-' otherwise); nothing unless
  // both consent switches are on.
  static std::optional<std::string> consentSignals();
  static std::string description();
};

}  // namespace sdk::analytics

