#include "sdk/promises/StepPool.h"

#include <algorithm>
#include <mutex>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define OSTREL_POISON(block) ASAN_POISON_MEMORY_REGION(block, StepPool::kBlockBytes)
#define OSTREL_UNPOISON(block) ASAN_UNPOISON_MEMORY_REGION(block, StepPool::kBlockBytes)
#else
#define OSTREL_POISON(block) ((void)(block))
#define OSTREL_UNPOISON(block) ((void)(block))
#endif

namespace sdk::promises {
namespace {

// A thread's own blocks; past this many, half go to the shared store at once.
constexpr std::size_t kThreadBlocks = 512;
constexpr std::size_t kMove = kThreadBlocks / 2;
constexpr std::size_t kKeptBlocks = StepPool::kKeptBytes / StepPool::kBlockBytes;

// Never destroyed: blocks come back from threads that end while the process ends.
struct SharedStore {
  std::mutex mutex;
  std::vector<void*> blocks;
};

SharedStore& shared() {
  static auto* const store = new SharedStore;
  return *store;
}

void handBack(void* block) {
  OSTREL_UNPOISON(block);
  ::operator delete(block);
}

// Puts `count` blocks into the shared store, handing back what it cannot keep.
void store(void* const* blocks, std::size_t count) {
  std::size_t kept = 0;
  {
    std::lock_guard lock(shared().mutex);
    auto& into = shared().blocks;
    kept = std::min(count, into.size() < kKeptBlocks ? kKeptBlocks - into.size() : 0);
    into.insert(into.end(), blocks, blocks + kept);
  }
  for (std::size_t i = kept; i < count; ++i) handBack(blocks[i]);
}

// Takes up to kMove blocks from the shared store.
void take(std::vector<void*>& into) {
  std::lock_guard lock(shared().mutex);
  auto& kept = shared().blocks;
  const std::size_t count = std::min(kMove, kept.size());
  into.insert(into.end(), kept.end() - static_cast<std::ptrdiff_t>(count), kept.end());
  kept.resize(kept.size() - count);
}

// A thread's blocks go to the shared store when the thread ends; a block released after that (by a
// destructor running later in the thread's end) goes there directly.
struct ThreadBlocks {
  ThreadBlocks() { blocks.reserve(kThreadBlocks); }
  ~ThreadBlocks();
  std::vector<void*> blocks;
};

thread_local bool threadBlocksGone = false;

ThreadBlocks::~ThreadBlocks() {
  store(blocks.data(), blocks.size());
  threadBlocksGone = true;
}

ThreadBlocks* threadBlocks() {
  if (threadBlocksGone) return nullptr;
  thread_local ThreadBlocks own;
  return &own;
}

}  // namespace

void* StepPool::allocate() {
  if (ThreadBlocks* own = threadBlocks()) {
    if (own->blocks.empty()) take(own->blocks);
    if (!own->blocks.empty()) {
      void* block = own->blocks.back();
      own->blocks.pop_back();
      OSTREL_UNPOISON(block);
      return block;
    }
  }
  return ::operator new(kBlockBytes);
}

void StepPool::release(void* block) noexcept {
  OSTREL_POISON(block);
  ThreadBlocks* own = threadBlocks();
  if (!own) return store(&block, 1);
  if (own->blocks.size() == kThreadBlocks) {
    store(own->blocks.data() + kThreadBlocks - kMove, kMove);
    own->blocks.resize(kThreadBlocks - kMove);
  }
  own->blocks.push_back(block);
}

std::size_t StepPool::keptBlocks() {
  ThreadBlocks* own = threadBlocks();
  std::lock_guard lock(shared().mutex);
  return shared().blocks.size() + (own ? own->blocks.size() : 0);
}

}  // namespace sdk::promises
