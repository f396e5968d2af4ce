#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/foundation/Error.h"
#include "platform/foundation/ErrorOr.h"
#include "platform/foundation/Value.h"

namespace sdk::utilities {

inline constexpr const char* kZlibErrorDomain = "com.vadeze.VDUNSDataZlibErrorDomain";
inline constexpr const char* kZlibErrorKey = "VDUNSDataZlibErrorKey";
inline constexpr const char* kZlibRemainingBytesKey = "VDUNSDataZlibRemainingBytesKey";

enum ZlibError : std::int64_t {
  // The input (when gzipping) or the output (when expanding) would not fit a 32-bit length.
  kZlibErrorGreaterThan32BitsToCompress = 1024,
  // zlib reported an error; its status is under kZlibErrorKey.
  kZlibErrorInternal = 1025,
  // The compressed stream ended with input left over; the count is under kZlibRemainingBytesKey.
  kZlibErrorDataRemaining = 1026,
};

// Gzip compression of upload bodies and expansion of gzip- or zlib-wrapped downloads, over zlib.
class Gzip {
 public:
  // Expanded output stops short of this: anything larger is refused rather than held in memory.
  static constexpr std::uint64_t kMaximumInflatedLength = (std::uint64_t{1} << 32) - 1;

  // The gzip form of `data`; empty for empty input.
  static platform::foundation::ErrorOr<platform::foundation::Data> dataByGzippingData(std::span<const std::uint8_t> data);
  // The expanded form of gzip or zlib data; empty for empty input.
  static platform::foundation::ErrorOr<platform::foundation::Data> dataByInflatingGzippedData(
      std::span<const std::uint8_t> data);
  // As above with a smaller ceiling on the output, for callers that know what to expect.
  static platform::foundation::ErrorOr<platform::foundation::Data> inflateWithLimit(std::span<const std::uint8_t> data,
                                                                                    std::uint64_t maximumLength);
};

}  // namespace sdk::utilities

