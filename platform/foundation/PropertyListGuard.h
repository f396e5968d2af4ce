#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform::foundation {

// Checks on raw property-list bytes made before the parsing library sees them. The library trusts its
// input in places: a damaged binary trailer or string makes it read out of bounds or abort, an integer
// past 64 bits comes back as a wrong number, and an XML file cut short parses as if it were whole. These
// checks turn each of those into a clear refusal.
class PropertyListGuard {
 public:
  // Why a binary property list ("bplist00...") cannot be handed to the library; empty when it can.
  static std::string binaryProblem(const std::vector<std::uint8_t>& bytes);
  // Whether every <integer> element's text fits a signed 64-bit number.
  static bool xmlIntegersFit(const std::vector<std::uint8_t>& bytes);
  // Whether the bytes start with markup and end with the closing plist tag.
  static bool looksLikeCompleteXml(const std::vector<std::uint8_t>& bytes);
};

}  // namespace platform::foundation
