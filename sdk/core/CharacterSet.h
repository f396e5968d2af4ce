#pragma once

#include <string_view>

namespace sdk::core {

// Whether every character of `text` is a Unicode letter, mark or digit, or one of `extras` (ASCII).
// Malformed UTF-8 never passes. Names, versions and keys are checked with it.
[[nodiscard]] bool isAlphanumericWith(std::string_view text, std::string_view extras);

}  // namespace sdk::core

