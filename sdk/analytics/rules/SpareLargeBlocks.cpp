#include "sdk/analytics/rules/SpareLargeBlocks.h"

#include <new>

namespace sdk::analytics {

namespace {

class KeptBlocks {
 public:
  ~KeptBlocks() {
    gone() = true;
    for (std::size_t i = 0; i < count_; ++i) ::operator delete(blocks_[i].block);
  }
  // Blocks freed after the thread's own are gone (by statics) bypass the list.
  static bool& gone() {
    static thread_local bool value = false;
    return value;
  }

  void* take(std::size_t bytes) {
    for (std::size_t i = count_; i-- > 0;) {
      if (blocks_[i].bytes != bytes) continue;
      auto* block = blocks_[i].block;
      kept_ -= bytes;
      remove(i);
      return block;
    }
    return ::operator new(bytes);
  }
  void give(void* block, std::size_t bytes) {
    if (bytes > SpareLargeBlocks::kKeptBytes) {
      ::operator delete(block);
      return;
    }
    // The oldest go first: a loop's sizes are the ones it freed last.
    while (count_ > 0 && (count_ == SpareLargeBlocks::kKeptBlocks || kept_ + bytes > SpareLargeBlocks::kKeptBytes)) {
      ::operator delete(blocks_[0].block);
      kept_ -= blocks_[0].bytes;
      remove(0);
    }
    blocks_[count_++] = {block, bytes};
    kept_ += bytes;
  }
  std::size_t kept() const { return kept_; }

 private:
  struct Kept {
    void* block;
    std::size_t bytes;
  };
  void remove(std::size_t i) {
    for (; i + 1 < count_; ++i) blocks_[i] = blocks_[i + 1];
    --count_;
  }

  Kept blocks_[SpareLargeBlocks::kKeptBlocks] = {};
  std::size_t count_ = 0;
  std::size_t kept_ = 0;
};

KeptBlocks& keptBlocks() {
  static thread_local KeptBlocks value;
  return value;
}

}  // namespace

void* SpareLargeBlocks::take(std::size_t bytes) {
  if (KeptBlocks::gone()) return ::operator new(bytes);
  return keptBlocks().take(bytes);
}

void SpareLargeBlocks::give(void* block, std::size_t bytes) {
  if (KeptBlocks::gone()) ::operator delete(block);
  else keptBlocks().give(block, bytes);
}

std::size_t SpareLargeBlocks::keptBytes() { return KeptBlocks::gone() ? 0 : keptBlocks().kept(); }

}  // namespace sdk::analytics
