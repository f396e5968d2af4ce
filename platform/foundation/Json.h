#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/foundation/Error.h"
#include "platform/foundation/Value.h"

namespace platform::foundation {

// JSON text to and from Value.
//
// Integers stay int64 (larger whole numbers become reals), other numbers are reals, and JSON null is
// Value::null(). Only JSON's own kinds are written: nil, data, dates and objects are refused with an
// error rather than guessed at, so a caller who needs them encodes them first (base64, seconds) and the
// text reads back exactly as written. Non-finite reals and invalid UTF-8 are refused as well.
//
// Nothing here throws: a failure returns nil/empty and, when `error` is given, an Error in kErrorDomain.
class Json {
 public:
  static constexpr const char* kErrorDomain = "PlatformJSON";
  enum Code : std::int64_t {
    kReadCorruptError = 3840,   // invalid JSON text
    kWriteInvalidError = 3852,  // the value has no JSON form
  };

  static Value parse(std::string_view text, Error* error = nullptr);
  // Compact, or indented by two spaces when `pretty`. Dictionary keys come out sorted.
  static std::string serialize(const Value& value, bool pretty = false, Error* error = nullptr);
};

}  // namespace platform::foundation
