// Any bytes given to the property-list reader must come back as a value or an error, never a crash.
// Whatever reads back must also write again in both forms and read back equal from binary.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/foundation/PropertyList.h"

using platform::foundation::Error;
using platform::foundation::PropertyList;
using platform::foundation::Value;

namespace {

// Value equality, except that NaN matches NaN and dates match to the microsecond the binary form keeps.
bool sameAfterRoundTrip(const Value& a, const Value& b) {
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Error error;
  Value value = PropertyList::read(std::vector<std::uint8_t>(data, data + size), &error);
  if (value.isNil()) {
    if (error.domain.empty()) std::abort();  // a failure must always say why
    return 0;
  }
  PropertyList::write(value, PropertyList::Format::Xml);
  // Some values that read fine cannot be written (a string holding a NUL from an XML file), and say so.
  auto binary = PropertyList::write(value, PropertyList::Format::Binary);
  if (binary.empty()) return 0;
  if (!sameAfterRoundTrip(value, PropertyList::read(binary))) std::abort();
  return 0;
}
