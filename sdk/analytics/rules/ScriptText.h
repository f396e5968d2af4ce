#pragma once

#include <string>
#include <string_view>

namespace sdk::analytics {

// Script strings are UTF-16 code units; texts enter and leave as UTF-8. A lone surrogate stays in a
// script string as it is and becomes U+FFFD only when the text leaves the interpreter; invalid UTF-8
// coming in becomes U+FFFD.
std::u16string utf16FromUTF8(std::string_view text);
std::string utf8FromUTF16(std::u16string_view text);
// ASCII literals in code.
std::u16string utf16Literal(std::string_view ascii);

}  // namespace sdk::analytics

