#include "platform/graphics/PngEncoder.h"

#include <zlib.h>

#include <cstring>

namespace platform::graphics {
namespace {

constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr std::uint8_t kColourRGB = 2;
constexpr std::uint8_t kColourRGBA = 6;
constexpr std::uint8_t kFilterNone = 0;

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void appendChunk(std::vector<std::uint8_t>& out, const char (&type)[5], const std::vector<std::uint8_t>& data) {
  appendBigEndian(out, static_cast<std::uint32_t>(data.size()));
  const auto* typeBytes = reinterpret_cast<const Bytef*>(type);
  out.insert(out.end(), typeBytes, typeBytes + 4);
  out.insert(out.end(), data.begin(), data.end());
  uLong crc = crc32(0, typeBytes, 4);
  // Not called for no data: zlib takes a null buffer as a request for the initial value.
  if (!data.empty()) crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
  appendBigEndian(out, static_cast<std::uint32_t>(crc));
}

const std::uint32_t* row(const unsigned char* pixels, int stride, int y) {
  return reinterpret_cast<const std::uint32_t*>(pixels + static_cast<std::ptrdiff_t>(y) * stride);
}

// False when a pixel of the row is not opaque.
bool samplesRGB(const std::uint32_t* line, int width, std::uint8_t* out) {
  std::uint32_t alphas = 0xFF000000;
  for (int x = 0; x < width; ++x, out += 3) {
    const std::uint32_t v = line[x];
    alphas &= v;
    out[0] = static_cast<std::uint8_t>(v >> 16);
    out[1] = static_cast<std::uint8_t>(v >> 8);
    out[2] = static_cast<std::uint8_t>(v);
  }
  return alphas == 0xFF000000;
}

bool samplesRGBA(const std::uint32_t* line, int width, std::uint8_t* out) {
  for (int x = 0; x < width; ++x, out += 4) {
    const std::uint32_t v = line[x];
    const std::uint32_t a = v >> 24;
    auto straight = [a](std::uint32_t c) { return static_cast<std::uint8_t>(a == 0 ? 0 : (c * 255 + a / 2) / a); };
    out[0] = straight((v >> 16) & 0xFF);
    out[1] = straight((v >> 8) & 0xFF);
    out[2] = straight(v & 0xFF);
    out[3] = static_cast<std::uint8_t>(a);
  }
  return true;
}

// Appends the rows, each behind its filter byte, as one zlib stream. False when zlib fails, or when
// `opaque` was assumed and a pixel is not: most pictures are opaque, and finding out as they are
// written saves a pass over every pixel.
bool appendRows(std::vector<std::uint8_t>& out, const unsigned char* pixels, int width, int height, int stride,
                bool opaque) {
  z_stream stream{};
  // The largest hash table zlib offers costs no time and finds the runs of a wide flat screen better.
  if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 15, 9, Z_DEFAULT_STRATEGY) != Z_OK) return false;
  std::vector<std::uint8_t> line(static_cast<std::size_t>(width) * (opaque ? 3 : 4) + 1);
  line[0] = kFilterNone;
  // Output goes straight into the file, which grows a step at a time: a screen compresses to a few
  // hundredths of its size, and room for the worst case would be larger than the picture.
  constexpr std::size_t kGrowth = 64 * 1024;
  std::size_t written = out.size();
  int status = Z_OK;
  for (int y = 0; y < height && status == Z_OK; ++y) {
    if (!(opaque ? samplesRGB : samplesRGBA)(row(pixels, stride, y), width, line.data() + 1)) break;
    stream.next_in = line.data();
    stream.avail_in = static_cast<uInt>(line.size());
    const int flush = y + 1 == height ? Z_FINISH : Z_NO_FLUSH;
    do {
      if (written == out.size()) out.resize(written + kGrowth);
      stream.next_out = out.data() + written;
      stream.avail_out = static_cast<uInt>(out.size() - written);
      status = deflate(&stream, flush);
      written = out.size() - stream.avail_out;
    } while (status == Z_OK && (stream.avail_in > 0 || written == out.size()));
  }
  deflateEnd(&stream);
  out.resize(written);
  return status == Z_STREAM_END;
}

// The whole file, with the colour type `opaque` says; empty when that does not fit the pixels.
std::vector<std::uint8_t> encodeAs(bool opaque, const unsigned char* pixels, int width, int height, int stride) {
  std::vector<std::uint8_t> header;
  appendBigEndian(header, static_cast<std::uint32_t>(width));
  appendBigEndian(header, static_cast<std::uint32_t>(height));
  // 8 bits a sample; deflate, adaptive filtering, no interlacing: the only methods PNG defines.
  header.insert(header.end(), {8, opaque ? kColourRGB : kColourRGBA, 0, 0, 0});

  std::vector<std::uint8_t> file(std::begin(kSignature), std::end(kSignature));
  appendChunk(file, "IHDR", header);
  // The image data chunk is written in place: its length and check value once the stream is done.
  const std::size_t chunk = file.size();
  appendBigEndian(file, 0);
  file.insert(file.end(), {'I', 'D', 'A', 'T'});
  if (!appendRows(file, pixels, width, height, stride, opaque)) return {};
  const std::size_t length = file.size() - chunk - 8;
  for (int i = 0; i < 4; ++i) file[chunk + i] = static_cast<std::uint8_t>(length >> (24 - 8 * i));
  const uLong crc = crc32(0, file.data() + chunk + 4, static_cast<uInt>(length + 4));
  appendBigEndian(file, static_cast<std::uint32_t>(crc));
  appendChunk(file, "IEND", {});
  return file;
}

}  // namespace

std::vector<std::uint8_t> PngEncoder::encodeARGB32(const unsigned char* pixels, int width, int height, int stride) {
  if (!pixels || width <= 0 || height <= 0) return {};
  std::vector<std::uint8_t> file = encodeAs(true, pixels, width, height, stride);
  return file.empty() ? encodeAs(false, pixels, width, height, stride) : file;
}

}  // namespace platform::graphics
