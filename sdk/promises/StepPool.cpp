#include "sdk/promises/StepPool.h"

#include <algorithm>
#include <mutex>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define OSTREL_POISON(block, bytes) ASAN_POISON_MEMORY_REGION(block, bytes)
#define OSTREL_UNPOISON(block, bytes) ASAN_UNPOISON_MEMORY_REGION(block, bytes)
#else
#define OSTREL_POISON(block, bytes) ((void)(block), (void)(bytes))
#define OSTREL_UNPOISON(block, bytes) ((void)(block), (void)(bytes))
#endif

namespace sdk::promises {
namespace {

// The two sizes of block, by their index here.
constexpr std::size_t kSizes = 2;
constexpr std::size_t kSizeBytes[kSizes] = {StepPool::kSmallBlockBytes, StepPool::kBlockBytes};
std::size_t sizeFor(std::size_t bytes) { return bytes <= StepPool::kSmallBlockBytes ? 0 : 1; }

// What a thread past its share hands to the shared store at once.
constexpr std::size_t kMove = StepPool::kThreadBlocks / 2;

// Never destroyed: blocks come back from threads that end while the process ends.
struct SharedStore {
  std::mutex mutex;
  std::vector<void*> blocks[kSizes];
  std::size_t keptBytes = 0;
};

SharedStore& shared() {
  static auto* const store = new SharedStore;
  return *store;
}

void handBack(void* block, std::size_t size) {
  OSTREL_UNPOISON(block, kSizeBytes[size]);
  ::operator delete(block);
}

// Puts `count` blocks of one size into the shared store, handing back what it cannot keep.
void store(void* const* blocks, std::size_t count, std::size_t size) {
  std::size_t kept = 0;
  {
    std::lock_guard lock(shared().mutex);
    auto& store = shared();
    kept = std::min(count, (StepPool::kKeptBytes - store.keptBytes) / kSizeBytes[size]);
    store.blocks[size].insert(store.blocks[size].end(), blocks, blocks + kept);
    store.keptBytes += kept * kSizeBytes[size];
  }
  for (std::size_t i = kept; i < count; ++i) handBack(blocks[i], size);
}

// Takes up to kMove blocks of one size from the shared store.
void take(std::vector<void*>& into, std::size_t size) {
  std::lock_guard lock(shared().mutex);
  auto& kept = shared().blocks[size];
  const std::size_t count = std::min(kMove, kept.size());
  into.insert(into.end(), kept.end() - static_cast<std::ptrdiff_t>(count), kept.end());
  kept.resize(kept.size() - count);
  shared().keptBytes -= count * kSizeBytes[size];
}

// A thread's blocks go to the shared store when the thread ends; a block released after that (by a
// destructor running later in the thread's end) goes there directly.
struct ThreadBlocks {
  ThreadBlocks() {
    for (auto& own : blocks) own.reserve(StepPool::kThreadBlocks);
  }
  ~ThreadBlocks();
  std::vector<void*> blocks[kSizes];
};

thread_local bool threadBlocksGone = false;

ThreadBlocks::~ThreadBlocks() {
  for (std::size_t size = 0; size < kSizes; ++size) store(blocks[size].data(), blocks[size].size(), size);
  threadBlocksGone = true;
}

ThreadBlocks* threadBlocks() {
  if (threadBlocksGone) return nullptr;
  thread_local ThreadBlocks own;
  return &own;
}

}  // namespace

void* StepPool::allocate(std::size_t bytes) {
  const std::size_t size = sizeFor(bytes);
  if (ThreadBlocks* own = threadBlocks()) {
    auto& blocks = own->blocks[size];
    if (blocks.empty()) take(blocks, size);
    if (!blocks.empty()) {
      void* block = blocks.back();
      blocks.pop_back();
      OSTREL_UNPOISON(block, kSizeBytes[size]);
      return block;
    }
  }
  return ::operator new(kSizeBytes[size]);
}

void StepPool::release(void* block, std::size_t bytes) noexcept {
  const std::size_t size = sizeFor(bytes);
  OSTREL_POISON(block, kSizeBytes[size]);
  ThreadBlocks* own = threadBlocks();
  if (!own) return store(&block, 1, size);
  auto& blocks = own->blocks[size];
  if (blocks.size() == kThreadBlocks) {
    store(blocks.data() + kThreadBlocks - kMove, kMove, size);
    blocks.resize(kThreadBlocks - kMove);
  }
  blocks.push_back(block);
}

std::size_t StepPool::keptBlocks(std::size_t bytes) {
  const std::size_t size = sizeFor(bytes);
  ThreadBlocks* own = threadBlocks();
  std::lock_guard lock(shared().mutex);
  return shared().blocks[size].size() + (own ? own->blocks[size].size() : 0);
}

std::size_t StepPool::keptBlocksOnThisThread(std::size_t bytes) {
  ThreadBlocks* own = threadBlocks();
  return own ? own->blocks[sizeFor(bytes)].size() : 0;
}

}  // namespace sdk::promises
