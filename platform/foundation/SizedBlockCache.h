#pragma once

#include <cstddef>
#include <vector>

namespace platform::foundation {

// Freed blocks of memory kept by their exact size for the next request of that size. Blocks large
// enough that the allocator maps them afresh each time cost a page fault for every page first
// touched; code that makes the same large sizes over and over (a loop filling an array anew, a shot
// of the whole window) keeps a few here instead. Bounded by bytes and by count; the oldest go first,
// since a repeating pattern's sizes are the ones freed last. Not synchronised: give each thread its
// own, or hold a lock around it.
class SizedBlockCache {
 public:
  using Release = void (*)(void*);

  SizedBlockCache(std::size_t mostBytes, std::size_t mostBlocks, Release release);
  ~SizedBlockCache();
  SizedBlockCache(const SizedBlockCache&) = delete;
  SizedBlockCache& operator=(const SizedBlockCache&) = delete;

  // A kept block of exactly this many bytes (the one kept last), or null when there is none.
  void* take(std::size_t bytes);
  // Keeps the block, releasing the oldest until the bounds hold; a block larger than all that may
  // be kept is released at once.
  void keep(void* block, std::size_t bytes);
  std::size_t keptBytes() const { return keptBytes_; }

 private:
  struct Kept {
    void* block;
    std::size_t bytes;
  };

  std::size_t mostBytes_;
  std::size_t mostBlocks_;
  Release release_;
  std::vector<Kept> kept_;
  std::size_t keptBytes_ = 0;
};

}  // namespace platform::foundation
