#pragma once

#include <cstdint>
#include <memory>

#include "platform/dispatch/Queue.h"
#include "platform/net/Reachability.h"

namespace sdk::transport {

// Reachable without a connection having to be set up first.
bool flagsAreReachable(std::uint32_t flags);
bool flagsContainWWAN(std::uint32_t flags);

// The network's reachability as the transport sees it: the flags read once at start, then whatever the
// change call-back last reported. Flags are written and read on the reachability's own queue.
class NetworkReachability : public std::enable_shared_from_this<NetworkReachability> {
 public:
  static std::shared_ptr<NetworkReachability> sharedInstance();
  static std::uint32_t currentFlags();

  // Watching the network: the start-up read and change call-backs from the platform. Without it
  // (tests) only setFlags and the call-back hook change anything.
  static std::shared_ptr<NetworkReachability> make(bool watchNetwork);
  ~NetworkReachability();

  // The call-back flags once one arrived with a non-zero value, else the flags read at start.
  std::uint32_t flagsNow() const;
  std::uint32_t flags() const;
  void setFlags(std::uint32_t flags);
  // What the change call-back does with new flags; tests fire it directly.
  void setCallbackFlags(std::uint32_t flags);

  struct Private {
    explicit Private() = default;
  };
  explicit NetworkReachability(Private);

 private:
  void watch();

  std::shared_ptr<platform::dispatch::Queue> reachabilityQueue_;
  std::shared_ptr<platform::net::ReachabilityTarget> reachabilityRef_;
  std::uint32_t callbackFlags_ = 0;  // on reachabilityQueue_
  std::uint32_t flags_ = 0;          // on reachabilityQueue_
};

}  // namespace sdk::transport

