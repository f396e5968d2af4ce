#include "platform/foundation/SizedBlockCache.h"

#include <iterator>

namespace platform::foundation {

SizedBlockCache::SizedBlockCache(std::size_t mostBytes, std::size_t mostBlocks, Release release)
    : mostBytes_(mostBytes), mostBlocks_(mostBlocks), release_(release) {
  kept_.reserve(mostBlocks_ < 64 ? mostBlocks_ : 64);
}

SizedBlockCache::~SizedBlockCache() {
  for (const Kept& k : kept_) release_(k.block);
}

void* SizedBlockCache::take(std::size_t bytes) {
  for (auto it = kept_.rbegin(); it != kept_.rend(); ++it) {
    if (it->bytes != bytes) continue;
    void* block = it->block;
    keptBytes_ -= bytes;
    kept_.erase(std::next(it).base());
    return block;
  }
  return nullptr;
}

void SizedBlockCache::keep(void* block, std::size_t bytes) {
  if (bytes > mostBytes_ || mostBlocks_ == 0) {
    release_(block);
    return;
  }
  while (!kept_.empty() && (kept_.size() == mostBlocks_ || keptBytes_ + bytes > mostBytes_)) {
    release_(kept_.front().block);
    keptBytes_ -= kept_.front().bytes;
    kept_.erase(kept_.begin());
  }
  kept_.push_back({block, bytes});
  keptBytes_ += bytes;
}

}  // namespace platform::foundation
