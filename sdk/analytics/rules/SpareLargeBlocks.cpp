#include "sdk/analytics/rules/SpareLargeBlocks.h"

#include "platform/foundation/SizedBlockCache.h"

#include <new>

namespace sdk::analytics {

namespace {

void releaseBlock(void* block) { ::operator delete(block); }

class KeptBlocks {
 public:
  ~KeptBlocks() { gone() = true; }
  // Blocks freed after the thread's own are gone (by statics) bypass the cache.
  static bool& gone() {
    static thread_local bool value = false;
    return value;
  }

  platform::foundation::SizedBlockCache cache{SpareLargeBlocks::kKeptBytes, SpareLargeBlocks::kKeptBlocks,
                                              &releaseBlock};
};

KeptBlocks& keptBlocks() {
  static thread_local KeptBlocks value;
  return value;
}

}  // namespace

void* SpareLargeBlocks::take(std::size_t bytes) {
  if (!KeptBlocks::gone()) {
    if (void* kept = keptBlocks().cache.take(bytes)) return kept;
  }
  return ::operator new(bytes);
}

void SpareLargeBlocks::give(void* block, std::size_t bytes) {
  if (KeptBlocks::gone()) ::operator delete(block);
  else keptBlocks().cache.keep(block, bytes);
}

std::size_t SpareLargeBlocks::keptBytes() { return KeptBlocks::gone() ? 0 : keptBlocks().cache.keptBytes(); }

}  // namespace sdk::analytics
