#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/net/Reachability.h"

namespace sdk::utilities {

enum ReachabilityStatus : std::uint32_t {
  kReachabilityUnknown = 0,
  kReachabilityNotReachable = 1,
  kReachabilityViaWifi = 2,  // any path that is not cellular
  kReachabilityViaCellular = 3,
};

// "Unknown", "Disconnected" or "Connected", as the log names them.
const char* reachabilityStatusString(ReachabilityStatus status);

using ReachabilityHandle = std::shared_ptr<platform::net::ReachabilityTarget>;

// The reachability service the checker drives, as a table that can be swapped while the checker is
// stopped, so another implementation of the service can stand in.
struct ReachabilityApi {
  ReachabilityHandle (*createFn)(const std::string& host);
  bool (*setCallbackFn)(const ReachabilityHandle& handle, platform::net::ReachabilityTarget::Callback callback);
  bool (*scheduleFn)(const ReachabilityHandle& handle);
  bool (*unscheduleFn)(const ReachabilityHandle& handle);
  void (*releaseFn)(ReachabilityHandle& handle);
};

// The table over platform::net::ReachabilityTarget.
const ReachabilityApi* defaultReachabilityApi();

class ReachabilityChecker;

class ReachabilityDelegate {
 public:
  virtual ~ReachabilityDelegate() = default;
  // On the main thread, after each change of status.
  virtual void reachability(ReachabilityChecker& reachability, ReachabilityStatus statusChanged) = 0;
};

// Watches whether one host can be reached and tells its delegate when the answer changes. Once stop()
// has returned, or the checker is released, its delegate hears nothing more.
class ReachabilityChecker : public std::enable_shared_from_this<ReachabilityChecker> {
 public:
  // nullptr, after logging "Invalid host specified", for an empty host.
  static std::shared_ptr<ReachabilityChecker> initWithReachabilityDelegate(
      std::weak_ptr<ReachabilityDelegate> delegate, const std::string& host);
  ~ReachabilityChecker();

  // True when running (also when it already was).
  [[nodiscard]] bool start();
  void stop();
  bool isActive() const;

  // Refused, with a log line, while running.
  void setReachabilityApi(const ReachabilityApi* api);
  const ReachabilityApi* reachabilityApi() const;
  void setReachabilityDelegate(std::weak_ptr<ReachabilityDelegate> delegate);
  std::shared_ptr<ReachabilityDelegate> reachabilityDelegate() const;

  static ReachabilityStatus statusForFlags(std::uint32_t flags);
  // The service's call-back lands here.
  void reachabilityFlagsChanged(std::uint32_t flags);

  ReachabilityStatus reachabilityStatus() const;
  ReachabilityHandle reachability() const;
  const std::string& host() const { return host_; }

  struct Private {
    explicit Private() = default;
  };
  ReachabilityChecker(Private, std::string host);

 private:
  const std::string host_;
  mutable std::mutex mutex_;
  ReachabilityStatus status_ = kReachabilityUnknown;
  const ReachabilityApi* api_;
  ReachabilityHandle handle_;
  std::weak_ptr<ReachabilityDelegate> delegate_;
};

}  // namespace sdk::utilities

