#pragma once

#include <optional>
#include <string_view>

namespace platform::foundation {

// A text as a decimal number, as the phone reads one: blanks before it are skipped and a sign ("+" or
// "-") is taken, then digits with an optional fraction and exponent ("3600", "+3600", " 2.5e3"), and
// nothing may follow. Nothing for anything else: no digits, a second sign, a hexadecimal or named
// number ("0x10", "inf", "nan"), trailing text, or a number past the range of a double.
std::optional<double> readDecimalNumber(std::string_view text);

}  // namespace platform::foundation
