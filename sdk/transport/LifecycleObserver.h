#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace sdk::transport {

// Background tasks identified by number; 0 means none was begun.
using BackgroundTaskID = std::uint64_t;
inline constexpr BackgroundTaskID kInvalidBackgroundTaskID = 0;

// What the transport needs of the application: background tasks and whether it is in the background.
class ApplicationInterface {
 public:
  virtual ~ApplicationInterface() = default;
  virtual BackgroundTaskID beginBackgroundTaskWithName(const std::string& name,
                                                                 std::function<void()> expirationHandler) = 0;
  // 0 is ignored.
  virtual void endBackgroundTask(BackgroundTaskID identifier) = 0;
  virtual bool isRunningInBackground() const = 0;
};

// Life-cycle messages; a part that does not care keeps the empty defaults.
class LifecycleObserver {
 public:
  virtual ~LifecycleObserver() = default;
  virtual void appWillTerminate(ApplicationInterface& application) {}
  virtual void appWillBackground(ApplicationInterface& application) {}
  virtual void appWillForeground(ApplicationInterface& application) {}
};

// Upload conditions, a bit mask.
enum UploadConditions : std::uint32_t {
  kUploadConditionNoNetwork = 1,
  kUploadConditionCellularData = 2,
  kUploadConditionWifiData = 4,
  kUploadConditionHighPriority = 16,
};

// Sends a target's stored events to its backend.
class Uploader : public LifecycleObserver {
 public:
  virtual void uploadTarget(std::int64_t target, std::uint32_t conditions) = 0;
};

}  // namespace sdk::transport

