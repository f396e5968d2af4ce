#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/net/Reachability.h"

enum VDUReachabilityStatus : std::uint32_t {
  kVDUReachabilityUnknown = 0,
  kVDUReachabilityNotReachable = 1,
  kVDUReachabilityViaWifi = 2,  // any path that is not cellular
  kVDUReachabilityViaCellular = 3,
};

// "Unknown", "Disconnected" or "Connected", as the log names them.
const char* VDUReachabilityStatusString(VDUReachabilityStatus status);

using VDUReachabilityHandle = std::shared_ptr<platform::net::ReachabilityTarget>;

// The reachability service the checker drives, as a table that can be swapped while the checker is
// stopped, so another implementation of the service can stand in.
struct VDUReachabilityApi {
  VDUReachabilityHandle (*createFn)(const std::string& host);
  bool (*setCallbackFn)(const VDUReachabilityHandle& handle, platform::net::ReachabilityTarget::Callback callback);
  bool (*scheduleFn)(const VDUReachabilityHandle& handle);
  bool (*unscheduleFn)(const VDUReachabilityHandle& handle);
  void (*releaseFn)(VDUReachabilityHandle& handle);
};

// The table over platform::net::ReachabilityTarget.
const VDUReachabilityApi* VDUDefaultReachabilityApi();

class VDUReachabilityChecker;

class VDUReachabilityDelegate {
 public:
  virtual ~VDUReachabilityDelegate() = default;
  // On the main thread, after each change of status.
  virtual void reachability(VDUReachabilityChecker& reachability, VDUReachabilityStatus statusChanged) = 0;
};

// Watches whether one host can be reached and tells its delegate when the answer changes. Once stop()
// has returned, or the checker is released, its delegate hears nothing more.
class VDUReachabilityChecker : public std::enable_shared_from_this<VDUReachabilityChecker> {
 public:
  // nullptr, after logging "Invalid host specified", for an empty host.
  static std::shared_ptr<VDUReachabilityChecker> initWithReachabilityDelegate(
      std::weak_ptr<VDUReachabilityDelegate> delegate, const std::string& host);
  ~VDUReachabilityChecker();

  // True when running (also when it already was).
  bool start();
  void stop();
  bool isActive() const;

  // Refused, with a log line, while running.
  void setReachabilityApi(const VDUReachabilityApi* api);
  const VDUReachabilityApi* reachabilityApi() const;
  void setReachabilityDelegate(std::weak_ptr<VDUReachabilityDelegate> delegate);
  std::shared_ptr<VDUReachabilityDelegate> reachabilityDelegate() const;

  static VDUReachabilityStatus statusForFlags(std::uint32_t flags);
  // The service's call-back lands here.
  void reachabilityFlagsChanged(std::uint32_t flags);

  VDUReachabilityStatus reachabilityStatus() const;
  VDUReachabilityHandle reachability() const;
  const std::string& host() const { return host_; }

  struct Private {
    explicit Private() = default;
  };
  VDUReachabilityChecker(Private, std::string host);

 private:
  const std::string host_;
  mutable std::mutex mutex_;
  VDUReachabilityStatus status_ = kVDUReachabilityUnknown;
  const VDUReachabilityApi* api_;
  VDUReachabilityHandle handle_;
  std::weak_ptr<VDUReachabilityDelegate> delegate_;
};
