#include "platform/foundation/Utf8.h"

#include <algorithm>

namespace platform::foundation {
namespace {

// Length of a well-formed sequence at `offset`, or 0 when the bytes there are malformed.
size_t sequenceLength(std::string_view text, size_t offset) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[offset + i]); };
  unsigned char lead = byte(0);
  size_t available = text.size() - offset;
  if (lead < 0x80) return 1;
  size_t count;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    count = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    count = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    count = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  if (available < count) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < count; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
  }
  return count;
}

}  // namespace

char32_t Utf8::next(std::string_view text, size_t& offset) {
  if (offset >= text.size()) return 0;
  size_t count = sequenceLength(text, offset);
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[offset + i]); };
  char32_t value;
  switch (count) {
    case 1: value = byte(0); break;
    case 2: value = (byte(0) & 0x1Fu) << 6 | (byte(1) & 0x3Fu); break;
    case 3: value = (byte(0) & 0x0Fu) << 12 | (byte(1) & 0x3Fu) << 6 | (byte(2) & 0x3Fu); break;
    case 4:
      value = (byte(0) & 0x07u) << 18 | (byte(1) & 0x3Fu) << 12 | (byte(2) & 0x3Fu) << 6 | (byte(3) & 0x3Fu);
      break;
    default: value = kReplacement; count = 1; break;
  }
  offset += count;
  return value;
}

bool Utf8::isValid(std::string_view text) {
  for (size_t offset = 0; offset < text.size();) {
    size_t count = sequenceLength(text, offset);
    if (count == 0) return false;
    offset += count;
  }
  return true;
}

size_t Utf8::length(std::string_view text) {
  size_t count = 0;
  for (size_t offset = 0; offset < text.size(); ++count) {
    size_t n = sequenceLength(text, offset);
    offset += n == 0 ? 1 : n;
  }
  return count;
}

size_t Utf8::byteOffset(std::string_view text, size_t index) {
  size_t offset = 0;
  for (size_t i = 0; i < index && offset < text.size(); ++i) {
    size_t n = sequenceLength(text, offset);
    offset += n == 0 ? 1 : n;
  }
  return offset;
}

std::string Utf8::substring(std::string_view text, size_t from, size_t length) {
  size_t begin = byteOffset(text, from);
  std::string_view rest = text.substr(begin);
  size_t end = length == npos ? rest.size() : byteOffset(rest, length);
  return std::string(rest.substr(0, end));
}

size_t Utf8::cutOffset(std::string_view text, size_t maxBytes) {
  size_t end = std::min(text.size(), maxBytes);
  while (end > 0 && end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return end;
}

std::string Utf8::sanitized(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t offset = 0; offset < text.size();) {
    size_t n = sequenceLength(text, offset);
    if (n == 0) {
      append(out, kReplacement);
      offset += 1;
    } else {
      out.append(text.substr(offset, n));
      offset += n;
    }
  }
  return out;
}

std::u32string Utf8::decode(std::string_view text) {
  std::u32string out;
  for (size_t offset = 0; offset < text.size();) out.push_back(next(text, offset));
  return out;
}

void Utf8::append(std::string& out, char32_t c) {
  if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacement;
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

std::string Utf8::encode(std::u32string_view codePoints) {
  std::string out;
  for (char32_t c : codePoints) append(out, c);
  return out;
}

}  // namespace platform::foundation
