#include "platform/security/Digest.h"

#include <glib.h>

namespace platform::security {
namespace {

template <std::size_t Size>
std::array<std::uint8_t, Size> digestOf(GChecksumType type, std::span<const std::uint8_t> bytes) {
  GChecksum* checksum = g_checksum_new(type);
  // In pieces a signed length can state, however long the input.
  constexpr std::size_t kPiece = std::size_t{1} << 30;
  for (std::size_t offset = 0; offset < bytes.size(); offset += kPiece) {
    std::size_t length = std::min(kPiece, bytes.size() - offset);
    g_checksum_update(checksum, bytes.data() + offset, static_cast<gssize>(length));
  }
  std::array<std::uint8_t, Size> digest{};
  gsize length = Size;
  g_checksum_get_digest(checksum, digest.data(), &length);
  g_checksum_free(checksum);
  return digest;
}

}  // namespace

std::array<std::uint8_t, 32> sha256(std::span<const std::uint8_t> bytes) { return digestOf<32>(G_CHECKSUM_SHA256, bytes); }

std::array<std::uint8_t, 20> sha1(std::span<const std::uint8_t> bytes) { return digestOf<20>(G_CHECKSUM_SHA1, bytes); }

std::array<std::uint8_t, 16> md5(std::span<const std::uint8_t> bytes) { return digestOf<16>(G_CHECKSUM_MD5, bytes); }

}  // namespace platform::security
