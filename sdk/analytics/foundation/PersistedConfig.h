#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/foundation/Value.h"
#include "sdk/analytics/foundation/UserDefaultsSuite.h"

namespace sdk::analytics {

// The engine's typed settings in the user-defaults suite "com.vadeze.vmp.measurement". Reads are
// synchronous; writes reach the disk shortly after, or at once with synchronizeToDisk(). Absent
// numbers read as 0, absent strings as empty (or nothing where a setting may be absent).
class PersistedConfig {
 public:
  using Value = platform::foundation::Value;
  static constexpr const char* kSuiteName = "com.vadeze.vmp.measurement";

  static std::shared_ptr<PersistedConfig> sharedInstance();
  PersistedConfig();

  void synchronizeToDisk();
  // Removes every key of the table below.
  void clearValues();
  // Seconds since 1970: the latest of the times kept here (the last activity, upload and bundling, the
  // first open) that is not after `bound`, or nothing. They witness how far the container's time has gone.
  std::optional<double> latestTimeKept(double bound) const;

  // 0 unset, 1 enabled, 2 disabled; unset here, the SDK core's choice in the standard defaults.
  std::int64_t measurementEnabledState() const;
  void setMeasurementEnabledState(std::int64_t state);
  std::optional<double> loadTimestampValue() const;
  void setLoadTimestampValue(std::optional<double> value);
  std::string appIDFromVMP() const;
  void setAppIDFromVMP(const std::string& value);
  std::string appIDFromDeDed() const;
  void setAppIDFromDeDed(const std::string& value);
  std::optional<std::string> appInstanceID() const;
  void setAppInstanceID(const std::optional<std::string>& value);
  std::optional<std::string> hashedResettableDeviceID() const;
  void setHashedResettableDeviceID(const std::optional<std::string>& value);
  bool shouldSetLastAdvertisingIDResetUserProperty() const;
  void setShouldSetLastAdvertisingIDResetUserProperty(bool value);
  std::int64_t firstOpenTimestampMilliseconds() const;
  void setFirstOpenTimestampMilliseconds(std::int64_t value);
  std::string appVersion() const;
  void setAppVersion(const std::string& value);
  std::string osVersion() const;
  void setOSVersion(const std::string& value);
  // A number or nil; other values are refused.
  Value allowPersonalizedAds() const;
  void setAllowPersonalizedAds(const Value& value);
  std::int64_t sessionNumber() const;
  void setSessionNumber(std::int64_t value);
  double lastSessionActivityClockTime() const;
  void setLastSessionActivityClockTime(double value);
  std::optional<platform::foundation::Dictionary> defaultEventParameters() const;
  void setDefaultEventParameters(const std::optional<platform::foundation::Dictionary>& value);
  Value featureRollouts() const;
  void setFeatureRollouts(const Value& value);
  bool unmatchedFirstOpenWithoutIDFA() const;
  void setUnmatchedFirstOpenWithoutIDFA(bool value);
  // Drawn once (a random offset in [0, 86400) seconds, millisecond grain) and kept.
  double midnightOffset();
  double lastSuccessfulUploadTimestamp() const;
  void setLastSuccessfulUploadTimestamp(double value);
  double lastFailedUploadTimestamp() const;
  void setLastFailedUploadTimestamp(double value);
  double lastBackoffTimestamp() const;
  void setLastBackoffTimestamp(double value);
  std::string configServerLastModifiedString() const;
  void setConfigServerLastModifiedString(const std::string& value);
  double lastMonitorDataSampledTimestamp() const;
  void setLastMonitorDataSampledTimestamp(double value);
  // A number or nil; anything else is ignored.
  Value searchAdCampaignValue() const;
  void setSearchAdCampaignValue(const Value& value);
  double lastSearchAdLookUpTimestamp() const;
  void setLastSearchAdLookUpTimestamp(double value);
  std::int64_t searchAdRetryCount() const;
  void setSearchAdRetryCount(std::int64_t value);
  Value deferredDeepLinkRetrievalComplete() const;
  void setDeferredDeepLinkRetrievalComplete(const Value& value);
  std::int64_t deferredDeepLinkRetryCount() const;
  void setDeferredDeepLinkRetryCount(std::int64_t value);

 private:
  std::optional<std::string> optionalString(const char* key) const;
  void setNumberOrNil(const Value& value, const char* key);

  UserDefaultsSuite defaults_;
  std::mutex midnightMutex_;
};

}  // namespace sdk::analytics

