#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace sdk::analytics {

// What the identity asks of the device's advertising services.
class IdentitySupport {
 public:
  virtual ~IdentitySupport() = default;
  virtual bool hasAppDataConsentStatus() const = 0;
  virtual std::uint64_t appDataConsentStatus() const = 0;
  virtual bool hasLimitedAdTracking() const = 0;
  virtual bool limitedAdTracking() const = 0;
  virtual std::optional<std::string> resettableDeviceID() const = 0;
};

// The device's advertising services as the platform offers them; where the platform lacks one, its
// answers say so (no status, no identifier) and the library runs without it.
class DefaultIdentitySupport : public IdentitySupport {
 public:
  static constexpr const char* kZeroDeviceID = "00000000-0000-0000-0000-000000000000";

  static std::shared_ptr<DefaultIdentitySupport> sharedInstance();
  // The running system is 14.0 or later.
  static bool iOS14OrAbove();

  bool hasAppDataConsentStatus() const override;
  std::uint64_t appDataConsentStatus() const override;
  bool hasLimitedAdTracking() const override;
  // From 14.0 on, tracking counts as limited exactly when no usable identifier is handed out.
  bool limitedAdTracking() const override;
  std::optional<std::string> resettableDeviceID() const override;
};

}  // namespace sdk::analytics

