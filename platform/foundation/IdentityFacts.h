#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform::foundation {

// What the phone's identity services would answer: the advertising identifier with its tracking
// switch, the tracking-authorisation status and the vendor identifier. Linux has none of these
// services, so by default every one is absent; tests and the headless runner put facts in force to
// walk the branches a phone would take.
struct IdentityFacts {
  static constexpr std::uint64_t kNoAuthorizationStatus = ~std::uint64_t{0};

  // The tracking-authorisation service exists, and its status: 0 not determined, 1 restricted,
  // 2 denied, 3 authorised (all bits set when the service gives none).
  bool trackingAuthorizationServicePresent = false;
  std::uint64_t trackingAuthorizationStatus = kNoAuthorizationStatus;
  // The advertising-identifier service exists, whether the person allows tracking, and the identifier
  // it hands out (nothing when it hands out none).
  bool advertisingServicePresent = false;
  bool advertisingTrackingEnabled = false;
  std::optional<std::string> advertisingIdentifier;
  // The identifier shared by the apps of one maker on this device.
  std::optional<std::string> identifierForVendor;

  // The facts in force now (a copy).
  static IdentityFacts current();
  static void setCurrent(IdentityFacts facts);
  // Back to nothing present.
  static void reset();
};

// Puts facts in force for a scope and restores the ones it replaced; for tests.
class ScopedIdentityFacts {
 public:
  explicit ScopedIdentityFacts(IdentityFacts facts);
  ~ScopedIdentityFacts();
  ScopedIdentityFacts(const ScopedIdentityFacts&) = delete;
  ScopedIdentityFacts& operator=(const ScopedIdentityFacts&) = delete;

 private:
  IdentityFacts previous_;
};

}  // namespace platform::foundation
