#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/foundation/Value.h"

namespace sdk::analytics {

// What the engine keeps through the analytics facade: the library's load time and the state the
// facade holds across launches for resets, consent and the collection switch.
class MeasurementFacade {
 public:
  using Dictionary = platform::foundation::Dictionary;

  virtual ~MeasurementFacade() = default;

  // Seconds since 1970 when the library was loaded (moved by every reset).
  virtual double loadTimestamp() = 0;
  virtual void setLoadTimestamp(double timestamp) = 0;
  // The collection switch the engine saw before its first start, nothing until it is known.
  virtual std::optional<bool> deferredAnalyticsCollection() = 0;
  virtual void setDeferredAnalyticsCollection(bool deferred) = 0;

  virtual bool needFirstOpenAfterReset() = 0;
  virtual void removeNeedFirstOpenAfterReset() = 0;
  // Resets started and not yet finished; a failed wipe leaves it raised.
  virtual std::int64_t resetRetryCount() = 0;
  virtual void setResetRetryCount(std::int64_t count) = 0;
  virtual std::optional<std::string> appInstanceIDAfterReset() = 0;
  virtual void setAppInstanceIDAfterReset(const std::optional<std::string>& appInstanceID) = 0;

  // Consent as the facade stored it: given in the start options, set through the public interface.
  virtual std::optional<Dictionary> consentSettings1PStart() = 0;
  virtual std::optional<Dictionary> consentSettings3P() = 0;
  virtual void clearConsent() = 0;
  virtual void persistConsentSettings(const std::optional<Dictionary>& settings, std::int64_t source) = 0;
  // Consent was withdrawn before the engine had started.
  virtual bool deferredResetOnDeniedConsent() = 0;
  virtual void removeStartUpConsentSettings() = 0;
  virtual void removeDeferredResetOnDeniedConsent() = 0;
};

}  // namespace sdk::analytics
