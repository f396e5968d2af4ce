#include "platform/foundation/PropertyListGuard.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>
#include <string_view>

namespace platform::foundation {
namespace {

constexpr std::size_t kHeaderSize = 8;  // "bplist00"
constexpr std::size_t kBinaryTrailerSize = 32;

std::uint64_t bigEndian(const std::uint8_t* p, std::size_t size) {
  std::uint64_t n = 0;
  for (std::size_t i = 0; i < size; ++i) n = (n << 8) | p[i];
  return n;
}

struct BinaryLayout {
  std::uint64_t offsetSize, objectCount, tableOffset;
};

// The binary form ends in a fixed trailer that locates everything else; checking it before the library
// sees the bytes turns truncated or damaged files into a clear error instead of a wild read.
bool readBinaryTrailer(const std::vector<std::uint8_t>& bytes, BinaryLayout& layout) {
  if (bytes.size() < kHeaderSize + 1 + kBinaryTrailerSize) return false;
  const std::uint8_t* trailer = bytes.data() + bytes.size() - kBinaryTrailerSize;
  std::uint64_t refSize = trailer[7];
  std::uint64_t root = bigEndian(trailer + 16, 8);
  std::uint64_t tableEnd = bytes.size() - kBinaryTrailerSize;
  layout = {trailer[6], bigEndian(trailer + 8, 8), bigEndian(trailer + 24, 8)};
  return layout.offsetSize >= 1 && layout.offsetSize <= 8 && refSize >= 1 && refSize <= 8 &&
         layout.objectCount >= 1 && root < layout.objectCount && layout.tableOffset >= kHeaderSize &&
         layout.tableOffset < tableEnd && layout.objectCount <= (tableEnd - layout.tableOffset) / layout.offsetSize;
}

// Objects the library mishandles are refused here: a string (marker 0x5n ASCII, 0x6n UTF-16) whose text
// holds a NUL makes it abort on an assertion, a string running past the object area would be read out of
// bounds, and a 128-bit integer (0x14) beyond the signed 64-bit range would come back as a wrong number.
bool objectIsSound(const std::vector<std::uint8_t>& bytes, std::uint64_t offset, std::uint64_t limit) {
  const std::uint8_t marker = bytes[offset];
  const unsigned kind = marker >> 4;
  if (marker == 0x14) {
    if (limit - offset < 17) return false;
    return bigEndian(bytes.data() + offset + 1, 8) == 0 && bigEndian(bytes.data() + offset + 9, 8) <= INT64_MAX;
  }
  if (kind != 0x5 && kind != 0x6) return true;
  std::uint64_t count = marker & 0xf;
  std::uint64_t at = offset + 1;
  if (count == 0xf) {  // the length follows as an integer object of 1, 2, 4 or 8 bytes
    if (at >= limit || (bytes[at] >> 4) != 0x1 || (bytes[at] & 0xf) > 3) return false;
    std::uint64_t width = std::uint64_t{1} << (bytes[at] & 0xf);
    if (limit - at - 1 < width) return false;
    count = bigEndian(bytes.data() + at + 1, width);
    at += 1 + width;
  }
  const std::uint64_t unit = kind == 0x5 ? 1 : 2;
  if (count > (limit - at) / unit) return false;
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint8_t* c = bytes.data() + at + i * unit;
    if (c[0] == 0 && (unit == 1 || c[1] == 0)) return false;
  }
  return true;
}

bool isSpace(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == 0; }

}  // namespace

std::string PropertyListGuard::binaryProblem(const std::vector<std::uint8_t>& bytes) {
  BinaryLayout layout{};
  if (!readBinaryTrailer(bytes, layout)) return "the binary property list is truncated or its trailer is damaged";
  for (std::uint64_t i = 0; i < layout.objectCount; ++i) {
    std::uint64_t offset = bigEndian(bytes.data() + layout.tableOffset + i * layout.offsetSize, layout.offsetSize);
    bool sound = offset >= kHeaderSize && offset < layout.tableOffset && objectIsSound(bytes, offset, layout.tableOffset);
    if (!sound) return "the binary property list has a damaged object (number " + std::to_string(i) + ")";
  }
  return {};
}

// The library reads an XML integer past 64 bits as all ones, which would come back as -1. Each
// <integer> element's text must therefore fit a signed 64-bit number.
bool PropertyListGuard::xmlIntegersFit(const std::vector<std::uint8_t>& bytes) {
  static constexpr std::string_view kOpen = "<integer>";
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  for (std::size_t at = text.find(kOpen); at != std::string_view::npos; at = text.find(kOpen, at)) {
    at += kOpen.size();
    std::size_t end = text.find('<', at);
    std::string_view number = text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
    while (!number.empty() && std::strchr(" \t\r\n", number.front()) && number.front() != 0) number.remove_prefix(1);
    bool negative = !number.empty() && number.front() == '-';
    if (negative || (!number.empty() && number.front() == '+')) number.remove_prefix(1);
    int base = 10;
    if (number.size() > 1 && number[0] == '0' && (number[1] == 'x' || number[1] == 'X')) {
      base = 16;
      number.remove_prefix(2);
    }
    std::uint64_t magnitude = 0;
    auto result = std::from_chars(number.data(), number.data() + number.size(), magnitude, base);
    if (result.ec == std::errc::result_out_of_range) return false;
    if (result.ec == std::errc() && magnitude > (negative ? std::uint64_t{1} << 63 : std::uint64_t{INT64_MAX})) {
      return false;
    }
  }
  return true;
}

// The XML form starts with markup (after an optional byte-order mark and white space) and ends with the
// closing plist tag. The library forgives a missing end, but a file cut short must not pass for whole.
bool PropertyListGuard::looksLikeCompleteXml(const std::vector<std::uint8_t>& bytes) {
  std::size_t begin = 0;
  if (bytes.size() >= 3 && bytes[0] == 0xef && bytes[1] == 0xbb && bytes[2] == 0xbf) begin = 3;
  while (begin < bytes.size() && isSpace(bytes[begin])) ++begin;
  std::size_t end = bytes.size();
  while (end > begin && isSpace(bytes[end - 1])) --end;
  static constexpr std::string_view kClose = "</plist>";
  return begin < end && bytes[begin] == '<' && end - begin >= kClose.size() &&
         std::equal(kClose.begin(), kClose.end(), bytes.begin() + static_cast<std::ptrdiff_t>(end - kClose.size()));
}

}  // namespace platform::foundation
