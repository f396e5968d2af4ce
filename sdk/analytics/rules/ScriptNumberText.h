#pragma once

#include <string>

// Numbers as a program's texts show them, and texts read as numbers.

namespace sdk::analytics {

// The number's text: up to 17 significant digits, scientific from 1e21 and below 1e-6.
std::u16string formatScriptNumber(double value);
// The string's number: trimmed, "NaN"/"Infinity"/"-Infinity", else one whole decimal number, else NaN.
double parseScriptNumber(const std::u16string& text);
bool isWhiteSpaceOrLineBreak(char16_t c);

}  // namespace sdk::analytics
