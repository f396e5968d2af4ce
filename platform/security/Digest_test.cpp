#include "platform/security/Digest.h"

#include <gtest/gtest.h>

#include <string>

namespace platform::security {
namespace {

template <std::size_t Size>
std::string hex(const std::array<std::uint8_t, Size>& digest) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (std::uint8_t byte : digest) out += std::string{digits[byte >> 4], digits[byte & 15]};
  return out;
}

// Names already stored on devices (keychain files, hashed identifiers) were made with these digests:
// the published test vectors hold each one to its algorithm, empty and multi-block inputs included.
TEST(Digest, MatchesThePublishedVectors) {
  EXPECT_EQ(hex(sha256(bytesOf("abc"))), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(hex(sha256(bytesOf(""))), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(hex(sha256(bytesOf(std::string(1000000, 'a')))),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  EXPECT_EQ(hex(sha1(bytesOf("abc"))), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(hex(sha1(bytesOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"))),
            "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
  EXPECT_EQ(hex(md5(bytesOf(""))), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(hex(md5(bytesOf("message digest"))), "f96b697d7cb7938d525a2f31aaf161d0");
}

}  // namespace
}  // namespace platform::security
