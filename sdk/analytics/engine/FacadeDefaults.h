#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/foundation/Value.h"

namespace sdk::analytics {

// What the facade keeps in its own defaults suite between launches: the reset's retry count and what
// the first start after a reset needs, the deferred collection choice, and the consent the app set with
// the source that set it. Each key is read and written here only.
class FacadeDefaults {
 public:
  using Dictionary = platform::foundation::Dictionary;

  static std::int64_t resetRetryCount();
  static void setResetRetryCount(std::int64_t count);
  static bool needFirstOpenAfterReset();
  static void setNeedFirstOpenAfterReset(bool need);
  static void removeNeedFirstOpenAfterReset();
  static std::optional<std::string> appInstanceIDAfterReset();
  static void setAppInstanceIDAfterReset(const std::optional<std::string>& appInstanceID);
  static void removeAppInstanceIDAfterReset();
  static std::optional<bool> deferredAnalyticsCollection();
  static void setDeferredAnalyticsCollection(const std::optional<bool>& deferred);

  // `key`: one of the facade's consent keys.
  static platform::foundation::Value storedConsent(const std::string& key);
  static std::optional<Dictionary> consentSettings3P();
  static std::optional<Dictionary> consentSettings1P();
  static std::optional<Dictionary> consentSettings1PStart();
  static void setConsentSettingsOnStart(const Dictionary& settings);
  static void removeStartUpConsentSettings();
  static bool deferredResetOnDeniedConsent();
  static void setDeferredResetOnDeniedConsent();
  static void removeDeferredResetOnDeniedConsent();
  static std::int64_t persistedConsentSource();
  static void persistConsentSettings(const std::optional<Dictionary>& settings, std::int64_t source);
  // Hands the persisted consent to the consent settings, at no higher priority than stored consent.
  static void loadPersistedConsentSettings();
  static void clearConsent();
};

}  // namespace sdk::analytics
