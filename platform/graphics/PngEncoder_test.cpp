#include "platform/graphics/PngEncoder.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

#include "platform/graphics/Image.h"

namespace platform::graphics {
namespace {

// A bitmap in cairo's layout: `stride` bytes a row, the bytes past the width filled with `padding`.
struct Bitmap {
  int width;
  int height;
  int stride;
  std::vector<std::uint32_t> words;

  Bitmap(int w, int h, int strideWords, std::uint32_t padding)
      : width(w), height(h), stride(strideWords * 4), words(static_cast<std::size_t>(strideWords) * h, padding) {}
  std::uint32_t& at(int x, int y) { return words[static_cast<std::size_t>(y) * (stride / 4) + x]; }
  std::vector<std::uint8_t> png() const {
    return PngEncoder::encodeARGB32(reinterpret_cast<const unsigned char*>(words.data()), width, height, stride);
  }
};

std::uint8_t colourType(const std::vector<std::uint8_t>& png) { return png.size() > 25 ? png[25] : 0; }

// A screen-like picture, but busier than any screen: flat areas, a gradient and many scattered single
// pixels (a fifth of them), every one opaque. It compresses far less well than a screen does.
Bitmap screenLike(int width, int height, int strideWords, std::uint32_t padding) {
  Bitmap b(width, height, strideWords, padding);
  std::uint32_t noise = 12345;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      noise = noise * 1103515245 + 12345;
      std::uint32_t rgb = y < height / 3 ? 0x1C1C1E : (static_cast<std::uint32_t>(x * 255 / width) << 8) | 0x40;
      if ((noise >> 24) < 48) rgb = noise & 0xFFFFFF;
      b.at(x, y) = 0xFF000000 | rgb;
    }
  }
  return b;
}

TEST(PngEncoder, OpaquePicturesAreRGBAndReadBackExactly) {
  // The row padding is transparent garbage: it is no pixel, so it neither makes the file RGBA nor shows.
  Bitmap picture = screenLike(301, 97, 304, 0x00ABCDEF);
  const auto png = picture.png();
  EXPECT_EQ(colourType(png), 2);
  EXPECT_EQ(png, picture.png()) << "the same pixels give the same bytes";
  auto back = Image::fromPNGData(png);
  ASSERT_NE(back, nullptr) << "a PNG reader refuses the file";
  ASSERT_EQ(back->pixelWidth(), 301);
  ASSERT_EQ(back->pixelHeight(), 97);
  for (int y = 0; y < 97; ++y) {
    for (int x = 0; x < 301; ++x) {
      const std::uint32_t v = picture.at(x, y);
      const std::array<std::uint8_t, 4> expected{static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
                                                 static_cast<std::uint8_t>(v), 255};
      ASSERT_EQ(back->pixelBytes(x, y), expected) << "at " << x << ", " << y;
    }
  }
}

TEST(PngEncoder, TranslucentPixelsKeepTheirColourAndClearOnesStayClear) {
  Bitmap b(3, 2, 3, 0);
  b.at(0, 0) = 0xFF336699;  // opaque
  b.at(1, 0) = 0x80400000;  // half-transparent red, premultiplied
  b.at(2, 0) = 0x00000000;  // clear
  b.at(0, 1) = 0x01010101;  // the faintest white
  b.at(1, 1) = 0xC0C0C0C0;
  b.at(2, 1) = 0x40000040;
  const auto png = b.png();
  EXPECT_EQ(colourType(png), 6);
  auto back = Image::fromPNGData(png);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->pixelBytes(0, 0), (std::array<std::uint8_t, 4>{0x33, 0x66, 0x99, 255}));
  EXPECT_EQ(back->pixelBytes(1, 0), (std::array<std::uint8_t, 4>{128, 0, 0, 128}));
  EXPECT_EQ(back->pixelBytes(2, 0), (std::array<std::uint8_t, 4>{0, 0, 0, 0}));
  EXPECT_EQ(back->pixelBytes(0, 1), (std::array<std::uint8_t, 4>{255, 255, 255, 1}));
  EXPECT_EQ(back->pixelBytes(1, 1), (std::array<std::uint8_t, 4>{255, 255, 255, 192}));
  EXPECT_EQ(back->pixelBytes(2, 1), (std::array<std::uint8_t, 4>{0, 0, 255, 64}));
}

// The image data chunk's bytes: one whole zlib stream in the files this encoder writes.
std::vector<std::uint8_t> imageData(const std::vector<std::uint8_t>& png) {
  constexpr std::size_t kAfterHeader = 8 + 25;  // the signature and the header chunk
  const std::size_t length = static_cast<std::size_t>(png.at(kAfterHeader)) << 24 | png.at(kAfterHeader + 1) << 16 |
                             png.at(kAfterHeader + 2) << 8 | png.at(kAfterHeader + 3);
  const auto start = png.begin() + kAfterHeader + 8;
  return {start, start + static_cast<std::ptrdiff_t>(length)};
}

// The stream is written bare and wrapped by the encoder itself: it must be what zlib's own wrapper
// writes for the same rows at the same settings, check value included, for rows of every length the
// sum takes in different steps (under one block, blocks and a tail, more than one span).
TEST(PngEncoder, TheStreamIsWhatZlibWouldWrite) {
  for (int width : {1, 7, 10, 11, 43, 301, 2100}) {
    Bitmap picture = screenLike(width, 5, width, 0);
    std::vector<std::uint8_t> rows;
    for (int y = 0; y < picture.height; ++y) {
      rows.push_back(0);  // no filter
      for (int x = 0; x < width; ++x) {
        const std::uint32_t v = picture.at(x, y);
        rows.insert(rows.end(), {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
                                 static_cast<std::uint8_t>(v)});
      }
    }
    z_stream stream{};
    ASSERT_EQ(deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 15, 9, Z_DEFAULT_STRATEGY), Z_OK);
    std::vector<std::uint8_t> expected(deflateBound(&stream, rows.size()));
    stream.next_in = rows.data();
    stream.avail_in = static_cast<uInt>(rows.size());
    stream.next_out = expected.data();
    stream.avail_out = static_cast<uInt>(expected.size());
    ASSERT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    expected.resize(stream.total_out);
    deflateEnd(&stream);

    const auto written = imageData(picture.png());
    EXPECT_EQ(written, expected) << "width " << width;
    std::vector<std::uint8_t> inflated(rows.size());
    uLongf size = inflated.size();
    EXPECT_EQ(uncompress(inflated.data(), &size, written.data(), written.size()), Z_OK) << "width " << width;
    EXPECT_EQ(inflated, rows) << "width " << width;
  }
}

TEST(PngEncoder, NothingToWriteGivesNoFile) {
  const std::uint32_t pixel = 0xFF000000;
  const auto* bytes = reinterpret_cast<const unsigned char*>(&pixel);
  EXPECT_TRUE(PngEncoder::encodeARGB32(bytes, 0, 1, 4).empty());
  EXPECT_TRUE(PngEncoder::encodeARGB32(bytes, 1, -1, 4).empty());
  EXPECT_TRUE(PngEncoder::encodeARGB32(nullptr, 1, 1, 4).empty());
  EXPECT_NE(Image::fromPNGData(PngEncoder::encodeARGB32(bytes, 1, 1, 4)), nullptr) << "one pixel is a picture";
}

}  // namespace
}  // namespace platform::graphics
