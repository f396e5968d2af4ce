#include "platform/security/RandomBytes.h"

#include <sys/random.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/foundation/Exception.h"

namespace platform::security {

Status copyRandomBytes(void* bytes, std::size_t count) {
  if (count == 0) return kStatusSuccess;
  if (!bytes) return kStatusParam;
  auto* out = static_cast<std::uint8_t*>(bytes);
  // getrandom hands out at most 32 MiB per call and may be interrupted; keep asking until filled.
  while (count > 0) {
    ssize_t got = ::getrandom(out, count, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return kStatusIO;
    }
    out += got;
    count -= static_cast<std::size_t>(got);
  }
  return kStatusSuccess;
}

std::vector<std::uint8_t> randomBytes(std::size_t count) {
  std::vector<std::uint8_t> bytes(count);
  if (copyRandomBytes(bytes.data(), count) != kStatusSuccess) {
    throw foundation::Exception("NSInternalInconsistencyException",
                                std::string("the system random source failed: ") + std::strerror(errno));
  }
  return bytes;
}

}  // namespace platform::security
