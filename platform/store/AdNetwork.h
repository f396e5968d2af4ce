#pragma once

#include <cstdint>

namespace platform::store {

// Registration of the app for ad-network install attribution. No ad network reaches this platform, so
// a registration goes nowhere; it is counted, so that a caller (or a test) can see it was made.
class AdNetwork {
 public:
  static void registerAppForAdNetworkAttribution();
  static std::uint64_t registrationCount();
};

}  // namespace platform::store
