#include "sdk/transport/NetworkReachability.h"

#include "sdk/transport/TransportLog.h"

namespace sdk::transport {

namespace {
// The any-address: the question is whether any route leaves this machine (loopback counts).
constexpr const char* kAnyAddress = "0.0.0.0";
}  // namespace

bool flagsAreReachable(std::uint32_t flags) {
  return (flags & (platform::net::kReachabilityFlagsReachable | platform::net::kReachabilityFlagsConnectionRequired)) ==
         platform::net::kReachabilityFlagsReachable;
}

bool flagsContainWWAN(std::uint32_t flags) {
  return (flags & platform::net::kReachabilityFlagsIsWWAN) != 0;
}

std::shared_ptr<NetworkReachability> NetworkReachability::sharedInstance() {
  // Never destroyed: the platform's call-back may still arrive while the process exits.
  static const auto* const instance = new std::shared_ptr<NetworkReachability>(make(true));
  return *instance;
}

std::uint32_t NetworkReachability::currentFlags() { return sharedInstance()->flagsNow(); }

std::shared_ptr<NetworkReachability> NetworkReachability::make(bool watchNetwork) {
  auto reachability = std::make_shared<NetworkReachability>(Private());
  if (watchNetwork) reachability->watch();
  return reachability;
}

NetworkReachability::NetworkReachability(Private)
    : reachabilityQueue_(platform::dispatch::Queue::serial("com.vadeze.VDTCORReachability")) {}

NetworkReachability::~NetworkReachability() {
  if (reachabilityRef_) reachabilityRef_->unscheduleFromMainLoop();
}

void NetworkReachability::watch() {
  reachabilityRef_ = platform::net::ReachabilityTarget::createWithName(kAnyAddress);
  std::weak_ptr<NetworkReachability> weak = weak_from_this();
  // The call-back is in place before the target is scheduled: scheduling delivers the first answer.
  const bool callbackSet = reachabilityRef_->setCallback([weak](std::uint32_t flags) {
    if (auto self = weak.lock()) self->setCallbackFlags(flags);
  });
  if (!reachabilityRef_->scheduleWithMainLoop()) {
    transportLog(messages::kMessageCodeReachabilityFailed, kLogLevelWarning, "The reachability queue wasn't set.");
  }
  if (!callbackSet) {
    transportLog(messages::kMessageCodeReachabilityFailed, kLogLevelWarning, "The reachability callback wasn't set.");
  }
  reachabilityQueue_->async([weak] {
    auto self = weak.lock();
    if (!self) return;
    // Resolving the any-address needs no name service, so this read does not wait on the network.
    self->flags_ = platform::net::ReachabilityTarget::flagsForHost(kAnyAddress);
    if (self->flags_ == 0) transportLogDebug("Determining reachability failed.");
  });
}

std::uint32_t NetworkReachability::flagsNow() const {
  std::uint32_t flags = 0;
  reachabilityQueue_->sync([&] { flags = callbackFlags_ != 0 ? callbackFlags_ : flags_; });
  return flags;
}

std::uint32_t NetworkReachability::flags() const {
  std::uint32_t flags = 0;
  reachabilityQueue_->sync([&] { flags = flags_; });
  return flags;
}

void NetworkReachability::setFlags(std::uint32_t flags) {
  reachabilityQueue_->sync([&] { flags_ = flags; });
}

void NetworkReachability::setCallbackFlags(std::uint32_t flags) {
  reachabilityQueue_->sync([&] {
    if (callbackFlags_ != flags) callbackFlags_ = flags;
  });
}

}  // namespace sdk::transport

