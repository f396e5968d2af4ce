#pragma once

#include <cmath>
#include <cstddef>

#include "platform/foundation/Value.h"

namespace ostrel::fuzz {

// Value equality after a write and a read, except that NaN matches NaN and dates match to the
// microsecond the binary form keeps.
inline bool sameAfterRoundTrip(const platform::foundation::Value& a, const platform::foundation::Value& b) {
  if (a.isReal() && b.isReal() && std::isnan(*a.real())) return std::isnan(*b.real());
  if (a.isDate() && b.isDate()) return std::fabs(*a.date() - *b.date()) <= 1e-6 * std::fmax(1.0, std::fabs(*a.date()));
  if (a.isArray() && b.isArray()) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (!sameAfterRoundTrip(a.at(i), b.at(i))) return false;
    }
    return true;
  }
  if (a.isDictionary() && b.isDictionary()) {
    if (a.size() != b.size()) return false;
    for (const auto& [key, element] : *a.dictionary()) {
      if (!b.contains(key) || !sameAfterRoundTrip(element, b[key])) return false;
    }
    return true;
  }
  return a == b;
}

}  // namespace ostrel::fuzz
