#include "sdk/analytics/rules/ScriptNameHash.h"

#include <cstdint>
#include <cstring>

#include "platform/security/RandomBytes.h"

namespace sdk::analytics {

namespace {

// SipHash with one compression and three finalisation rounds: a keyed hash made for exactly this
// (short keys, hash tables fed by untrusted input), and quick enough for a lookup's name.
class SipHash13 {
 public:
  SipHash13(std::uint64_t k0, std::uint64_t k1)
      : v0_(k0 ^ 0x736f6d6570736575ULL), v1_(k1 ^ 0x646f72616e646f6dULL), v2_(k0 ^ 0x6c7967656e657261ULL),
        v3_(k1 ^ 0x7465646279746573ULL) {}

  std::uint64_t hash(const unsigned char* bytes, std::size_t length) {
    const std::size_t whole = length & ~std::size_t{7};
    for (std::size_t i = 0; i < whole; i += 8) {
      std::uint64_t word;
      std::memcpy(&word, bytes + i, sizeof word);
      compress(word);
    }
    std::uint64_t last = static_cast<std::uint64_t>(length) << 56;
    for (std::size_t i = whole; i < length; ++i) last |= static_cast<std::uint64_t>(bytes[i]) << (8 * (i - whole));
    compress(last);
    v2_ ^= 0xff;
    round();
    round();
    round();
    return v0_ ^ v1_ ^ v2_ ^ v3_;
  }

 private:
  static std::uint64_t rotate(std::uint64_t x, int bits) { return (x << bits) | (x >> (64 - bits)); }
  void round() {
    v0_ += v1_; v1_ = rotate(v1_, 13); v1_ ^= v0_; v0_ = rotate(v0_, 32);
    v2_ += v3_; v3_ = rotate(v3_, 16); v3_ ^= v2_;
    v0_ += v3_; v3_ = rotate(v3_, 21); v3_ ^= v0_;
    v2_ += v1_; v1_ = rotate(v1_, 17); v1_ ^= v2_; v2_ = rotate(v2_, 32);
  }
  void compress(std::uint64_t word) {
    v3_ ^= word;
    round();
    v0_ ^= word;
  }

  std::uint64_t v0_, v1_, v2_, v3_;
};

struct Key {
  std::uint64_t k0 = 0;
  std::uint64_t k1 = 0;
};

const Key& processKey() {
  static const Key key = [] {
    Key drawn;
    std::uint64_t words[2];
    // Without the system's random source (a broken system) names still hash, with a key that
    // differs at least between processes.
    if (platform::security::copyRandomBytes(words, sizeof words) != platform::security::kStatusSuccess) {
      words[0] = reinterpret_cast<std::uintptr_t>(&drawn) * 0x9e3779b97f4a7c15ULL;
      words[1] = reinterpret_cast<std::uintptr_t>(&processKey) * 0xc2b2ae3d27d4eb4fULL;
    }
    drawn.k0 = words[0];
    drawn.k1 = words[1];
    return drawn;
  }();
  return key;
}

}  // namespace

std::size_t ScriptNameHash::of(std::u16string_view name) {
  const Key& key = processKey();
  return static_cast<std::size_t>(SipHash13(key.k0, key.k1).hash(reinterpret_cast<const unsigned char*>(name.data()),
                                                                  name.size() * sizeof(char16_t)));
}

}  // namespace sdk::analytics
