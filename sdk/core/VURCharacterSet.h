#pragma once

#include <string_view>

// Whether every character of `text` is a Unicode letter, mark or digit, or one of `extras` (ASCII).
// Malformed UTF-8 never passes. Names, versions and keys are checked with it.
[[nodiscard]] bool VURIsAlphanumericWith(std::string_view text, std::string_view extras);
