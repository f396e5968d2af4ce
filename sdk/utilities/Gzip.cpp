#include "sdk/utilities/Gzip.h"

#include <zlib.h>

#include <algorithm>

#include "platform/net/GzipInflater.h"

namespace sdk::utilities {

using platform::foundation::Data;
using platform::foundation::Error;
using platform::foundation::ErrorOr;
using platform::foundation::Value;

namespace {

constexpr std::size_t kChunk = 1024;
constexpr std::uint64_t kMaximumInputLength = std::uint64_t{1} << 32;

Error zlibError(int status, const char* message) {
  Error error{kZlibErrorDomain, kZlibErrorInternal, Value()};
  error.userInfo.set(kZlibErrorKey, status);
  if (message) error.userInfo.set(Error::kLocalizedDescriptionKey, message);
  return error;
}

}  // namespace

ErrorOr<Data> Gzip::dataByGzippingData(std::span<const std::uint8_t> data) {
  if (data.empty()) return Data();
  if (data.size() >= kMaximumInputLength) {
    return Error{kZlibErrorDomain, kZlibErrorGreaterThan32BitsToCompress, Value()};
  }
  z_stream stream{};
  // Window bits 31: a 32 KB window with a gzip header and trailer.
  int status = deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
  if (status != Z_OK) {
    return zlibError(status, nullptr);
  }
  // Output grows in place, at least a chunk at a time, so zlib writes straight into it.
  Data output;
  output.reserve(std::max<std::size_t>(data.size() / 4, kChunk));
  stream.next_in = const_cast<Bytef*>(data.data());
  stream.avail_in = static_cast<uInt>(data.size());
  do {
    std::size_t used = output.size();
    output.resize(std::max(output.capacity(), used + kChunk));
    stream.next_out = output.data() + used;
    stream.avail_out = static_cast<uInt>(output.size() - used);
    status = deflate(&stream, Z_FINISH);
    output.resize(output.size() - stream.avail_out);
    if (status < Z_OK || status > Z_STREAM_END) {
      deflateEnd(&stream);
      return zlibError(status, nullptr);
    }
  } while (status != Z_STREAM_END);
  deflateEnd(&stream);
  return output;
}

ErrorOr<Data> Gzip::dataByInflatingGzippedData(std::span<const std::uint8_t> data) {
  return inflateWithLimit(data, kMaximumInflatedLength);
}

ErrorOr<Data> Gzip::inflateWithLimit(std::span<const std::uint8_t> data, std::uint64_t maximumLength) {
  if (data.empty()) return Data();
  if (data.size() >= kMaximumInputLength) return Error{kZlibErrorDomain, kZlibErrorGreaterThan32BitsToCompress, Value()};
  // The same inflater that expands response bodies: a bomb stops at the ceiling, not in memory.
  platform::net::GzipInflater inflater(maximumLength);
  Data output;
  output.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(std::max<std::uint64_t>(data.size() * 4, kChunk), maximumLength)));
  auto status = inflater.feed(data, [&](const std::uint8_t* bytes, std::size_t length) {
    output.insert(output.end(), bytes, bytes + length);
    return true;
  });
  using Status = platform::net::GzipInflater::Status;
  switch (status) {
    case Status::Ended:
      break;
    case Status::TooLarge:
      return Error{kZlibErrorDomain, kZlibErrorGreaterThan32BitsToCompress, Value()};
    case Status::NeedsMore:  // the input stopped before the stream did
      return zlibError(Z_BUF_ERROR, nullptr);
    case Status::Failed:
    case Status::Refused:
      return zlibError(inflater.zlibStatus(), inflater.message());
  }
  if (inflater.remainingInput() > 0) {
    Error left{kZlibErrorDomain, kZlibErrorDataRemaining, Value()};
    left.userInfo.set(kZlibRemainingBytesKey, static_cast<std::int64_t>(inflater.remainingInput()));
    return left;
  }
  return output;
}

}  // namespace sdk::utilities

