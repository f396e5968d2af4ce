#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace platform::net {

// What is known about the path to a host, as bits. Only Reachable and IsLocalAddress are ever set
// here; the other bits exist so code written for the phone's richer answers keeps compiling and reads
// them as absent.
enum ReachabilityFlags : std::uint32_t {
  kReachabilityFlagsTransientConnection = 1u << 0,
  kReachabilityFlagsReachable = 1u << 1,
  kReachabilityFlagsConnectionRequired = 1u << 2,
  kReachabilityFlagsConnectionOnTraffic = 1u << 3,
  kReachabilityFlagsInterventionRequired = 1u << 4,
  kReachabilityFlagsConnectionOnDemand = 1u << 5,
  kReachabilityFlagsIsLocalAddress = 1u << 16,
  kReachabilityFlagsIsDirect = 1u << 17,
  kReachabilityFlagsIsWWAN = 1u << 18,
};

// Watches whether one host can be reached. A host counts as reachable when its name resolves and the
// kernel has a route to one of its addresses (loopback included), so the answer never costs a packet.
//
// Scheduling starts a monitor on a NETLINK_ROUTE socket of the calling thread's network namespace; the
// host is evaluated once at once and again after every link, address or route change, and the
// call-back runs on the main queue with the first answer and then whenever the flags change. Once
// unscheduleFromMainLoop() has returned no call-back starts any more, whichever thread it was called
// on (a call-back that is running finishes first, unless it is the caller itself).
class ReachabilityTarget : public std::enable_shared_from_this<ReachabilityTarget> {
 public:
  using Callback = std::function<void(std::uint32_t flags)>;

  // Never fails for a non-empty name, even offline: nothing is resolved until the target is scheduled.
  static std::shared_ptr<ReachabilityTarget> createWithName(const std::string& host);

  ~ReachabilityTarget();
  ReachabilityTarget(const ReachabilityTarget&) = delete;
  ReachabilityTarget& operator=(const ReachabilityTarget&) = delete;

  const std::string& host() const { return host_; }

  // An empty callback clears it. Always succeeds.
  bool setCallback(Callback callback);
  // False when already scheduled or when no monitor thread could be started.
  bool scheduleWithMainLoop();
  // False when not scheduled.
  bool unscheduleFromMainLoop();
  bool isScheduled() const;

  // One evaluation on the calling thread; name resolution may block.
  static std::uint32_t flagsForHost(const std::string& host);

  struct Private {
    explicit Private() = default;
  };
  ReachabilityTarget(Private, std::string host);

 private:
  struct Monitor;
  void deliver(std::uint64_t generation, std::uint32_t flags);

  const std::string host_;
  // Recursive so a call-back may unschedule its own target.
  mutable std::recursive_mutex mutex_;
  Callback callback_;
  std::shared_ptr<Monitor> monitor_;
  std::uint64_t generation_ = 0;  // bumped by every unschedule, so late answers are dropped
};

}  // namespace platform::net
