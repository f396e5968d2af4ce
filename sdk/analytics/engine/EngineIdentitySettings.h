#pragma once

#include "sdk/analytics/engine/IdentitySettings.h"

namespace sdk::analytics {

// The measurement settings consent and identity read, answered by the engine's settings (the
// defaults until the engine has its own).
class EngineIdentitySettings final : public IdentitySettings {
 public:
  bool isConsentSettingsEnabled() const override;
  bool isConsentSettings3PEnabled() const override;
  bool nonBlockingAppInstanceIDEnabled() const override;
  double adIDCacheTime() const override;
  bool gateIDFAOnATTMASEnabled() const override;
  bool lastAdvertisingIDResetFeatureEnabled() const override;
};

}  // namespace sdk::analytics
