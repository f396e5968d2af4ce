#include "sdk/analytics/foundation/WriteAheadLogScan.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <vector>

namespace sdk::analytics {

namespace {

constexpr std::size_t kHeaderBytes = 32;
constexpr std::size_t kFrameHeaderBytes = 24;
constexpr std::uint32_t kMagicLittleEndianWords = 0x377f0682;
constexpr std::uint32_t kMagicBigEndianWords = 0x377f0683;
constexpr std::uint32_t kFormatVersion = 3007000;

std::uint32_t bigEndian32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
         static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
}

std::uint32_t littleEndian32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[3]) << 24 | static_cast<std::uint32_t>(bytes[2]) << 16 |
         static_cast<std::uint32_t>(bytes[1]) << 8 | bytes[0];
}

// SQLite's running checksum: two sums over pairs of 32-bit words, in the byte order the magic names.
struct Checksum {
  bool bigEndianWords = false;
  std::uint32_t first = 0;
  std::uint32_t second = 0;

  void add(const std::uint8_t* bytes, std::size_t size) {
    for (std::size_t at = 0; at + 8 <= size; at += 8) {
      const std::uint32_t x0 = bigEndianWords ? bigEndian32(bytes + at) : littleEndian32(bytes + at);
      const std::uint32_t x1 = bigEndianWords ? bigEndian32(bytes + at + 4) : littleEndian32(bytes + at + 4);
      first += x0 + second;
      second += x1 + first;
    }
  }
  bool matches(const std::uint8_t* stored) const {
    return bigEndian32(stored) == first && bigEndian32(stored + 4) == second;
  }
};

bool readAt(int fd, std::uint8_t* into, std::size_t size, off_t offset) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = ::pread(fd, into + done, size - done, offset + static_cast<off_t>(done));
    if (got <= 0) return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}

bool isPageSize(std::uint32_t size) { return size >= 512 && size <= 65536 && (size & (size - 1)) == 0; }

}  // namespace

WriteAheadLogScan WriteAheadLogScan::of(const std::string& path) {
  WriteAheadLogScan scan;
  // Only a log SQLite wrote is scanned: a FIFO in its place would hold the open for ever, and a device
  // the frames.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return scan;
  if (struct stat info {}; ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return scan;
  }
  std::array<std::uint8_t, kHeaderBytes> header{};
  if (!readAt(fd, header.data(), header.size(), 0)) {
    ::close(fd);
    return scan;
  }
  const std::uint32_t magic = bigEndian32(header.data());
  const std::uint32_t pageSize = bigEndian32(header.data() + 8);
  Checksum running{.bigEndianWords = magic == kMagicBigEndianWords};
  running.add(header.data(), 24);
  // A header SQLite refuses makes it ignore the whole log: every frame after it is dropped.
  bool intact = (magic == kMagicLittleEndianWords || magic == kMagicBigEndianWords) &&
                bigEndian32(header.data() + 4) == kFormatVersion && running.matches(header.data() + 24);
  if (!isPageSize(pageSize)) {
    ::close(fd);
    return scan;
  }
  std::vector<std::uint8_t> frame(kFrameHeaderBytes + pageSize);
  std::int64_t lastDroppedCommit = 0;
  for (std::int64_t index = 0;; ++index) {
    const off_t offset = static_cast<off_t>(kHeaderBytes + static_cast<std::size_t>(index) * frame.size());
    if (!readAt(fd, frame.data(), frame.size(), offset)) break;
    const bool ours = std::memcmp(frame.data() + 8, header.data() + 16, 8) == 0;
    const bool commits = bigEndian32(frame.data() + 4) != 0;
    if (intact) {
      Checksum next = running;
      next.add(frame.data(), 8);
      next.add(frame.data() + kFrameHeaderBytes, pageSize);
      intact = ours && bigEndian32(frame.data()) != 0 && next.matches(frame.data() + 16);
      if (intact) {
        running = next;
        if (commits) scan.keptFrames_ = index + 1;
        continue;
      }
    }
    if (ours && commits) {
      ++scan.droppedTransactions_;
      lastDroppedCommit = index + 1;
    }
  }
  ::close(fd);
  if (scan.droppedTransactions_ > 0) scan.droppedFrames_ = lastDroppedCommit - scan.keptFrames_;
  return scan;
}

}  // namespace sdk::analytics
