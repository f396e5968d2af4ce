// Any text given to the JSON reader must come back as a value or an error, never a crash or an escaped
// exception; whatever reads back must serialize and read back equal.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/foundation/Json.h"

using platform::foundation::Error;
using platform::foundation::Json;
using platform::foundation::Value;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Error error;
  Value value = Json::parse(std::string_view(reinterpret_cast<const char*>(data), size), &error);
  if (value.isNil()) {
    if (error.domain.empty()) std::abort();
    return 0;
  }
  std::string text = Json::serialize(value, false, &error);
  if (text.empty()) std::abort();  // everything the reader makes has a JSON form
  if (!(Json::parse(text) == value)) std::abort();
  return 0;
}
