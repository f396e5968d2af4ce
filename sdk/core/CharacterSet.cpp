#include "sdk/core/CharacterSet.h"

#include <unicode/uchar.h>

#include "platform/foundation/Utf8.h"

namespace sdk::core {

namespace {

bool isAlphanumeric(char32_t c) {
  const auto mask = U_GET_GC_MASK(static_cast<UChar32>(c));
  return (mask & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0;
}

}  // namespace

bool isAlphanumericWith(std::string_view text, std::string_view extras) {
  using platform::foundation::Utf8;
  if (!Utf8::isValid(text)) return false;
  for (std::size_t offset = 0; offset < text.size();) {
    const char32_t c = Utf8::next(text, offset);
    if (c < 0x80 && extras.find(static_cast<char>(c)) != std::string_view::npos) continue;
    if (!isAlphanumeric(c)) return false;
  }
  return true;
}

}  // namespace sdk::core

