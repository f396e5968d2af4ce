#pragma once

#include <cstdint>
#include <memory>

#include "platform/dispatch/Queue.h"
#include "platform/net/Reachability.h"

// Reachable without a connection having to be set up first.
bool VDTCORReachabilityFlagsReachable(std::uint32_t flags);
bool VDTCORReachabilityFlagsContainWWAN(std::uint32_t flags);

// The network's reachability as the transport sees it: the flags read once at start, then whatever the
// change call-back last reported. Flags are written and read on the reachability's own queue.
class VDTCORReachability : public std::enable_shared_from_this<VDTCORReachability> {
 public:
  static std::shared_ptr<VDTCORReachability> sharedInstance();
  static std::uint32_t currentFlags();

  // Watching the network: the start-up read and change call-backs from the platform. Without it
  // (tests) only setFlags and the call-back hook change anything.
  static std::shared_ptr<VDTCORReachability> make(bool watchNetwork);
  ~VDTCORReachability();

  // The call-back flags once one arrived with a non-zero value, else the flags read at start.
  std::uint32_t flagsNow() const;
  std::uint32_t flags() const;
  void setFlags(std::uint32_t flags);
  // What the change call-back does with new flags; tests fire it directly.
  void setCallbackFlags(std::uint32_t flags);

  struct Private {
    explicit Private() = default;
  };
  explicit VDTCORReachability(Private);

 private:
  void watch();

  std::shared_ptr<platform::dispatch::Queue> reachabilityQueue_;
  std::shared_ptr<platform::net::ReachabilityTarget> reachabilityRef_;
  std::uint32_t callbackFlags_ = 0;  // on reachabilityQueue_
  std::uint32_t flags_ = 0;          // on reachabilityQueue_
};
