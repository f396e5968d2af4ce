#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

struct z_stream_s;

namespace platform::net {

// Expands gzip- or zlib-wrapped bytes as they arrive, never producing more than a ceiling: a small
// hostile input that would expand to gigabytes stops at the ceiling instead of filling memory. Used for
// response bodies as they stream in and for whole buffers alike.
class GzipInflater {
 public:
  enum class Status {
    NeedsMore,  // every byte given so far is used; the stream has not ended
    Ended,      // the stream is complete (bytes after it are left unread, see remainingInput)
    Failed,     // zlib refused the data; see zlibStatus and message
    TooLarge,   // the output would pass the ceiling
    Refused,    // the sink refused a piece of output
  };
  // Receives each piece of output; false stops the expansion.
  using Sink = std::function<bool(const std::uint8_t* bytes, std::size_t length)>;

  explicit GzipInflater(std::uint64_t maximumOutput);
  ~GzipInflater();
  GzipInflater(const GzipInflater&) = delete;
  GzipInflater& operator=(const GzipInflater&) = delete;

  // Expands `input`. Once the result is anything but NeedsMore, later calls return it again.
  Status feed(std::span<const std::uint8_t> input, const Sink& sink);

  std::uint64_t produced() const { return produced_; }
  // Input arrived but the stream has not ended: the compressed data was cut off.
  bool isCutShort() const { return started_ && status_ == Status::NeedsMore; }
  // Bytes of the last input that lay after the end of the stream.
  std::size_t remainingInput() const { return remaining_; }
  int zlibStatus() const { return zlibStatus_; }
  // zlib's explanation of a failure, or nullptr.
  const char* message() const { return message_; }

 private:
  z_stream_s* stream_;
  const std::uint64_t maximum_;
  std::uint64_t produced_ = 0;
  std::size_t remaining_ = 0;
  int zlibStatus_ = 0;
  const char* message_ = nullptr;
  Status status_ = Status::NeedsMore;
  bool initialized_ = false;
  bool started_ = false;
};

}  // namespace platform::net
