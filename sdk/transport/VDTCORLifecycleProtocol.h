#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Background tasks identified by number; 0 means none was begun.
using VDTCORBackgroundIdentifier = std::uint64_t;
inline constexpr VDTCORBackgroundIdentifier kVDTCORBackgroundIdentifierInvalid = 0;

// What the transport needs of the application: background tasks and whether it is in the background.
class VDTCORApplicationProtocol {
 public:
  virtual ~VDTCORApplicationProtocol() = default;
  virtual VDTCORBackgroundIdentifier beginBackgroundTaskWithName(const std::string& name,
                                                                 std::function<void()> expirationHandler) = 0;
  // 0 is ignored.
  virtual void endBackgroundTask(VDTCORBackgroundIdentifier identifier) = 0;
  virtual bool isRunningInBackground() const = 0;
};

// Life-cycle messages; a part that does not care keeps the empty defaults.
class VDTCORLifecycleProtocol {
 public:
  virtual ~VDTCORLifecycleProtocol() = default;
  virtual void appWillTerminate(VDTCORApplicationProtocol& application) {}
  virtual void appWillBackground(VDTCORApplicationProtocol& application) {}
  virtual void appWillForeground(VDTCORApplicationProtocol& application) {}
};

// Upload conditions, a bit mask.
enum VDTCORUploadConditions : std::uint32_t {
  kVDTCORUploadConditionNoNetwork = 1,
  kVDTCORUploadConditionCellularData = 2,
  kVDTCORUploadConditionWifiData = 4,
  kVDTCORUploadConditionHighPriority = 16,
};

// Sends a target's stored events to its backend.
class VDTCORUploader : public VDTCORLifecycleProtocol {
 public:
  virtual void uploadTarget(std::int64_t target, std::uint32_t conditions) = 0;
};
