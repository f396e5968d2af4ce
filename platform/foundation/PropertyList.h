#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/foundation/Error.h"
#include "platform/foundation/Value.h"

namespace platform::foundation {

// Property lists in XML and binary form.
//
// Every Value kind except nil, null and objects has a property-list form. Integers, reals and booleans
// keep their kind; readers that want a number take toInt64()/toDouble()/toBool(), which accept any of
// the three. Dates must lie within about 68 years of 2001; binary files keep microseconds, XML files whole
// seconds. Keyed-archive
// object references are the dictionary {"CF$UID": <integer>} in a Value: binary files store them as
// references and XML files as that dictionary, as the phone does.
//
// Nothing here throws or aborts on bad input: a failure returns nil/empty/false and, when `error` is
// given, an Error in kErrorDomain.
class PropertyList {
 public:
  enum class Format { Xml, Binary };

  static constexpr const char* kErrorDomain = "PlatformPropertyList";
  enum Code : std::int64_t {
    kReadCorruptError = 3840,   // not a property list, truncated, or malformed
    kWriteInvalidError = 3852,  // the value has no property-list form (nil in a container, null, ...)
    kFileNotFoundError = 260,
    kFileReadError = 256,
    kFileWriteError = 512,
  };

  // Reads either form, told apart by the content. `format`, when given, receives the form read.
  static Value read(const std::vector<std::uint8_t>& bytes, Error* error = nullptr, Format* format = nullptr);
  // Reads the file at `path` through AtomicFile::readFile: a regular file of at most `maximumBytes`,
  // the bound of the reader's kind of file. A failure of that read is kFileNotFoundError only where
  // nothing at all stands at the path, kFileReadError otherwise (a link that leads nowhere, a FIFO, a
  // file past the bound...).
  static Value readFile(const std::string& path, std::size_t maximumBytes, Error* error = nullptr,
                        Format* format = nullptr);
  // For a read of no particular kind of file: AtomicFile's default bound.
  static Value readFile(const std::string& path, Error* error = nullptr, Format* format = nullptr);

  static std::vector<std::uint8_t> write(const Value& value, Format format, Error* error = nullptr);
  // Replaces the file atomically: readers see the old file or the new one, never a partial one. A file
  // past `maximumBytes` (its readers' bound) is not written: they would take it for a damaged one.
  static bool writeFile(const std::string& path, const Value& value, Format format, Error* error = nullptr,
                        std::size_t maximumBytes = SIZE_MAX);
};

}  // namespace platform::foundation
