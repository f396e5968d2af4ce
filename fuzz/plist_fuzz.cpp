// Any bytes given to the property-list reader must come back as a value or an error, never a crash.
// Whatever reads back must also write again in both forms and read back equal from binary.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/RoundTrip.h"
#include "platform/foundation/PropertyList.h"

using platform::foundation::Error;
using platform::foundation::PropertyList;
using platform::foundation::Value;
using ostrel::fuzz::sameAfterRoundTrip;

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
