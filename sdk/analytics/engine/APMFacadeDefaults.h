#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include "sdk/analytics/engine/MeasurementFacade.h"
#include "sdk/analytics/foundation/APMUserDefaults.h"

namespace sdk::analytics {

// The facade's state in its defaults suite "APMAnalyticsSuiteName", read and written by the keys the
// facade uses. It stands in for the facade until the facade itself is built, so that the state the
// engine depends on (above all the reset retry count) already survives a restart.
class APMFacadeDefaults final : public MeasurementFacade {
 public:
  static constexpr const char* kSuiteName = "APMAnalyticsSuiteName";

  static std::shared_ptr<APMFacadeDefaults> sharedInstance();
  APMFacadeDefaults();

  double loadTimestamp() override;
  void setLoadTimestamp(double timestamp) override;
  std::optional<bool> deferredAnalyticsCollection() override;
  void setDeferredAnalyticsCollection(bool deferred) override;
  bool needFirstOpenAfterReset() override;
  void removeNeedFirstOpenAfterReset() override;
  std::int64_t resetRetryCount() override;
  void setResetRetryCount(std::int64_t count) override;
  std::optional<std::string> appInstanceIDAfterReset() override;
  void setAppInstanceIDAfterReset(const std::optional<std::string>& appInstanceID) override;
  std::optional<Dictionary> consentSettings1PStart() override;
  std::optional<Dictionary> consentSettings3P() override;
  void clearConsent() override;
  void persistConsentSettings(const std::optional<Dictionary>& settings, std::int64_t source) override;
  bool deferredResetOnDeniedConsent() override;
  void removeStartUpConsentSettings() override;
  void removeDeferredResetOnDeniedConsent() override;

  APMUserDefaults& defaults() { return defaults_; }

 private:
  std::optional<Dictionary> dictionaryForKey(const char* key);

  APMUserDefaults defaults_;
  std::mutex mutex_;
  std::optional<double> loadTimestamp_;
};

}  // namespace sdk::analytics
