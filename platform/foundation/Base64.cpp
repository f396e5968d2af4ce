#include "platform/foundation/Base64.h"

#include <array>

namespace platform::foundation {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<int, 256> reverseTable() {
  std::array<int, 256> table{};
  for (auto& entry : table) entry = -1;
  for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = i;
  return table;
}

std::string encodeBytes(const unsigned char* in, size_t size) {
  std::string out;
  out.reserve((size + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < size; i += 3) {
    unsigned n = in[i] << 16 | in[i + 1] << 8 | in[i + 2];
    for (int shift = 18; shift >= 0; shift -= 6) out.push_back(kAlphabet[(n >> shift) & 63]);
  }
  if (i < size) {
    bool two = i + 1 < size;
    unsigned n = in[i] << 16 | (two ? in[i + 1] << 8 : 0);
    out.push_back(kAlphabet[(n >> 18) & 63]);
    out.push_back(kAlphabet[(n >> 12) & 63]);
    out.push_back(two ? kAlphabet[(n >> 6) & 63] : '=');
    out.push_back('=');
  }
  return out;
}

}  // namespace

std::string Base64::encode(std::string_view bytes) {
  return encodeBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

std::string Base64::encode(const Data& bytes) { return encodeBytes(bytes.data(), bytes.size()); }

std::optional<Data> Base64::decode(std::string_view text) {
  static constexpr auto table = reverseTable();
  if (text.size() % 4 != 0) return std::nullopt;
  size_t padding = 0;
  while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=') ++padding;
  Data out;
  out.reserve(text.size() / 4 * 3);
  unsigned n = 0;
  int bits = 0;
  for (size_t i = 0; i < text.size() - padding; ++i) {
    int value = table[static_cast<unsigned char>(text[i])];
    if (value < 0) return std::nullopt;
    n = (n << 6) | static_cast<unsigned>(value);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<std::uint8_t>((n >> bits) & 0xFF));
    }
  }
  return out;
}

}  // namespace platform::foundation
