#include "sdk/transport/VDTCORReachability.h"

#include "sdk/transport/VDTCORLog.h"

namespace {
// The any-address: the question is whether any route leaves this machine (loopback counts).
constexpr const char* kAnyAddress = "0.0.0.0";
}  // namespace

bool VDTCORReachabilityFlagsReachable(std::uint32_t flags) {
  return (flags & (platform::net::kReachabilityFlagsReachable | platform::net::kReachabilityFlagsConnectionRequired)) ==
         platform::net::kReachabilityFlagsReachable;
}

bool VDTCORReachabilityFlagsContainWWAN(std::uint32_t flags) {
  return (flags & platform::net::kReachabilityFlagsIsWWAN) != 0;
}

std::shared_ptr<VDTCORReachability> VDTCORReachability::sharedInstance() {
  // Never destroyed: the platform's call-back may still arrive while the process exits.
  static const auto* const instance = new std::shared_ptr<VDTCORReachability>(make(true));
  return *instance;
}

std::uint32_t VDTCORReachability::currentFlags() { return sharedInstance()->flagsNow(); }

std::shared_ptr<VDTCORReachability> VDTCORReachability::make(bool watchNetwork) {
  auto reachability = std::make_shared<VDTCORReachability>(Private());
  if (watchNetwork) reachability->watch();
  return reachability;
}

VDTCORReachability::VDTCORReachability(Private)
    : reachabilityQueue_(platform::dispatch::Queue::serial("com.vadeze.VDTCORReachability")) {}

VDTCORReachability::~VDTCORReachability() {
  if (reachabilityRef_) reachabilityRef_->unscheduleFromMainLoop();
}

void VDTCORReachability::watch() {
  reachabilityRef_ = platform::net::ReachabilityTarget::createWithName(kAnyAddress);
  std::weak_ptr<VDTCORReachability> weak = weak_from_this();
  reachabilityRef_->setCallback([weak](std::uint32_t flags) {
    if (auto self = weak.lock()) self->setCallbackFlags(flags);
  });
  if (!reachabilityRef_->scheduleWithMainLoop()) {
    VDTCORLog(kVDTCORMCWReachabilityFailed, kVDTCORLogLevelWarning, "The reachability callback wasn't set.");
  }
  reachabilityQueue_->async([weak] {
    auto self = weak.lock();
    if (!self) return;
    // Resolving the any-address needs no name service, so this read does not wait on the network.
    self->flags_ = platform::net::ReachabilityTarget::flagsForHost(kAnyAddress);
    if (self->flags_ == 0) VDTCORLogDebug("Determining reachability failed.");
  });
}

std::uint32_t VDTCORReachability::flagsNow() const {
  std::uint32_t flags = 0;
  reachabilityQueue_->sync([&] { flags = callbackFlags_ != 0 ? callbackFlags_ : flags_; });
  return flags;
}

std::uint32_t VDTCORReachability::flags() const {
  std::uint32_t flags = 0;
  reachabilityQueue_->sync([&] { flags = flags_; });
  return flags;
}

void VDTCORReachability::setFlags(std::uint32_t flags) {
  reachabilityQueue_->sync([&] { flags_ = flags; });
}

void VDTCORReachability::setCallbackFlags(std::uint32_t flags) {
  reachabilityQueue_->sync([&] {
    if (callbackFlags_ != flags) callbackFlags_ = flags;
  });
}
