#pragma once

#include <cstdint>
#include <vector>

namespace platform::graphics {

// Writes bitmaps as PNG files, built for speed over size: screenshots are written far more often than
// they are kept (every shot of every script run), and at the libraries' default settings their
// encoding was most of a headless run's time. Rows go unfiltered through zlib's fastest level: the
// app's screens are wide flat areas and text, which that keeps within a fifth of the smallest file at
// a fraction of the time.
//
// The same pixels give the same bytes on every run: no time stamp or other varying chunk is written.
class PngEncoder {
 public:
  // The file for `height` rows of `width` pixels in cairo's ARGB32 layout (premultiplied, native
  // endian), each row `stride` bytes after the last. An opaque bitmap is written as RGB, any other as
  // RGBA with its alpha divided out, as PNG keeps it. Empty for a size of zero or less.
  static std::vector<std::uint8_t> encodeARGB32(const unsigned char* pixels, int width, int height, int stride);
};

}  // namespace platform::graphics
