// Any bytes given to the gzip inflater, whole or in pieces as a response body arrives, must expand or
// fail cleanly, never past its ceiling; both ways of feeding must agree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "platform/net/GzipInflater.h"

using platform::net::GzipInflater;

namespace {

constexpr std::uint64_t kCeiling = 1 << 20;

struct Result {
  GzipInflater::Status status;
  std::vector<std::uint8_t> output;
};

Result inflate(std::span<const std::uint8_t> input, std::size_t piece) {
  GzipInflater inflater(kCeiling);
  Result result{GzipInflater::Status::NeedsMore, {}};
  auto sink = [&](const std::uint8_t* bytes, std::size_t length) {
    result.output.insert(result.output.end(), bytes, bytes + length);
    return true;
  };
  while (!input.empty() && result.status == GzipInflater::Status::NeedsMore) {
    std::size_t n = std::min(piece, input.size());
    result.status = inflater.feed(input.first(n), sink);
    input = input.subspan(n);
  }
  if (inflater.produced() != result.output.size() || result.output.size() > kCeiling) std::abort();
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::span<const std::uint8_t> input(data, size);
  Result whole = inflate(input, size);
  Result pieces = inflate(input, 1 + data[0] % 61);
  if (whole.status != pieces.status) std::abort();
  // Pieces stop where the whole stops, except that a piece boundary may cut output short of a limit.
  if (whole.status == GzipInflater::Status::Ended && whole.output != pieces.output) std::abort();
  return 0;
}
