#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/security/Keychain.h"

namespace platform::security {

// Fills `bytes` with `count` bytes from the system's cryptographic random source. kStatusSuccess, or
// kStatusParam for a null buffer with a non-zero count, or kStatusIO when the source fails.
Status copyRandomBytes(void* bytes, std::size_t count);

// `count` random bytes; throws platform::foundation::Exception when the system source fails, which
// only happens on a broken system.
std::vector<std::uint8_t> randomBytes(std::size_t count);

}  // namespace platform::security
