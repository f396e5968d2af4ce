#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/Value.h"

namespace platform::foundation {

// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks).
class Base64 {
 public:
  static std::string encode(std::string_view bytes);
  static std::string encode(const Data& bytes);
  // nullopt for text that is not Base64: a character outside the alphabet, a bad length or stray padding.
  static std::optional<Data> decode(std::string_view text);
};

}  // namespace platform::foundation
