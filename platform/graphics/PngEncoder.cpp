#include "platform/graphics/PngEncoder.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform::graphics {
namespace {

constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr std::uint8_t kColourRGB = 2;
constexpr std::uint8_t kColourRGBA = 6;
constexpr std::uint8_t kFilterNone = 0;
// What deflate itself puts before a stream with a 32 KiB window at its fastest level.
constexpr std::uint8_t kZlibHeader[] = {0x78, 0x01};
constexpr std::uint32_t kAdlerModulus = 65521;
// The most bytes whose sums cannot pass 32 bits before they are reduced (zlib's own bound).
constexpr std::size_t kAdlerSpan = 5552;

static_assert(std::endian::native == std::endian::little, "rows are packed a word at a time");

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

#if defined(__SSE2__)
// Adds a span's bytes to the running sums 32 at a time. The sums are kept modulo 2^32 in their
// lanes, which is exact because the whole span's sums fit in 32 bits.
void adlerBlocks(std::uint32_t& a, std::uint32_t& b, const std::uint8_t* p, std::size_t blocks) {
  const __m128i zero = _mm_setzero_si128();
  // Byte i of a block is added to `b` once for itself and once for each byte after it.
  const __m128i weights[4] = {
      _mm_setr_epi16(32, 31, 30, 29, 28, 27, 26, 25), _mm_setr_epi16(24, 23, 22, 21, 20, 19, 18, 17),
      _mm_setr_epi16(16, 15, 14, 13, 12, 11, 10, 9), _mm_setr_epi16(8, 7, 6, 5, 4, 3, 2, 1)};
  __m128i sumA = _mm_cvtsi32_si128(static_cast<int>(a));
  __m128i sumB = _mm_cvtsi32_si128(static_cast<int>(b));
  __m128i earlierA = zero;  // the sum of `a` before each block, each to count 32 times in `b`
  for (std::size_t i = 0; i < blocks; ++i, p += 32) {
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    earlierA = _mm_add_epi32(earlierA, sumA);
    sumA = _mm_add_epi32(sumA, _mm_add_epi32(_mm_sad_epu8(low, zero), _mm_sad_epu8(high, zero)));
    sumB = _mm_add_epi32(sumB, _mm_madd_epi16(_mm_unpacklo_epi8(low, zero), weights[0]));
    sumB = _mm_add_epi32(sumB, _mm_madd_epi16(_mm_unpackhi_epi8(low, zero), weights[1]));
    sumB = _mm_add_epi32(sumB, _mm_madd_epi16(_mm_unpacklo_epi8(high, zero), weights[2]));
    sumB = _mm_add_epi32(sumB, _mm_madd_epi16(_mm_unpackhi_epi8(high, zero), weights[3]));
  }
  sumB = _mm_add_epi32(sumB, _mm_slli_epi32(earlierA, 5));
  auto total = [](__m128i v) {
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(v));
  };
  a = total(sumA);
  b = total(sumB);
}
#endif

// The zlib stream's check value, as zlib's adler32 gives it. The stream is written raw and this is
// added by hand because zlib's own sum took a seventh of the encoding's time.
std::uint32_t adler32(std::uint32_t adler, const std::uint8_t* p, std::size_t n) {
  std::uint32_t a = adler & 0xFFFF, b = adler >> 16;
  while (n > 0) {
    std::size_t span = std::min(n, kAdlerSpan);
    n -= span;
#if defined(__SSE2__)
    const std::size_t blocks = span / 32;
    adlerBlocks(a, b, p, blocks);
    p += blocks * 32;
    span -= blocks * 32;
#endif
    for (; span > 0; --span) {
      a += *p++;
      b += a;
    }
    a %= kAdlerModulus;
    b %= kAdlerModulus;
  }
  return b << 16 | a;
}

// A pixel's red, green and blue as the low three bytes of a word, in that order in memory.
std::uint32_t redGreenBlue(std::uint32_t argb) { return __builtin_bswap32(argb) >> 8; }

// False when a pixel of the row is not opaque. Four pixels go out as three whole words rather than
// twelve single bytes: the stores were most of the time of this loop.
bool samplesRGB(const std::uint32_t* line, int width, std::uint8_t* out) {
  std::uint32_t alphas = 0xFF000000;
  int x = 0;
  for (; x + 4 <= width; x += 4, out += 12) {
    const std::uint32_t a = line[x], b = line[x + 1], c = line[x + 2], d = line[x + 3];
    alphas &= a & b & c & d;
    const std::uint32_t ra = redGreenBlue(a), rb = redGreenBlue(b), rc = redGreenBlue(c), rd = redGreenBlue(d);
    const std::uint32_t words[3] = {ra | rb << 24, rb >> 8 | rc << 16, rc >> 16 | rd << 8};
    std::memcpy(out, words, sizeof words);
  }
  for (; x < width; ++x, out += 3) {
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
  // A negative window size asks for the bare stream, which zlib would wrap in kZlibHeader and the sum.
  if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK) return false;
  out.insert(out.end(), std::begin(kZlibHeader), std::end(kZlibHeader));
  std::uint32_t check = 1;  // the sum of no bytes
  std::vector<std::uint8_t> line(static_cast<std::size_t>(width) * (opaque ? 3 : 4) + 1);
  line[0] = kFilterNone;
  // Output goes straight into the file, which grows a step at a time: a screen compresses to a few
  // hundredths of its size, and room for the worst case would be larger than the picture.
  constexpr std::size_t kGrowth = 64 * 1024;
  std::size_t written = out.size();
  int status = Z_OK;
  for (int y = 0; y < height && status == Z_OK; ++y) {
    if (!(opaque ? samplesRGB : samplesRGBA)(row(pixels, stride, y), width, line.data() + 1)) break;
    check = adler32(check, line.data(), line.size());
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
  if (status != Z_STREAM_END) return false;
  appendBigEndian(out, check);
  return true;
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
