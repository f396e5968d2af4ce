#include "platform/net/GzipInflater.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace platform::net {

namespace {
constexpr std::size_t kChunk = 16 * 1024;
}

GzipInflater::GzipInflater(std::uint64_t maximumOutput) : stream_(new z_stream{}), maximum_(maximumOutput) {
  // Window bits 47: a 32 KB window, a gzip or zlib header recognised from the data itself.
  zlibStatus_ = inflateInit2(stream_, 47);
  initialized_ = zlibStatus_ == Z_OK;
  if (!initialized_) status_ = Status::Failed;
}

GzipInflater::~GzipInflater() {
  if (initialized_) inflateEnd(stream_);
  delete stream_;
}

GzipInflater::Status GzipInflater::feed(std::span<const std::uint8_t> input, const Sink& sink) {
  if (status_ != Status::NeedsMore) return status_;
  if (!input.empty()) started_ = true;
  Bytef buffer[kChunk];
  while (!input.empty()) {
    std::size_t slice = std::min<std::size_t>(input.size(), UINT_MAX);
    stream_->next_in = const_cast<Bytef*>(input.data());
    stream_->avail_in = static_cast<uInt>(slice);
    int status;
    do {
      stream_->next_out = buffer;
      stream_->avail_out = kChunk;
      status = inflate(stream_, Z_NO_FLUSH);
      std::size_t made = kChunk - stream_->avail_out;
      // No progress with every byte used up only means the rest of the stream is still to come.
      if (status == Z_BUF_ERROR && stream_->avail_in == 0) status = Z_OK;
      if (status != Z_OK && status != Z_STREAM_END) {
        zlibStatus_ = status;
        message_ = stream_->msg;
        return status_ = Status::Failed;
      }
      if (made > maximum_ - std::min(produced_, maximum_)) return status_ = Status::TooLarge;
      produced_ += made;
      if (made > 0 && !sink(buffer, made)) return status_ = Status::Refused;
    } while (status != Z_STREAM_END && (stream_->avail_in > 0 || stream_->avail_out == 0));
    std::size_t used = slice - stream_->avail_in;
    input = input.subspan(used);
    if (status == Z_STREAM_END) {
      zlibStatus_ = Z_STREAM_END;
      remaining_ = input.size();
      return status_ = Status::Ended;
    }
    zlibStatus_ = Z_OK;
  }
  return status_;
}

}  // namespace platform::net
